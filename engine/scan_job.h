// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <thread>
#include <vector>

namespace lumivex {

// Filling a list from folders as a job of its own: each folder tree is walked by the folder
// scanner (core/paths.h) on a thread the job owns, and the owner's thread hears each folder's
// matching files as soon as that folder is read, in the order given, and then that the job has
// ended. A stopped job reads no further entry; what it found before still arrives.
class ScanJob : public QObject {
    Q_OBJECT
public:
    // A folder walked for `pattern`, or a single path taken as it is.
    struct Entry {
        QString path;
        QString pattern;
        bool folder = false;
    };

    explicit ScanJob(std::vector<Entry> entries, QObject *parent = nullptr);
    ~ScanJob() override; // stops and waits: nothing is signalled afterwards

    void start();
    // No further entry is read; returns at once.
    void stop() { m_stop = true; }
    bool isStopped() const { return m_stop; }
    void wait();

signals:
    // On the owner's thread, for each folder read (or path taken) in turn.
    void found(const QStringList &paths);
    // On the owner's thread, once the walk has ended; `failure` is the text of what ended it
    // early, empty when it ended by itself or was stopped.
    void finished(const QString &failure);

private:
    std::vector<Entry> m_entries;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace lumivex
