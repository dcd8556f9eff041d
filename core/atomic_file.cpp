// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/atomic_file.h"

#include "core/error_report.h"
#include "core/paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <fcntl.h>
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

} // namespace

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
    const QFileInfo info(m_path);
    const QByteArray target = fileNameToBytes(m_path);
    struct stat existing {};
    if (lstat(target.constData(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            raise(systemReason(EISDIR));
        m_keepMode = S_ISREG(existing.st_mode);
        m_mode = existing.st_mode & 07777;
    }
    // Hidden, and named after the final file so a leftover from a crash says where it belongs.
    const QString folder = info.path();
    const QString stem = QLatin1Char('.') + info.fileName() + QStringLiteral(".part-");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = folder + QLatin1Char('/') + stem +
                                  QString::number(QRandomGenerator::global()->generate64() & 0xffffffffffffULL, 36);
        const int fd = ::open(fileNameToBytes(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = candidate;
            break;
        }
        if (errno != EEXIST)
            raise(systemReason(errno));
    }
    if (m_fd < 0)
        raise(systemReason(EEXIST));
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
    auto pending = std::make_unique<PendingCommit>(m_fd, m_temporary, m_path, m_failureDescription);
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
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(fileNameToBytes(m_temporary).constData());
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

PendingCommit::PendingCommit(int fd, QString temporary, QString path, QString failureDescription)
    : m_fd(fd), m_temporary(std::move(temporary)), m_path(std::move(path)),
      m_failureDescription(std::move(failureDescription))
{
}

PendingCommit::~PendingCommit()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temporary.isEmpty())
        ::unlink(fileNameToBytes(m_temporary).constData());
}

void PendingCommit::finish()
{
    auto failAndRemove = [this](int error) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        ::unlink(fileNameToBytes(m_temporary).constData());
        m_temporary.clear();
        throwFileFailure(m_path, systemReason(error), m_failureDescription);
    };
    // Some file systems only tell of a full disk when the data reaches it.
    if (fdatasync(m_fd) != 0)
        failAndRemove(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        failAndRemove(errno);
    if (::rename(fileNameToBytes(m_temporary).constData(), fileNameToBytes(m_path).constData()) != 0)
        failAndRemove(errno);
    m_temporary.clear();
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
                failure = f;
            } catch (const std::bad_alloc &) {
                failure = StepFailure(QStringLiteral("Out of memory"));
            }
            entry.pending.reset();
        }
        if (entry.done)
            entry.done(failure ? &*failure : nullptr);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy = false;
        }
        m_changed.notify_all();
    }
}

} // namespace lumivex
