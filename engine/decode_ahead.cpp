// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/decode_ahead.h"

#include "core/error_report.h"
#include "engine/pipeline.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>

namespace lumivex {

int DecodeAhead::defaultWorkers()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

DecodeAhead::DecodeAhead(QStringList paths, int workers, int window, Prepare prepare)
    : m_paths(std::move(paths)), m_window(std::max(1, window)), m_prepare(std::move(prepare)),
      m_slots(std::size_t(m_paths.size()))
{
    const int count = std::clamp(workers, 1, std::max(1, int(m_paths.size())));
    try {
        for (int i = 0; i < count; ++i)
            m_workers.emplace_back([this] { work(); });
    } catch (...) {
        stop(); // a thread refused: those started are joined before the failure goes on
        throw;
    }
}

DecodeAhead::~DecodeAhead() { stop(); }

void DecodeAhead::interrupt()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
}

void DecodeAhead::stop() noexcept
{
    interrupt();
    for (std::thread &t : m_workers)
        if (t.joinable())
            t.join();
}

void DecodeAhead::work()
{
    for (;;) {
        int index;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] {
                return m_stopping ||
                       (m_nextToStart < int(m_slots.size()) && m_nextToStart < m_consumed + m_window);
            });
            if (m_stopping)
                return;
            index = m_nextToStart++;
        }
        Slot result = prepared(index);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_slots[std::size_t(index)] = std::move(result);
        }
        m_changed.notify_all();
    }
}

DecodeAhead::Slot DecodeAhead::prepared(int index) noexcept
{
    // Whatever goes wrong here is this item's failure: an exception leaving a worker would end
    // the program, and a slot never done would leave its turn waiting for ever.
    Slot result;
    try {
        result.image = m_prepare ? m_prepare(index, m_paths[index], &result.adjusted, &result.adjustedFor, &result.stamp)
                                 : decodeSource(m_paths[index], &result.stamp);
    } catch (...) {
        result.image = QImage();
        result.failed = true;
        result.failure = caughtExceptionText();
    }
    result.done = true;
    return result;
}

bool DecodeAhead::waitUntilReady(int index, int timeoutMs)
{
    if (index < 0 || index >= int(m_slots.size()))
        return false;
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return m_slots[std::size_t(index)].done || index < m_consumed;
    });
}

QImage DecodeAhead::take(int index, bool *adjusted, int *adjustedFor, SourceStamp *stamp)
{
    if (index < 0 || index >= int(m_slots.size()))
        throw StepFailure(QStringLiteral("Subscript out of range"));
    Slot slot;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_consumed = std::max(m_consumed, index);
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_slots[std::size_t(index)].done || m_stopping; });
        if (!m_slots[std::size_t(index)].done)
            throw StepFailure(QStringLiteral("Cancelled"));
        slot = std::move(m_slots[std::size_t(index)]);
        m_slots[std::size_t(index)] = Slot();
        m_consumed = std::max(m_consumed, index + 1);
    }
    m_changed.notify_all();
    if (stamp)
        *stamp = slot.stamp;
    if (slot.failed)
        throw StepFailure(slot.failure);
    if (adjusted)
        *adjusted = slot.adjusted;
    if (adjustedFor)
        *adjustedFor = slot.adjustedFor;
    return slot.image;
}

} // namespace lumivex
