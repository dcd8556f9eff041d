// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/adjustment_kind.h"
#include "engine/pipeline.h"
#include "engine/result_list.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace lumivex {

// One picture to show before and after: its source, and either an adjustment at a strength (a
// preview before any run) or the result a run recorded for it.
struct PreviewRequest {
    QString source;
    AdjustmentKind kind = AdjustmentKind::Brightness;
    int strength = 0;
    std::optional<ResultPicture> result;
};

// What a request gave. `before` is the decode of the source, `after` the adjusted picture, each
// null with the reason when it could not be made.
struct PreviewOutcome {
    quint64 serial = 0;
    PreviewRequest request;
    QImage before;
    QImage after;
    QString beforeFailure;
    QString afterFailure;
    bool newerWaiting = false; // another request came in while this one was made
};

// Makes the pictures of a compare view on a thread of its own, through the same pipeline as a
// run and its save, so what it shows is what they write. The source is decoded once and kept
// while requests name the same file unchanged (size and time); each request then only adjusts
// that decode. One request waits at most: a newer one replaces it, so a dragged slider never
// builds up a queue of strengths already passed, and the caller's thread never waits.
class PreviewJob : public QObject {
    Q_OBJECT
public:
    explicit PreviewJob(QObject *parent = nullptr);
    ~PreviewJob() override; // stops after the request under way, if any

    // Returns the request's serial number; `finished` carries it back on this object's thread.
    quint64 request(PreviewRequest request);
    // Forgets the kept decode (its memory goes back) once the worker is idle.
    void release();

    // What the worker has done so far, for tests and benchmarks.
    int decodes() const { return m_decodes; }
    int dropped() const { return m_dropped; }

signals:
    void finished(const lumivex::PreviewOutcome &outcome);

private:
    void work();
    PreviewOutcome make(quint64 serial, const PreviewRequest &request);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<PreviewRequest> m_waiting;
    quint64 m_serial = 0;
    bool m_stop = false;
    bool m_release = false;
    std::atomic<int> m_decodes{0};
    std::atomic<int> m_dropped{0};

    // The worker's own: the kept decode and what it was made from.
    QString m_keptPath;
    SourceStamp m_keptStamp;
    QImage m_kept;
    QString m_keptFailure;

    std::thread m_worker;
};

} // namespace lumivex

Q_DECLARE_METATYPE(lumivex::PreviewOutcome)
