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
#include <vector>

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
    const void *asker = nullptr; // whoever made the request, as given to request()
    PreviewRequest request;
    QImage before;
    QImage after;
    QString beforeFailure;
    QString afterFailure;
    bool newerWaiting = false; // the same asker made another request while this one was made
};

// Makes the pictures of a compare view or of the results window's panes on a thread of its own,
// through the same pipeline as a run and its save, so what it shows is what they write. The last
// kKeptDecodes sources are decoded once and kept while requests name the same file unchanged
// (size and time); each request then only adjusts that decode. Each asker has one request
// waiting at most: a newer one of its own replaces it, so a dragged slider never builds up a
// queue of strengths already passed, while two windows sharing the job never drop each other's.
// Waiting requests are made oldest first, and the caller's thread never waits.
class PreviewJob : public QObject {
    Q_OBJECT
public:
    static constexpr int kKeptDecodes = 2;

    explicit PreviewJob(QObject *parent = nullptr);
    ~PreviewJob() override; // stops after the request under way, if any

    // Returns the request's serial number (rising over all askers); `finished` carries it back
    // on this object's thread, with `asker`.
    quint64 request(PreviewRequest request, const void *asker = nullptr);
    // A decode made elsewhere (a run's first picture) kept as if this job had made it: a request
    // for `path` while the file still has `stamp` uses it instead of reading the file again.
    void keep(const QString &path, const SourceStamp &stamp, QImage picture);
    // Forgets the kept decodes (their memory goes back), and what keep() handed over, once the
    // worker is idle.
    void release();

    // What the worker has done so far, for tests and benchmarks.
    int decodes() const { return m_decodes; }
    int dropped() const { return m_dropped; }

signals:
    void finished(const lumivex::PreviewOutcome &outcome);

private:
    struct Waiting {
        const void *asker = nullptr;
        quint64 serial = 0;
        PreviewRequest request;
    };
    struct Kept {
        QString path;
        SourceStamp stamp; // of the very file the decode read
        QImage picture;
        QString failure;
    };

    void work();
    PreviewOutcome make(quint64 serial, const PreviewRequest &request);
    const Kept &decodeOf(const QString &path);
    void remember(Kept kept);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Waiting> m_waiting; // one per asker
    std::vector<Kept> m_handed;     // from keep(), for the worker to take in
    quint64 m_serial = 0;
    bool m_stop = false;
    bool m_release = false;
    std::atomic<int> m_decodes{0};
    std::atomic<int> m_dropped{0};

    // The worker's own: the kept decodes, the one used last first.
    std::vector<Kept> m_kept;

    std::thread m_worker;
};

} // namespace lumivex

Q_DECLARE_METATYPE(lumivex::PreviewOutcome)
