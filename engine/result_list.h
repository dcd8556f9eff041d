// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/pipeline.h"
#include "core/kept_bytes.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <memory>
#include <vector>

namespace lumivex {

// How a result was made, so that it can be made again instead of kept: the source as it was
// when decoded, and the adjustments with their strengths in the order applied.
struct ResultRecipe {
    QString source;
    SourceStamp stamp;
    std::vector<AdjustmentStep> steps;
};

// Throws StepFailure "The source has changed since the run: PATH" unless `read`, the stamp of a
// file just read for the recipe, is that of the very file the run read, unchanged: a result made
// from anything else would not be the run's.
void checkRecipeSource(const ResultRecipe &recipe, const SourceStamp &read);
// The bytes of the file `source`, read once and checked as above against `stamp` (a source gone
// or unreadable has changed too).
void readStampedSource(const QString &source, const SourceStamp &stamp, KeptBytes &into);
// The same for a recipe's source.
QByteArray readRecipeSource(const ResultRecipe &recipe);

// One adjusted picture, held as it is or as its recipe. A source that could not be decoded leaves it empty, with the reason, so that
// nothing else's pixels are ever shown or saved under its name.
class ResultPicture {
public:
    ResultPicture() = default;
    explicit ResultPicture(QImage image, QString failure = QString())
        : failure(std::move(failure)), m_image(std::move(image)) {}
    ResultPicture(QImage image, ResultRecipe recipe)
        : m_image(std::move(image)), m_recipe(std::make_shared<const ResultRecipe>(std::move(recipe))) {}

    // The picture; one kept as a recipe is decoded and adjusted again, the same bytes as when it
    // was made. Throws StepFailure when its source has changed since, or cannot be read.
    QImage image() const;
    // The same, given `source`: a decode of this result's source file (for the Before pane,
    // say), read from the file whose stamp is `read`. A recipe of one adjustment is made from it
    // rather than from a second decode of the file, which gives the same bytes.
    QImage imageMadeFrom(const QImage &source, const SourceStamp &read) const;
    bool isEmpty() const { return m_image.isNull() && !isRecipe(); }
    bool isRecipe() const { return m_image.isNull() && m_recipe; }
    // How it is made again when it is held as its recipe; null otherwise.
    const ResultRecipe *recipe() const { return isRecipe() ? m_recipe.get() : nullptr; }
    std::size_t memoryBytes() const;
    // Drops the pixels when they can be made again; a picture without a recipe stays as it is.
    void keepAsRecipe();

    QString failure;

private:
    QImage m_image;
    std::shared_ptr<const ResultRecipe> m_recipe;
};

// The results of the last run: the list items, the pictures Image1(0 … n − 1) and
// mTotalImages. Item k, picture k − 1 and row k of the image list belong to the same image.
class ResultList {
public:
    ResultList();

    void clearItems() { m_items.clear(); }
    void addItem(const QString &text) { m_items << text; }
    const QStringList &items() const { return m_items; }
    int itemCount() const { return m_items.size(); }

    // Element 0 always exists; elements 1 … are created by a run and released by "< Back".
    bool exists(int index) const;
    void create(int index);
    // Stores a result. A picture that would pass the budget is kept as its recipe, so none is
    // ever refused for memory.
    void setPicture(int index, ResultPicture picture); // throws when the element does not exist
    const ResultPicture &picture(int index) const;     // throws when the element does not exist
    void release(int index);                            // throws when the element does not exist
    int slotCount() const; // existing elements

    // Memory for results held as pictures; none by default. Holding a result takes memory no
    // picture has used before, which the kernel must clear (and a virtual machine's host must
    // back: 1 GB costs seconds on some), while the run decodes into memory it keeps reusing.
    // Making a result again when it is shown or saved costs one more decode, no more than the
    // command line spends on it, and never slows the run.
    void setMemoryBudget(std::size_t budget) { m_budget = budget; }
    bool holdsPictures() const { return m_budget > 0; }
    std::size_t memoryInUse() const;

    int mTotalImages = 0;
    QString resultWord; // the word of the last run's adjustment, empty before the first run

private:
    QStringList m_items;
    std::vector<ResultPicture> m_pictures;
    std::vector<bool> m_exists;
    std::size_t m_budget = 0;
    std::size_t m_bytesHeld = 0;
};

} // namespace lumivex
