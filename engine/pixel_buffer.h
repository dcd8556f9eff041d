#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

// A working buffer that keeps its memory between pictures, so a batch does not pay the page
// faults of a fresh multi-megabyte allocation for every image.
class PixelBuffer {
public:
    std::uint8_t *resize(std::size_t bytes)
    {
        if (m_bytes.size() < bytes)
            m_bytes.resize(bytes);
        m_size = bytes;
        return m_bytes.data();
    }
    std::uint8_t *data() { return m_bytes.data(); }
    const std::uint8_t *data() const { return m_bytes.data(); }
    std::size_t size() const { return m_size; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_size = 0;
};

} // namespace lumivex
