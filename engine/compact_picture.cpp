#include "engine/compact_picture.h"

#include "core/error_report.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <QColorSpace>
#include <cstring>
#include <thread>
#include <vector>
#include <zstd.h>

namespace lumivex {

namespace {

struct Header {
    char magic[4];
    qint32 width;
    qint32 height;
    qint32 opaque; // 1: every fourth byte was 0xFF and is not stored
    qint32 dotsPerMeterX;
    qint32 dotsPerMeterY;
    qint32 profileBytes; // the colour profile, stored right after the header
};

bool allOpaque(const QImage &picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        const uchar *line = picture.constScanLine(y);
        for (int x = 0; x < picture.width(); ++x)
            if (line[4 * x + 3] != 0xff)
                return false;
    }
    return true;
}

} // namespace

QByteArray packPicture(const QImage &picture)
{
    if (picture.isNull())
        return QByteArray();
    const int w = picture.width(), h = picture.height();
    const bool opaque = allOpaque(picture);
    const int channels = opaque ? 3 : 4;
    std::vector<uchar> filtered(std::size_t(w) * std::size_t(h) * std::size_t(channels));
    uchar *out = filtered.data();
    for (int y = 0; y < h; ++y) {
        const uchar *line = picture.constScanLine(y);
        for (int c = 0; c < channels; ++c)
            *out++ = line[c];
        for (int x = 1; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                *out++ = uchar(line[4 * x + c] - line[4 * (x - 1) + c]);
    }
    const QByteArray profile = picture.colorSpace().isValid() ? picture.colorSpace().iccProfile() : QByteArray();
    const std::size_t start = sizeof(Header) + std::size_t(profile.size());
    const std::size_t bound = ZSTD_compressBound(filtered.size());
    QByteArray packed(int(start + bound), Qt::Uninitialized);
    Header header{{'L', 'V', 'P', '2'}, w, h, opaque ? 1 : 0, picture.dotsPerMeterX(), picture.dotsPerMeterY(),
                  qint32(profile.size())};
    std::memcpy(packed.data(), &header, sizeof header);
    if (!profile.isEmpty())
        std::memcpy(packed.data() + sizeof header, profile.constData(), std::size_t(profile.size()));

    ZSTD_CCtx *context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 1);
    ZSTD_CCtx_setParameter(context, ZSTD_c_nbWorkers, int(std::max(1u, std::thread::hardware_concurrency())));
    const std::size_t size = ZSTD_compress2(context, packed.data() + start, bound, filtered.data(), filtered.size());
    ZSTD_freeCCtx(context);
    if (ZSTD_isError(size))
        throw StepFailure(QStringLiteral("Cannot pack the picture: ") + QString::fromLatin1(ZSTD_getErrorName(size)));
    packed.resize(int(start + size));
    packed.squeeze();
    return packed;
}

QImage unpackPicture(const QByteArray &packed)
{
    if (packed.isEmpty())
        return QImage();
    Header header;
    if (packed.size() < int(sizeof header))
        throw StepFailure(QStringLiteral("Damaged packed picture"));
    std::memcpy(&header, packed.constData(), sizeof header);
    if (std::memcmp(header.magic, "LVP2", 4) != 0 || header.width <= 0 || header.height <= 0 ||
        header.profileBytes < 0 || header.profileBytes > packed.size() - int(sizeof header))
        throw StepFailure(QStringLiteral("Damaged packed picture"));
    const std::size_t start = sizeof header + std::size_t(header.profileBytes);
    const int channels = header.opaque ? 3 : 4;
    const std::size_t expected = std::size_t(header.width) * std::size_t(header.height) * std::size_t(channels);
    const unsigned long long content =
        ZSTD_getFrameContentSize(packed.constData() + start, std::size_t(packed.size()) - start);
    if (std::size_t(header.width) * std::size_t(header.height) * 4u > std::size_t(kMaxPixelBytes) || content != expected)
        throw StepFailure(QStringLiteral("Damaged packed picture"));
    std::vector<uchar> filtered(expected);
    const std::size_t size = ZSTD_decompress(filtered.data(), expected, packed.constData() + start,
                                             std::size_t(packed.size()) - start);
    if (ZSTD_isError(size) || size != expected)
        throw StepFailure(QStringLiteral("Damaged packed picture"));
    QImage picture = allocatePixelImage(QSize(header.width, header.height));
    picture.setDotsPerMeterX(header.dotsPerMeterX);
    picture.setDotsPerMeterY(header.dotsPerMeterY);
    if (header.profileBytes > 0)
        picture.setColorSpace(QColorSpace::fromIccProfile(packed.mid(int(sizeof header), header.profileBytes)));
    const uchar *in = filtered.data();
    for (int y = 0; y < header.height; ++y) {
        uchar *line = picture.scanLine(y);
        for (int x = 0; x < header.width; ++x) {
            for (int c = 0; c < channels; ++c)
                line[4 * x + c] = uchar(*in++ + (x > 0 ? line[4 * (x - 1) + c] : 0));
            if (channels == 3)
                line[4 * x + 3] = 0xff;
        }
    }
    return picture;
}

} // namespace lumivex
