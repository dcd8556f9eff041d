// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace lumivex {

class StepFailure;

// A file written beside its final name and renamed over it once complete, so a failed write never
// leaves a truncated file and a reader never sees half a picture.
//
// Unlike QSaveFile it never follows a symbolic link at the final name: QSaveFile resolves the link
// and replaces its target, which may lie anywhere. Here the rename replaces the name itself, so
// nothing outside the folder of the path is written, and a dangling link creates no file at its
// target. The temporary file is created with O_EXCL | O_NOFOLLOW, so a link planted under its
// name is refused too. An existing regular file keeps its permission bits.
//
// Every failure throws StepFailure whose description is "Cannot write the file (REASON): PATH" and
// whose detail is "cannot write PATH (REASON)", REASON being the operating system's.
class AtomicFile {
public:
    explicit AtomicFile(QString path);
    ~AtomicFile(); // an uncommitted temporary file is removed

    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary file; the device is then open for writing, unbuffered, and a failed
    // write leaves the system's reason in its errorString().
    void open();
    QIODevice &device();
    // The system's reason for the last write of the device that failed; empty when none did.
    QString writeError() const;
    // Flushes, syncs and renames over the final name. On a thread where a CommitBehind::Capture
    // is open, stops once the data is written and closed and leaves the wait for the disk and
    // the rename to the capture.
    void commit();
    // Drops what was written; the final name is left as it was.
    void cancel();

    const QString &path() const { return m_path; }

    // Cancels and throws the failure for this file with the given reason.
    [[noreturn]] void failWith(const QString &reason);

    // The description every failure of this file carries from now on in place of the form
    // above; the detail still names the file and the system's reason.
    void setFailureDescription(QString description) { m_failureDescription = std::move(description); }

private:
    [[noreturn]] void fail(int error);
    [[noreturn]] void raise(const QString &reason) const;

    QString m_path;
    QString m_failureDescription;
    QString m_temporary;
    int m_fd = -1;
    unsigned m_mode = 0;
    bool m_keepMode = false;
    std::unique_ptr<QIODevice> m_device;
};

// The raw bytes of an encoded file written through an AtomicFile; a non-empty
// `failureDescription` is its failures' description (see setFailureDescription).
void writeFileAtomically(const QString &path, const QByteArray &bytes, const QString &failureDescription = {});

// The end of a commit left for later: the data written and its file closed for writing, not yet
// known to be on the disk nor under its final name. Dropped unfinished, the temporary file goes.
class PendingCommit {
public:
    PendingCommit(int fd, QString temporary, QString path, QString failureDescription);
    ~PendingCommit();
    PendingCommit(const PendingCommit &) = delete;
    PendingCommit &operator=(const PendingCommit &) = delete;

    // Waits for the data to reach the disk and renames the file over its final name; throws
    // StepFailure as AtomicFile does, the temporary file removed.
    void finish();

private:
    int m_fd;
    QString m_temporary;
    QString m_path;
    QString m_failureDescription;
};

// Hands the end of each commit of a batch (the wait for the disk, then the rename) to a thread of
// its own, so that a writer goes on with its next picture meanwhile: on most disks that wait is a
// few milliseconds a file whatever its size. What is handed over is finished in the order it was
// handed, and a file is reported written only once it is on the disk under its name.
class CommitBehind {
public:
    // At most `limit` handed-over items wait; a writer handing over more waits for a place.
    explicit CommitBehind(std::size_t limit);
    ~CommitBehind(); // finishes everything handed over
    CommitBehind(const CommitBehind &) = delete;
    CommitBehind &operator=(const CommitBehind &) = delete;

    // While open on a thread, the first AtomicFile committed there stops before its wait and
    // rename; take() gives what is left of that commit, if any.
    class Capture {
    public:
        Capture();
        ~Capture(); // an untaken commit is dropped unfinished
        Capture(const Capture &) = delete;
        Capture &operator=(const Capture &) = delete;
        std::unique_ptr<PendingCommit> take();
        bool accept(std::unique_ptr<PendingCommit> &pending); // for AtomicFile::commit

    private:
        std::unique_ptr<PendingCommit> m_pending;
        Capture *m_outer;
    };

    // Finishes `pending` (none: nothing to finish) on the committing thread, then calls `done`
    // there with its failure, or nullptr.
    void hand(std::unique_ptr<PendingCommit> pending, std::function<void(const StepFailure *)> done);
    // Waits until everything handed over is finished.
    void finishAll();

private:
    struct Entry {
        std::unique_ptr<PendingCommit> pending;
        std::function<void(const StepFailure *)> done;
    };
    void run();

    const std::size_t m_limit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Entry> m_queue;
    bool m_busy = false;
    bool m_closing = false;
    std::thread m_thread;
};

// The failure of writing `path` for the system error number `error`, in the form above.
[[noreturn]] void throwWriteFailure(const QString &path, int error);
[[noreturn]] void throwWriteFailure(const QString &path, const QString &reason);

} // namespace lumivex
