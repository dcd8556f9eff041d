// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace lumivex {

// EXIF orientation 1..8 of an EXIF block (with or without the "Exif\0\0" marker in front), 1
// when it has none.
int exifOrientation(const char *tiff, std::size_t size);

} // namespace lumivex
