// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumivex {

// One picture's bytes: W·H pixels, rows top to bottom with no gap (a row is exactly 4·W bytes),
// each pixel blue, green, red, fourth byte. Channel j of pixel (x, y) is at 4·x + 4·W·y + j.
struct PixelView {
    int width = 0;
    int height = 0;
    std::uint8_t *bytes = nullptr;

    std::size_t byteCount() const { return std::size_t(width) * std::size_t(height) * 4u; }
    std::size_t rowBytes() const { return std::size_t(width) * 4u; }
};

} // namespace lumivex
