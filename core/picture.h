// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/file_identity.h"
#include "core/large_pages.h"
#include "core/outcome.h"

#include <QImage>
#include <QString>
#include <cstdint>

namespace lumivex {

// The 4·W·H byte count of a picture must fit a signed 32-bit integer: at most 536,870,911
// pixels. Decoding refuses anything larger before it allocates.
constexpr std::int64_t kMaxPixelBytes = 2147483647;

// A new picture of `size` in the pixel form, its memory from large pages and counted against the
// batch's budget (core/pixel_memory.h). It says 96 dots per inch until its file says otherwise:
// Qt's own default follows the screen of the process (100 without one), so a file naming no
// density would be written with one that depends on where it was made.
QImage allocatePixelImage(const QSize &size, Prefault prefault = Prefault::Yes);
constexpr int kDefaultDotsPerMeter = 3780; // 96 dpi
void setDefaultDensity(QImage &picture);

// Decodes a file into the 32-bit B,G,R,X pixel form (QImage::Format_RGB32): EXIF orientation
// applied, transparency laid on white as the preview panes show it. Fails with the reason on a
// missing, unreadable, undecodable or oversized file (decodePictureFile's reports). `read` gets
// the identity of the file the picture came from.
Outcome<QImage> decodePicture(const QString &path, FileIdentity *read = nullptr);

// The same into `target`, which is replaced by the new picture (an empty one on a failure):
// nothing of what it held before (pixels, text, colour space, resolution) reaches the new one.
Outcome<void> decodePictureInto(const QString &path, QImage &target);

// Brings any image into the pixel form, in place where Qt can.
void toPixelForm(QImage &image);

// Carries what a picture says about itself besides its pixels (resolution, colour space) to a
// picture made from it, so that files written from either are the same.
void copyPictureInfo(const QImage &from, QImage &to);

// Writes an uncompressed BMP through an AtomicFile (core/atomic_file.h): a failed write never
// leaves a truncated file and a link at the path is replaced, never followed. Throws StepFailure
// with the reason.
void savePictureAsBmp(const QImage &picture, const QString &path);

} // namespace lumivex
