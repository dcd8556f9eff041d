// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/preview_job.h"

#include "core/error_report.h"

#include <QCoreApplication>
#include <QMetaObject>
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
        m_waiting.reset();
    }
    m_wake.notify_all();
    m_worker.join();
}

quint64 PreviewJob::request(PreviewRequest request)
{
    quint64 serial = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_waiting)
            ++m_dropped;
        m_waiting = std::move(request);
        serial = ++m_serial;
    }
    m_wake.notify_one();
    return serial;
}

void PreviewJob::release()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_release = true;
    }
    m_wake.notify_one();
}

void PreviewJob::work()
{
    for (;;) {
        PreviewRequest request;
        quint64 serial = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_waiting || m_release; });
            if (m_stop)
                break;
            if (m_release && !m_waiting) {
                m_release = false;
                m_kept = QImage();
                m_keptPath.clear();
                continue;
            }
            m_release = false;
            request = std::move(*m_waiting);
            m_waiting.reset();
            serial = m_serial;
        }
        PreviewOutcome outcome = make(serial, request);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop)
                break;
            outcome.newerWaiting = bool(m_waiting);
        }
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)] { emit finished(outcome); }, Qt::QueuedConnection);
    }
    m_kept = QImage();
}

PreviewOutcome PreviewJob::make(quint64 serial, const PreviewRequest &request)
{
    PreviewOutcome outcome;
    outcome.serial = serial;
    outcome.request = request;
    const SourceStamp stamp = stampSource(request.source);
    if (request.source != m_keptPath || stamp != m_keptStamp) {
        m_kept = QImage();
        m_keptFailure.clear();
        m_keptPath = request.source;
        // The stamp of the very file the decode read, so a result is made only from its own source.
        m_keptStamp = stamp;
        try {
            m_kept = decodeSource(request.source, &m_keptStamp);
        } catch (const StepFailure &failure) {
            m_keptFailure = failure.description();
        } catch (const std::bad_alloc &) {
            m_keptFailure = QCoreApplication::translate("lumivex::Failure", "Out of memory");
        } catch (...) {
            // Nothing a picture does may end the program from this thread.
            m_keptFailure = QCoreApplication::translate("lumivex::Failure", "The picture could not be read: %1").arg(request.source);
        }
        ++m_decodes;
    }
    outcome.before = m_kept;
    outcome.beforeFailure = m_keptFailure;
    try {
        if (request.result) {
            const ResultPicture &result = *request.result;
            if (result.isEmpty())
                outcome.afterFailure = result.failure.isEmpty()
                                          ? QCoreApplication::translate("lumivex::Failure", "There is no result for this item.")
                                          : QCoreApplication::translate("lumivex::Failure", "No result: %1").arg(result.failure);
            else
                outcome.after = result.imageMadeFrom(m_kept, m_keptStamp);
        } else if (!m_kept.isNull()) {
            outcome.after = adjustPicture(request.kind, m_kept, request.strength);
        } else {
            outcome.afterFailure = m_keptFailure;
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
