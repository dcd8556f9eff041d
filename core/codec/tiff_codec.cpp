// SPDX-License-Identifier: GPL-3.0-or-later
// TIFF on libtiff: the first page, through libtiff's RGBA conversion, which reads every
// photometric form (RGB, grey, palette, YCbCr, CMYK, 8 and 16 bits) and premultiplies alpha.

#include "core/codec/backends.h"
#include "core/error_report.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <tiffio.h>
#include <vector>

namespace lumivex::codec {

namespace {

struct Memory {
    const unsigned char *data;
    std::size_t size;
    std::size_t at;
    QByteArray *grow; // set when writing
};

struct Report {
    char message[512];
    // libjpeg, inside libtiff, only warns when a strip's data ends before its rows and fills
    // them with grey: such a picture is not whole.
    bool jpegEndedEarly;
};

int collectError(TIFF *, void *user, const char *module, const char *fmt, va_list ap)
{
    auto *report = static_cast<Report *>(user);
    if (!report->message[0]) {
        char text[400];
        std::vsnprintf(text, sizeof text, fmt, ap);
        std::snprintf(report->message, sizeof report->message, "%s%s%s", module ? module : "", module ? ": " : "", text);
    }
    return 1;
}

int collectWarning(TIFF *, void *user, const char *module, const char *fmt, va_list ap)
{
    if (!module || std::strcmp(module, "JPEGLib") != 0)
        return 1;
    char text[400];
    std::vsnprintf(text, sizeof text, fmt, ap);
    // "Premature end of JPEG file", or "... premature end of data segment" at a marker
    if (strcasestr(text, "premature end"))
        static_cast<Report *>(user)->jpegEndedEarly = true;
    return 1;
}

tmsize_t readProc(thandle_t h, void *buffer, tmsize_t size)
{
    auto *m = static_cast<Memory *>(h);
    const std::size_t available = m->grow ? std::size_t(m->grow->size()) : m->size;
    const unsigned char *base = m->grow ? reinterpret_cast<const unsigned char *>(m->grow->constData()) : m->data;
    if (m->at >= available)
        return 0;
    const std::size_t n = std::min<std::size_t>(std::size_t(size), available - m->at);
    std::memcpy(buffer, base + m->at, n);
    m->at += n;
    return tmsize_t(n);
}

tmsize_t writeProc(thandle_t h, void *buffer, tmsize_t size)
{
    auto *m = static_cast<Memory *>(h);
    if (!m->grow)
        return 0;
    try {
        const std::size_t end = m->at + std::size_t(size);
        if (end > std::size_t(m->grow->size()))
            m->grow->resize(qsizetype(end), '\0');
        std::memcpy(m->grow->data() + m->at, buffer, std::size_t(size));
        m->at = end;
    } catch (...) {
        return 0;
    }
    return size;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence)
{
    auto *m = static_cast<Memory *>(h);
    const std::size_t size = m->grow ? std::size_t(m->grow->size()) : m->size;
    std::int64_t base = whence == SEEK_CUR ? std::int64_t(m->at) : whence == SEEK_END ? std::int64_t(size) : 0;
    const std::int64_t target = base + std::int64_t(offset);
    if (target < 0)
        return toff_t(-1);
    m->at = std::size_t(target);
    return toff_t(target);
}

int closeProc(thandle_t) { return 0; }

toff_t sizeProc(thandle_t h)
{
    auto *m = static_cast<Memory *>(h);
    return toff_t(m->grow ? std::size_t(m->grow->size()) : m->size);
}

int mapProc(thandle_t h, void **base, toff_t *size)
{
    auto *m = static_cast<Memory *>(h);
    if (m->grow)
        return 0;
    *base = const_cast<unsigned char *>(m->data);
    *size = toff_t(m->size);
    return 1;
}

void unmapProc(thandle_t, void *, toff_t) {}

TIFF *openMemory(Memory &memory, Report &report, const char *mode)
{
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, collectError, &report);
    TIFFOpenOptionsSetWarningHandlerExtR(options, collectWarning, &report);
    // No single buffer of libtiff's own beyond 256 MB, whatever a hostile header says.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(256) << 20);
    TIFF *tif = TIFFClientOpenExt("picture", mode, &memory, readProc, writeProc, seekProc, closeProc, sizeProc,
                                  mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

struct TiffCloser {
    TIFF *tif;
    ~TiffCloser()
    {
        if (tif)
            TIFFClose(tif);
    }
};

QString reason(const Report &report, const char *fallback)
{
    return QString::fromLocal8Bit(report.message[0] ? report.message : fallback);
}

// A first directory marked as a reduced-size copy (the preview a camera raw file leads with)
// is not the picture: the first full-size one after it is, and without one the file is
// refused rather than its preview passed on as the photograph. However many previews come
// first, the chain is followed to its end: libtiff ends it at a directory met twice.
void skipReducedPreviews(TIFF *tif, const Input &in)
{
    uint32_t kind = 0;
    if (TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &kind) && (kind & FILETYPE_REDUCEDIMAGE)) {
        bool found = false;
        while (!found && TIFFReadDirectory(tif))
            found = !TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &kind) || !(kind & FILETYPE_REDUCEDIMAGE);
        if (!found)
            throw PreviewOnlyTiff(QStringLiteral("Cannot decode the picture (the file holds only reduced-size previews "
                                                 "of its picture, as camera raw files do): ") +
                                  in.path);
    }
}

// Every strip or tile must lie inside the file, and the compressed bytes must be able to
// hold the picture, before its memory is taken.
void checkStoredBytes(TIFF *tif, const Input &in, uint32_t width, uint32_t height)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const uint32_t pieces = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    if (pieces > in.size) // each needs its offset stored somewhere in the file
        failTruncated(in.path);
    double stored = 0;
    for (uint32_t i = 0; i < pieces; ++i) {
        const uint64_t offset = TIFFGetStrileOffset(tif, i), count = TIFFGetStrileByteCount(tif, i);
        if (offset > in.size || count > in.size - offset)
            failTruncated(in.path);
        stored += double(count);
    }
    uint16_t bits = 8, samples = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const double raw = double(width) * height * samples * bits / 8;
    const bool bounded = compression == COMPRESSION_NONE || compression == COMPRESSION_PACKBITS ||
                         compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE ||
                         compression == COMPRESSION_DEFLATE;
    if (bounded && raw > 4096.0 * stored + 65536.0)
        failTruncated(in.path);
}

// libtiff gives R,G,B,A bytes with alpha premultiplied; on white that is c + 255 - a.
void layRgbaOnWhite(QImage &picture)
{
    uchar *p = picture.bits();
    const qsizetype count = qsizetype(picture.width()) * picture.height();
    for (qsizetype i = 0; i < count; ++i, p += 4) {
        const int r = p[0], g = p[1], b = p[2], lift = 255 - p[3];
        p[0] = uchar(std::min(255, b + lift));
        p[1] = uchar(std::min(255, g + lift));
        p[2] = uchar(std::min(255, r + lift));
        p[3] = 0xFF;
    }
}

// The file's resolution, where a dots-per-metre count can hold it.
void setTiffDensity(TIFF *tif, QImage &picture)
{
    float xres = 0, yres = 0;
    uint16_t unit = RESUNIT_INCH;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) && xres > 0 &&
        yres > 0) {
        TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
        const double scale = unit == RESUNIT_CENTIMETER ? 100.0 : unit == RESUNIT_INCH ? 100.0 / 2.54 : 0.0;
        const double x = xres * scale, y = yres * scale;
        // A damaged field can hold any float: one no dots-per-metre count can hold leaves the
        // picture's own density.
        if (scale > 0 && x >= 0.5 && y >= 0.5 && x < double(INT_MAX) && y < double(INT_MAX)) {
            picture.setDotsPerMeterX(qRound(x));
            picture.setDotsPerMeterY(qRound(y));
        }
    }
}

} // namespace

QImage decodeTiff(const Input &in)
{
    Memory memory{in.data, in.size, 0, nullptr};
    Report report{};
    TIFF *tif = openMemory(memory, report, "rm");
    if (!tif) {
        if (in.size < 16)
            failTruncated(in.path);
        failDecode(reason(report, "not a TIFF file libtiff can read"), in.path);
    }
    TiffCloser closer{tif};
    skipReducedPreviews(tif, in);
    uint32_t width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    checkPictureSize(width, height, in.path);
    checkStoredBytes(tif, in, width, height);

    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message))
        failDecode(QString::fromLocal8Bit(message), in.path);
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);

    QImage picture = newPicture(int(width), int(height), in.path);
    TIFFRGBAImage image;
    if (!TIFFRGBAImageBegin(&image, tif, 1, message))
        failDecode(QString::fromLocal8Bit(message), in.path);
    // Asking for the file's own orientation gives the rows as stored, top first; turning them
    // upright is done below for all eight orientations alike.
    image.req_orientation = orientation;
    const int ok = TIFFRGBAImageGet(&image, reinterpret_cast<uint32_t *>(picture.bits()), width, height);
    TIFFRGBAImageEnd(&image);
    if (report.jpegEndedEarly) {
        picture = QImage();
        failTruncated(in.path);
    }
    if (!ok) {
        picture = QImage();
        const QString why = reason(report, "libtiff could not read the pixels");
        if (why.contains(QLatin1String("Read error")) || why.contains(QLatin1String("end of")))
            failTruncated(in.path);
        failDecode(why, in.path);
    }
    layRgbaOnWhite(picture);
    setTiffDensity(tif, picture);
    return orientPicture(picture, orientation, in.path);
}

namespace {

// EXIF and IPTC go in through Exiv2, which knows which EXIF tags describe the image structure
// libtiff already wrote, and stores IPTC in the byte order readers expect of it.
QByteArray addExifAndIptc(const QByteArray &tiff, const QByteArray &exifBlock, const QByteArray &iptcBlock)
{
    Exiv2::ExifData exif;
    if (!exifBlock.isEmpty())
        Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte *>(exifBlock.constData()),
                                  uint32_t(exifBlock.size()));
    Exiv2::IptcData iptc;
    if (!iptcBlock.isEmpty())
        Exiv2::IptcParser::decode(iptc, reinterpret_cast<const Exiv2::byte *>(iptcBlock.constData()),
                                  uint32_t(iptcBlock.size()));
    auto image =
        Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(tiff.constData()), long(tiff.size()));
    image->readMetadata();
    Exiv2::ExifData merged = image->exifData();
    for (const Exiv2::Exifdatum &d : exif) {
        if (merged.findKey(Exiv2::ExifKey(d.key())) == merged.end())
            merged.add(d);
    }
    image->setExifData(merged);
    image->setIptcData(iptc);
    image->writeMetadata();
    Exiv2::BasicIo &io = image->io();
    io.open();
    const long size = io.size();
    Exiv2::DataBuf buffer = io.read(size);
    io.close();
    return QByteArray(reinterpret_cast<const char *>(buffer.pData_), int(buffer.size_));
}

} // namespace

QByteArray encodeTiff(const QImage &picture, const MetadataBlocks &metadata)
{
    QByteArray out;
    Memory memory{nullptr, 0, 0, &out};
    Report report{};
    TIFF *tif = openMemory(memory, report, "w");
    if (!tif)
        throw StepFailure(QStringLiteral("The TIFF encoder failed: ") + reason(report, "cannot start"));
    {
        TiffCloser closer{tif};
        const uint32_t width = uint32_t(picture.width()), height = uint32_t(picture.height());
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(picture.dotsPerMeterX() / 100.0));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(picture.dotsPerMeterY() / 100.0));
        if (!metadata.icc.isEmpty())
            TIFFSetField(tif, TIFFTAG_ICCPROFILE, uint32_t(metadata.icc.size()), metadata.icc.constData());
        if (!metadata.xmp.isEmpty())
            TIFFSetField(tif, TIFFTAG_XMLPACKET, uint32_t(metadata.xmp.size()), metadata.xmp.constData());
        std::vector<uchar> row(std::size_t(width) * 3);
        for (uint32_t y = 0; y < height; ++y) {
            const uchar *p = picture.constScanLine(int(y));
            for (uint32_t x = 0; x < width; ++x, p += 4) {
                row[x * 3] = p[2];
                row[x * 3 + 1] = p[1];
                row[x * 3 + 2] = p[0];
            }
            if (TIFFWriteScanline(tif, row.data(), y, 0) < 0)
                throw StepFailure(QStringLiteral("The TIFF encoder failed: ") + reason(report, "cannot write"));
        }
        if (!TIFFWriteDirectory(tif))
            throw StepFailure(QStringLiteral("The TIFF encoder failed: ") + reason(report, "cannot write"));
    }
    if (!metadata.exif.isEmpty() || !metadata.iptc.isEmpty()) {
        try {
            out = addExifAndIptc(out, metadata.exif, metadata.iptc);
        } catch (const Exiv2::AnyError &) {
            // The picture stands without these blocks rather than not at all.
        }
    }
    return out;
}

} // namespace lumivex::codec
