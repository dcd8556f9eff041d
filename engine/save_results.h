#pragma once

#include "core/saver.h"
#include "engine/result_list.h"

#include <vector>

namespace lumivex {

// Saves every result, encoding on `workers` threads. Items that name the same file are written
// in list order, so the later one wins as it would one after the other. One outcome per item,
// in list order.
std::vector<SaveOutcome> saveResults(const SaveSettings &settings, const QStringList &sourcePaths,
                                     const ResultList &results, int workers = 0);

} // namespace lumivex
