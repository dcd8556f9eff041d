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

// The numbered steps of one Start handler. The pixel work shifts every later number by the
// length of its own listing, so each handler has its own table.
struct RunSteps {
    int emptyTest = 100, clearResults = 102, loop = 104, busy = 106, progress = 108, yield = 110,
        decode = 112, header = 114, width = 116, height = 118, sizeBuffer = 120;
    int sizeSource, fillBuffer, fillSource, readSlider, pixelWork, writeBack;
    int repaint() const { return writeBack + 2; }
    int freeze() const { return writeBack + 4; }
    int resultWord() const { return writeBack + 6; }
    int addItem() const { return writeBack + 8; }
    int firstTest() const { return writeBack + 10; }
    int storeFirst() const { return writeBack + 12; }
    int createSlot() const { return writeBack + 14; }
    int storeSlot() const { return writeBack + 16; }
    int next() const { return writeBack + 18; }
    int defaultPointer() const { return writeBack + 20; }
    int progressZero() const { return writeBack + 22; }
    int totalImages() const { return writeBack + 24; }
    int afterPicture() const { return writeBack + 26; }
    int beforePicture() const { return writeBack + 28; }
    int showResults() const { return writeBack + 30; }
    int hideMain() const { return writeBack + 32; }
    int emptyMessage() const { return writeBack + 34; }
};

RunSteps runSteps(AdjustmentKind kind);

// Applies one adjustment at strength v. source is the untouched copy the neighbourhood filters
// read (ignored by the point adjustments).
void applyAdjustment(AdjustmentKind kind, const std::uint8_t *source, PixelView buffer, int v);

// A neighbourhood adjustment from `source` into a separate `out` of the same size (the whole
// picture is written); point adjustments are not taken here.
void applyNeighbourhoodInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v);

} // namespace lumivex
