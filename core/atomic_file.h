#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <memory>

namespace lumivex {

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
    // Flushes, syncs and renames over the final name.
    void commit();
    // Drops what was written; the final name is left as it was.
    void cancel();

    const QString &path() const { return m_path; }

    // Cancels and throws the failure for this file with the given reason.
    [[noreturn]] void failWith(const QString &reason);

private:
    [[noreturn]] void fail(int error);

    QString m_path;
    QString m_temporary;
    int m_fd = -1;
    unsigned m_mode = 0;
    bool m_keepMode = false;
    std::unique_ptr<QIODevice> m_device;
};

// The raw bytes of an encoded file written through an AtomicFile.
void writeFileAtomically(const QString &path, const QByteArray &bytes);

// The failure of writing `path` for the system error number `error`, in the form above.
[[noreturn]] void throwWriteFailure(const QString &path, int error);
[[noreturn]] void throwWriteFailure(const QString &path, const QString &reason);

} // namespace lumivex
