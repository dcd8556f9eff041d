// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/codec/codec.h"

#include "core/codec/backends.h"
#include "core/error_report.h"
#include "core/memory_budget.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <QCoreApplication>
#include <QPainter>
#include <optional>

namespace lumivex {

namespace codec {

void failDecode(const QString &reason, const QString &path)
{
    throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Cannot decode the picture (%1): %2").arg(reason, path));
}

void failTruncated(const QString &path)
{
    failDecode(QCoreApplication::translate("lumivex::Failure", "the file ends too early"), path);
}

void failTooLarge(std::int64_t width, std::int64_t height)
{
    const double megabytes = 4.0 * double(width) * double(height) / (1024.0 * 1024.0);
    throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Picture is too large: %1 x %2 pixels would need %3 MB; the limit is 2048 MB")
                          .arg(width)
                          .arg(height)
                          .arg(megabytes, 0, 'f', 0));
}

void checkPictureSize(std::int64_t width, std::int64_t height, const QString &path)
{
    if (width <= 0 || height <= 0)
        failDecode(QCoreApplication::translate("lumivex::Failure", "the picture has no pixels"), path);
    // Divided rather than multiplied: headers declare sides up to 2^32 and the product overflows.
    if (width > kMaxPixelBytes / 4 / height)
        failTooLarge(width, height);
    refusePictureBeyondBudget(QSize(int(width), int(height)));
}

QImage newPicture(int width, int height, const QString &path)
{
    checkPictureSize(width, height, path);
    return allocatePixelImage(QSize(width, height));
}

QImage newScratch(int width, int height, const QString &path)
{
    checkPictureSize(width, height, path);
    QImage scratch(width, height, QImage::Format_ARGB32);
    if (scratch.isNull())
        throw std::bad_alloc();
    setDefaultDensity(scratch);
    return scratch;
}

QImage layOnWhite(const QImage &argb, const QString &path)
{
    QImage flat = newPicture(argb.width(), argb.height(), path);
    flat.setDotsPerMeterX(argb.dotsPerMeterX());
    flat.setDotsPerMeterY(argb.dotsPerMeterY());
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, argb);
    painter.end();
    return flat;
}

DecodedPicture decodeBytes(const QByteArray &bytes, const QString &path, RowSink *sink)
{
    DecodedPicture decoded;
    decoded.format = sniffPictureFormat(bytes.constData(), std::size_t(bytes.size()));
    RowFeed feed{sink, 0};
    const Input in{reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()), path,
                   sink ? &feed : nullptr};
    switch (decoded.format) {
    case PictureFormat::Jpeg: decoded.image = decodeJpeg(in); break;
    case PictureFormat::Png: decoded.image = decodePng(in); break;
    case PictureFormat::Tiff:
        try {
            decoded.image = decodeTiff(in);
        } catch (const PreviewOnlyTiff &) {
            // Camera files LibRaw knows that keep their sensor data where the sniffing does not
            // look; anything else keeps the refusal.
            if (!rawReadable(in.data, in.size))
                throw;
            decoded.format = PictureFormat::Raw;
            decoded.image = decodeRaw(in);
        }
        break;
    case PictureFormat::Jxl: decoded.image = decodeJxl(in); break;
    case PictureFormat::Raw: decoded.image = decodeRaw(in); break;
    case PictureFormat::Webp: decoded.image = decodeWebp(in); break;
    case PictureFormat::Heif:
    case PictureFormat::Avif: decoded.image = decodeHeif(in); break;
    case PictureFormat::Gif:
    case PictureFormat::Bmp: decoded.image = decodeWithQt(in, decoded.format); break;
    case PictureFormat::Unknown:
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Not a picture file this program can read: %1").arg(path));
    }
    if (decoded.image.isNull() || decoded.image.format() != QImage::Format_RGB32)
        failDecode(QCoreApplication::translate("lumivex::Failure", "the decoder gave no picture"), path);
    if (sink && feed.delivered < decoded.image.height())
        sink->rows(decoded.image, feed.delivered, decoded.image.height() - feed.delivered);
    return decoded;
}

} // namespace codec

using namespace codec;

Outcome<DecodedPicture> decodePictureBytes(const QByteArray &bytes, const QString &path, RowSink *sink)
{
    return outcomeOf([&] { return decodeBytes(bytes, path, sink); });
}

Outcome<DecodedPicture> decodePictureFile(const QString &path, RowSink *sink, FileIdentity *read)
{
    return outcomeOf([&] { return decodeBytes(readFileBytes(path, read), path, sink); });
}

Outcome<Transcoded> transcodeJpeg(const QByteArray &bytes, const QString &path, RowStage &stage, int quality,
                                  const MetadataBlocks &metadata, KeptBytes *out)
{
    QString encodeFailure;
    Outcome<Transcoded> done = outcomeOf([&] {
        if (sniffPictureFormat(bytes.constData(), std::size_t(bytes.size())) != PictureFormat::Jpeg)
            return Transcoded::Declined;
        const Input in{reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()), path};
        return codec::transcodeJpeg(in, stage, quality, metadata, out, &encodeFailure) ? Transcoded::Written
                                                                                        : Transcoded::Declined;
    });
    if (!done.ok() && !encodeFailure.isEmpty() && done.failure().kind() == Failure::Kind::Reported)
        return Failure(done.failure().description(), done.failure().detail(), Failure::Kind::Encoder);
    return done;
}

Outcome<std::optional<QImage>> decodeJpegThrough(const QByteArray &bytes, const QString &path, RowStage &stage)
{
    return outcomeOf([&]() -> std::optional<QImage> {
        if (sniffPictureFormat(bytes.constData(), std::size_t(bytes.size())) != PictureFormat::Jpeg)
            return std::nullopt;
        const Input in{reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()), path};
        QImage picture;
        if (!codec::decodeJpegThrough(in, stage, &picture))
            return std::nullopt;
        return picture;
    });
}

} // namespace lumivex
