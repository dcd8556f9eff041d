#pragma once

#include <QByteArray>
#include <QImage>

namespace lumivex {

// Lossless packing of a picture in the 32-bit pixel form: each colour byte stored as its
// difference from the same channel of the pixel to its left (photos then hold mostly small
// numbers), the fourth byte dropped when it is 0xFF throughout, and the result compressed with
// zstd. Unpacking gives back exactly the same bytes.
QByteArray packPicture(const QImage &picture);
QImage unpackPicture(const QByteArray &packed); // throws StepFailure on damaged data

} // namespace lumivex
