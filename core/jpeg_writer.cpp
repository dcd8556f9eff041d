#include "core/jpeg_writer.h"

#include "core/atomic_file.h"
#include "core/codec/codec.h"
#include "core/error_report.h"

namespace lumivex {

QString jpegFailureText(JpegStatus status)
{
    return QStringLiteral("Cannot save the image. GDI+ Error:") + QString::number(int(status));
}

namespace {

JpegStatus encodeWith(const QImage &picture, int quality, const MetadataBlocks &metadata, QByteArray *out)
{
    if (picture.isNull() || quality < 1 || quality > 100)
        return JpegStatus::InvalidParameter;
    try {
        *out = encodePicture(picture, EncodeOptions{PictureFormat::Jpeg, quality}, metadata);
    } catch (const std::bad_alloc &) {
        return JpegStatus::OutOfMemory;
    } catch (const StepFailure &) {
        return JpegStatus::GenericError;
    }
    return JpegStatus::Ok;
}

} // namespace

JpegStatus encodeJpeg(const QImage &picture, int quality, QByteArray *out)
{
    return encodeWith(picture, quality, MetadataBlocks(), out);
}

QString SaveJPG(const QImage &picture, const QString &path, int quality, const QString &sourcePath)
{
    QString note;
    MetadataBlocks metadata;
    if (!sourcePath.isEmpty() && !picture.isNull())
        metadata = metadataForResult(readPictureMetadata(sourcePath, &note), &note);
    // One JPEG segment holds at most 65,533 bytes with its name; larger blocks are left out and
    // said so rather than cut.
    if (metadata.exif.size() + 6 > 65533 || metadata.xmp.size() + 29 > 65533) {
        if (metadata.exif.size() + 6 > 65533)
            metadata.exif.clear();
        if (metadata.xmp.size() + 29 > 65533)
            metadata.xmp.clear();
        note = QStringLiteral("saved without part of its camera data (larger than a JPEG segment holds)");
    }
    QByteArray jpeg;
    const JpegStatus status = encodeWith(picture, quality, metadata, &jpeg);
    if (status != JpegStatus::Ok)
        throw StepFailure(jpegFailureText(status),
                          QStringLiteral("cannot write ") + path +
                              (status == JpegStatus::OutOfMemory        ? QStringLiteral(" (out of memory)")
                               : status == JpegStatus::InvalidParameter ? QStringLiteral(" (no picture, or a quality outside 1..100)")
                                                                        : QStringLiteral(" (the JPEG encoder failed)")));
    try {
        writeFileAtomically(path, jpeg);
    } catch (const StepFailure &failure) {
        // The window keeps the imaging library's status text; the detail names file and reason.
        throw StepFailure(jpegFailureText(JpegStatus::Win32Error), failure.detail());
    }
    return note;
}

} // namespace lumivex
