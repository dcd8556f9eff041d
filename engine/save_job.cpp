// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/save_job.h"

#include "engine/batch_session.h"
#include "engine/save_results.h"

namespace lumivex {

SaveJob::SaveJob(SaveSettings settings, std::shared_ptr<const BatchSession> session, QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_session(std::move(session)),
      m_total(m_session ? m_session->itemsDone() : 0)
{
}

SaveJob::~SaveJob()
{
    cancel();
    wait();
}

void SaveJob::start(int workers)
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this, workers] {
        auto written = [this](int, const SaveOutcome &) {
            const int done = ++m_done;
            // Queued to this object: a job destroyed meanwhile takes its pending news with it.
            QMetaObject::invokeMethod(this, [this, done] { emit progressChanged(done, m_total); },
                                      Qt::QueuedConnection);
        };
        std::vector<SaveOutcome> outcomes = saveResults(m_settings, *m_session, workers, &m_stop, written);
        QMetaObject::invokeMethod(
            this,
            [this, outcomes = std::move(outcomes)]() mutable {
                wait();
                m_outcomes = std::move(outcomes);
                emit finished();
            },
            Qt::QueuedConnection);
    });
}

void SaveJob::wait()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

} // namespace lumivex
