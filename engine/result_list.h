#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

namespace lumivex {

// One adjusted picture, held either as it is or packed losslessly when the results of a run
// outgrow their memory budget. A source that could not be decoded leaves it empty, with the
// reason, so that nothing else's pixels are ever shown or saved under its name.
class ResultPicture {
public:
    ResultPicture() = default;
    explicit ResultPicture(QImage image, QString failure = QString())
        : failure(std::move(failure)), m_image(std::move(image)) {}

    // The picture, unpacked if it was packed (the same bytes either way).
    QImage image() const;
    bool isEmpty() const { return m_image.isNull() && m_packed.isEmpty(); }
    bool isPacked() const { return !m_packed.isEmpty(); }
    std::size_t memoryBytes() const;
    void pack();

    QString failure;

private:
    QImage m_image;
    QByteArray m_packed;
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
    // Stores a result. Pictures beyond the budget are packed; one that would not fit even then
    // is refused with a StepFailure naming it, and the element stays empty.
    void setPicture(int index, ResultPicture picture); // throws when the element does not exist
    const ResultPicture &picture(int index) const;     // throws when the element does not exist
    void release(int index);                            // throws when the element does not exist
    int slotCount() const; // existing elements

    // Memory for results held as they are, and for everything held; defaults are fractions of
    // the machine's physical memory.
    void setMemoryBudget(std::size_t unpackedBudget, std::size_t hardLimit);
    std::size_t memoryInUse() const;

    int mTotalImages = 0;
    QString resultWord; // the word of the last run's adjustment, empty before the first run

private:
    QStringList m_items;
    std::vector<ResultPicture> m_pictures;
    std::vector<bool> m_exists;
    std::size_t m_unpackedBudget;
    std::size_t m_hardLimit;
    std::size_t m_bytesHeld = 0;
};

} // namespace lumivex
