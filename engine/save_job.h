// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/saver.h"

#include <QObject>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace lumivex {

class BatchSession;

// Saving a finished session's results as a job of its own: the files are written by saveResults
// on a thread the job owns, and the owner's thread hears how many items are done as they land
// and when the job has ended. A cancelled job starts no further file; the files already started
// are finished whole, so nothing half-written is ever left.
class SaveJob : public QObject {
    Q_OBJECT
public:
    SaveJob(SaveSettings settings, std::shared_ptr<const BatchSession> session, QObject *parent = nullptr);
    ~SaveJob() override; // cancels and waits: nothing is signalled afterwards

    void start(int workers = 0);
    // No further item is started; returns at once.
    void cancel() { m_stop = true; }
    bool isCancelled() const { return m_stop; }
    // Blocks until the thread has ended (cancel first to end soon).
    void wait();

    // The items to be saved, and those done (written or failed) so far.
    int total() const { return m_total; }
    int done() const { return m_done; }
    // One outcome per item, in list order; valid once finished() has been emitted. An item a
    // cancel left unstarted is neither written nor failed.
    const std::vector<SaveOutcome> &outcomes() const { return m_outcomes; }

signals:
    // On the owner's thread, after each item's file is in place or it failed.
    void progressChanged(int done, int total);
    // On the owner's thread, once every item has its outcome.
    void finished();

private:
    SaveSettings m_settings;
    std::shared_ptr<const BatchSession> m_session;
    int m_total = 0;
    std::atomic<int> m_done{0};
    std::atomic<bool> m_stop{false};
    std::vector<SaveOutcome> m_outcomes;
    std::thread m_thread;
};

} // namespace lumivex
