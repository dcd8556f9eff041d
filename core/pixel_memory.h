#pragma once

#include <QImage>
#include <QSize>

namespace lumivex {

// A QImage in the 32-bit pixel form whose memory comes from large pages and is handed back to
// a small pool when the last copy of the image goes. Multi-megapixel pictures otherwise pay a
// page fault per 4 KB on first touch, which on virtual machines costs more than decoding them.
// Throws StepFailure when the memory cannot be had.
QImage allocatePixelImage(const QSize &size);

} // namespace lumivex
