// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC/HEIF and AVIF on libheif with Debian's decoders (libde265 for HEVC, dav1d or libaom for
// AV1). libheif applies the container's rotation and mirroring itself.
//
// libheif and the decoders it brings cost every start of the program several milliseconds, the
// command line's included: the library is loaded the first time a HEIF or AVIF file is met.

#include "core/codec/backends.h"
#include "core/error_report.h"

#include <QRegularExpression>

#include <libheif/heif.h>
#include <vector>
#include <QCoreApplication>

static_assert(LIBHEIF_NUMERIC_VERSION >> 24 == 1, "the library is loaded by its version 1 name");

namespace lumivex::codec {

namespace {

#define LUMIVEX_HEIF_FUNCTIONS(X) \
    X(context_add_exif_metadata) \
    X(context_add_XMP_metadata) \
    X(context_alloc) \
    X(context_encode_image) \
    X(context_free) \
    X(context_get_encoder_for_format) \
    X(context_write) \
    X(context_get_primary_image_handle) \
    X(context_read_from_memory_without_copy) \
    X(context_set_maximum_image_size_limit) \
    X(decode_image) \
    X(decoding_options_alloc) \
    X(decoding_options_free) \
    X(encoder_release) \
    X(encoder_set_lossy_quality) \
    X(encoding_options_alloc) \
    X(encoding_options_free) \
    X(image_add_plane) \
    X(image_create) \
    X(image_get_plane) \
    X(image_get_height) \
    X(image_get_plane_readonly) \
    X(image_get_width) \
    X(image_handle_get_color_profile_type) \
    X(image_handle_get_height) \
    X(image_handle_get_list_of_metadata_block_IDs) \
    X(image_handle_get_metadata) \
    X(image_handle_get_metadata_content_type) \
    X(image_handle_get_metadata_size) \
    X(image_handle_get_metadata_type) \
    X(image_handle_get_number_of_metadata_blocks) \
    X(image_handle_get_raw_color_profile) \
    X(image_handle_get_raw_color_profile_size) \
    X(image_handle_get_width) \
    X(image_handle_has_alpha_channel) \
    X(image_handle_release) \
    X(image_release) \
    X(image_set_raw_color_profile)

// The functions this backend calls, found in the library once it is loaded.
struct Heif {
#define LUMIVEX_HEIF_POINTER(name) decltype(&::heif_##name) name = nullptr;
    LUMIVEX_HEIF_FUNCTIONS(LUMIVEX_HEIF_POINTER)
#undef LUMIVEX_HEIF_POINTER
    QString missing; // why the library cannot be used; empty when it can
};

Heif loadHeif()
{
    Heif api;
    void *library = loadLibrary("libheif.so.1", "libheif", &api.missing);
    if (!library)
        return api;
#define LUMIVEX_HEIF_FIND(name)                                                                        \
    if (!findFunction(library, "heif_" #name, api.name, "libheif", &api.missing))                      \
        return api;
    LUMIVEX_HEIF_FUNCTIONS(LUMIVEX_HEIF_FIND)
#undef LUMIVEX_HEIF_FIND
    return api; // kept loaded for the rest of the run
}

const Heif &lib()
{
    static const Heif api = loadHeif();
    return api;
}

struct ContextFree {
    heif_context *c;
    ~ContextFree() { lib().context_free(c); }
};
struct HandleFree {
    heif_image_handle *h;
    ~HandleFree() { lib().image_handle_release(h); }
};
struct ImageFree {
    heif_image *i;
    ~ImageFree() { lib().image_release(i); }
};

bool endedEarly(const heif_error &e)
{
    return e.subcode == heif_suberror_End_of_data;
}

void check(const heif_error &e, const QString &path)
{
    if (e.code == heif_error_Ok)
        return;
    if (endedEarly(e))
        failTruncated(path);
    if (e.subcode == heif_suberror_Security_limit_exceeded) {
        // libheif refuses a side past its limit before any handle tells the size, and names it:
        // past the pixel limit (or the batch's budget) it is said as for every other format.
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("Image size (\\d+) ?x ?(\\d+)")).match(QString::fromUtf8(e.message));
        if (size.hasMatch())
            checkPictureSize(size.captured(1).toLongLong(), size.captured(2).toLongLong(), path);
        failDecode(QString::fromUtf8(e.message).trimmed(), path);
    }
    if (e.code == heif_error_Memory_allocation_error)
        throw std::bad_alloc();
    failDecode(QString::fromUtf8(e.message).trimmed(), path);
}

// The largest side whose square stays within the pixel limit: libheif refuses anything
// larger before decoding.
constexpr int kMaxSide = 23170;

} // namespace

QImage decodeHeif(const Input &in)
{
    if (!lib().missing.isEmpty())
        failDecode(lib().missing, in.path);
    ContextFree context{lib().context_alloc()};
    lib().context_set_maximum_image_size_limit(context.c, kMaxSide);
    check(lib().context_read_from_memory_without_copy(context.c, in.data, in.size, nullptr), in.path);
    HandleFree handle{nullptr};
    check(lib().context_get_primary_image_handle(context.c, &handle.h), in.path);
    checkPictureSize(lib().image_handle_get_width(handle.h), lib().image_handle_get_height(handle.h), in.path);
    const bool alpha = lib().image_handle_has_alpha_channel(handle.h);

    ImageFree image{nullptr};
    heif_decoding_options *options = lib().decoding_options_alloc();
    const heif_error decoded = lib().decode_image(handle.h, &image.i, heif_colorspace_RGB,
                                                 alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                                 options);
    lib().decoding_options_free(options);
    check(decoded, in.path);
    const int width = lib().image_get_width(image.i, heif_channel_interleaved);
    const int height = lib().image_get_height(image.i, heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane = lib().image_get_plane_readonly(image.i, heif_channel_interleaved, &stride);
    if (!plane || width <= 0 || height <= 0)
        failDecode(QCoreApplication::translate("lumivex::Failure", "the decoder gave no picture"), in.path);

    QImage target = alpha ? newScratch(width, height, in.path) : newPicture(width, height, in.path);
    const int step = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        const uint8_t *s = plane + std::ptrdiff_t(y) * stride;
        uchar *d = target.scanLine(y);
        for (int x = 0; x < width; ++x, s += step, d += 4) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = alpha ? s[3] : 0xFF;
        }
    }
    return alpha ? layOnWhite(target, in.path) : target;
}

MetadataBlocks heifMetadata(const Input &in)
{
    MetadataBlocks blocks;
    if (!lib().missing.isEmpty())
        return blocks;
    ContextFree context{lib().context_alloc()};
    lib().context_set_maximum_image_size_limit(context.c, kMaxSide);
    if (lib().context_read_from_memory_without_copy(context.c, in.data, in.size, nullptr).code != heif_error_Ok)
        return blocks;
    HandleFree handle{nullptr};
    if (lib().context_get_primary_image_handle(context.c, &handle.h).code != heif_error_Ok)
        return blocks;
    const int count = lib().image_handle_get_number_of_metadata_blocks(handle.h, nullptr);
    std::vector<heif_item_id> ids(std::size_t(std::max(count, 0)));
    lib().image_handle_get_list_of_metadata_block_IDs(handle.h, nullptr, ids.data(), count);
    for (heif_item_id id : ids) {
        const QByteArray type = lib().image_handle_get_metadata_type(handle.h, id);
        const QByteArray content = lib().image_handle_get_metadata_content_type(handle.h, id);
        QByteArray data(qsizetype(lib().image_handle_get_metadata_size(handle.h, id)), Qt::Uninitialized);
        if (lib().image_handle_get_metadata(handle.h, id, data.data()).code != heif_error_Ok)
            continue;
        if (type == "Exif" && blocks.exif.isEmpty() && data.size() > 4) {
            // A 32-bit offset to the TIFF header comes first.
            const quint32 skip = quint32(quint8(data[0])) << 24 | quint32(quint8(data[1])) << 16 |
                                 quint32(quint8(data[2])) << 8 | quint32(quint8(data[3]));
            if (skip < quint32(data.size() - 4))
                blocks.exif = data.mid(4 + qsizetype(skip));
        } else if (type == "mime" && content == "application/rdf+xml" && blocks.xmp.isEmpty()) {
            blocks.xmp = data;
        }
    }
    const heif_color_profile_type profile = lib().image_handle_get_color_profile_type(handle.h);
    if (profile == heif_color_profile_type_prof || profile == heif_color_profile_type_rICC) {
        QByteArray icc(qsizetype(lib().image_handle_get_raw_color_profile_size(handle.h)), Qt::Uninitialized);
        if (!icc.isEmpty() && lib().image_handle_get_raw_color_profile(handle.h, icc.data()).code == heif_error_Ok)
            blocks.icc = icc;
    }
    return blocks;
}

namespace {

struct EncoderFree {
    heif_encoder *e;
    ~EncoderFree()
    {
        if (e)
            lib().encoder_release(e);
    }
};

heif_error appendBytes(heif_context *, const void *data, size_t size, void *user)
{
    try {
        static_cast<QByteArray *>(user)->append(static_cast<const char *>(data), qsizetype(size));
    } catch (...) {
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "out of memory"};
    }
    return {heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

} // namespace

QByteArray encodeHeif(const QImage &picture, PictureFormat format, int quality, const MetadataBlocks &metadata)
{
    const QString what = format == PictureFormat::Avif ? QStringLiteral("AVIF") : QStringLiteral("HEIC");
    auto check = [&](const heif_error &e) {
        if (e.code == heif_error_Memory_allocation_error)
            throw std::bad_alloc();
        if (e.code != heif_error_Ok)
            throw StepFailure(QStringLiteral("The %1 encoder failed: %2").arg(what, QString::fromUtf8(e.message)));
    };
    if (!lib().missing.isEmpty())
        throw StepFailure(QStringLiteral("The %1 encoder failed: %2").arg(what, lib().missing));
    ContextFree context{lib().context_alloc()};
    EncoderFree encoder{nullptr};
    check(lib().context_get_encoder_for_format(
        context.c, format == PictureFormat::Avif ? heif_compression_AV1 : heif_compression_HEVC, &encoder.e));
    check(lib().encoder_set_lossy_quality(encoder.e, quality));

    const int width = picture.width(), height = picture.height();
    ImageFree image{nullptr};
    check(lib().image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image.i));
    check(lib().image_add_plane(image.i, heif_channel_interleaved, width, height, 8));
    int stride = 0;
    uint8_t *plane = lib().image_get_plane(image.i, heif_channel_interleaved, &stride);
    if (!plane)
        throw std::bad_alloc();
    for (int y = 0; y < height; ++y) {
        const uchar *s = picture.constScanLine(y);
        uint8_t *d = plane + std::ptrdiff_t(y) * stride;
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    if (!metadata.icc.isEmpty())
        check(lib().image_set_raw_color_profile(image.i, "prof", metadata.icc.constData(),
                                                std::size_t(metadata.icc.size())));
    heif_encoding_options *options = lib().encoding_options_alloc();
    HandleFree handle{nullptr};
    const heif_error encoded = lib().context_encode_image(context.c, image.i, encoder.e, options, &handle.h);
    lib().encoding_options_free(options);
    check(encoded);
    // libheif puts the offset to the TIFF header in front itself.
    if (!metadata.exif.isEmpty())
        check(lib().context_add_exif_metadata(context.c, handle.h, metadata.exif.constData(), int(metadata.exif.size())));
    if (!metadata.xmp.isEmpty())
        check(lib().context_add_XMP_metadata(context.c, handle.h, metadata.xmp.constData(), int(metadata.xmp.size())));
    QByteArray out;
    heif_writer writer{1, appendBytes};
    check(lib().context_write(context.c, &writer, &out));
    return out;
}

} // namespace lumivex::codec
