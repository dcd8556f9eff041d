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

// A DNG as a camera writes one, made with libtiff: 12-bit samples through an RGGB colour filter
// array, the camera's neutral and colour matrix, `orientation` 1..8, camera data in `make`. With
// `previewFirst`, as cameras lay them out: a reduced-size RGB preview first, the sensor data in
// its sub-directory.
QByteArray libtiffDng(int width, int height, int orientation = 1, const char *make = "Quenwick Optics",
                      bool previewFirst = false);
// What LibRaw itself makes of a raw file with `dcraw_emu -w -T`'s settings, as B,G,R,X.
QImage librawReference(const QByteArray &raw);

// A JPEG XL written with libjxl: lossless (distance 0) or at a distance, with an orientation in
// the codestream and EXIF and XMP boxes (Brotli-compressed when `compressBoxes`).
QByteArray libjxlEncode(const QImage &picture, float distance, int orientation = 1, const QByteArray &exif = QByteArray(),
                        const QByteArray &xmp = QByteArray(), bool compressBoxes = false);
// A lossless animation of two frames of the same size, written with libjxl.
QByteArray libjxlEncodeAnimation(const QImage &first, const QImage &second);
// libjxl's own decode of the first frame, as B,G,R,X; a null image when it fails.
QImage libjxlDecode(const QByteArray &jxl);

// Largest difference of any channel; -1 when the sizes differ.
int maxDifference(const QImage &a, const QImage &b);
double psnr(const QImage &a, const QImage &b);

QByteArray fileBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

} // namespace lumivex::testing
