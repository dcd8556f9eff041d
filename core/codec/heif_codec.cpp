// HEIC/HEIF and AVIF on libheif with Debian's decoders (libde265 for HEVC, dav1d or libaom for
// AV1). libheif applies the container's rotation and mirroring itself.

#include "core/codec/backends.h"
#include "core/error_report.h"

#include <libheif/heif.h>
#include <vector>

namespace lumivex::codec {

namespace {

struct ContextFree {
    heif_context *c;
    ~ContextFree() { heif_context_free(c); }
};
struct HandleFree {
    heif_image_handle *h;
    ~HandleFree() { heif_image_handle_release(h); }
};
struct ImageFree {
    heif_image *i;
    ~ImageFree() { heif_image_release(i); }
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
    if (e.code == heif_error_Memory_allocation_error)
        throw std::bad_alloc();
    failDecode(QString::fromUtf8(e.message), path);
}

// The largest side whose square stays within the pixel limit: libheif refuses anything
// larger before decoding.
constexpr int kMaxSide = 23170;

} // namespace

QImage decodeHeif(const Input &in)
{
    ContextFree context{heif_context_alloc()};
    heif_context_set_maximum_image_size_limit(context.c, kMaxSide);
    check(heif_context_read_from_memory_without_copy(context.c, in.data, in.size, nullptr), in.path);
    HandleFree handle{nullptr};
    check(heif_context_get_primary_image_handle(context.c, &handle.h), in.path);
    checkPictureSize(heif_image_handle_get_width(handle.h), heif_image_handle_get_height(handle.h), in.path);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.h);

    ImageFree image{nullptr};
    heif_decoding_options *options = heif_decoding_options_alloc();
    const heif_error decoded = heif_decode_image(handle.h, &image.i, heif_colorspace_RGB,
                                                 alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                                 options);
    heif_decoding_options_free(options);
    check(decoded, in.path);
    const int width = heif_image_get_width(image.i, heif_channel_interleaved);
    const int height = heif_image_get_height(image.i, heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image.i, heif_channel_interleaved, &stride);
    if (!plane || width <= 0 || height <= 0)
        failDecode(QStringLiteral("the decoder gave no picture"), in.path);

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
    ContextFree context{heif_context_alloc()};
    heif_context_set_maximum_image_size_limit(context.c, kMaxSide);
    if (heif_context_read_from_memory_without_copy(context.c, in.data, in.size, nullptr).code != heif_error_Ok)
        return blocks;
    HandleFree handle{nullptr};
    if (heif_context_get_primary_image_handle(context.c, &handle.h).code != heif_error_Ok)
        return blocks;
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle.h, nullptr);
    std::vector<heif_item_id> ids(std::size_t(std::max(count, 0)));
    heif_image_handle_get_list_of_metadata_block_IDs(handle.h, nullptr, ids.data(), count);
    for (heif_item_id id : ids) {
        const QByteArray type = heif_image_handle_get_metadata_type(handle.h, id);
        const QByteArray content = heif_image_handle_get_metadata_content_type(handle.h, id);
        QByteArray data(qsizetype(heif_image_handle_get_metadata_size(handle.h, id)), Qt::Uninitialized);
        if (heif_image_handle_get_metadata(handle.h, id, data.data()).code != heif_error_Ok)
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
    const heif_color_profile_type profile = heif_image_handle_get_color_profile_type(handle.h);
    if (profile == heif_color_profile_type_prof || profile == heif_color_profile_type_rICC) {
        QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle.h)), Qt::Uninitialized);
        if (!icc.isEmpty() && heif_image_handle_get_raw_color_profile(handle.h, icc.data()).code == heif_error_Ok)
            blocks.icc = icc;
    }
    return blocks;
}

} // namespace lumivex::codec
