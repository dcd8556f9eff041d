#include "core/pixel_memory.h"

#include "core/error_report.h"

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

struct Mapping {
    void *address;
    std::size_t length;
};

std::mutex poolMutex;
std::vector<Mapping> pool;
std::size_t pooledBytes = 0;

Mapping takeMapping(std::size_t length)
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
    madvise(address, length, kPopulateWrite);
    return Mapping{address, length};
}

void giveBack(void *info)
{
    auto *mapping = static_cast<Mapping *>(info);
    {
        std::lock_guard<std::mutex> lock(poolMutex);
        if (pooledBytes + mapping->length <= poolLimit()) {
            pool.push_back(*mapping);
            pooledBytes += mapping->length;
            delete mapping;
            return;
        }
    }
    munmap(mapping->address, mapping->length);
    delete mapping;
}

} // namespace

QImage allocatePixelImage(const QSize &size)
{
    if (size.isEmpty())
        return QImage();
    const std::size_t bytes = std::size_t(size.width()) * std::size_t(size.height()) * 4u;
    if (bytes > std::size_t(2147483647))
        throw StepFailure(QStringLiteral("Overflow"));
    const std::size_t length = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    const Mapping mapping = takeMapping(length);
    auto *info = new Mapping(mapping);
    return QImage(static_cast<uchar *>(mapping.address), size.width(), size.height(), size.width() * 4,
                  QImage::Format_RGB32, giveBack, info);
}

} // namespace lumivex
