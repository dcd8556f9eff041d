#include "core/picture.h"

#include "core/atomic_file.h"
#include "core/error_report.h"
#include "core/paths.h"
#include "core/pixel_memory.h"

#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivex {

namespace {

QString tooLargeText(const QSize &size)
{
    const double megabytes = 4.0 * size.width() * size.height() / (1024.0 * 1024.0);
    return QStringLiteral("Picture is too large: %1 x %2 pixels would need %3 MB; the limit is 2048 MB")
        .arg(size.width())
        .arg(size.height())
        .arg(megabytes, 0, 'f', 0);
}

void checkSize(const QSize &size)
{
    if (!size.isValid())
        return;
    const std::int64_t bytes = 4LL * size.width() * size.height();
    if (bytes > kMaxPixelBytes)
        throw StepFailure(tooLargeText(size));
}

// Qt's BMP reader does not tell its size before decoding; the header does.
QSize bmpHeaderSize(QIODevice &file)
{
    const qint64 at = file.pos();
    file.seek(0);
    const QByteArray header = file.read(26);
    file.seek(at);
    if (header.size() < 26 || header[0] != 'B' || header[1] != 'M')
        return QSize();
    auto value = [&](int at) {
        return qint32(quint32(quint8(header[at])) | quint32(quint8(header[at + 1])) << 8 |
                      quint32(quint8(header[at + 2])) << 16 | quint32(quint8(header[at + 3])) << 24);
    };
    const qint64 width = value(18);
    const qint64 height = value(22);
    if (width <= 0 || height == 0 || std::abs(height) > 2147483647LL)
        return QSize();
    return QSize(int(width), int(std::abs(height)));
}

} // namespace

void copyPictureInfo(const QImage &from, QImage &to)
{
    to.setDotsPerMeterX(from.dotsPerMeterX());
    to.setDotsPerMeterY(from.dotsPerMeterY());
    to.setColorSpace(from.colorSpace());
}

void toPixelForm(QImage &image)
{
    if (image.isNull())
        return;
    if (!image.hasAlphaChannel()) {
        if (image.format() != QImage::Format_RGB32)
            image.convertTo(QImage::Format_RGB32);
        return;
    }
    QImage flat = allocatePixelImage(image.size());
    copyPictureInfo(image, flat);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    image = std::move(flat);
}

void decodePictureInto(const QString &path, QImage &target)
{
    // Opened by the name's own bytes, and without waiting: a FIFO would block for a writer forever.
    const int fd = path.isEmpty() ? -1
                                  : ::open(fileNameToBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = path.isEmpty() ? ENOENT : errno;
        if (error == ENOENT || error == ENOTDIR)
            throw StepFailure(QStringLiteral("File not found: ") + path);
        throw StepFailure(QStringLiteral("File cannot be opened (") + QString::fromLocal8Bit(std::strerror(error)) +
                          QStringLiteral("): ") + path);
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
        throw StepFailure(QStringLiteral("Not a picture file (it is a folder): ") + path);
    if (!S_ISREG(st.st_mode))
        throw StepFailure(QStringLiteral("Not a regular file: ") + path);

    QImageReader reader(&file);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(2048);
    if (!reader.canRead())
        throw StepFailure(QStringLiteral("Not a picture file this program can read: ") + path);
    QSize announced = reader.size();
    if (!announced.isValid())
        announced = bmpHeaderSize(file);
    checkSize(announced);
    // Decode straight into pooled large-page memory when the picture's size is known; the
    // reader fills an image of the right size and form in place.
    const bool sameBuffer = target.size() == announced && target.format() == QImage::Format_RGB32 &&
                            target.bytesPerLine() == announced.width() * 4 && target.isDetached();
    // No format holds more than about a thousand pixel bytes per file byte; a file far smaller than
    // its picture is likely to end early, and its pages are faulted in only as rows arrive.
    const Prefault prefault = std::int64_t(st.st_size) * 1024 >= 4LL * announced.width() * announced.height()
                                  ? Prefault::Yes
                                  : Prefault::No;
    if (announced.isValid() && !sameBuffer)
        target = allocatePixelImage(announced, prefault);
    if (!reader.read(&target)) {
        const QString detail = reader.errorString();
        throw StepFailure(QStringLiteral("Cannot decode the picture (") + detail +
                          QStringLiteral("): ") + path);
    }
    checkSize(target.size());
    toPixelForm(target);
}

QImage decodePicture(const QString &path)
{
    QImage image;
    decodePictureInto(path, image);
    return image;
}

void savePictureAsBmp(const QImage &picture, const QString &path)
{
    if (picture.isNull())
        throw StepFailure(QStringLiteral("There is no picture to save: ") + path);
    AtomicFile file(path);
    file.open();
    QImageWriter writer(&file.device(), "bmp");
    if (!writer.write(picture))
        file.failWith(file.writeError().isEmpty() ? writer.errorString() : file.writeError());
    file.commit();
}

} // namespace lumivex
