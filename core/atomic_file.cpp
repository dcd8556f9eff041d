// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/atomic_file.h"

#include "core/error_report.h"
#include "core/file_names.h"

#include <QCoreApplication>
#include "core/file_identity.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivex {

namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Writes straight to a descriptor. QFile over a descriptor loses errno on a short write and
// reports "Unknown error"; here the reason is the system's own.
class DescriptorDevice : public QIODevice {
public:
    explicit DescriptorDevice(int fd) : m_fd(fd) {}
    bool isSequential() const override { return true; }
    QString failure;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        qint64 done = 0;
        while (done < length) {
            const ssize_t n = ::write(m_fd, data + done, std::size_t(length - done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                failure = systemReason(errno);
                setErrorString(failure);
                return -1;
            }
            done += n;
        }
        return done;
    }

private:
    int m_fd;
};

} // namespace

void throwWriteFailure(const QString &path, int error)
{
    throwWriteFailure(path, systemReason(error));
}

void throwWriteFailure(const QString &path, const QString &reason)
{
    throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Cannot write the file (%1): %2").arg(reason, path),
                      QStringLiteral("cannot write ") + path + QStringLiteral(" (") + reason + QLatin1Char(')'));
}

namespace {

[[noreturn]] void throwFileFailure(const QString &path, const QString &reason, const QString &description)
{
    if (description.isEmpty())
        throwWriteFailure(path, reason);
    throw StepFailure(description, QStringLiteral("cannot write ") + path + QStringLiteral(" (") + reason + QLatin1Char(')'));
}

thread_local CommitBehind::Capture *openCapture = nullptr;
thread_local AtomicFile::Placement *openPlacement = nullptr;

FileSystemCalls systemCalls;
std::atomic<FileSystemCalls *> callsInUse{&systemCalls};

FileSystemCalls &calls() { return *callsInUse.load(); }

// A hidden name for a file on its way to `name`, named after it so that a leftover says where it
// belongs, and short enough for the file system: ".NAME.part-XXXXXX" with NAME cut to fit.
QByteArray temporaryName(const QByteArray &name, std::size_t limit)
{
    const QByteArray suffix = ".part-" + QByteArray::number(QRandomGenerator::global()->generate() & 0x3fffffffu, 36);
    const std::size_t room = limit > std::size_t(suffix.size()) + 1 ? limit - std::size_t(suffix.size()) - 1 : 0;
    return '.' + name.left(qsizetype(std::min<std::size_t>(room, std::size_t(name.size())))) + suffix;
}

FileIdentity identityAt(int folder, const QByteArray &name, int flags)
{
    struct stat info {};
    if (::fstatat(folder, name.constData(), &info, flags) != 0)
        return {};
    return identityOf(info);
}

// Whether the name leads to a protected file, as itself or through a link.
bool leadsToProtected(const AtomicTarget &target)
{
    if (!target.protectedFiles || target.protectedFiles->empty())
        return false;
    const int fd = target.folder->fd();
    return target.protectedFiles->contains(identityAt(fd, target.name, AT_SYMLINK_NOFOLLOW)) ||
           target.protectedFiles->contains(identityAt(fd, target.name, 0));
}

} // namespace

int FileSystemCalls::openUnnamed(int folder)
{
    return ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

int FileSystemCalls::openNamed(int folder, const char *name)
{
    return ::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

int FileSystemCalls::syncData(int fd) { return ::fdatasync(fd); }

int FileSystemCalls::linkUnnamed(int fd, int folder, const char *name)
{
    // Through /proc no privilege is needed; AT_EMPTY_PATH wants CAP_DAC_READ_SEARCH.
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, self, folder, name, AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0)
        return -1;
    return ::linkat(fd, "", folder, name, AT_EMPTY_PATH);
}

int FileSystemCalls::rename(int folder, const char *from, const char *to, bool noReplace)
{
    if (!noReplace)
        return ::renameat(folder, from, folder, to);
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // A file system without RENAME_NOREPLACE: a hard link fails on a taken name just the same.
    if (::linkat(folder, from, folder, to, 0) != 0)
        return -1;
    ::unlinkat(folder, from, 0);
    return 0;
}

int FileSystemCalls::unlink(int folder, const char *name) { return ::unlinkat(folder, name, 0); }

int FileSystemCalls::syncFolder(int folder) { return ::fsync(folder); }

FileSystemCalls &FileSystemCalls::current() { return calls(); }

ScopedFileSystemCalls::ScopedFileSystemCalls(FileSystemCalls &replacement) : m_previous(callsInUse.exchange(&replacement)) {}

ScopedFileSystemCalls::~ScopedFileSystemCalls() { callsInUse.store(m_previous); }

OpenFolder::~OpenFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

OpenFolder::OpenFolder(int fd) : m_fd(fd)
{
    const long limit = ::fpathconf(m_fd, _PC_NAME_MAX);
    m_nameLimit = limit > 0 ? std::size_t(limit) : std::size_t(NAME_MAX);
}

Outcome<std::shared_ptr<const OpenFolder>> openFolder(const QString &folder, const QString &reportPath)
{
    return outcomeOf([&] {
        const QByteArray name = fileNameToBytes(folder.isEmpty() ? QStringLiteral(".") : folder);
        const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            throwWriteFailure(reportPath, errno);
        return std::make_shared<const OpenFolder>(fd);
    });
}

namespace {

std::shared_ptr<const OpenFolder> enterOrThrow(const OpenFolder &parent, const QByteArray &name,
                                               const QString &shownPath, const QString &reportPath)
{
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/'))
        throwWriteFailure(reportPath, QStringLiteral("not a folder name: ") + shownPath);
    if (::mkdirat(parent.fd(), name.constData(), 0777) != 0 && errno != EEXIST)
        throw StepFailure(QStringLiteral("Cannot create the folder: ") + shownPath,
                          QStringLiteral("cannot create the folder ") + shownPath + QStringLiteral(" (") +
                              systemReason(errno) + QLatin1Char(')'));
    const int fd = ::openat(parent.fd(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat info {};
        if (::fstatat(parent.fd(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
            throw StepFailure(QStringLiteral("Not saved: a link stands in place of the folder: ") + shownPath,
                              QStringLiteral("cannot write ") + reportPath + QStringLiteral(" (") + shownPath +
                                  QStringLiteral(" is a symbolic link, not a folder)"));
        throwWriteFailure(reportPath, error);
    }
    return std::make_shared<const OpenFolder>(fd);
}

} // namespace

Outcome<std::shared_ptr<const OpenFolder>> enterFolder(const OpenFolder &parent, const QByteArray &name,
                                                       const QString &shownPath, const QString &reportPath)
{
    return outcomeOf([&] { return enterOrThrow(parent, name, shownPath, reportPath); });
}

Outcome<void> checkNameFits(const OpenFolder &folder, const QByteArray &name, const QString &reportPath)
{
    return outcomeOf([&] {
        const std::size_t limit = folder.nameLimit();
        if (std::size_t(name.size()) > limit)
            throwWriteFailure(reportPath,
                              QStringLiteral("the name is longer than the %1 bytes the file system allows").arg(limit));
    });
}

QString existsFailure(const QString &path) { return QStringLiteral("The file exists already: ") + path; }

QString protectedFailure(const QString &path)
{
    return QCoreApplication::translate("lumivex::Failure", "Not saved: the output would replace a source file: %1").arg(path);
}

AtomicFile::Placement::Placement(QString path, AtomicTarget target)
    : m_path(std::move(path)), m_target(std::move(target)), m_outer(openPlacement)
{
    openPlacement = this;
}

AtomicFile::Placement::~Placement() { openPlacement = m_outer; }

const AtomicTarget *AtomicFile::Placement::forPath(const QString &path)
{
    for (const Placement *p = openPlacement; p; p = p->m_outer) {
        if (p->m_path == path)
            return &p->m_target;
    }
    return nullptr;
}

AtomicFile::AtomicFile(QString path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile() { cancel(); }

void AtomicFile::raise(const QString &reason) const { throwFileFailure(m_path, reason, m_failureDescription); }

void AtomicFile::fail(int error)
{
    cancel();
    raise(systemReason(error));
}

void AtomicFile::failWith(const QString &reason)
{
    cancel();
    raise(reason);
}

void AtomicFile::open()
{
    cancel();
    if (m_path.isEmpty() || m_path.endsWith(QLatin1Char('/')))
        raise(systemReason(EISDIR));
    if (const AtomicTarget *placed = Placement::forPath(m_path)) {
        m_target = *placed;
    } else {
        const QFileInfo info(m_path);
        Outcome<std::shared_ptr<const OpenFolder>> folder = openFolder(info.path(), m_path);
        if (!folder.ok() && !m_failureDescription.isEmpty() && folder.failure().kind() != Failure::Kind::OutOfMemory)
            throw StepFailure(m_failureDescription, folder.failure().detail());
        m_target = AtomicTarget{std::move(folder).valueOrThrow(), fileNameToBytes(info.fileName())};
    }
    const int folder = m_target.folder->fd();
    const QByteArray &name = m_target.name;
    const std::size_t limit = m_target.folder->nameLimit();
    if (std::size_t(name.size()) > limit)
        raise(QStringLiteral("the name is longer than the %1 bytes the file system allows").arg(limit));
    if (leadsToProtected(m_target))
        throw StepFailure(protectedFailure(m_path));
    struct stat existing {};
    if (::fstatat(folder, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(existing.st_mode))
            raise(systemReason(EISDIR));
        m_keepMode = S_ISREG(existing.st_mode);
        m_mode = existing.st_mode & 07777;
    }
    m_fd = calls().openUnnamed(folder);
    if (m_fd < 0) {
        // Some file systems take no unnamed file; there a named one has to do.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            raise(systemReason(errno));
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            const QByteArray candidate = temporaryName(name, limit);
            m_fd = calls().openNamed(folder, candidate.constData());
            if (m_fd >= 0)
                m_temporary = candidate;
            else if (errno != EEXIST)
                raise(systemReason(errno));
        }
        if (m_fd < 0)
            raise(systemReason(EEXIST));
    }
    m_device = std::make_unique<DescriptorDevice>(m_fd);
    m_device->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

QIODevice &AtomicFile::device() { return *m_device; }

QString AtomicFile::writeError() const
{
    return m_device ? static_cast<const DescriptorDevice &>(*m_device).failure : QString();
}

void AtomicFile::commit()
{
    if (m_fd < 0 || !m_device)
        raise(systemReason(EBADF));
    m_device->close();
    if (m_keepMode && fchmod(m_fd, m_mode) != 0)
        fail(errno);
    auto pending = std::make_unique<PendingCommit>(m_fd, m_target, m_temporary, m_path, m_failureDescription);
    m_fd = -1;
    m_temporary.clear();
    m_device.reset();
    if (openCapture && openCapture->accept(pending))
        return;
    pending->finish();
}

void AtomicFile::cancel()
{
    if (m_device) {
        m_device->close();
        m_device.reset();
    }
    if (m_fd >= 0) {
        ::close(m_fd); // an unnamed file goes with its last descriptor
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        calls().unlink(m_target.folder->fd(), m_temporary.constData());
        m_temporary.clear();
    }
}

void writeFileAtomically(const QString &path, const QByteArray &bytes, const QString &failureDescription)
{
    AtomicFile file(path);
    file.setFailureDescription(failureDescription);
    file.open();
    if (file.device().write(bytes) != bytes.size())
        file.failWith(file.writeError());
    file.commit();
}

PendingCommit::PendingCommit(int fd, AtomicTarget target, QByteArray temporary, QString path, QString failureDescription)
    : m_fd(fd), m_target(std::move(target)), m_temporary(std::move(temporary)), m_path(std::move(path)),
      m_failureDescription(std::move(failureDescription))
{
}

PendingCommit::~PendingCommit()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temporary.isEmpty())
        calls().unlink(m_target.folder->fd(), m_temporary.constData());
}

void PendingCommit::failAndRemove(const QString &description, const QString &reason)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.isEmpty())
        calls().unlink(m_target.folder->fd(), m_temporary.constData());
    m_temporary.clear();
    if (!description.isEmpty())
        throw StepFailure(description, QStringLiteral("cannot write ") + m_path + QStringLiteral(" (") + reason + QLatin1Char(')'));
    throwFileFailure(m_path, reason, m_failureDescription);
}

void PendingCommit::failAndRemove(int error) { failAndRemove(QString(), systemReason(error)); }

// The name is taken and may be replaced: the file gets a hidden name of its own first, and is
// then renamed over the other in one step, so that the name never lacks a whole file.
void PendingCommit::replaceExisting()
{
    FileSystemCalls &fs = calls();
    const int folder = m_target.folder->fd();
    if (leadsToProtected(m_target))
        failAndRemove(protectedFailure(m_path), QStringLiteral("it is a source"));
    if (m_temporary.isEmpty()) {
        for (int attempt = 0; attempt < 100 && m_temporary.isEmpty(); ++attempt) {
            const QByteArray candidate = temporaryName(m_target.name, m_target.folder->nameLimit());
            if (fs.linkUnnamed(m_fd, folder, candidate.constData()) == 0)
                m_temporary = candidate;
            else if (errno != EEXIST)
                failAndRemove(errno);
        }
        if (m_temporary.isEmpty())
            failAndRemove(EEXIST);
    }
    if (fs.rename(folder, m_temporary.constData(), m_target.name.constData(), false) != 0)
        failAndRemove(errno);
    m_temporary.clear();
}

void PendingCommit::finish()
{
    FileSystemCalls &fs = calls();
    const int folder = m_target.folder->fd();
    const char *name = m_target.name.constData();
    // The data reaches the disk before the file has its name, so that after a power cut the
    // name holds the whole new file or the old one. Some file systems only tell of a full disk
    // here, too.
    if (fs.syncData(m_fd) != 0)
        failAndRemove(errno);
    if (m_temporary.isEmpty()) {
        if (fs.linkUnnamed(m_fd, folder, name) != 0) {
            if (errno != EEXIST)
                failAndRemove(errno);
            if (m_target.noReplace)
                failAndRemove(existsFailure(m_path), systemReason(EEXIST));
            replaceExisting();
        }
    } else if (m_target.noReplace) {
        if (fs.rename(folder, m_temporary.constData(), name, true) != 0) {
            if (errno == EEXIST)
                failAndRemove(existsFailure(m_path), systemReason(EEXIST));
            failAndRemove(errno);
        }
        m_temporary.clear();
    } else {
        replaceExisting();
    }
    // Written and synced: a close can tell nothing more.
    ::close(m_fd);
    m_fd = -1;
    // The new name itself reaches the disk.
    if (fs.syncFolder(folder) != 0)
        throwFileFailure(m_path, systemReason(errno), m_failureDescription);
}

CommitBehind::Capture::Capture() : m_outer(openCapture) { openCapture = this; }

CommitBehind::Capture::~Capture() { openCapture = m_outer; }

std::unique_ptr<PendingCommit> CommitBehind::Capture::take() { return std::move(m_pending); }

bool CommitBehind::Capture::accept(std::unique_ptr<PendingCommit> &pending)
{
    if (m_pending)
        return false; // one file an item; a second one is finished at once
    m_pending = std::move(pending);
    return true;
}

CommitBehind::CommitBehind(std::size_t limit) : m_limit(std::max<std::size_t>(1, limit))
{
    m_thread = std::thread([this] { run(); });
}

CommitBehind::~CommitBehind()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CommitBehind::hand(std::unique_ptr<PendingCommit> pending, std::function<void(const StepFailure *)> done)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_queue.size() < m_limit; });
    m_queue.push_back(Entry{std::move(pending), std::move(done)});
    m_changed.notify_all();
}

void CommitBehind::finishAll()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_queue.empty() && !m_busy; });
}

void CommitBehind::run()
{
    for (;;) {
        Entry entry;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return !m_queue.empty() || m_closing; });
            if (m_queue.empty())
                return;
            entry = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
        }
        m_changed.notify_all();
        std::optional<StepFailure> failure;
        if (entry.pending) {
            try {
                entry.pending->finish();
            } catch (const StepFailure &f) {
                failure = f; // with its detail
            } catch (...) {
                failure = StepFailure(caughtExceptionText());
            }
            entry.pending.reset();
        }
        // This thread finishes every writer's files: nothing that goes wrong for one file may
        // end it, or the program with it.
        if (entry.done) {
            try {
                entry.done(failure ? &*failure : nullptr);
            } catch (...) {
            }
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy = false;
        }
        m_changed.notify_all();
    }
}

} // namespace lumivex
