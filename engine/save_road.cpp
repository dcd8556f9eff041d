// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/save_road.h"

#include "engine/result_list.h"
#include "core/codec/codec.h"
#include "core/kept_bytes.h"

namespace lumivex {

namespace {

void readSource(const SourceRecipe &recipe, KeptBytes &into)
{
    if (recipe.stamp)
        readStampedSource(recipe.source, *recipe.stamp, into);
    else
        readRegularFile(recipe.source, into).valueOrThrow();
}

} // namespace

SaveResult saveFromSource(const SourceRecipe &recipe, const QString &path, const SaveSettings &settings,
                          const FileIdentitySet &protectedFiles)
{
    // One file's bytes at a time per worker, in memory the worker keeps; everything the item
    // writes is made from these very bytes, so a file swapped in meanwhile cannot slip in.
    thread_local KeptBytes bytes;
    try {
        readSource(recipe, bytes);
        // Shared by both ways: what a streamed attempt that declines has parsed serves the other.
        const CameraDataSource cameraData = CameraDataSource::read(recipe.source, bytes.view());
        if (recipe.steps.size() == 1) {
            const AdjustmentStep &step = recipe.steps.front();
            SaveResult streamed = saveStreamedResult(cameraData, *adjustingStage(step.kind, step.strength), path,
                                                     settings, protectedFiles);
            if (!streamed.declined())
                return streamed;
        }
        const QImage picture = chainResultFromBytes(bytes.view(), recipe.source, recipe.steps);
        return saveOneResult(picture, path, settings, cameraData, protectedFiles);
    } catch (...) {
        return caughtFailure();
    }
}

SaveResult saveItem(const SaveItem &item, const QString &path, const SaveSettings &settings,
                    const FileIdentitySet &protectedFiles)
{
    if (!item.failure.isEmpty())
        return Failure(item.failure);
    if (item.recipe)
        return saveFromSource(*item.recipe, path, settings, protectedFiles);
    return saveOneResult(item.picture, path, settings, CameraDataSource::file(item.source), protectedFiles);
}

} // namespace lumivex
