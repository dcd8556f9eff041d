// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/kept_bytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace lumivex {

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;

// A mapping starting on a large-page boundary: the kernel backs only aligned 2 MB ranges with
// large pages.
char *mapAligned(std::size_t length)
{
    void *raw = mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~std::uintptr_t(kLargePage - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    const std::size_t tail = start + length + kLargePage - (aligned + length);
    if (tail > 0)
        munmap(reinterpret_cast<void *>(aligned + length), tail);
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void *>(aligned), length, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<char *>(aligned);
}

} // namespace

KeptBytes::~KeptBytes()
{
    if (m_data)
        munmap(m_data, m_capacity);
}

void KeptBytes::resize(std::size_t bytes)
{
    if (bytes > m_capacity) {
        // Grows by half again at least, in whole large pages, so a result growing a megabyte at
        // a time is not copied at every step.
        std::size_t capacity = std::max(bytes, m_capacity + m_capacity / 2);
        if (capacity > SIZE_MAX - kLargePage * 2)
            throw std::bad_alloc();
        capacity = (capacity + kLargePage - 1) & ~(kLargePage - 1);
        char *grown = mapAligned(capacity);
        if (m_data) {
            std::memcpy(grown, m_data, m_size);
            munmap(m_data, m_capacity);
        }
        m_data = grown;
        m_capacity = capacity;
    }
    m_size = bytes;
}

} // namespace lumivex
