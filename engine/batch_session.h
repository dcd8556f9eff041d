// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/adjustment_kind.h"
#include "engine/result_list.h"
#include "core/error_report.h"

#include <QImage>
#include <QObject>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lumivex {

class DecodeAhead;

// One run, as a value: the sources as listed, the adjustment, the strength each item was
// adjusted with (the slider may move during a run), each result or its failure, and how the run
// ended. The run writes it while it goes; the results window reads it once the run has ended.
class BatchSession {
public:
    BatchSession(AdjustmentKind kind, QStringList sources);

    AdjustmentKind kind() const { return m_kind; }
    const QStringList &sources() const { return m_sources; }
    // Items the run went through: all the sources, or those finished before a cancel.
    int itemsDone() const { return m_itemsDone; }
    bool wasCancelled() const { return m_cancelled; }
    int strengthUsed(int index) const; // 0-based; 0 for an item not reached
    ResultList &results() { return m_results; }
    const ResultList &results() const { return m_results; }
    // The first source decoded again for the Before pane; empty when it cannot be read.
    const QImage &firstSource() const { return m_firstSource; }
    // The stamp of the file that decode was read from.
    const SourceStamp &firstSourceStamp() const { return m_firstSourceStamp; }
    // Why the first source could not be decoded again; empty when it could.
    const QString &firstSourceFailure() const { return m_firstSourceFailure; }

    // Filled in by the run, or by whoever builds a finished session.
    void recordStrength(int index, int strength);
    void setItemsDone(int count, bool cancelled);
    void setFirstSource(QImage picture, SourceStamp read = {})
    {
        m_firstSource = std::move(picture);
        m_firstSourceStamp = read;
    }
    void setFirstSourceFailure(QString failure) { m_firstSourceFailure = std::move(failure); }

private:
    AdjustmentKind m_kind;
    QStringList m_sources;
    std::vector<int> m_strengths;
    ResultList m_results;
    QImage m_firstSource;
    SourceStamp m_firstSourceStamp;
    QString m_firstSourceFailure;
    int m_itemsDone = 0;
    bool m_cancelled = false;
};

// Runs a session's numbered steps on a worker thread, with the files decoded and adjusted
// ahead on further workers, so that the run's own thread does little more than the steps. Progress and the pointer reach this
// object's thread as signals; a failed step's report is shown on this object's thread by the
// reporter given, and the run waits until it returns, so reports come in item order.
class SessionRun : public QObject {
    Q_OBJECT
public:
    SessionRun(std::shared_ptr<BatchSession> session, ErrorReporter &reporter, int decodeWorkers = 0,
               QObject *parent = nullptr);
    ~SessionRun() override; // abandons a run still going

    const std::shared_ptr<BatchSession> &session() const { return m_session; }

    // The strength for the items whose turn has not come: the slider publishes its value here
    // from the GUI thread, and each item reads it at its turn.
    void setStrength(int strength) { m_strength = strength; }

    void start(int strength);
    // The items finished so far make the session, as if the list ended there.
    void cancel();
    // Stops at once and waits for the workers: nothing more is reported or signalled.
    void abandon();
    bool isRunning() const { return m_running; }

    // For tests: the run stops when it reaches item `item` (1-based) until released, so that a
    // test can act while the decoding workers are known to have run ahead.
    void holdAtItem(int item);
    bool waitUntilHeld(int timeoutMs);
    // Waits until the pictures up to item `item` are decoded and prepared ahead of their turn.
    bool waitUntilPreparedUpTo(int item, int timeoutMs);
    void release();

signals:
    void busyChanged(bool busy);
    void progressChanged(int percent);
    // The run has ended, whole or cancelled; the session is complete.
    void finished();

private:
    class Relay;
    void work() noexcept; // the run's thread
    void runAllSteps(StepGuard &guard, const AdjustmentInfo &info);
    std::function<QImage(int, const QString &, bool *, int *, SourceStamp *)> preparation(bool recipesOnly);
    void runItem(StepGuard &guard, const AdjustmentInfo &info, DecodeAhead &decoder, int i, bool recipesOnly);
    void finishSteps(StepGuard &guard, const RunSteps &steps, int done, bool cancelled);
    void signalFinished() noexcept;
    bool waitForTurn(int item); // false once the run is to stop
    void relayReport(const QString &location, int step, const QString &description);
    bool stopping() const { return m_cancelled || m_abandoned; }

    std::shared_ptr<BatchSession> m_session;
    ErrorReporter &m_reporter;
    std::unique_ptr<Relay> m_relay;
    const int m_decodeWorkers;
    std::atomic<int> m_strength{0};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_abandoned{false};

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_reportOpen = false;
    int m_holdAt = 0;
    int m_heldAt = 0;
    DecodeAhead *m_decoder = nullptr;
    QImage m_firstDecoded; // the first source as decoded by its worker, for the Before pane
    SourceStamp m_firstDecodedStamp;
    std::thread m_worker;
};

} // namespace lumivex
