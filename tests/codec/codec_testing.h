// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pictures written with each format's own library, and that library's own decode, so the
// codec is held against its reference rather than against itself.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace lumivex::testing {

enum class JpegKind { Colour, Grey, Cmyk, Progressive };
QByteArray libjpegEncode(const QImage &picture, int quality, JpegKind kind = JpegKind::Colour);
QImage libjpegDecode(const QByteArray &jpeg);

struct PngLayout {
    int colourType;
    int depth;
    bool interlaced = false;
};
// Samples at the file's depth, channels per pixel as the colour type has them (palette: index).
QByteArray libpngEncode(int width, int height, const PngLayout &layout, const std::vector<std::uint16_t> &samples,
                        const std::vector<std::uint8_t> &palette = {}, const std::vector<std::uint16_t> &transparent = {},
                        bool background = false);

QByteArray libwebpEncode(const QImage &argb, int quality, bool lossless);
QImage libwebpDecode(const QByteArray &webp);

QByteArray libheifEncode(const QImage &picture, bool av1, const QByteArray &exif = QByteArray());
QImage libheifDecode(const QByteArray &heif);
bool heifEncoderAvailable(bool av1);

// Largest difference of any channel; -1 when the sizes differ.
int maxDifference(const QImage &a, const QImage &b);
double psnr(const QImage &a, const QImage &b);

QByteArray fileBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

} // namespace lumivex::testing
