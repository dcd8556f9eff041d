// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/large_pages.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>
#include <sys/mman.h>

namespace lumivex {

namespace {

using Clock = std::chrono::steady_clock;

// Never destroyed: the trimming thread may still wait on it while the program exits.
struct Pool {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<LargePages> kept;
    std::size_t bytes = 0;
    Clock::time_point lastUse;
    bool trimmerStarted = false;
};

Pool &pool()
{
    static Pool *const instance = new Pool;
    return *instance;
}

void unmapAll(const std::vector<LargePages> &dropped)
{
    for (const LargePages &m : dropped)
        munmap(m.address, m.length);
}

// Empties the pool once it has lain unused for the idle time: a window left open after a run,
// or a batch between its last picture and its end, gives its memory back to the system.
void trimWhenIdle()
{
    Pool &p = pool();
    std::unique_lock<std::mutex> lock(p.mutex);
    for (;;) {
        p.changed.wait(lock, [&] { return p.bytes > 0; });
        const Clock::time_point due = p.lastUse + std::chrono::seconds(kLargePageIdleSeconds);
        if (Clock::now() < due) {
            p.changed.wait_until(lock, due);
            continue;
        }
        std::vector<LargePages> dropped;
        dropped.swap(p.kept);
        p.bytes = 0;
        lock.unlock();
        unmapAll(dropped);
        lock.lock();
    }
}

// A mapping starting on a large-page boundary: the kernel backs only aligned 2 MB ranges with
// large pages.
void *mapAligned(std::size_t length)
{
    void *raw = mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
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
    return reinterpret_cast<void *>(aligned);
}

} // namespace

std::size_t largePageLength(std::size_t bytes)
{
    if (bytes > SIZE_MAX - kLargePage * 2)
        return 0;
    return (bytes + kLargePage - 1) & ~(kLargePage - 1);
}

LargePages takeLargePages(std::size_t bytes, Prefault prefault)
{
    const std::size_t length = largePageLength(bytes);
    if (length == 0)
        return {};
    {
        Pool &p = pool();
        std::lock_guard<std::mutex> lock(p.mutex);
        p.lastUse = Clock::now();
        // The same length first (a run's pictures are mostly one size), else one at most a
        // quarter longer, so a small request never holds a large mapping.
        std::size_t best = p.kept.size();
        for (std::size_t i = 0; i < p.kept.size(); ++i) {
            const std::size_t have = p.kept[i].length;
            if (have >= length && have <= length + length / 4 && (best == p.kept.size() || have < p.kept[best].length))
                best = i;
        }
        if (best < p.kept.size()) {
            const LargePages m = p.kept[best];
            p.kept.erase(p.kept.begin() + std::ptrdiff_t(best));
            p.bytes -= m.length;
            return m;
        }
    }
    void *address = mapAligned(length);
    if (!address)
        return {};
    // Fault the whole mapping in with one call (Linux 5.14+), in large pages where the kernel
    // has them; older kernels refuse it and the pages come one fault at a time.
    constexpr int kPopulateWrite = 23; // MADV_POPULATE_WRITE
    if (prefault == Prefault::Yes)
        madvise(address, length, kPopulateWrite);
    return LargePages{address, length};
}

void giveBackLargePages(const LargePages &pages, std::size_t keepAtMost)
{
    if (!pages.address)
        return;
    const std::size_t keep = std::min(keepAtMost, kLargePagePoolBound);
    {
        Pool &p = pool();
        std::lock_guard<std::mutex> lock(p.mutex);
        p.lastUse = Clock::now();
        if (p.bytes + pages.length <= keep) {
            p.kept.push_back(pages);
            p.bytes += pages.length;
            if (!p.trimmerStarted) {
                p.trimmerStarted = true;
                std::thread(trimWhenIdle).detach();
            }
            p.changed.notify_all();
            return;
        }
    }
    munmap(pages.address, pages.length);
}

void trimLargePagePool(std::size_t keepAtMost)
{
    std::vector<LargePages> dropped;
    {
        Pool &p = pool();
        std::lock_guard<std::mutex> lock(p.mutex);
        while (p.bytes > keepAtMost && !p.kept.empty()) {
            dropped.push_back(p.kept.back());
            p.bytes -= p.kept.back().length;
            p.kept.pop_back();
        }
    }
    unmapAll(dropped);
}

std::size_t largePagesPooled()
{
    Pool &p = pool();
    std::lock_guard<std::mutex> lock(p.mutex);
    return p.bytes;
}

} // namespace lumivex
