// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kernels/adjustments.h"

#include <QString>

#include <vector>

namespace lumivex {

enum class AdjustmentKind { Brightness, Contrast, Softening, Sharpening };

// The numbered steps of one Start handler, the numbers its error reports show. Each handler has
// its own table: the listing of its pixel work shifts every later number. Numbers missing here
// (reading the header, copying pixels in and out, repainting, freezing the picture) belonged to
// steps that working in the picture's own memory leaves nothing to do for.
struct RunSteps {
    int emptyTest, emptyMessage, clearResults, loop, busy, progress, decode, readSlider, pixelWork,
        resultWord, addItem, storeFirst, createSlot, storeSlot, defaultPointer, progressZero,
        totalImages, afterPicture, beforePicture, showResults, hideMain;
};

// An adjustment's panel in the main window, in twips: the frame's top within the window, the rest
// within the frame.
struct AdjustmentPanel {
    const char *caption;
    const char *startCaption;
    int top;
    int tickInterval, pageStep;
    int designValue; // the slider's position before the stored one is read
    const char *scaleTexts[3];
    int scaleLefts[3];
    int scaleLabelNumbers[3]; // the window's LabelN of a scale text, 0 for an unnamed one
    int startTop;
    // The window's FrameN and SliderN, and its PushButtonN that starts the run; 0 for none.
    int controlNumber, startButtonNumber;
};

// Everything that tells one adjustment from another: the window, the command line, its help and
// the run read it here. Exactly one of pointMap and formula is set.
struct AdjustmentInfo {
    AdjustmentKind kind;
    const char *name;          // command-line name
    const char *resultWord;    // names the saved files
    const char *settingsKey;
    const char *startHandler;  // the Start button's handler, for error reports
    int minimum, maximum, defaultValue;
    RunSteps steps;
    AdjustmentPanel panel;
    // A point adjustment: one table for the three colour bytes at strength v.
    PointMap (*pointMap)(int v);
    // A neighbourhood adjustment: the 3×3 weights at strength v, read from an untouched copy.
    NeighbourhoodFormula (*formula)(int v);

    bool usesSourceCopy() const { return formula != nullptr; }
};

// Every adjustment, in the order the window shows their panels.
const std::vector<AdjustmentInfo> &allAdjustments();
// Throws std::invalid_argument for a kind that is not in the registry.
const AdjustmentInfo &adjustmentInfo(AdjustmentKind kind);
bool adjustmentFromName(const QString &name, AdjustmentKind *kind);

// "brightness, contrast, softening or sharpening".
QString adjustmentNameList();
// "brightness (-100..100), contrast (0..100), softening or sharpening (1..10)": adjustments that
// follow one another with the same range share it.
QString adjustmentRangeList();

RunSteps runSteps(AdjustmentKind kind);

// Applies one adjustment at strength v. source is the untouched copy the neighbourhood filters
// read (ignored by the point adjustments).
void applyAdjustment(AdjustmentKind kind, const std::uint8_t *source, PixelView buffer, int v);

// A neighbourhood adjustment from `source` into a separate `out` of the same size (the whole
// picture is written); point adjustments are not taken here.
void applyNeighbourhoodInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v);
// The weights of a neighbourhood adjustment at strength v; sharpening at 7, which has no value,
// has divisor 0 (the output is the source as it was). Throws std::invalid_argument for a point
// adjustment.
NeighbourhoodFormula neighbourhoodFormula(AdjustmentKind kind, int v);
// Rows [first, first + count) of that output; each needs the source rows beside it.
void applyNeighbourhoodRowsInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v, int first, int count);

} // namespace lumivex
