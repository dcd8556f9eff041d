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

inline QString writePicture(const QTemporaryDir &dir, const QString &name, const QImage &image,
                            const char *format = "png")
{
    const QString path = dir.filePath(name);
    image.save(path, format);
    return path;
}

} // namespace lumivex::testing
