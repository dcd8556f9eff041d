// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/preview_job.h"

#include "core/error_report.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <new>

namespace lumivex {

PreviewJob::PreviewJob(QObject *parent) : QObject(parent)
{
    m_worker = std::thread([this] { work(); });
}

PreviewJob::~PreviewJob()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_waiting.clear();
        m_handed.clear();
    }
    m_wake.notify_all();
    m_worker.join();
}

quint64 PreviewJob::request(PreviewRequest request, const void *asker)
{
    quint64 serial = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        serial = ++m_serial;
        auto own = std::find_if(m_waiting.begin(), m_waiting.end(), [asker](const Waiting &w) { return w.asker == asker; });
        if (own != m_waiting.end()) {
            ++m_dropped;
            *own = Waiting{asker, serial, std::move(request)};
        } else {
            m_waiting.push_back(Waiting{asker, serial, std::move(request)});
        }
    }
    m_wake.notify_one();
    return serial;
}

void PreviewJob::keep(const QString &path, const SourceStamp &stamp, QImage picture)
{
    if (picture.isNull())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handed.push_back(Kept{path, stamp, std::move(picture), QString()});
    }
    m_wake.notify_one();
}

void PreviewJob::release()
{
    std::vector<Kept> handed;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_release = true;
        handed.swap(m_handed);
    }
    m_wake.notify_one();
}

void PreviewJob::work()
{
    for (;;) {
        Waiting next;
        std::vector<Kept> forgotten; // freed outside the lock
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_waiting.empty() || m_release || !m_handed.empty(); });
            if (m_stop)
                break;
            // A request already waiting may still use what is kept.
            if (m_release && m_waiting.empty())
                forgotten.swap(m_kept);
            m_release = false;
            for (Kept &kept : m_handed)
                remember(std::move(kept));
            m_handed.clear();
            if (m_waiting.empty())
                continue;
            auto oldest = std::min_element(m_waiting.begin(), m_waiting.end(),
                                           [](const Waiting &a, const Waiting &b) { return a.serial < b.serial; });
            next = std::move(*oldest);
            m_waiting.erase(oldest);
        }
        PreviewOutcome outcome = make(next.serial, next.request);
        outcome.asker = next.asker;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop)
                break;
            outcome.newerWaiting = std::any_of(m_waiting.begin(), m_waiting.end(),
                                               [&](const Waiting &w) { return w.asker == next.asker; });
        }
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)] { emit finished(outcome); }, Qt::QueuedConnection);
    }
    m_kept.clear();
}

void PreviewJob::remember(Kept kept)
{
    m_kept.erase(std::remove_if(m_kept.begin(), m_kept.end(), [&](const Kept &k) { return k.path == kept.path; }),
                 m_kept.end());
    m_kept.insert(m_kept.begin(), std::move(kept));
    if (m_kept.size() > std::size_t(kKeptDecodes))
        m_kept.resize(std::size_t(kKeptDecodes));
}

const PreviewJob::Kept &PreviewJob::decodeOf(const QString &path)
{
    const SourceStamp stamp = stampSource(path);
    auto found = std::find_if(m_kept.begin(), m_kept.end(),
                              [&](const Kept &k) { return k.path == path && k.stamp == stamp; });
    if (found != m_kept.end()) {
        std::rotate(m_kept.begin(), found, found + 1);
        return m_kept.front();
    }
    // Room first, so that no more than kKeptDecodes pictures are ever held, the new one included.
    m_kept.erase(std::remove_if(m_kept.begin(), m_kept.end(), [&](const Kept &k) { return k.path == path; }),
                 m_kept.end());
    if (m_kept.size() >= std::size_t(kKeptDecodes))
        m_kept.resize(std::size_t(kKeptDecodes) - 1);
    Kept kept;
    kept.path = path;
    // The stamp of the very file the decode read, so a result is made only from its own source.
    kept.stamp = stamp;
    try {
        kept.picture = decodeSource(path, &kept.stamp);
    } catch (const StepFailure &failure) {
        kept.failure = failure.description();
    } catch (const std::bad_alloc &) {
        kept.failure = QCoreApplication::translate("lumivex::Failure", "Out of memory");
    } catch (...) {
        // Nothing a picture does may end the program from this thread.
        kept.failure = QCoreApplication::translate("lumivex::Failure", "The picture could not be read: %1").arg(path);
    }
    ++m_decodes;
    m_kept.insert(m_kept.begin(), std::move(kept));
    return m_kept.front();
}

PreviewOutcome PreviewJob::make(quint64 serial, const PreviewRequest &request)
{
    PreviewOutcome outcome;
    outcome.serial = serial;
    outcome.request = request;
    const Kept &source = decodeOf(request.source);
    outcome.before = source.picture;
    outcome.beforeFailure = source.failure;
    try {
        if (request.result) {
            const ResultPicture &result = *request.result;
            if (result.isEmpty())
                outcome.afterFailure = result.failure.isEmpty()
                                          ? QCoreApplication::translate("lumivex::Failure", "There is no result for this item.")
                                          : QCoreApplication::translate("lumivex::Failure", "No result: %1").arg(result.failure);
            else
                outcome.after = result.imageMadeFrom(source.picture, source.stamp);
        } else if (!source.picture.isNull()) {
            outcome.after = adjustPicture(request.kind, source.picture, request.strength);
        } else {
            outcome.afterFailure = source.failure;
        }
    } catch (const StepFailure &failure) {
        outcome.afterFailure = failure.description();
    } catch (const std::bad_alloc &) {
        outcome.afterFailure = QCoreApplication::translate("lumivex::Failure", "Out of memory");
    } catch (...) {
        outcome.afterFailure = QCoreApplication::translate("lumivex::Failure", "The result could not be made: %1").arg(request.source);
    }
    return outcome;
}

} // namespace lumivex
