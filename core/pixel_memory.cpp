// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pixel_memory.h"

#include "core/error_report.h"
#include "core/memory_budget.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>

#include <mutex>
#include <vector>
#include <sys/mman.h>
#include <unistd.h>

namespace lumivex {

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;
// Freed buffers kept for the next picture or the next run: an eighth of the machine's memory.
std::size_t poolLimit()
{
    static const std::size_t limit = [] {
        const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGE_SIZE);
        return pages > 0 && size > 0 ? std::size_t(pages) * std::size_t(size) / 8 : std::size_t(512) << 20;
    }();
    return limit;
}

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
    void *address;
    std::size_t length;
    std::shared_ptr<Reservation> reservation;
};

std::mutex poolMutex;
std::vector<Mapping> pool;
std::size_t pooledBytes = 0;

std::mutex installMutex;
std::shared_ptr<MemoryBudget> installedBudget;
int installedPerItem = 1;
std::function<std::size_t(const QSize &)> installedWorkingBytes;
thread_local std::weak_ptr<Reservation> openReservation;

std::shared_ptr<MemoryBudget> currentBudget(int *perItem = nullptr, std::size_t *working = nullptr,
                                            const QSize &size = QSize())
{
    std::lock_guard<std::mutex> lock(installMutex);
    if (perItem)
        *perItem = installedPerItem;
    if (working)
        *working = installedWorkingBytes && !size.isEmpty() ? installedWorkingBytes(size) : 0;
    return installedBudget;
}

// Pooled buffers are resident memory too: under a budget they are let go before it would pass.
void trimPool(std::size_t keepAtMost)
{
    std::vector<Mapping> dropped;
    {
        std::lock_guard<std::mutex> lock(poolMutex);
        while (pooledBytes > keepAtMost && !pool.empty()) {
            dropped.push_back(pool.back());
            pooledBytes -= pool.back().length;
            pool.pop_back();
        }
    }
    for (const Mapping &m : dropped)
        munmap(m.address, m.length);
}

Mapping takeMapping(std::size_t length, Prefault prefault)
{
    {
        std::lock_guard<std::mutex> lock(poolMutex);
        for (std::size_t i = 0; i < pool.size(); ++i) {
            if (pool[i].length == length) {
                const Mapping m = pool[i];
                pool.erase(pool.begin() + std::ptrdiff_t(i));
                pooledBytes -= length;
                return m;
            }
        }
    }
    void *address = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED)
        throw StepFailure(QStringLiteral("Out of memory"));
#ifdef MADV_HUGEPAGE
    madvise(address, length, MADV_HUGEPAGE);
#endif
    // Fault the whole buffer in with one call (Linux 5.14+), in large pages where the kernel
    // has them; older kernels refuse it and the pages come one fault at a time as before.
    constexpr int kPopulateWrite = 23; // MADV_POPULATE_WRITE
    if (prefault == Prefault::Yes)
        madvise(address, length, kPopulateWrite);
    return Mapping{address, length, nullptr};
}

void giveBack(void *info)
{
    auto *mapping = static_cast<Mapping *>(info);
    std::size_t keep = poolLimit();
    if (mapping->reservation) {
        mapping->reservation->drawn -= mapping->length;
        const std::shared_ptr<MemoryBudget> &budget = mapping->reservation->budget;
        const std::size_t held = budget->inUse();
        keep = std::min(keep, budget->total() > held ? budget->total() - held : 0);
        mapping->reservation.reset(); // may hand the item's bytes back to the budget
    }
    {
        std::lock_guard<std::mutex> lock(poolMutex);
        if (pooledBytes + mapping->length <= keep) {
            pool.push_back(*mapping);
            pooledBytes += mapping->length;
            delete mapping;
            return;
        }
    }
    munmap(mapping->address, mapping->length);
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

PixelBudgetScope::PixelBudgetScope(std::shared_ptr<MemoryBudget> budget, int picturesPerItem,
                                   std::function<std::size_t(const QSize &)> workingBytes)
{
    std::lock_guard<std::mutex> lock(installMutex);
    installedBudget = std::move(budget);
    installedPerItem = std::max(1, picturesPerItem);
    installedWorkingBytes = std::move(workingBytes);
}

PixelBudgetScope::~PixelBudgetScope()
{
    std::lock_guard<std::mutex> lock(installMutex);
    installedBudget.reset();
    installedPerItem = 1;
    installedWorkingBytes = nullptr;
}

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
    const std::size_t wanted = itemShare((bytes + kLargePage - 1) / kLargePage * kLargePage, perItem, working);
    if (wanted > budget->total()) // refused at once, never waited for
        budget->acquire(wanted, QStringLiteral("%1 x %2 pixels").arg(size.width()).arg(size.height()));
}

QImage allocatePixelImage(const QSize &size, Prefault prefault)
{
    if (size.isEmpty())
        return QImage();
    const std::size_t bytes = std::size_t(size.width()) * std::size_t(size.height()) * 4u;
    if (bytes > std::size_t(2147483647))
        throw StepFailure(QStringLiteral("Overflow"));
    const std::size_t length = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    std::shared_ptr<Reservation> reservation = reserve(length, size);
    Mapping mapping;
    try {
        mapping = takeMapping(length, prefault);
    } catch (...) {
        if (reservation)
            reservation->drawn -= length;
        throw;
    }
    mapping.reservation = std::move(reservation);
    auto *info = new Mapping(std::move(mapping));
    QImage picture(static_cast<uchar *>(info->address), size.width(), size.height(), size.width() * 4,
                   QImage::Format_RGB32, giveBack, info);
    setDefaultDensity(picture);
    return picture;
}

void setDefaultDensity(QImage &picture)
{
    picture.setDotsPerMeterX(kDefaultDotsPerMeter);
    picture.setDotsPerMeterY(kDefaultDotsPerMeter);
}

} // namespace lumivex
