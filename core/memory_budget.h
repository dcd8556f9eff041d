#pragma once

#include <QString>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

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
    void release(std::size_t bytes);

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
};

// While it lives, the pictures allocated by allocatePixelImage on any thread are counted against
// `budget`: the first picture memory a thread takes for an item reserves `picturesPerItem` times
// its size (the decoded picture and, for the neighbourhood filters, the result beside it), and the
// item's further pictures draw on that reservation. A reservation ends when its last picture goes,
// so only pictures in flight count: results kept elsewhere must not be made under a budget.
class PixelBudgetScope {
public:
    PixelBudgetScope(std::shared_ptr<MemoryBudget> budget, int picturesPerItem);
    ~PixelBudgetScope();
    PixelBudgetScope(const PixelBudgetScope &) = delete;
    PixelBudgetScope &operator=(const PixelBudgetScope &) = delete;
};

} // namespace lumivex
