#include "core/jpeg_writer.h"

#include "core/metadata.h"
#include "core/error_report.h"
#include "core/atomic_file.h"

#include <QBuffer>
#include <QImageWriter>

namespace lumivex {

QString jpegFailureText(JpegStatus status)
{
    return QStringLiteral("Cannot save the image. GDI+ Error:") + QString::number(int(status));
}

JpegStatus encodeJpeg(const QImage &picture, int quality, QByteArray *out)
{
    if (picture.isNull() || quality < 1 || quality > 100)
        return JpegStatus::InvalidParameter;
    try {
        out->clear();
        QBuffer buffer(out);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        if (!writer.write(picture))
            return JpegStatus::GenericError;
    } catch (const std::bad_alloc &) {
        return JpegStatus::OutOfMemory;
    }
    return JpegStatus::Ok;
}

void SaveJPG(const QImage &picture, const QString &path, int quality)
{
    SaveJPGWithMetadata(picture, path, quality, QString());
}

QString SaveJPGWithMetadata(const QImage &picture, const QString &path, int quality, const QString &sourcePath)
{
    QByteArray jpeg;
    const JpegStatus status = encodeJpeg(picture, quality, &jpeg);
    if (status != JpegStatus::Ok)
        throw StepFailure(jpegFailureText(status),
                          QStringLiteral("cannot write ") + path +
                              (status == JpegStatus::OutOfMemory        ? QStringLiteral(" (out of memory)")
                               : status == JpegStatus::InvalidParameter ? QStringLiteral(" (no picture, or a quality outside 1..100)")
                                                                        : QStringLiteral(" (the JPEG encoder failed)")));
    const QString note = sourcePath.isEmpty() ? QString() : copyMetadataIntoJpeg(sourcePath, jpeg);
    try {
        writeFileAtomically(path, jpeg);
    } catch (const StepFailure &failure) {
        // The window keeps the imaging library's status text; the detail names file and reason.
        throw StepFailure(jpegFailureText(JpegStatus::Win32Error), failure.detail());
    }
    return note;
}

} // namespace lumivex
