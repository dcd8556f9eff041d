// SPDX-License-Identifier: GPL-3.0-or-later
// PNG on libpng: every colour type and bit depth, 16-bit samples rounded to 8, a transparent
// colour (tRNS) turned into alpha and laid on white.

#include "core/codec/backends.h"
#include "core/error_report.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <climits>
#include <csetjmp>
#include <cstring>
#include <png.h>
#include <vector>
#include <QCoreApplication>

namespace lumivex::codec {

namespace {

struct ReadJob {
    const unsigned char *data;
    std::size_t size;
    std::size_t at;
    QImage *target;
    std::vector<png_bytep> *rows;
    QString *refusal; // why the picture's memory was refused, when it was not for want of memory
    char message[256];
    bool endedEarly;
    bool tooSmall;
    bool noMemory;
    bool alpha;
    std::int64_t width, height;
    png_uint_32 dpmX, dpmY;
    int orientation; // from an eXIf chunk, before or after the image data
};

void pngError(png_structp png, png_const_charp message)
{
    auto *job = static_cast<ReadJob *>(png_get_error_ptr(png));
    if (job && !job->message[0]) {
        std::strncpy(job->message, message, sizeof job->message - 1);
        job->message[sizeof job->message - 1] = 0;
    }
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, png_size_t length)
{
    auto *job = static_cast<ReadJob *>(png_get_io_ptr(png));
    if (length > job->size - job->at) {
        job->endedEarly = true;
        png_error(png, "the file ends too early");
    }
    std::memcpy(out, job->data + job->at, length);
    job->at += length;
}

bool prepareTarget(ReadJob &job)
{
    try {
        if (job.alpha) {
            *job.target = QImage(int(job.width), int(job.height), QImage::Format_ARGB32);
            if (job.target->isNull())
                throw std::bad_alloc();
        } else {
            *job.target = allocatePixelImage(QSize(int(job.width), int(job.height)));
        }
        job.rows->resize(std::size_t(job.height));
        for (std::int64_t y = 0; y < job.height; ++y)
            (*job.rows)[std::size_t(y)] = job.target->scanLine(int(y));
    } catch (const std::bad_alloc &) {
        job.noMemory = true;
        return false;
    } catch (...) {
        *job.refusal = caughtExceptionText(); // a budget's refusal, say, with its reason
        return false;
    }
    return true;
}

// Rows as B,G,R,A bytes (B,G,R,X without transparency) whatever the file stores; whether the
// picture has transparency. May jump back to runRead's handler, so holds no C++ object.
bool setRowTransforms(png_structp png, png_infop info, int colour, int depth)
{
    bool alpha = (colour & PNG_COLOR_MASK_ALPHA) != 0;
    if (colour == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        alpha = true;
    }
    if (depth == 16)
        png_set_scale_16(png);
    if (!(colour & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!alpha)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return alpha;
}

// Holds no C++ object across libpng calls: errors jump back here.
bool runRead(ReadJob &job)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, pngError, pngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &job, readBytes);
    // Bounds against hostile files: sizes beyond the pixel limit, endless ancillary chunks, and
    // single chunks asking for huge buffers.
    png_set_user_limits(png, 1u << 24, 1u << 24);
    png_set_chunk_cache_max(png, 1000);
    png_set_chunk_malloc_max(png, 16u << 20);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    job.width = width;
    job.height = height;
    if (width == 0 || height == 0 || 4 * job.width * job.height > kMaxPixelBytes) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    // Deflate packs at most 1032 bytes into one, so the rest of the file bounds the rows it can
    // hold: a small file declaring a huge picture is refused before its memory is taken.
    const int channels = png_get_channels(png, info);
    const double rowBytes = 1.0 + (double(width) * channels * depth + 7) / 8;
    if (rowBytes * double(height) > 1100.0 * double(job.size - job.at) + 65536.0) {
        job.tooSmall = true;
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_uint_32 unit = 0;
    if (png_get_pHYs(png, info, &job.dpmX, &job.dpmY, reinterpret_cast<int *>(&unit)) &&
        unit != PNG_RESOLUTION_METER) {
        job.dpmX = job.dpmY = 0;
    }

    const bool alpha = setRowTransforms(png, info, colour, depth);
    if (png_get_rowbytes(png, info) != png_size_t(width) * 4) {
        std::strcpy(job.message, "unexpected row layout");
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    job.alpha = alpha;
    if (!prepareTarget(job)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_read_image(png, job.rows->data());
    // The chunks after the image data too: camera data may come last.
    png_read_end(png, info);
    png_uint_32 exifLength = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png, info, &exifLength, &exif) && exif)
        job.orientation = exifOrientation(reinterpret_cast<const char *>(exif), exifLength);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

QImage decodePng(const Input &in)
{
    // The size first, from the header chunk that must open every PNG, so an oversized picture is
    // named as such even when nothing follows its header.
    auto be32 = [&](std::size_t at) {
        return std::int64_t(in.data[at]) << 24 | std::int64_t(in.data[at + 1]) << 16 |
               std::int64_t(in.data[at + 2]) << 8 | std::int64_t(in.data[at + 3]);
    };
    if (in.size >= 24 && std::memcmp(in.data + 12, "IHDR", 4) == 0 && be32(16) > 0 && be32(20) > 0)
        checkPictureSize(be32(16), be32(20), in.path);
    // Every chunk up to the end marker must be in the file. libpng would first take (and clear)
    // a buffer of whatever length a damaged chunk header declares, then find the data missing.
    std::size_t at = 8;
    for (;;) {
        if (at + 8 > in.size)
            failTruncated(in.path);
        const std::int64_t length = be32(at);
        if (length > 0x7fffffff)
            failDecode(QCoreApplication::translate("lumivex::Failure", "a PNG chunk is corrupt"), in.path);
        if (std::int64_t(in.size - at) < length + 12)
            failTruncated(in.path);
        if (std::memcmp(in.data + at + 4, "IEND", 4) == 0)
            break;
        at += std::size_t(length) + 12;
    }
    QImage target;
    std::vector<png_bytep> rows;
    ReadJob job{};
    job.orientation = 1;
    job.data = in.data;
    job.size = in.size;
    job.target = &target;
    job.rows = &rows;
    QString refusal;
    job.refusal = &refusal;
    if (!runRead(job)) {
        target = QImage();
        if (job.endedEarly || job.tooSmall)
            failTruncated(in.path);
        if (!refusal.isEmpty())
            throw StepFailure(refusal);
        if (job.noMemory)
            throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Out of memory"));
        if (job.width > 0 && job.height > 0)
            checkPictureSize(job.width, job.height, in.path);
        failDecode(job.message[0] ? QString::fromLocal8Bit(job.message) : QCoreApplication::translate("lumivex::Failure", "unknown PNG error"), in.path);
    }
    // The chunk's counts may reach 2^32 - 1; beyond what a picture's density holds they are ignored.
    if (job.dpmX > 0 && job.dpmY > 0 && job.dpmX <= png_uint_32(INT_MAX) && job.dpmY <= png_uint_32(INT_MAX)) {
        target.setDotsPerMeterX(int(job.dpmX));
        target.setDotsPerMeterY(int(job.dpmY));
    }
    return orientPicture(job.alpha ? layOnWhite(target, in.path) : target, job.orientation, in.path);
}

namespace {

struct WriteJob {
    const QImage *picture;
    const MetadataBlocks *metadata;
    QByteArray *out;
    char message[256];
};

void writeError(png_structp png, png_const_charp message)
{
    auto *job = static_cast<WriteJob *>(png_get_error_ptr(png));
    std::strncpy(job->message, message, sizeof job->message - 1);
    png_longjmp(png, 1);
}

void writeBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto *job = static_cast<WriteJob *>(png_get_io_ptr(png));
    bool grown = true;
    try {
        job->out->append(reinterpret_cast<const char *>(data), qsizetype(length));
    } catch (...) {
        grown = false;
    }
    if (!grown)
        png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

bool runWrite(WriteJob &job)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, writeError, pngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &job, writeBytes, flushNothing);
    // A colour profile libpng finds inconsistent is left out with a warning rather than costing
    // the whole picture.
    png_set_benign_errors(png, 1);
    const QImage &picture = *job.picture;
    png_set_IHDR(png, info, png_uint_32(picture.width()), png_uint_32(picture.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // A density read from a damaged file may be negative: as a PNG count it would pass 2^31 - 1,
    // which makes the file invalid, so such a picture goes without one.
    if (picture.dotsPerMeterX() > 0 && picture.dotsPerMeterY() > 0)
        png_set_pHYs(png, info, png_uint_32(picture.dotsPerMeterX()), png_uint_32(picture.dotsPerMeterY()),
                     PNG_RESOLUTION_METER);
    const MetadataBlocks &meta = *job.metadata;
    if (!meta.icc.isEmpty())
        png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                     reinterpret_cast<png_const_bytep>(meta.icc.constData()), png_uint_32(meta.icc.size()));
    if (!meta.exif.isEmpty())
        png_set_eXIf_1(png, info, png_uint_32(meta.exif.size()),
                       reinterpret_cast<png_bytep>(const_cast<char *>(meta.exif.constData())));
    png_text text{};
    if (!meta.xmp.isEmpty()) {
        text.compression = PNG_ITXT_COMPRESSION_NONE;
        text.key = const_cast<png_charp>("XML:com.adobe.xmp");
        text.text = const_cast<png_charp>(meta.xmp.constData());
        text.itxt_length = std::size_t(meta.xmp.size());
        text.lang = const_cast<png_charp>("");
        text.lang_key = const_cast<png_charp>("");
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER); // drops the X byte
    for (int y = 0; y < picture.height(); ++y)
        png_write_row(png, const_cast<png_bytep>(picture.constScanLine(y)));
    // Everything was written before the image data; handed the info again, libpng writes a
    // second eXIf after it, which makes the file invalid.
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

QByteArray encodePng(const QImage &picture, const MetadataBlocks &metadata)
{
    QByteArray out;
    out.reserve(qsizetype(picture.sizeInBytes() / 2));
    WriteJob job{&picture, &metadata, &out, {}};
    if (!runWrite(job))
        throw StepFailure(QStringLiteral("The PNG encoder failed: ") + QString::fromLocal8Bit(job.message));
    return out;
}

} // namespace lumivex::codec
