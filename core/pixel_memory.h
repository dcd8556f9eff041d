// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/large_pages.h"
#include "core/picture.h" // allocatePixelImage, what decoders call

#include <QImage>
#include <QSize>

namespace lumivex {

// A QImage in the 32-bit pixel form over large pages (core/large_pages.h), handed back to the
// allocator's pool when the last copy of the image goes. It says nothing about its density yet:
// pictures are made by allocatePixelImage (core/picture.h), which gives them their default.
// Throws StepFailure when the memory cannot be had.
//
// Prefault::No leaves the pages to come on first touch: for a decoder that cannot yet tell
// whether the file holds that many pixels (a few hundred bytes declaring 23000 x 23000), so a
// file that ends early costs what was decoded, not the whole picture.
//
// While the thread works under a PixelBudgetScope (core/memory_budget.h) the memory is counted
// against its budget: the call waits for room, or throws StepFailure naming the size when it
// cannot fit.
QImage pixelMemoryImage(const QSize &size, Prefault prefault = Prefault::Yes);

// Refuses, as pixelMemoryImage would, a picture that could not fit the current batch's budget
// even alone (throws StepFailure naming its size); nothing is reserved. Lets a decoder tell so from
// a file's header before it reads the rest.
void refusePictureBeyondBudget(const QSize &size);

} // namespace lumivex
