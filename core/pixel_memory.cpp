// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pixel_memory.h"

#include "core/error_report.h"
#include "core/memory_budget.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>

#include <utility>

namespace lumivex {

namespace {

// Budget bytes set aside for one item's pictures (see PixelBudgetScope); returned to the budget
// when the last picture drawn on it goes.
struct Reservation {
    std::shared_ptr<MemoryBudget> budget;
    std::size_t reserved;
    std::atomic<std::size_t> drawn{0};
    bool beyond = false;
    Reservation(std::shared_ptr<MemoryBudget> b, std::size_t bytes) : budget(std::move(b)), reserved(bytes) {}
    ~Reservation() { budget->release(reserved, beyond); }
};

struct Mapping {
    LargePages pages;
    std::size_t length; // what the budget counts: the picture's bytes in whole large pages
    std::shared_ptr<Reservation> reservation;
};

thread_local std::shared_ptr<const PixelBudget> threadBudget;
thread_local std::weak_ptr<Reservation> openReservation;

std::shared_ptr<MemoryBudget> currentBudget(int *perItem = nullptr, std::size_t *working = nullptr,
                                            const QSize &size = QSize())
{
    if (!threadBudget)
        return nullptr;
    if (perItem)
        *perItem = std::max(1, threadBudget->picturesPerItem);
    if (working)
        *working = threadBudget->workingBytes && !size.isEmpty() ? threadBudget->workingBytes(size) : 0;
    return threadBudget->memory;
}

// Pooled buffers are resident memory too: under a budget they are let go before it would pass.
void trimPool(std::size_t keepAtMost) { trimLargePagePool(keepAtMost); }

void giveBack(void *info)
{
    auto *mapping = static_cast<Mapping *>(info);
    std::size_t keep = kLargePagePoolBound;
    if (mapping->reservation) {
        mapping->reservation->drawn -= mapping->length;
        const std::shared_ptr<MemoryBudget> &budget = mapping->reservation->budget;
        const std::size_t held = budget->inUse();
        keep = std::min(keep, budget->total() > held ? budget->total() - held : 0);
        mapping->reservation.reset(); // may hand the item's bytes back to the budget
    }
    giveBackLargePages(mapping->pages, keep);
    delete mapping;
}

// What an item reserves with its first picture of `length` bytes: room for the pictures it holds
// at once, or for its result and the encoder's working memory, whichever is more. The encoder
// comes once the item holds only its result: a filter's source is gone by then.
std::size_t itemShare(std::size_t length, int perItem, std::size_t working)
{
    return std::max(length * std::size_t(std::max(1, perItem)), length + working);
}

// The reservation a new picture of `length` bytes draws on, waiting for budget if need be.
std::shared_ptr<Reservation> reserve(std::size_t length, const QSize &size)
{
    int perItem = 1;
    std::size_t working = 0;
    const std::shared_ptr<MemoryBudget> budget = currentBudget(&perItem, &working, size);
    if (!budget)
        return nullptr;
    std::shared_ptr<Reservation> reservation = openReservation.lock();
    if (!reservation || reservation->budget != budget || reservation->drawn + length > reservation->reserved) {
        // Memory this thread still holds for its item (a picture turned upright beside the one
        // decoded, say) must not make it wait for itself.
        const bool holding = reservation && reservation->budget == budget;
        reservation.reset();
        openReservation.reset();
        const std::size_t wanted = holding ? length : itemShare(length, perItem, working);
        const std::size_t held = budget->inUse();
        trimPool(budget->total() > held + wanted ? budget->total() - held - wanted : 0);
        const QString what = QStringLiteral("%1 x %2 pixels").arg(size.width()).arg(size.height());
        bool beyond = false;
        if (holding)
            beyond = budget->acquireBeyond(wanted, what);
        else
            budget->acquire(wanted, what);
        reservation = std::make_shared<Reservation>(budget, wanted);
        reservation->beyond = beyond;
        openReservation = reservation;
    }
    reservation->drawn += length;
    return reservation;
}

} // namespace

PixelBudgetScope::PixelBudgetScope(std::shared_ptr<const PixelBudget> budget)
    : m_previous(std::exchange(threadBudget, budget && budget->memory ? std::move(budget) : nullptr))
{
}

PixelBudgetScope::PixelBudgetScope(std::shared_ptr<MemoryBudget> budget, int picturesPerItem,
                                   std::function<std::size_t(const QSize &)> workingBytes)
    : PixelBudgetScope(std::make_shared<const PixelBudget>(
          PixelBudget{std::move(budget), std::max(1, picturesPerItem), std::move(workingBytes)}))
{
}

PixelBudgetScope::~PixelBudgetScope() { threadBudget = std::move(m_previous); }

std::shared_ptr<const PixelBudget> PixelBudgetScope::current() { return threadBudget; }

WorkingMemory::WorkingMemory(std::size_t bytes, const QSize &size)
{
    const std::shared_ptr<MemoryBudget> budget = currentBudget();
    if (!budget || bytes == 0)
        return;
    // Pooled buffers are resident too: they give way to the encoder's memory.
    auto trim = [&] {
        const std::size_t held = budget->inUse();
        trimPool(budget->total() > held ? budget->total() - held : 0);
    };
    std::shared_ptr<Reservation> item = openReservation.lock();
    if (item && item->budget == budget && item->drawn + bytes <= item->reserved) {
        item->drawn += bytes;
        m_held = std::shared_ptr<void>(nullptr, [item, bytes](void *) { item->drawn -= bytes; });
        trim();
        return;
    }
    // Not reserved with the item (the window's save, or more than foreseen): taken beside it, and
    // never waiting on what this thread holds itself.
    const QString what = QStringLiteral("%1 x %2 pixels").arg(size.width()).arg(size.height());
    const bool holding = item && item->budget == budget;
    bool beyond = false;
    if (holding)
        beyond = budget->acquireBeyond(bytes, what);
    else
        budget->acquire(bytes, what);
    auto extra = std::make_shared<Reservation>(budget, bytes);
    extra->beyond = beyond;
    m_held = extra;
    trim();
}

WorkingMemory::~WorkingMemory() = default;

void refusePictureBeyondBudget(const QSize &size)
{
    int perItem = 1;
    std::size_t working = 0;
    const std::shared_ptr<MemoryBudget> budget = currentBudget(&perItem, &working, size);
    if (!budget || size.isEmpty())
        return;
    const std::size_t bytes = std::size_t(size.width()) * std::size_t(size.height()) * 4u;
    const std::size_t wanted = itemShare(largePageLength(bytes), perItem, working);
    if (wanted > budget->total()) // refused at once, never waited for
        budget->acquire(wanted, QStringLiteral("%1 x %2 pixels").arg(size.width()).arg(size.height()));
}

QImage pixelMemoryImage(const QSize &size, Prefault prefault)
{
    if (size.isEmpty())
        return QImage();
    const std::size_t bytes = std::size_t(size.width()) * std::size_t(size.height()) * 4u;
    if (bytes > std::size_t(2147483647))
        throw StepFailure(QStringLiteral("Overflow"));
    const std::size_t length = largePageLength(bytes);
    std::shared_ptr<Reservation> reservation = reserve(length, size);
    const LargePages pages = takeLargePages(length, prefault);
    if (!pages.address) {
        if (reservation)
            reservation->drawn -= length;
        throw StepFailure(QStringLiteral("Out of memory"));
    }
    auto *info = new Mapping{pages, length, std::move(reservation)};
    return QImage(static_cast<uchar *>(pages.address), size.width(), size.height(), size.width() * 4,
                  QImage::Format_RGB32, giveBack, info);
}

} // namespace lumivex
