// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/memory_budget.h"

#include "core/error_report.h"

#include <QCoreApplication>
#include <algorithm>
#include <unistd.h>

namespace lumivex {

namespace {
QString megabytes(std::size_t bytes) { return QString::number((bytes + (1u << 20) - 1) >> 20); }
} // namespace

namespace {
void refuseBeyondTotal(std::size_t bytes, std::size_t total, const QString &what)
{
    if (bytes > total)
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Not enough memory: a picture of %1 needs %2 MB, more than the %3 MB the batch may use")
                              .arg(what, megabytes(bytes), megabytes(total)));
}
} // namespace

void MemoryBudget::acquire(std::size_t bytes, const QString &what)
{
    refuseBeyondTotal(bytes, m_total, what);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_freed.wait(lock, [&] { return m_inUse + bytes <= m_total; });
    m_inUse += bytes;
    m_peak = std::max(m_peak, m_inUse);
}

bool MemoryBudget::acquireBeyond(std::size_t bytes, const QString &what)
{
    refuseBeyondTotal(bytes, m_total, what);
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_freed.wait(lock, [&] { return m_inUse + bytes <= m_total || m_beyondCount == 0 || m_beyondOwner == self; });
    const bool beyond = m_inUse + bytes > m_total;
    if (beyond) {
        m_beyondOwner = self;
        ++m_beyondCount;
    }
    m_inUse += bytes;
    m_peak = std::max(m_peak, m_inUse);
    return beyond;
}

void MemoryBudget::release(std::size_t bytes, bool beyond)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inUse -= std::min(bytes, m_inUse);
        if (beyond && m_beyondCount > 0 && --m_beyondCount == 0)
            m_beyondOwner = std::thread::id();
    }
    m_freed.notify_all();
}

std::size_t MemoryBudget::inUse() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_inUse;
}

std::size_t MemoryBudget::peak() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_peak;
}

std::size_t MemoryBudget::defaultTotal()
{
    const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && size > 0 ? std::size_t(pages) * std::size_t(size) / 2 : std::size_t(1) << 30;
}

} // namespace lumivex
