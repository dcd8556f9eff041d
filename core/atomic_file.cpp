#include "core/atomic_file.h"

#include "core/error_report.h"
#include "core/paths.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivex {

namespace {

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
                failure = QString::fromLocal8Bit(std::strerror(errno));
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
    throwWriteFailure(path, QString::fromLocal8Bit(std::strerror(error)));
}

void throwWriteFailure(const QString &path, const QString &reason)
{
    throw StepFailure(QStringLiteral("Cannot write the file (") + reason + QStringLiteral("): ") + path,
                      QStringLiteral("cannot write ") + path + QStringLiteral(" (") + reason + QLatin1Char(')'));
}

AtomicFile::AtomicFile(QString path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile() { cancel(); }

void AtomicFile::fail(int error)
{
    cancel();
    throwWriteFailure(m_path, error);
}

void AtomicFile::failWith(const QString &reason)
{
    cancel();
    throwWriteFailure(m_path, reason);
}

void AtomicFile::open()
{
    cancel();
    if (m_path.isEmpty() || m_path.endsWith(QLatin1Char('/')))
        throwWriteFailure(m_path, EISDIR);
    const QFileInfo info(m_path);
    const QByteArray target = fileNameToBytes(m_path);
    struct stat existing {};
    if (lstat(target.constData(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            throwWriteFailure(m_path, EISDIR);
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
            throwWriteFailure(m_path, errno);
    }
    if (m_fd < 0)
        throwWriteFailure(m_path, EEXIST);
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
        throwWriteFailure(m_path, EBADF);
    m_device->close();
    if (m_keepMode && fchmod(m_fd, m_mode) != 0)
        fail(errno);
    // Some file systems only tell of a full disk when the data reaches it.
    if (fdatasync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(fileNameToBytes(m_temporary).constData());
        m_temporary.clear();
        throwWriteFailure(m_path, error);
    }
    if (::rename(fileNameToBytes(m_temporary).constData(), fileNameToBytes(m_path).constData()) != 0) {
        const int error = errno;
        ::unlink(fileNameToBytes(m_temporary).constData());
        m_temporary.clear();
        throwWriteFailure(m_path, error);
    }
    m_temporary.clear();
    m_device.reset();
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

void writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    AtomicFile file(path);
    file.open();
    if (file.device().write(bytes) != bytes.size())
        file.failWith(file.writeError());
    file.commit();
}

} // namespace lumivex
