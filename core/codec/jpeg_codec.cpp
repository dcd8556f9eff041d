// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <QCoreApplication>

namespace lumivex::codec {

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return. It jumps back into
// the function that called the library; those functions hold no C++ object that needs
// destroying, so nothing is skipped.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    std::jmp_buf *target; // where error_exit jumps: `jump`, or another manager's when two work together
    char message[JMSG_LENGTH_MAX];
    bool endedEarly;
    bool corrupt;
};

void errorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    cinfo->err->format_message(cinfo, err->message);
    std::longjmp(err->target ? *err->target : err->jump, 1);
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
    err.target = nullptr;
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

// What a header tells besides the size: the EXIF orientation, and the density as dots per meter
// (0 when the file gives none).
struct HeaderFacts {
    int orientation = 1;
    int dpmX = 0, dpmY = 0;
    bool cmyk = false;
};

HeaderFacts headerFacts(const jpeg_decompress_struct &cinfo)
{
    HeaderFacts facts;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            facts.orientation = exifOrientation(reinterpret_cast<const char *>(m->data) + 6, m->data_length - 6);
            break;
        }
    }
    if (cinfo.saw_JFIF_marker && cinfo.X_density > 0 && cinfo.Y_density > 0) {
        if (cinfo.density_unit == 1) {
            facts.dpmX = int(100. * cinfo.X_density / 2.54);
            facts.dpmY = int(100. * cinfo.Y_density / 2.54);
        } else if (cinfo.density_unit == 2) {
            facts.dpmX = int(100. * cinfo.X_density);
            facts.dpmY = int(100. * cinfo.Y_density);
        }
    }
    facts.cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    return facts;
}

// Each 8x8 block of the largest component costs at least one bit per scan with Huffman coding,
// so a file cannot describe more than a few thousand pixels per byte. A tiny file declaring a
// huge picture is refused before its memory is taken. Arithmetic coding can go below a bit per
// block and is let through to the pixel limit.
bool promisesMoreThanItHolds(const jpeg_decompress_struct &cinfo, std::size_t fileSize)
{
    return !cinfo.arith_code &&
           double(cinfo.image_width) * double(cinfo.image_height) > 4096.0 * double(fileSize) + 65536.0;
}

// Decoded pixels as djpeg gives them: accurate integer IDCT, smooth upsampling, full size.
void setDecodeSettings(jpeg_decompress_struct &cinfo, bool cmyk)
{
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    cinfo.scale_num = cinfo.scale_denom = 1;
}

bool allocateFor(DecodeJob &job, const jpeg_decompress_struct &cinfo)
{
    job.width = cinfo.image_width;
    job.height = cinfo.image_height;
    if (job.width <= 0 || job.height <= 0 || 4 * job.width * job.height > kMaxPixelBytes)
        return false;
    if (promisesMoreThanItHolds(cinfo, job.size)) {
        job.tooSmall = true;
        return false;
    }
    try {
        *job.picture = allocatePixelImage(QSize(int(job.width), int(job.height)));
    } catch (const std::bad_alloc &) {
        job.noMemory = true;
        return false;
    } catch (...) {
        *job.refusal = caughtExceptionText(); // a budget's refusal, say, with its reason
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
    const HeaderFacts facts = headerFacts(cinfo);
    job.orientation = facts.orientation;
    job.dpmX = facts.dpmX;
    job.dpmY = facts.dpmY;
    const bool cmyk = facts.cmyk;
    setDecodeSettings(cinfo, cmyk);
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
            throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Out of memory"));
        if (err.message[0])
            failDecode(QString::fromLocal8Bit(err.message), in.path);
        checkPictureSize(job.width, job.height, in.path);
        failDecode(QCoreApplication::translate("lumivex::Failure", "unknown JPEG error"), in.path);
    }
    if (job.dpmX > 0 && job.dpmY > 0) {
        picture.setDotsPerMeterX(job.dpmX);
        picture.setDotsPerMeterY(job.dpmY);
    }
    return orientPicture(picture, job.orientation, in.path);
}

namespace {

// The encoder writes straight into the array the file is written from, which grows in large
// steps; libjpeg's memory destination doubles a buffer from 4 KB and copies it each time.
// `Bytes` is a QByteArray or KeptBytes.
template <typename Bytes>
struct ArrayDestination {
    jpeg_destination_mgr pub;
    Bytes *array;
    std::size_t used;

    static constexpr std::size_t kStep = 1 << 20;

    static void init(j_compress_ptr cinfo)
    {
        auto *d = reinterpret_cast<ArrayDestination *>(cinfo->dest);
        d->used = 0;
        // Memory an array kept from an earlier picture is used whole before it grows.
        const std::size_t room = std::max(kStep, std::size_t(d->array->capacity()));
        if (std::size_t(d->array->size()) < room)
            d->array->resize(room);
        d->pub.next_output_byte = reinterpret_cast<JOCTET *>(d->array->data());
        d->pub.free_in_buffer = std::size_t(d->array->size());
    }

    static boolean grow(j_compress_ptr cinfo)
    {
        auto *d = reinterpret_cast<ArrayDestination *>(cinfo->dest);
        // Called only when the whole buffer is full.
        d->used = std::size_t(d->array->size());
        try {
            d->array->resize(d->used + std::max(kStep, d->used / 2));
        } catch (...) {
            ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
        }
        d->pub.next_output_byte = reinterpret_cast<JOCTET *>(d->array->data()) + d->used;
        d->pub.free_in_buffer = std::size_t(d->array->size()) - d->used;
        return TRUE;
    }

    static void term(j_compress_ptr cinfo)
    {
        auto *d = reinterpret_cast<ArrayDestination *>(cinfo->dest);
        d->array->resize(std::size_t(d->array->size()) - d->pub.free_in_buffer);
    }

    void attach(jpeg_compress_struct &cinfo, Bytes *to)
    {
        array = to;
        used = 0;
        pub.init_destination = init;
        pub.empty_output_buffer = grow;
        pub.term_destination = term;
        cinfo.dest = &pub;
    }
};

struct EncodeJob {
    const QImage *picture;
    int quality;
    const MetadataBlocks *metadata;
    QByteArray *out;
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

// cjpeg -quality Q: defaults (4:2:0, baseline, standard Huffman tables, integer DCT), the
// quality scaling forced to baseline tables; the density Qt's writer put in JFIF, the picture's
// dots per meter as dots per inch; then the camera data.
void startCompress(jpeg_compress_struct &cinfo, int width, int height, int quality, int dpmX, int dpmY,
                   const MetadataBlocks &meta, const QByteArray &iptcResource)
{
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = FALSE;
    cinfo.density_unit = 1;
    cinfo.X_density = UINT16(qBound(1, qRound(dpmX * 2.54 / 100), 65535));
    cinfo.Y_density = UINT16(qBound(1, qRound(dpmY * 2.54 / 100), 65535));
    jpeg_start_compress(&cinfo, TRUE);
    if (!meta.exif.isEmpty())
        writeApp(cinfo, JPEG_APP0 + 1, "Exif\0\0", 6, meta.exif);
    if (!meta.xmp.isEmpty())
        writeApp(cinfo, JPEG_APP0 + 1, "http://ns.adobe.com/xap/1.0/", 29, meta.xmp);
    if (!meta.icc.isEmpty())
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET *>(meta.icc.constData()), unsigned(meta.icc.size()));
    if (!iptcResource.isEmpty())
        writeApp(cinfo, JPEG_APP0 + 13, "Photoshop 3.0", 14, iptcResource);
}

bool runEncode(EncodeJob &job, ErrorManager &err, const QByteArray &iptcResource)
{
    jpeg_compress_struct cinfo;
    ArrayDestination<QByteArray> destination;
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    destination.attach(cinfo, job.out);
    const QImage &picture = *job.picture;
    startCompress(cinfo, picture.width(), picture.height(), job.quality, picture.dotsPerMeterX(),
                  picture.dotsPerMeterY(), *job.metadata, iptcResource);
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
    QByteArray out;
    EncodeJob job{&picture, quality, &metadata, &out};
    ErrorManager err;
    initErrors(err);
    const QByteArray iptc = photoshopIptcResource(metadata.iptc);
    if (!runEncode(job, err, iptc)) {
        if (err.pub.msg_code == JERR_OUT_OF_MEMORY)
            throw std::bad_alloc();
        throw StepFailure(QStringLiteral("The JPEG encoder failed: ") + QString::fromLocal8Bit(err.message));
    }
    return out;
}

namespace {

// Decoded rows are kept in a ring long enough for a band being decoded, the band being made
// and the rows beside it. Bands of 8 rows keep a 4000-pixel picture's ring and band within
// 300 KB, so that two workers sharing a core's cache still find their rows there.
constexpr int kBand = 8;
constexpr int kRing = 2 * kBand + 2;
static_assert(kRing >= 2 * kBand + 2, "the ring must hold the band being made, the rows beside it and the next band");

struct Transcode {
    const Input *in;
    RowStage *stage;
    int quality;
    const MetadataBlocks *metadata;
    QByteArray iptc;
    KeptBytes *out;       // encoded here, or else
    QImage *picture;      // the rows made straight into this picture, allocated here
    int defaultDpmX, defaultDpmY;
    bool skipped = false; // not a picture for this way; nothing done
    int dpmX = 0, dpmY = 0;

    bool allocatePicture(int w, int h) noexcept
    {
        try {
            *picture = allocatePixelImage(QSize(w, h));
        } catch (...) {
            *picture = QImage();
        }
        return !picture->isNull();
    }
};

// The ring of decoded rows: row y lives in slot y % kRing.
struct RowRing {
    uchar *memory;
    std::size_t rowBytes;
    uchar *row(int y) const { return memory + rowBytes * std::size_t(y % kRing); }
};

// The ring, and after it the band an encoder is handed, in memory the thread keeps for its next
// picture, so a jump back from libjpeg frees nothing made here; null when it cannot be had.
// Every row is written, by the decoder or the stage, before it is read.
uchar *transcodeRowMemory(std::size_t rowBytes, bool encoding) noexcept
{
    thread_local KeptBytes rowMemory;
    try {
        rowMemory.resize(rowBytes * std::size_t(kRing + (encoding ? kBand : 0)));
    } catch (...) {
        return nullptr;
    }
    return reinterpret_cast<uchar *>(rowMemory.data());
}

// Reads the header and decides whether this way takes the picture: what the whole-picture way
// refuses or turns is left to it, reports and all, and so is a picture whose memory is refused.
// False, with the decoder destroyed, when it does not; `dpmX`, `dpmY` get the density the
// decoded picture would carry: the file's own, else a new picture's.
bool startTranscodeDecode(Transcode &t, jpeg_decompress_struct &dinfo, bool encoding, int *dpmX, int *dpmY)
{
    jpeg_create_decompress(&dinfo);
    jpeg_mem_src(&dinfo, t.in->data, static_cast<unsigned long>(t.in->size));
    jpeg_save_markers(&dinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&dinfo, TRUE);
    const HeaderFacts facts = headerFacts(dinfo);
    const std::int64_t width = dinfo.image_width, height = dinfo.image_height;
    if (facts.orientation != 1 || facts.cmyk || width <= 0 || height <= 0 || 4 * width * height > kMaxPixelBytes ||
        promisesMoreThanItHolds(dinfo, t.in->size) || (!encoding && !t.allocatePicture(int(width), int(height)))) {
        t.skipped = true;
        jpeg_destroy_decompress(&dinfo);
        return false;
    }
    const bool density = facts.dpmX > 0 && facts.dpmY > 0;
    *dpmX = density ? facts.dpmX : t.defaultDpmX;
    *dpmY = density ? facts.dpmY : t.defaultDpmY;
    t.dpmX = facts.dpmX;
    t.dpmY = facts.dpmY;
    setDecodeSettings(dinfo, false);
    jpeg_start_decompress(&dinfo);
    return true;
}

// Decodes into the ring and makes each row once the rows beside it are in, a band at a time,
// into the picture or through the encoder. Stops early when the decoder finds the file short
// or corrupt (told by `derr`).
void transcodeRows(Transcode &t, jpeg_decompress_struct &dinfo, jpeg_compress_struct *cinfo, ErrorManager &derr,
                   const RowRing &ring, uchar *band, int w, int h)
{
    int decoded = 0, made = 0;
    JSAMPROW rows[kBand];
    while (made < h) {
        // Decode until the row below the next band is in: the ring then holds at most the row
        // above the band, the band, and at most one band more.
        while (decoded < h && decoded <= made + kBand && !derr.endedEarly && !derr.corrupt) {
            const int want = std::min(kBand, h - decoded);
            for (int i = 0; i < want; ++i)
                rows[i] = ring.row(decoded + i);
            const int got = int(jpeg_read_scanlines(&dinfo, rows, JDIMENSION(want)));
            if (got <= 0 && !derr.endedEarly) {
                std::strcpy(derr.message, "the decoder gave no rows");
                derr.corrupt = true;
            }
            decoded += std::max(0, got);
        }
        if (derr.endedEarly || derr.corrupt)
            return;
        // Rows whose neighbours below are decoded (the last row needs none).
        const int ready = decoded == h ? h : decoded - 1;
        const int count = std::min(kBand, ready - made);
        if (count <= 0)
            continue;
        for (int i = 0; i < count; ++i) {
            const int y = made + i;
            const uchar *row = ring.row(y);
            rows[i] = cinfo ? band + ring.rowBytes * std::size_t(i) : t.picture->scanLine(y);
            t.stage->makeRow(y, w, h, y > 0 ? ring.row(y - 1) : row, row, y + 1 < h ? ring.row(y + 1) : row, rows[i]);
        }
        if (cinfo)
            jpeg_write_scanlines(cinfo, rows, JDIMENSION(count));
        made += count;
    }
}

bool runTranscode(Transcode &t, ErrorManager &derr, ErrorManager &cerr)
{
    jpeg_decompress_struct dinfo;
    jpeg_compress_struct cinfo;
    ArrayDestination<KeptBytes> destination;
    // Read again after a jump back from libjpeg: kept in memory, not in a register.
    volatile bool compressing = false;
    const bool encoding = t.picture == nullptr;
    dinfo.err = &derr.pub;
    cinfo.err = &cerr.pub;
    // Both managers jump back here; which one failed is told by its message.
    cerr.target = &derr.jump;
    if (setjmp(derr.jump)) {
        if (compressing)
            jpeg_destroy_compress(&cinfo);
        jpeg_destroy_decompress(&dinfo);
        return false;
    }
    int dpmX = 0, dpmY = 0;
    if (!startTranscodeDecode(t, dinfo, encoding, &dpmX, &dpmY))
        return false;
    const int w = int(dinfo.image_width), h = int(dinfo.image_height);
    if (dinfo.output_width != JDIMENSION(w) || dinfo.output_height != JDIMENSION(h) || dinfo.output_components != 4) {
        std::strcpy(derr.message, "unexpected output layout");
        jpeg_destroy_decompress(&dinfo);
        return false;
    }
    const std::size_t rowBytes = std::size_t(w) * 4;
    uchar *memory = transcodeRowMemory(rowBytes, encoding);
    if (!memory) {
        std::strcpy(derr.message, "out of memory");
        jpeg_destroy_decompress(&dinfo);
        return false;
    }
    if (encoding) {
        jpeg_create_compress(&cinfo);
        compressing = true;
        destination.attach(cinfo, t.out);
        startCompress(cinfo, w, h, t.quality, dpmX, dpmY, *t.metadata, t.iptc);
    }
    transcodeRows(t, dinfo, encoding ? &cinfo : nullptr, derr, RowRing{memory, rowBytes}, memory + rowBytes * kRing, w, h);
    const bool good = !derr.endedEarly && !derr.corrupt;
    if (good)
        jpeg_finish_decompress(&dinfo);
    if (good && encoding)
        jpeg_finish_compress(&cinfo);
    if (encoding)
        jpeg_destroy_compress(&cinfo);
    jpeg_destroy_decompress(&dinfo);
    return good;
}

} // namespace

namespace {
// The decoder's report of a failed decode through the ring, as the whole-picture decoder gives it.
[[noreturn]] void failRingDecode(const ErrorManager &derr, const QString &path)
{
    if (derr.endedEarly)
        failTruncated(path);
    failDecode(derr.message[0] ? QString::fromLocal8Bit(derr.message) : QCoreApplication::translate("lumivex::Failure", "unknown JPEG error"), path);
}
} // namespace

bool transcodeJpeg(const Input &in, RowStage &stage, int quality, const MetadataBlocks &metadata, KeptBytes *out,
                   QString *encodeFailure)
{
    if (quality < 1 || quality > 100)
        throw StepFailure(QStringLiteral("JPEG quality must be 1..100"));
    Transcode t{&in, &stage, quality, &metadata, photoshopIptcResource(metadata.iptc), out, nullptr,
                kDefaultDotsPerMeter, kDefaultDotsPerMeter};
    ErrorManager derr, cerr;
    initErrors(derr);
    initErrors(cerr);
    if (runTranscode(t, derr, cerr))
        return true;
    out->clear();
    if (t.skipped)
        return false;
    if (cerr.message[0] && !derr.endedEarly) {
        if (cerr.pub.msg_code == JERR_OUT_OF_MEMORY)
            throw std::bad_alloc();
        *encodeFailure = QStringLiteral("The JPEG encoder failed: ") + QString::fromLocal8Bit(cerr.message);
        throw StepFailure(*encodeFailure);
    }
    failRingDecode(derr, in.path);
}

bool decodeJpegThrough(const Input &in, RowStage &stage, QImage *picture)
{
    const MetadataBlocks none;
    Transcode t{&in, &stage, 85, &none, QByteArray(), nullptr, picture, 0, 0};
    ErrorManager derr, cerr;
    initErrors(derr);
    initErrors(cerr);
    if (runTranscode(t, derr, cerr)) {
        if (t.dpmX > 0 && t.dpmY > 0) {
            picture->setDotsPerMeterX(t.dpmX);
            picture->setDotsPerMeterY(t.dpmY);
        }
        return true;
    }
    *picture = QImage();
    if (t.skipped)
        return false;
    failRingDecode(derr, in.path);
}

} // namespace lumivex::codec
