// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <random>

namespace lumivex::testing {

// An odd-sized picture with different blue, green and red values and noise, so swapped
// channels, flips and off-by-one rows all show.
inline QImage noisyPicture(int width, int height, unsigned seed = 1)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<std::uint32_t *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | (std::uint32_t((x * 7 + random()) & 255) << 16) |
                      (std::uint32_t((y * 13 + random()) & 255) << 8) | std::uint32_t(random() & 255);
    }
    return image;
}

// A BMP file whose header claims width x height 32-bit pixels, with 16 bytes of them: a
// picture too large for its file, to be refused before its memory is taken.
inline QByteArray bmpClaiming(std::uint32_t width, std::uint32_t height)
{
    QByteArray file(54 + 16, '\0');
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = char((v >> (8 * i)) & 0xff);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, 54 + 16);
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1;
    file[28] = 32;
    return file;
}

inline QString writePicture(const QTemporaryDir &dir, const QString &name, const QImage &image,
                            const char *format = "png")
{
    const QString path = dir.filePath(name);
    image.save(path, format);
    return path;
}

} // namespace lumivex::testing
