// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

namespace lumivex {

// A QImage in the 32-bit pixel form whose memory comes from large pages and is handed back to
// a small pool when the last copy of the image goes. Multi-megapixel pictures otherwise pay a
// page fault per 4 KB on first touch, which on virtual machines costs more than decoding them.
// Throws StepFailure when the memory cannot be had.
//
// Prefault::No leaves the pages to come on first touch: for a decoder that cannot yet tell
// whether the file holds that many pixels (a few hundred bytes declaring 23000 x 23000), so a
// file that ends early costs what was decoded, not the whole picture.
//
// While a PixelBudgetScope lives (core/memory_budget.h) the memory is counted against its
// budget: the call waits for room, or throws StepFailure naming the size when it cannot fit.
//
// The picture says 96 dots per inch until its file says otherwise: Qt's own default follows the
// screen of the process (100 without one), so a file naming no density would be written with
// one that depends on where it was made.
enum class Prefault { Yes, No };
QImage allocatePixelImage(const QSize &size, Prefault prefault = Prefault::Yes);
constexpr int kDefaultDotsPerMeter = 3780; // 96 dpi
void setDefaultDensity(QImage &picture);

// Refuses, as allocatePixelImage would, a picture that could not fit the current batch's budget
// even alone (throws StepFailure naming its size); nothing is reserved. Lets a decoder tell so from
// a file's header before it reads the rest.
void refusePictureBeyondBudget(const QSize &size);

} // namespace lumivex
