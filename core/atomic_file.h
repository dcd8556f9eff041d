// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/outcome.h"
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
class FileIdentitySet;

// The calls through which a file is made and put in place, each returning what the system call
// does (−1 with errno on failure). Tests put their own in place to see the order of the syncs,
// links and renames, or to refuse one.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    // An unnamed file in the folder, for writing (O_TMPFILE).
    virtual int openUnnamed(int folder);
    // A new named file, never through a link (O_CREAT | O_EXCL | O_NOFOLLOW).
    virtual int openNamed(int folder, const char *name);
    virtual int syncData(int fd);
    // Gives the unnamed file `fd` a name; fails with EEXIST when the name is taken.
    virtual int linkUnnamed(int fd, int folder, const char *name);
    // Renames within the folder; with `noReplace` fails with EEXIST when the name is taken.
    virtual int rename(int folder, const char *from, const char *to, bool noReplace);
    virtual int unlink(int folder, const char *name);
    virtual int syncFolder(int folder);

    // The calls in use: the system's own unless a test has put others in place.
    static FileSystemCalls &current();
};

// Puts other calls in place for the whole process while it lives; for tests.
class ScopedFileSystemCalls {
public:
    explicit ScopedFileSystemCalls(FileSystemCalls &calls);
    ~ScopedFileSystemCalls();
    ScopedFileSystemCalls(const ScopedFileSystemCalls &) = delete;
    ScopedFileSystemCalls &operator=(const ScopedFileSystemCalls &) = delete;

private:
    FileSystemCalls *m_previous;
};

// A folder held open, so that what is written into it stays there whatever becomes of its path.
class OpenFolder {
public:
    explicit OpenFolder(int fd);
    ~OpenFolder();
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;
    int fd() const { return m_fd; }
    // The longest file name its file system takes, in bytes.
    std::size_t nameLimit() const { return m_nameLimit; }

private:
    int m_fd;
    std::size_t m_nameLimit;
};

// The folder a path names, links followed (the folder given is the user's choice); or the write
// failure of `reportPath` with the system's reason.
Outcome<std::shared_ptr<const OpenFolder>> openFolder(const QString &folder, const QString &reportPath);
// The folder `name` inside `parent`, created when missing, never through a link: a link there is
// refused with its path (`shownPath`) as the reason, so nothing lands outside the parent.
Outcome<std::shared_ptr<const OpenFolder>> enterFolder(const OpenFolder &parent, const QByteArray &name,
                                                       const QString &shownPath, const QString &reportPath);
// The write failure of `reportPath` when `name` is longer than the folder's file system takes.
Outcome<void> checkNameFits(const OpenFolder &folder, const QByteArray &name, const QString &reportPath);

// Where an AtomicFile is put: a name in a folder held open.
struct AtomicTarget {
    std::shared_ptr<const OpenFolder> folder;
    QByteArray name;
    // A file already at the name is kept; the commit fails with existsFailure(path) instead, at
    // the moment the file would have been put in place, so two writers never both claim it.
    bool noReplace = false;
    // Never replaced, however the name leads to them: the commit fails with
    // protectedFailure(path).
    const FileIdentitySet *protectedFiles = nullptr;
};

QString existsFailure(const QString &path);    // "The file exists already: PATH"
QString protectedFailure(const QString &path); // "Not saved: the output would replace a source file: PATH"

// A file written beside its final name and put in place once complete, so a failed write never
// leaves a truncated file and a reader never sees half a picture.
//
// The file is written unnamed (O_TMPFILE) and linked under its name once its data is on the
// disk; its folder is synced after. Nothing of it is left if the program stops at any moment
// before. Only where the file system takes no unnamed file is a named, hidden temporary file
// used (".NAME.part-XXXXXX", the name shortened to fit). A file that replaces another is linked
// under a hidden temporary name for an instant and renamed over it.
//
// Unlike QSaveFile it never follows a symbolic link at the final name: the name itself is
// replaced, so nothing outside the folder of the path is written, and a dangling link creates no
// file at its target. An existing regular file keeps its permission bits.
//
// Every failure throws StepFailure whose description is "Cannot write the file (REASON): PATH" and
// whose detail is "cannot write PATH (REASON)", REASON being the operating system's.
class AtomicFile {
public:
    explicit AtomicFile(QString path);
    ~AtomicFile(); // an uncommitted file is dropped

    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // While open on a thread, an AtomicFile made there for `path` is put at `target` instead of
    // the folder the path names: the caller has entered that folder by descriptor.
    class Placement {
    public:
        Placement(QString path, AtomicTarget target);
        ~Placement();
        Placement(const Placement &) = delete;
        Placement &operator=(const Placement &) = delete;
        static const AtomicTarget *forPath(const QString &path);

    private:
        QString m_path;
        AtomicTarget m_target;
        Placement *m_outer;
    };

    // Creates the file; the device is then open for writing, unbuffered, and a failed
    // write leaves the system's reason in its errorString().
    void open();
    QIODevice &device();
    // The system's reason for the last write of the device that failed; empty when none did.
    QString writeError() const;
    // Syncs the data, puts the file in place and syncs its folder. On a thread where a
    // CommitBehind::Capture is open, stops once the data is written and leaves the rest to the
    // capture.
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
    AtomicTarget m_target;
    QByteArray m_temporary; // the named temporary file's name, where one had to be used
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
    PendingCommit(int fd, AtomicTarget target, QByteArray temporary, QString path, QString failureDescription);
    ~PendingCommit();
    PendingCommit(const PendingCommit &) = delete;
    PendingCommit &operator=(const PendingCommit &) = delete;

    // Waits for the data to reach the disk, puts the file under its final name and syncs the
    // folder; throws StepFailure as AtomicFile does, nothing of the file left.
    void finish();

private:
    [[noreturn]] void failAndRemove(int error);
    [[noreturn]] void failAndRemove(const QString &description, const QString &reason);
    void replaceExisting();

    int m_fd;
    AtomicTarget m_target;
    QByteArray m_temporary;
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
