// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/jpeg_writer.h"

#include "core/atomic_file.h"
#include "core/codec/codec.h"
#include "core/error_report.h"

#include <QCoreApplication>

namespace lumivex {

QString jpegFailureText(JpegStatus status)
{
    return QCoreApplication::translate("lumivex::Failure", "Cannot save the image. GDI+ Error:%1").arg(int(status));
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

// The source's camera data as a result carries it. One JPEG segment holds at most 65,533 bytes
// with its name; larger blocks are left out and said so rather than cut.
MetadataBlocks resultMetadata(MetadataBlocks metadata, QString *note)
{
    if (metadata.exif.size() + 6 > 65533 || metadata.xmp.size() + 29 > 65533) {
        if (metadata.exif.size() + 6 > 65533)
            metadata.exif.clear();
        if (metadata.xmp.size() + 29 > 65533)
            metadata.xmp.clear();
        *note = QStringLiteral("saved without part of its camera data (larger than a JPEG segment holds)");
    }
    return metadata;
}

[[noreturn]] void failSave(JpegStatus status, const QString &path)
{
    throw StepFailure(jpegFailureText(status),
                      QStringLiteral("cannot write ") + path +
                          (status == JpegStatus::OutOfMemory        ? QStringLiteral(" (out of memory)")
                           : status == JpegStatus::InvalidParameter ? QStringLiteral(" (no picture, or a quality outside 1..100)")
                                                                    : QStringLiteral(" (the JPEG encoder failed)")));
}

void writeJpegFile(const QString &path, const QByteArray &jpeg)
{
    // The window keeps the imaging library's status text; the detail names file and reason.
    writeFileAtomically(path, jpeg, jpegFailureText(JpegStatus::Win32Error));
}

} // namespace

MetadataBlocks CameraDataSource::forResult(QString *note) const
{
    if (!m_forResult) {
        const MetadataBlocks blocks = m_inMemory        ? readPictureMetadataBytes(m_bytes, &m_note)
                                      : m_path.isEmpty() ? MetadataBlocks()
                                                         : readPictureMetadata(m_path, &m_note);
        m_forResult = metadataForResult(blocks, &m_note);
    }
    if (!m_note.isEmpty())
        *note = m_note;
    return *m_forResult;
}

QString SaveJPG(const QImage &picture, const QString &path, int quality, const QString &sourcePath)
{
    return SaveJPG(picture, path, quality, CameraDataSource::file(sourcePath));
}

QString SaveJPG(const QImage &picture, const QString &path, int quality, const CameraDataSource &source)
{
    QString note;
    MetadataBlocks metadata;
    if (!source.isEmpty() && !picture.isNull())
        metadata = resultMetadata(source.forResult(&note), &note);
    QByteArray jpeg;
    const JpegStatus status = encodeWith(picture, quality, metadata, &jpeg);
    if (status != JpegStatus::Ok)
        failSave(status, path);
    writeJpegFile(path, jpeg);
    return note;
}

bool SaveJPGStreamed(const CameraDataSource &source, RowStage &stage, const QString &path, int quality,
                     const std::function<void()> &beforeWriting, QString *note)
{
    const QByteArray &sourceBytes = source.bytes();
    if (quality < 1 || quality > 100)
        failSave(JpegStatus::InvalidParameter, path);
    QString said;
    const MetadataBlocks metadata = resultMetadata(source.forResult(&said), &said);
    // Written out before the next picture: the worker keeps the memory for its next result.
    thread_local KeptBytes jpeg;
    jpeg.clear();
    Outcome<Transcoded> made = transcodeJpeg(sourceBytes, source.path(), stage, quality, metadata, &jpeg);
    if (made.failure().kind() == Failure::Kind::OutOfMemory)
        failSave(JpegStatus::OutOfMemory, path);
    if (made.failure().kind() == Failure::Kind::Encoder)
        failSave(JpegStatus::GenericError, path);
    if (std::move(made).valueOrThrow() == Transcoded::Declined) // any failure left is the decoder's report
        return false;
    if (beforeWriting)
        beforeWriting();
    writeJpegFile(path, jpeg.view());
    *note = said;
    return true;
}

} // namespace lumivex
