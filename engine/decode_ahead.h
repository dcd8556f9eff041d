// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/pipeline.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lumivex {

// Decodes the files of a run on worker threads, a few ahead of the one being adjusted, while
// handing them out strictly in list order. At most `window` decoded pictures wait at any time,
// so memory stays bounded however long the list is.
class DecodeAhead {
public:
    // How a worker makes a picture ahead of its turn in place of a plain decode: returns the
    // picture, adjusted for *adjustedFor when *adjusted is set (the caller decides at its turn
    // whether that value still holds), else as decoded, and the stamp of the file it read in
    // *read. Throws StepFailure as decodeSource.
    using Prepare = std::function<QImage(int index, const QString &path, bool *adjusted, int *adjustedFor, SourceStamp *read)>;

    DecodeAhead(QStringList paths, int workers, int window, Prepare prepare = {});
    ~DecodeAhead();

    DecodeAhead(const DecodeAhead &) = delete;
    DecodeAhead &operator=(const DecodeAhead &) = delete;

    // The picture of paths[index], waiting for it if needed: as decoded, or adjusted ahead as
    // *adjusted and *adjustedFor tell. Throws StepFailure with the decoder's reason when the file
    // could not be decoded. `stamp` is that of the file the bytes were read from.
    QImage take(int index, bool *adjusted = nullptr, int *adjustedFor = nullptr, SourceStamp *stamp = nullptr);
    // No more pictures are wanted: workers start none, and a take() waiting, or any later one,
    // throws StepFailure instead of waiting for a picture that may never come. Any thread.
    void interrupt();

    // For tests: waits until paths[index] is decoded and prepared, or already taken.
    bool waitUntilReady(int index, int timeoutMs);

    static int defaultWorkers();

private:
    struct Slot {
        bool done = false;
        QImage image;
        QString failure;
        bool failed = false;
        bool adjusted = false;
        int adjustedFor = 0;
        SourceStamp stamp;
    };

    void work();
    Slot prepared(int index) noexcept;
    void stop() noexcept; // stops and joins the workers

    const QStringList m_paths;
    const int m_window;
    const Prepare m_prepare;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Slot> m_slots;
    int m_nextToStart = 0;
    int m_consumed = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

} // namespace lumivex
