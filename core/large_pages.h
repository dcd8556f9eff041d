// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace lumivex {

// The one allocator for bulk memory (pictures, files read whole, encoded results): mappings that
// start on a 2 MB boundary and are advised into large pages, so the kernel can back all of them,
// not only the aligned middle. On virtual machines a page fault costs microseconds, so a worker
// faulting a 48 MB picture in 4 KB pages spends on it what decoding another picture costs.
//
// Memory handed back goes to a small pool, so the next picture of a run or the next file a worker
// reads reuses it without faulting again; the pool holds at most kLargePagePoolBound bytes and is
// emptied once no mapping has been taken or given back for kLargePageIdleSeconds.
constexpr std::size_t kLargePage = std::size_t(2) << 20;
constexpr std::size_t kLargePagePoolBound = std::size_t(256) << 20;
constexpr int kLargePageIdleSeconds = 2;

enum class Prefault { Yes, No };

struct LargePages {
    void *address = nullptr;
    std::size_t length = 0; // a whole number of large pages
};

// `bytes` rounded up to whole large pages.
std::size_t largePageLength(std::size_t bytes);

// At least `bytes`, from the pool where a mapping of about that length waits, else mapped anew.
// Prefault::Yes faults the whole mapping in at once; Prefault::No leaves the pages to come on
// first touch. Returns a null address when the system refuses the memory. A pooled mapping
// holds whatever its last use left.
LargePages takeLargePages(std::size_t bytes, Prefault prefault);

// Hands a mapping back: kept in the pool while the pool stays within its bound and `keepAtMost`,
// else unmapped.
void giveBackLargePages(const LargePages &pages, std::size_t keepAtMost = kLargePagePoolBound);

// Unmaps pooled mappings until the pool holds at most `keepAtMost` bytes.
void trimLargePagePool(std::size_t keepAtMost);

// What the pool holds now.
std::size_t largePagesPooled();

} // namespace lumivex
