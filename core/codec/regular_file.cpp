// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/codec/regular_file.h"

#include "core/codec/backends.h"
#include "core/error_report.h"
#include "core/file_names.h"
#include "core/picture.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivex {

using namespace codec;

namespace {

// `sized(n)` makes room for n bytes and gives where they go; returns how many the file held.
template <typename Sized>
std::size_t readRegularFileWith(const QString &path, Sized sized, FileIdentity *read)
{
    if (path.isEmpty())
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "File not found: %1").arg(path));
    // Opened by the name's own bytes, so names that are not valid in the locale's encoding work.
    const QByteArray name = fileNameToBytes(path);
    // Without O_NONBLOCK, opening a FIFO waits for a writer forever.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw StepFailure(QCoreApplication::translate("lumivex::Failure", "File not found: %1").arg(path));
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "File cannot be opened (%1): %2")
                              .arg(QString::fromLocal8Bit(std::strerror(error)), path));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "File cannot be opened (%1): %2")
                              .arg(QString::fromLocal8Bit(std::strerror(errno)), path));
    if (S_ISDIR(info.st_mode))
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Not a picture file (it is a folder): %1").arg(path));
    if (!S_ISREG(info.st_mode))
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Not a regular file: %1").arg(path));
    if (info.st_size > kMaxPixelBytes)
        failDecode(QCoreApplication::translate("lumivex::Failure", "the file is larger than 2 GB"), path);
    const std::size_t size = std::size_t(info.st_size);
    char *bytes = sized(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failDecode(QString::fromLocal8Bit(std::strerror(errno)), path);
        if (got == 0)
            break; // shrank while being read
        done += std::size_t(got);
    }
    if (read) {
        *read = identityOf(info);
        // Bytes of a file written while it was read belong to no version of it.
        if (identityOfDescriptor(fd) != *read || done != size)
            *read = FileIdentity();
    }
    return done;
}

} // namespace

namespace codec {

QByteArray readFileBytes(const QString &path, FileIdentity *read)
{
    QByteArray bytes;
    bytes.truncate(qsizetype(readRegularFileWith(path, [&](std::size_t size) {
        bytes.resize(qsizetype(size));
        return bytes.data();
    }, read)));
    return bytes;
}

void readFileInto(const QString &path, KeptBytes &into, FileIdentity *read)
{
    into.clear();
    std::size_t done = 0;
    try {
        done = readRegularFileWith(path, [&](std::size_t size) {
            into.resize(size);
            return into.data();
        }, read);
    } catch (...) {
        into.clear(); // what an earlier file left must not pass for this one's
        throw;
    }
    into.resize(done);
}

} // namespace codec

Outcome<QByteArray> readRegularFile(const QString &path, FileIdentity *read)
{
    return outcomeOf([&] { return readFileBytes(path, read); });
}

Outcome<void> readRegularFile(const QString &path, KeptBytes &into, FileIdentity *read)
{
    return outcomeOf([&] { readFileInto(path, into, read); });
}

} // namespace lumivex
