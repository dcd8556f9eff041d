// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kernels/adjustments.h"

#include <QString>

namespace lumivex {

enum class AdjustmentKind { Brightness, Contrast, Softening, Sharpening };

// What tells one adjustment from another everywhere outside the pixel work.
struct AdjustmentInfo {
    AdjustmentKind kind;
    const char *name;          // command-line name
    const char *resultWord;    // names the saved files
    const char *settingsKey;
    const char *startHandler;  // the Start button's handler, for error reports
    int minimum, maximum, defaultValue;
    bool usesSourceCopy;       // the neighbourhood filters read an untouched copy
};

const AdjustmentInfo &adjustmentInfo(AdjustmentKind kind);
bool adjustmentFromName(const QString &name, AdjustmentKind *kind);

// The numbered steps of one Start handler, the numbers its error reports show. Each handler has
// its own table: the listing of its pixel work shifts every later number. Numbers missing here
// (reading the header, copying pixels in and out, repainting, freezing the picture) belonged to
// steps that working in the picture's own memory leaves nothing to do for.
struct RunSteps {
    int emptyTest, emptyMessage, clearResults, loop, busy, progress, decode, readSlider, pixelWork,
        resultWord, addItem, storeFirst, createSlot, storeSlot, defaultPointer, progressZero,
        totalImages, afterPicture, beforePicture, showResults, hideMain;
};

RunSteps runSteps(AdjustmentKind kind);

// Applies one adjustment at strength v. source is the untouched copy the neighbourhood filters
// read (ignored by the point adjustments).
void applyAdjustment(AdjustmentKind kind, const std::uint8_t *source, PixelView buffer, int v);

// A neighbourhood adjustment from `source` into a separate `out` of the same size (the whole
// picture is written); point adjustments are not taken here.
void applyNeighbourhoodInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v);
// The weights of a neighbourhood adjustment at strength v; sharpening at 7, which has no value,
// has divisor 0 (the output is the source as it was).
NeighbourhoodFormula neighbourhoodFormula(AdjustmentKind kind, int v);
// Rows [first, first + count) of that output; each needs the source rows beside it.
void applyNeighbourhoodRowsInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v, int first, int count);

} // namespace lumivex
