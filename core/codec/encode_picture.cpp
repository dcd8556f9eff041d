// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/codec/codec.h"

#include "core/codec/backends.h"
#include "core/error_report.h"
#include "core/memory_budget.h"

namespace lumivex {

using namespace codec;

std::size_t encoderWorkingBytes(PictureFormat format, const QSize &size, const MetadataBlocks &metadata, int quality)
{
    const double pixels = double(size.width()) * double(size.height());
    // What each encoder holds beside the picture at its peak, measured on photographs (8000 x
    // 6000) with a margin: the file it makes (and for TIFF with camera data, the copies Exiv2
    // makes of it), and WebP's Y, U, V planes and the tokens it keeps for the whole frame.
    // BMP goes to its file a row at a time. x265, aom and libjxl keep the whole frame in several
    // planes of their own (measured on a 3000 x 2000 photograph: 23, 25, and 49 bytes a pixel
    // lossy or 81 lossless for libjxl).
    double perPixel = 0;
    switch (format) {
    case PictureFormat::Jpeg: perPixel = 1.0; break;
    case PictureFormat::Png: perPixel = 2.0; break;
    case PictureFormat::Tiff: perPixel = metadata.exif.isEmpty() && metadata.iptc.isEmpty() ? 2.0 : 6.0; break;
    case PictureFormat::Webp: perPixel = 7.0; break;
    case PictureFormat::Heif: perPixel = 28.0; break;
    case PictureFormat::Avif: perPixel = 30.0; break;
    case PictureFormat::Jxl: perPixel = quality >= 100 ? 96.0 : 58.0; break;
    default: return 0;
    }
    return std::size_t(pixels * perPixel) + (std::size_t(1) << 20);
}

QByteArray encodePicture(const QImage &picture, const EncodeOptions &options, const MetadataBlocks &metadata)
{
    if (picture.isNull())
        throw StepFailure(QStringLiteral("There is no picture to encode"));
    QImage pixels = picture;
    if (pixels.format() != QImage::Format_RGB32)
        pixels = pixels.convertToFormat(QImage::Format_RGB32);
    const WorkingMemory working(encoderWorkingBytes(options.format, pixels.size(), metadata, options.quality), pixels.size());
    switch (options.format) {
    case PictureFormat::Jpeg: return encodeJpeg(pixels, options.quality, metadata);
    case PictureFormat::Png: return encodePng(pixels, metadata);
    case PictureFormat::Tiff: return encodeTiff(pixels, metadata);
    case PictureFormat::Webp: return encodeWebp(pixels, options.quality, metadata);
    case PictureFormat::Bmp: return encodeBmp(pixels);
    case PictureFormat::Jxl: return encodeJxl(pixels, options.quality, metadata);
    case PictureFormat::Heif:
    case PictureFormat::Avif: return encodeHeif(pixels, options.format, options.quality, metadata);
    default: break;
    }
    throw StepFailure(QStringLiteral("This program cannot write %1 files").arg(QLatin1String(formatName(options.format))));
}

} // namespace lumivex
