// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <cstddef>

namespace lumivex {

// The formats pictures are read from, recognised by their first bytes, never by the file name.
// Raw stands for every camera raw format LibRaw reads, DNG included.
enum class PictureFormat { Unknown, Jpeg, Png, Gif, Bmp, Tiff, Webp, Heif, Avif, Jxl, Raw };

PictureFormat sniffPictureFormat(const char *data, std::size_t size);
const char *formatName(PictureFormat format);

// Every file name extension of a format this program reads, lower case, without the dot.
QStringList readablePictureExtensions();

} // namespace lumivex
