// SPDX-License-Identifier: GPL-3.0-or-later
// WebP on libwebp: decoded straight into the picture (B,G,R,A with A 255 where there is no
// transparency), the first frame of an animation, turned by its EXIF orientation, metadata
// chunks through libwebpmux.

#include "core/codec/backends.h"
#include "core/error_report.h"

#include <cstring>
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace lumivex::codec {

namespace {

QString statusText(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return QStringLiteral("out of memory");
    case VP8_STATUS_INVALID_PARAM: return QStringLiteral("invalid parameter");
    case VP8_STATUS_BITSTREAM_ERROR: return QStringLiteral("the WebP bitstream is corrupt");
    case VP8_STATUS_UNSUPPORTED_FEATURE: return QStringLiteral("a WebP feature this program cannot read");
    case VP8_STATUS_SUSPENDED: return QStringLiteral("decoding was suspended");
    case VP8_STATUS_USER_ABORT: return QStringLiteral("decoding was stopped");
    default: break;
    }
    return QStringLiteral("WebP error %1").arg(int(status));
}

struct DemuxFree {
    WebPDemuxer *d;
    ~DemuxFree() { WebPDemuxDelete(d); }
};

// The EXIF orientation of an extended WebP, 1 when it has none.
int webpOrientation(const uint8_t *data, std::size_t size)
{
    constexpr uint8_t kExifFlag = 0x08;
    if (size < 21 || std::memcmp(data + 12, "VP8X", 4) != 0 || !(data[20] & kExifFlag))
        return 1;
    const WebPData whole{data, size};
    DemuxFree demux{WebPDemux(&whole)};
    WebPChunkIterator exif;
    if (!demux.d || !WebPDemuxGetChunk(demux.d, "EXIF", 1, &exif))
        return 1;
    const int orientation = exifOrientation(reinterpret_cast<const char *>(exif.chunk.bytes), exif.chunk.size);
    WebPDemuxReleaseChunkIterator(&exif);
    return orientation;
}

} // namespace

QImage decodeWebp(const Input &in)
{
    const uint8_t *data = in.data;
    std::size_t size = in.size;
    // The RIFF header states the file's length: a shorter file is refused before its header's
    // picture size is allocated, since lossless WebP can describe huge flat pictures in a few
    // bytes.
    if (size < 12)
        failTruncated(in.path);
    const std::size_t riff = std::size_t(data[4]) | std::size_t(data[5]) << 8 | std::size_t(data[6]) << 16 |
                             std::size_t(data[7]) << 24;
    if (riff + 8 > size)
        failTruncated(in.path);
    WebPBitstreamFeatures features;
    VP8StatusCode status = WebPGetFeatures(data, size, &features);
    if (status == VP8_STATUS_NOT_ENOUGH_DATA)
        failTruncated(in.path);
    if (status != VP8_STATUS_OK)
        failDecode(statusText(status), in.path);

    // Turned as a JPEG, PNG or TIFF with the same camera data is, since the result's data says
    // it is upright.
    const int orientation = webpOrientation(data, size);
    DemuxFree demux{nullptr};
    if (features.has_animation) {
        WebPData whole{data, size};
        WebPDemuxState state;
        demux.d = WebPDemuxPartial(&whole, &state);
        if (!demux.d || state != WEBP_DEMUX_DONE)
            failTruncated(in.path);
        WebPIterator frame;
        if (!WebPDemuxGetFrame(demux.d, 1, &frame))
            failDecode(QStringLiteral("the animation holds no frame"), in.path);
        data = frame.fragment.bytes;
        size = frame.fragment.size;
        WebPDemuxReleaseIterator(&frame);
        status = WebPGetFeatures(data, size, &features);
        if (status != VP8_STATUS_OK)
            failDecode(statusText(status), in.path);
    }
    checkPictureSize(features.width, features.height, in.path);

    QImage target = features.has_alpha ? newScratch(features.width, features.height, in.path)
                                       : newPicture(features.width, features.height, in.path);
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = target.bits();
    config.output.u.RGBA.stride = int(target.bytesPerLine());
    config.output.u.RGBA.size = std::size_t(target.sizeInBytes());
    status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_NOT_ENOUGH_DATA)
        failTruncated(in.path);
    if (status != VP8_STATUS_OK)
        failDecode(statusText(status), in.path);
    return orientPicture(features.has_alpha ? layOnWhite(target, in.path) : target, orientation, in.path);
}

namespace {

struct MuxFree {
    WebPMux *m;
    ~MuxFree() { WebPMuxDelete(m); }
};

} // namespace

QByteArray encodeWebp(const QImage &picture, int quality, const MetadataBlocks &metadata)
{
    if (quality < 1 || quality > 100)
        throw StepFailure(QStringLiteral("WebP quality must be 1..100"));
    if (picture.width() > WEBP_MAX_DIMENSION || picture.height() > WEBP_MAX_DIMENSION)
        throw StepFailure(QStringLiteral("WebP holds at most %1 x %1 pixels").arg(WEBP_MAX_DIMENSION));
    WebPConfig config;
    if (!WebPConfigInit(&config))
        throw StepFailure(QStringLiteral("The WebP encoder failed: version mismatch"));
    config.quality = float(quality);
    WebPPicture pic;
    WebPPictureInit(&pic);
    // Lossy coding works on Y, U and V: imported straight into them, with the same conversion
    // the encoder would make from an A,R,G,B copy, whose four bytes a pixel are never taken.
    pic.use_argb = 0;
    pic.width = picture.width();
    pic.height = picture.height();
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    pic.writer = WebPMemoryWrite;
    pic.custom_ptr = &writer;
    bool ok = WebPPictureImportBGRX(&pic, picture.constBits(), int(picture.bytesPerLine())) && WebPEncode(&config, &pic);
    const int error = pic.error_code;
    WebPPictureFree(&pic);
    if (!ok) {
        WebPMemoryWriterClear(&writer);
        if (error == VP8_ENC_ERROR_OUT_OF_MEMORY)
            throw std::bad_alloc();
        throw StepFailure(QStringLiteral("The WebP encoder failed: error %1").arg(error));
    }
    QByteArray out;
    if (metadata.isEmpty() || (metadata.exif.isEmpty() && metadata.xmp.isEmpty() && metadata.icc.isEmpty())) {
        out = QByteArray(reinterpret_cast<const char *>(writer.mem), qsizetype(writer.size));
        WebPMemoryWriterClear(&writer);
        return out;
    }
    WebPData image{writer.mem, writer.size};
    MuxFree mux{WebPMuxCreate(&image, 1)};
    WebPMemoryWriterClear(&writer);
    if (!mux.m)
        throw StepFailure(QStringLiteral("The WebP encoder failed: cannot add metadata"));
    auto chunk = [&](const char *name, const QByteArray &bytes) {
        if (bytes.isEmpty())
            return;
        WebPData piece{reinterpret_cast<const uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
        if (WebPMuxSetChunk(mux.m, name, &piece, 1) != WEBP_MUX_OK)
            throw StepFailure(QStringLiteral("The WebP encoder failed: cannot add metadata"));
    };
    chunk("ICCP", metadata.icc);
    chunk("EXIF", metadata.exif);
    chunk("XMP ", metadata.xmp);
    WebPData assembled{nullptr, 0};
    if (WebPMuxAssemble(mux.m, &assembled) != WEBP_MUX_OK)
        throw StepFailure(QStringLiteral("The WebP encoder failed: cannot add metadata"));
    out = QByteArray(reinterpret_cast<const char *>(assembled.bytes), qsizetype(assembled.size));
    WebPDataClear(&assembled);
    return out;
}

} // namespace lumivex::codec
