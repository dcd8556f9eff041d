// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/kept_bytes.h"

#include "core/large_pages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace lumivex {

KeptBytes::~KeptBytes()
{
    giveBackLargePages(LargePages{m_data, m_capacity});
}

void KeptBytes::resize(std::size_t bytes)
{
    if (bytes > m_capacity) {
        // Grows by half again at least, in whole large pages, so a result growing a megabyte at
        // a time is not copied at every step.
        std::size_t capacity = std::max(bytes, m_capacity + m_capacity / 2);
        if (capacity > SIZE_MAX - kLargePage * 2)
            throw std::bad_alloc();
        const LargePages grown = takeLargePages(capacity, Prefault::No);
        if (!grown.address)
            throw std::bad_alloc();
        if (m_data) {
            std::memcpy(grown.address, m_data, m_size);
            giveBackLargePages(LargePages{m_data, m_capacity});
        }
        m_data = static_cast<char *>(grown.address);
        m_capacity = grown.length;
    }
    m_size = bytes;
}

} // namespace lumivex
