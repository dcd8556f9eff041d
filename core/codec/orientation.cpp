// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/codec/orientation.h"

#include "core/codec/backends.h"

#include <cstdint>
#include <cstring>

namespace lumivex {

namespace codec {

QImage orientPicture(const QImage &picture, int orientation, const QString &path)
{
    if (orientation < 2 || orientation > 8)
        return picture;
    const int w = picture.width(), h = picture.height();
    const bool swaps = orientation >= 5;
    QImage out = swaps ? newPicture(h, w, path) : newPicture(w, h, path);
    out.setDotsPerMeterX(swaps ? picture.dotsPerMeterY() : picture.dotsPerMeterX());
    out.setDotsPerMeterY(swaps ? picture.dotsPerMeterX() : picture.dotsPerMeterY());
    const int ow = out.width(), oh = out.height();
    // Where stored pixel (x, y) lands in the upright picture.
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const quint32 *>(picture.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            int tx = x, ty = y;
            switch (orientation) {
            case 2: tx = w - 1 - x; break;
            case 3: tx = w - 1 - x; ty = h - 1 - y; break;
            case 4: ty = h - 1 - y; break;
            case 5: tx = y; ty = x; break;
            case 6: tx = ow - 1 - y; ty = x; break;
            case 7: tx = ow - 1 - y; ty = oh - 1 - x; break;
            case 8: tx = y; ty = oh - 1 - x; break;
            }
            reinterpret_cast<quint32 *>(out.scanLine(ty))[tx] = row[x];
        }
    }
    return out;
}

} // namespace codec

int exifOrientation(const char *tiff, std::size_t size)
{
    // Some writers keep the JPEG segment's marker in front of the structure in other containers.
    if (size >= 6 && std::memcmp(tiff, "Exif\0\0", 6) == 0) {
        tiff += 6;
        size -= 6;
    }
    if (size < 8)
        return 1;
    const auto *p = reinterpret_cast<const unsigned char *>(tiff);
    const bool little = p[0] == 'I' && p[1] == 'I';
    if (!little && !(p[0] == 'M' && p[1] == 'M'))
        return 1;
    const codec::TiffNumbers numbers{p, little};
    auto u16 = [&](std::size_t at) { return numbers.u16(at); };
    auto u32 = [&](std::size_t at) { return numbers.u32(at); };
    const std::size_t ifd = u32(4);
    if (ifd + 2 > size)
        return 1;
    const unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        if (entry + 12 > size)
            return 1;
        if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {
            const unsigned value = u16(entry + 8);
            return value >= 1 && value <= 8 ? int(value) : 1;
        }
    }
    return 1;
}

} // namespace lumivex
