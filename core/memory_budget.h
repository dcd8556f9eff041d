// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>
#include <functional>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>

namespace lumivex {

// Bytes shared by the workers of one batch. A worker asks before it takes memory for a picture:
// it waits while others hold too much, and is refused when the picture could not fit even alone,
// so a batch's memory stays within the budget whatever the number of workers.
class MemoryBudget {
public:
    explicit MemoryBudget(std::size_t total) : m_total(total) {}

    // Waits until `bytes` fit beside what is held. Throws StepFailure naming both sizes when
    // they exceed the whole budget.
    void acquire(std::size_t bytes, const QString &what);
    // For a worker that already holds memory for its item and needs more: waiting for others
    // could be waiting on itself, so one worker at a time may pass the budget, by what its item
    // still needs. Returns true when it did; that is handed back to release().
    bool acquireBeyond(std::size_t bytes, const QString &what);
    void release(std::size_t bytes, bool beyond = false);

    std::size_t total() const { return m_total; }
    std::size_t inUse() const;
    std::size_t peak() const; // the most ever held at once

    // Half of the machine's physical memory.
    static std::size_t defaultTotal();

private:
    const std::size_t m_total;
    mutable std::mutex m_mutex;
    std::condition_variable m_freed;
    std::size_t m_inUse = 0;
    std::size_t m_peak = 0;
    std::thread::id m_beyondOwner; // the one worker past the budget, if any
    int m_beyondCount = 0;
};

// What one batch's pictures are counted against. The batch owns it and hands it to the threads
// that work for it (see PixelBudgetScope); a thread that was not handed one counts nothing, so two
// batches in one process, or a window beside a batch, never share a budget by accident.
//
// The first picture memory a thread takes for an item reserves `picturesPerItem` times its size
// (the decoded picture and, for the neighbourhood filters, the result beside it), and the item's
// further pictures draw on that reservation. An item that needs more than it reserved (a picture
// turned upright beside the decoded one) never waits on itself: one item at a time may pass the
// budget by what it still needs. A reservation ends when its last picture goes, so only pictures
// in flight count: results kept elsewhere must not be made under a budget.
//
// `workingBytes`, when given, is what an item needs beside its result for a picture of that size
// (an encoder's copies and its output, say): the item's first picture reserves room for its
// pictures or for its result and that, whichever is more, WorkingMemory draws on it, and a
// picture whose work could not fit is refused with its size before it is decoded.
struct PixelBudget {
    std::shared_ptr<MemoryBudget> memory;
    int picturesPerItem = 1;
    std::function<std::size_t(const QSize &)> workingBytes;
};

// While it lives, the pictures allocated by allocatePixelImage on this thread are counted against
// the given budget; the one the thread worked under before comes back after. The owner of a batch
// opens one on its own thread, and whatever starts workers for the batch hands current() to each,
// which opens its own.
class PixelBudgetScope {
public:
    explicit PixelBudgetScope(std::shared_ptr<const PixelBudget> budget);
    PixelBudgetScope(std::shared_ptr<MemoryBudget> budget, int picturesPerItem,
                     std::function<std::size_t(const QSize &)> workingBytes = {});
    ~PixelBudgetScope();
    PixelBudgetScope(const PixelBudgetScope &) = delete;
    PixelBudgetScope &operator=(const PixelBudgetScope &) = delete;

    // The budget this thread works under, or null.
    static std::shared_ptr<const PixelBudget> current();

private:
    std::shared_ptr<const PixelBudget> m_previous;
};

// Memory an encoder takes while it lives, counted on the current thread's item under the
// thread's budget: drawn from the item's reservation where it has room (see workingBytes
// above), else taken beside it like a further picture. Nothing without a budget.
class WorkingMemory {
public:
    explicit WorkingMemory(std::size_t bytes, const QSize &size);
    ~WorkingMemory();
    WorkingMemory(const WorkingMemory &) = delete;
    WorkingMemory &operator=(const WorkingMemory &) = delete;

private:
    std::shared_ptr<void> m_held;
};

} // namespace lumivex
