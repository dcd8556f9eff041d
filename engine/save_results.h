// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/saver.h"
#include "engine/result_list.h"
#include "engine/save_road.h"

#include <atomic>
#include <functional>
#include <vector>

namespace lumivex {

class BatchSession;

// Where the items of a batch go besides the settings' folder, and what becomes of files that
// are there already.
struct SaveLayout {
    // Per item, a folder relative to the output folder (created when missing); empty for all
    // items written into the output folder itself.
    QStringList subfolders;
    // A file that exists before it is written is kept and its item fails; otherwise replaced.
    bool keepExisting = false;
    // With several threads, items are started largest source first, so that a batch ends on
    // small files rather than with one thread still on a large one while the others wait.
    bool largestFirst = false;
};

// Writes items on `workers` threads through the one road (saveItem). No item is written over
// another item of the same batch: a later item whose name is taken is saved under a numbered name
// (`batchTargets`) and its outcome says so. `written(i, outcome)` hears of each item once its
// file is in place (or it failed), one item at a time, on a thread that finishes files for all
// workers. Once `stop` is set no further item is started; those left have neither `written` nor
// a failure. Every source in `protectedSources` is refused as a target. One outcome per item, in
// list order.
std::vector<SaveOutcome> saveItems(const SaveSettings &settings, const std::vector<SaveItem> &items,
                                   const QStringList &protectedSources,
                                   const std::function<void(int, const SaveOutcome &)> &written = {},
                                   int workers = 0, const std::atomic<bool> *stop = nullptr,
                                   const SaveLayout &layout = {});

// Saves every result of a run: item i of `sourcePaths` with picture i of `results`. A result
// kept as its recipe is made again the way the command line makes it.
std::vector<SaveOutcome> saveResults(const SaveSettings &settings, const QStringList &sourcePaths,
                                     const ResultList &results, int workers = 0,
                                     const std::atomic<bool> *stop = nullptr);

// Saves the items a finished session went through; all of its sources stay protected.
// `written` hears of each item as saveItems tells it.
std::vector<SaveOutcome> saveResults(const SaveSettings &settings, const BatchSession &session,
                                     int workers = 0, const std::atomic<bool> *stop = nullptr,
                                     const std::function<void(int, const SaveOutcome &)> &written = {});

} // namespace lumivex
