#include "core/jpeg_writer.h"

#include "core/metadata.h"
#include "core/error_report.h"
#include "core/picture.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>

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
    if (picture.isNull() || quality < 1 || quality > 100)
        throw StepFailure(jpegFailureText(JpegStatus::InvalidParameter));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw StepFailure(jpegFailureText(JpegStatus::Win32Error));
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(picture)) {
        const bool fileFailed = file.error() != QFileDevice::NoError;
        file.cancelWriting();
        throw StepFailure(jpegFailureText(fileFailed ? JpegStatus::Win32Error : JpegStatus::GenericError));
    }
    if (!file.commit())
        throw StepFailure(jpegFailureText(JpegStatus::Win32Error));
}

QString SaveJPGWithMetadata(const QImage &picture, const QString &path, int quality, const QString &sourcePath)
{
    QByteArray jpeg;
    const JpegStatus status = encodeJpeg(picture, quality, &jpeg);
    if (status != JpegStatus::Ok)
        throw StepFailure(jpegFailureText(status));
    const QString note = copyMetadataIntoJpeg(sourcePath, jpeg);
    try {
        writeFileAtomically(path, jpeg);
    } catch (const StepFailure &) {
        throw StepFailure(jpegFailureText(JpegStatus::Win32Error));
    }
    return note;
}

} // namespace lumivex
