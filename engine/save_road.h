// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/saver.h"
#include "engine/pipeline.h"

#include <QImage>
#include <QString>
#include <optional>
#include <vector>

namespace lumivex {

// How a picture to save is made from its file: these adjustments over its decode. With a stamp,
// the file must still be the very one a run read, unchanged.
struct SourceRecipe {
    QString source;
    std::optional<SourceStamp> stamp;
    std::vector<AdjustmentStep> steps;
};

// One item of a save, as the window and the command line both describe it: a picture already
// made (results held within a budget), or the recipe to make it, or why it cannot be saved.
struct SaveItem {
    QString source; // names the output; a held picture's camera data is read from it
    QImage picture;
    std::optional<SourceRecipe> recipe;
    QString failure; // not saved: the item failed before (in the run, say)

    static SaveItem held(QString source, QImage picture) { return {std::move(source), std::move(picture), std::nullopt, QString()}; }
    static SaveItem made(QString source, SourceRecipe recipe)
    {
        return {std::move(source), QImage(), std::move(recipe), QString()};
    }
    static SaveItem failed(QString source, QString why) { return {std::move(source), QImage(), std::nullopt, std::move(why)}; }
};

// The one road from a source to its saved file: the source's bytes read once (and checked
// against the recipe's stamp), then a JPEG written as JPEG with one adjustment streamed from
// decoder to encoder (saveStreamedResult), anything else decoded from those same bytes,
// adjusted, and encoded with the camera data parsed from them too.
SaveResult saveFromSource(const SourceRecipe &recipe, const QString &path, const SaveSettings &settings,
                          const FileIdentitySet &protectedFiles);

// Writes one item at `path`: its recipe by saveFromSource, a held picture by saveOneResult.
SaveResult saveItem(const SaveItem &item, const QString &path, const SaveSettings &settings,
                    const FileIdentitySet &protectedFiles);

} // namespace lumivex
