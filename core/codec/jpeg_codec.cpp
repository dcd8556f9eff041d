// JPEG on libjpeg-turbo: decoded straight into the picture's B,G,R,X rows and encoded straight
// from them, with no conversion copy.

#include "core/codec/backends.h"
#include "core/error_report.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>

namespace lumivex::codec {

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return. It jumps back into
// the function that called the library; those functions hold no C++ object that needs
// destroying, so nothing is skipped.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool endedEarly;
    bool corrupt;
};

void errorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    cinfo->err->format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    // Data the decoder had to make up: the rows below are not the file's.
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF) {
        err->endedEarly = true;
    } else if (code == JWRN_HIT_MARKER && !err->corrupt) {
        err->corrupt = true;
        cinfo->err->format_message(cinfo, err->message);
    }
}

void initErrors(ErrorManager &err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.message[0] = 0;
    err.endedEarly = false;
    err.corrupt = false;
}

struct DecodeJob {
    const unsigned char *data;
    std::size_t size;
    const QString *path;
    QImage *picture;
    int orientation;
    int dpmX, dpmY;
    bool tooSmall;     // the header promises more than the file can hold
    bool noMemory;
    std::int64_t width, height;
    QString *refusal; // why the picture's memory was refused (a batch's budget, say)
    RowFeed *feed;    // rows handed on as they are decoded, when nothing turns the picture after
};

bool allocateFor(DecodeJob &job, const jpeg_decompress_struct &cinfo)
{
    job.width = cinfo.image_width;
    job.height = cinfo.image_height;
    if (job.width <= 0 || job.height <= 0 || 4 * job.width * job.height > kMaxPixelBytes)
        return false;
    // Each 8x8 block of the largest component costs at least one bit per scan with Huffman
    // coding, so a file cannot describe more than a few thousand pixels per byte. A tiny file
    // declaring a huge picture is refused before its memory is taken. Arithmetic coding can go
    // below a bit per block and is let through to the pixel limit.
    if (!cinfo.arith_code && double(job.width) * double(job.height) > 4096.0 * double(job.size) + 65536.0) {
        job.tooSmall = true;
        return false;
    }
    try {
        *job.picture = allocatePixelImage(QSize(int(job.width), int(job.height)));
    } catch (const StepFailure &failure) {
        *job.refusal = failure.description();
        return false;
    } catch (...) {
        job.noMemory = true;
        return false;
    }
    return !job.picture->isNull();
}

// Returns false with err.message set, or with one of the job's flags set, on failure.
bool runDecode(DecodeJob &job, ErrorManager &err)
{
    jpeg_decompress_struct cinfo;
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, job.data, static_cast<unsigned long>(job.size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);

    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            job.orientation = exifOrientation(reinterpret_cast<const char *>(m->data) + 6, m->data_length - 6);
            break;
        }
    }
    if (cinfo.saw_JFIF_marker && cinfo.X_density > 0 && cinfo.Y_density > 0) {
        if (cinfo.density_unit == 1) {
            job.dpmX = int(100. * cinfo.X_density / 2.54);
            job.dpmY = int(100. * cinfo.Y_density / 2.54);
        } else if (cinfo.density_unit == 2) {
            job.dpmX = int(100. * cinfo.X_density);
            job.dpmY = int(100. * cinfo.Y_density);
        }
    }

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    cinfo.scale_num = cinfo.scale_denom = 1;
    if (!allocateFor(job, cinfo)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != JDIMENSION(job.width) || cinfo.output_height != JDIMENSION(job.height) ||
        cinfo.output_components != 4) {
        std::strcpy(err.message, "unexpected output layout");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    uchar *bits = job.picture->bits();
    const qsizetype stride = job.picture->bytesPerLine();
    RowFeed *feed = job.feed && !cmyk && job.orientation == 1 ? job.feed : nullptr;
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height && !err.endedEarly) {
        const int first = int(cinfo.output_scanline);
        const int want = std::min<int>(16, int(cinfo.output_height) - first);
        for (int i = 0; i < want; ++i)
            rows[i] = bits + (qsizetype(first) + i) * stride;
        const int got = int(jpeg_read_scanlines(&cinfo, rows, JDIMENSION(want)));
        // Rows the decoder had to make up are never handed on; the picture fails below.
        if (feed && got > 0 && !err.endedEarly && !err.corrupt) {
            feed->sink->rows(*job.picture, first, got);
            feed->delivered = first + got;
        }
    }
    if (!err.endedEarly && !err.corrupt)
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (err.endedEarly || err.corrupt)
        return false;
    if (cmyk) {
        // Adobe's inverted CMYK, as Qt's reader turns it into RGB.
        const qsizetype count = qsizetype(job.width) * job.height;
        for (qsizetype i = 0; i < count; ++i) {
            uchar *p = bits + i * 4;
            const int c = p[0], m = p[1], y = p[2], k = p[3];
            p[0] = uchar(k * y / 255);
            p[1] = uchar(k * m / 255);
            p[2] = uchar(k * c / 255);
            p[3] = 0xFF;
        }
    }
    return true;
}

} // namespace

QImage decodeJpeg(const Input &in)
{
    QImage picture;
    QString refusal;
    DecodeJob job{in.data, in.size, &in.path, &picture, 1, 0, 0, false, false, 0, 0, &refusal, in.feed};
    ErrorManager err;
    initErrors(err);
    if (!runDecode(job, err)) {
        picture = QImage();
        if (job.tooSmall || err.endedEarly)
            failTruncated(in.path);
        if (!refusal.isEmpty())
            throw StepFailure(refusal);
        if (job.noMemory)
            throw StepFailure(QStringLiteral("Out of memory"));
        if (err.message[0])
            failDecode(QString::fromLocal8Bit(err.message), in.path);
        checkPictureSize(job.width, job.height, in.path);
        failDecode(QStringLiteral("unknown JPEG error"), in.path);
    }
    if (job.dpmX > 0 && job.dpmY > 0) {
        picture.setDotsPerMeterX(job.dpmX);
        picture.setDotsPerMeterY(job.dpmY);
    }
    return orientPicture(picture, job.orientation, in.path);
}

namespace {

struct EncodeJob {
    const QImage *picture;
    int quality;
    const MetadataBlocks *metadata;
    unsigned char *out;
    unsigned long outSize;
};

void writeApp(jpeg_compress_struct &cinfo, int marker, const char *prefix, std::size_t prefixLength,
              const QByteArray &data)
{
    const std::size_t total = prefixLength + std::size_t(data.size());
    if (total > 65533)
        return; // one segment holds at most 65533 bytes; the caller noticed before
    auto *segment = static_cast<JOCTET *>(std::malloc(total));
    if (!segment)
        return;
    std::memcpy(segment, prefix, prefixLength);
    std::memcpy(segment + prefixLength, data.constData(), std::size_t(data.size()));
    jpeg_write_marker(&cinfo, marker, segment, unsigned(total));
    std::free(segment);
}

bool runEncode(EncodeJob &job, ErrorManager &err, const QByteArray &iptcResource)
{
    jpeg_compress_struct cinfo;
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &job.out, &job.outSize);
    const QImage &picture = *job.picture;
    cinfo.image_width = JDIMENSION(picture.width());
    cinfo.image_height = JDIMENSION(picture.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    // cjpeg -quality Q: defaults (4:2:0, baseline, standard Huffman tables, integer DCT), the
    // quality scaling forced to baseline tables.
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job.quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = FALSE;
    // The density Qt's writer put in JFIF: the picture's dots per meter as dots per inch.
    cinfo.density_unit = 1;
    cinfo.X_density = UINT16(qBound(1, qRound(picture.dotsPerMeterX() * 2.54 / 100), 65535));
    cinfo.Y_density = UINT16(qBound(1, qRound(picture.dotsPerMeterY() * 2.54 / 100), 65535));
    jpeg_start_compress(&cinfo, TRUE);

    const MetadataBlocks &meta = *job.metadata;
    if (!meta.exif.isEmpty())
        writeApp(cinfo, JPEG_APP0 + 1, "Exif\0\0", 6, meta.exif);
    if (!meta.xmp.isEmpty())
        writeApp(cinfo, JPEG_APP0 + 1, "http://ns.adobe.com/xap/1.0/", 29, meta.xmp);
    if (!meta.icc.isEmpty())
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET *>(meta.icc.constData()),
                               unsigned(meta.icc.size()));
    if (!iptcResource.isEmpty())
        writeApp(cinfo, JPEG_APP0 + 13, "Photoshop 3.0", 14, iptcResource);

    const uchar *bits = picture.constBits();
    const qsizetype stride = picture.bytesPerLine();
    JSAMPROW rows[16];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int count = std::min<int>(16, int(cinfo.image_height - cinfo.next_scanline));
        for (int i = 0; i < count; ++i)
            rows[i] = const_cast<JSAMPROW>(bits + (qsizetype(cinfo.next_scanline) + i) * stride);
        jpeg_write_scanlines(&cinfo, rows, JDIMENSION(count));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// IPTC data sets wrapped as the Photoshop image resource 0x0404 that APP13 carries.
QByteArray photoshopIptcResource(const QByteArray &iptc)
{
    if (iptc.isEmpty())
        return QByteArray();
    QByteArray resource("8BIM\x04\x04\0\0", 8);
    const quint32 size = quint32(iptc.size());
    resource.append(char(size >> 24)).append(char(size >> 16)).append(char(size >> 8)).append(char(size));
    resource.append(iptc);
    if (iptc.size() % 2)
        resource.append('\0');
    return resource;
}

} // namespace

QByteArray encodeJpeg(const QImage &picture, int quality, const MetadataBlocks &metadata)
{
    if (quality < 1 || quality > 100)
        throw StepFailure(QStringLiteral("JPEG quality must be 1..100"));
    EncodeJob job{&picture, quality, &metadata, nullptr, 0};
    ErrorManager err;
    initErrors(err);
    const QByteArray iptc = photoshopIptcResource(metadata.iptc);
    const bool ok = runEncode(job, err, iptc);
    struct Freer {
        unsigned char *p;
        ~Freer() { std::free(p); }
    } freer{job.out};
    if (!ok) {
        if (err.pub.msg_code == JERR_OUT_OF_MEMORY)
            throw std::bad_alloc();
        throw StepFailure(QStringLiteral("The JPEG encoder failed: ") + QString::fromLocal8Bit(err.message));
    }
    return QByteArray(reinterpret_cast<const char *>(job.out), qsizetype(job.outSize));
}

} // namespace lumivex::codec
