// SPDX-License-Identifier: GPL-3.0-or-later
// GIF (first frame) and BMP stay on Qt's readers and BMP on Qt's writer, whose output is what
// earlier versions wrote. Qt accepts a file that ends early and leaves the missing rows as
// they were, so the file's structure is checked here first: every byte the pixels need must
// be in the file, and a GIF's codes must give every pixel of its picture.

#include "core/codec/backends.h"
#include "core/error_report.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <cstdlib>

namespace lumivex::codec {

namespace {

std::uint32_t le16(const unsigned char *p) { return std::uint32_t(p[0] | p[1] << 8); }
std::uint32_t le32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// Run-length coded rows: the stream must reach its end-of-picture code inside the file, and not
// before it has come to the last row (rows it jumps over count as given): Qt leaves rows the
// stream never reaches as they were, which is all a stream cut short and closed would give.
bool rleComplete(const unsigned char *data, std::size_t size, std::size_t at, bool fourBit, std::int64_t height)
{
    std::int64_t row = 0;
    while (at + 2 <= size) {
        const unsigned count = data[at], code = data[at + 1];
        at += 2;
        if (count > 0)
            continue;
        if (code == 1)
            return row >= height - 1;
        if (code == 0) {
            ++row;
            continue;
        }
        if (code == 2) {
            if (at + 2 <= size)
                row += data[at + 1];
            at += 2;
            continue;
        }
        std::size_t bytes = fourBit ? (code + 1) / 2 : code;
        at += bytes + (bytes & 1);
    }
    return false;
}

QSize checkBmp(const Input &in)
{
    const unsigned char *d = in.data;
    if (in.size < 26)
        failTruncated(in.path);
    const std::size_t offset = le32(d + 10);
    const std::uint32_t header = le32(d + 14);
    std::int64_t width, height;
    unsigned bits, compression = 0;
    if (header == 12) {
        width = le16(d + 18);
        height = le16(d + 20);
        bits = le16(d + 24);
    } else {
        if (in.size < 34)
            failTruncated(in.path);
        width = std::int32_t(le32(d + 18));
        height = std::int32_t(le32(d + 22));
        bits = le16(d + 28);
        compression = le32(d + 30);
    }
    height = std::abs(height);
    checkPictureSize(width, height, in.path);
    // Only the layouts Qt's reader knows, checked before any memory is taken for the picture.
    const bool knownHeader = header == 12 || header == 40 || header == 52 || header == 56 || header == 64 ||
                             header == 108 || header == 124;
    const bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool knownLayout = compression == 0 || (compression == 1 && bits == 8) || (compression == 2 && bits == 4) ||
                             ((compression == 3 || compression == 6) && (bits == 16 || bits == 32));
    if (!knownHeader || !knownDepth || !knownLayout)
        failDecode(QStringLiteral("a BMP layout this program cannot read"), in.path);
    if (offset > in.size)
        failTruncated(in.path);
    if (compression == 1 || compression == 2) {
        // A run of 255 pixels costs two bytes and a jump up to 255 x 255 four: a file that could
        // not cover its picture is refused before its memory is taken.
        if (!rleComplete(d, in.size, offset, compression == 2, height) ||
            double(width) * double(height) > 16384.0 * double(in.size) + 65536.0)
            failTruncated(in.path);
    } else if (compression == 0 || compression == 3 || compression == 6) {
        const std::int64_t stride = (width * bits + 31) / 32 * 4;
        if (std::int64_t(offset) + stride * height > std::int64_t(in.size))
            failTruncated(in.path);
    }
    return QSize(int(width), int(height));
}

enum class LzwCoverage { Complete, Short, Corrupt };

// Runs the first picture's LZW codes (the sub-blocks from `at` on) without making pixels: Qt
// stops at an end code or at the end of the data and leaves the rest of the picture as it was,
// so the codes must give one colour index for each of the frame's pixels. Only the length of
// each code's string is kept. A code beyond the next free one, or a string that starts with
// no colour, means the data is damaged.
LzwCoverage lzwCoverage(const unsigned char *d, std::size_t at, std::size_t end, unsigned minimumCodeSize,
                        std::uint64_t pixels)
{
    if (pixels == 0)
        return LzwCoverage::Complete;
    if (minimumCodeSize > 11)
        return LzwCoverage::Corrupt;
    constexpr unsigned kCodes = 4096;
    const unsigned clear = 1u << minimumCodeSize, stop = clear + 1;
    unsigned width = minimumCodeSize + 1, limit = 2 * clear, next = clear + 2;
    std::uint16_t lengths[kCodes];
    for (unsigned i = 0; i < clear; ++i)
        lengths[i] = 1;
    bool first = true;
    unsigned previous = 0;
    std::uint64_t decoded = 0;
    std::uint32_t bits = 0;
    unsigned held = 0;
    while (at < end) {
        const unsigned block = d[at++];
        if (block == 0)
            break;
        for (std::size_t i = at; i < at + block && i < end; ++i) {
            bits |= std::uint32_t(d[i]) << held;
            held += 8;
            while (held >= width) {
                const unsigned code = bits & ((1u << width) - 1);
                bits >>= width;
                held -= width;
                if (code == clear) {
                    width = minimumCodeSize + 1;
                    limit = 2 * clear;
                    next = clear + 2;
                    first = true;
                    continue;
                }
                if (code == stop)
                    return decoded >= pixels ? LzwCoverage::Complete : LzwCoverage::Short;
                unsigned length = 1;
                if (first) {
                    if (code > clear)
                        return LzwCoverage::Corrupt;
                    first = false;
                } else {
                    if (code < next)
                        length = lengths[code];
                    else if (code == next)
                        length = lengths[previous] + 1u;
                    else
                        return LzwCoverage::Corrupt;
                    if (next < kCodes) {
                        lengths[next++] = std::uint16_t(lengths[previous] + 1u);
                        if (next >= limit && limit < kCodes) {
                            limit *= 2;
                            ++width;
                        }
                    }
                }
                previous = code;
                decoded += length;
                if (decoded >= pixels)
                    return LzwCoverage::Complete;
            }
        }
        at += block;
    }
    return LzwCoverage::Short;
}

// Walks the blocks up to the end of the first picture's compressed data, and its codes.
QSize checkGif(const Input &in)
{
    const unsigned char *d = in.data;
    const std::size_t size = in.size;
    if (size < 13)
        failTruncated(in.path);
    const QSize screen(int(le16(d + 6)), int(le16(d + 8)));
    std::size_t at = 13;
    if (d[10] & 0x80)
        at += 3u << ((d[10] & 7) + 1);
    auto skipSubBlocks = [&] {
        for (;;) {
            if (at >= size)
                failTruncated(in.path);
            const unsigned length = d[at++];
            if (length == 0)
                return;
            at += length;
        }
    };
    for (;;) {
        if (at >= size)
            failTruncated(in.path);
        const unsigned char kind = d[at++];
        if (kind == 0x21) {
            ++at; // label
            skipSubBlocks();
        } else if (kind == 0x2C) {
            if (at + 9 > size)
                failTruncated(in.path);
            const unsigned packed = d[at + 8];
            const std::int64_t right = std::int64_t(le16(d + at)) + le16(d + at + 4);
            const std::int64_t bottom = std::int64_t(le16(d + at + 2)) + le16(d + at + 6);
            const std::uint64_t framePixels = std::uint64_t(le16(d + at + 4)) * le16(d + at + 6);
            at += 9;
            if (packed & 0x80)
                at += 3u << ((packed & 7) + 1);
            if (at >= size)
                failTruncated(in.path);
            const unsigned minimumCodeSize = d[at++];
            const std::size_t codes = at;
            skipSubBlocks();
            const std::int64_t w = std::max<std::int64_t>(screen.width(), right);
            const std::int64_t h = std::max<std::int64_t>(screen.height(), bottom);
            checkPictureSize(w, h, in.path);
            // One code of at least three bits gives at most 4,096 pixels: a few bytes cannot
            // describe a screen of millions of pixels.
            if (double(w) * double(h) > 16384.0 * double(size) + 65536.0)
                failTruncated(in.path);
            switch (lzwCoverage(d, codes, at, minimumCodeSize, framePixels)) {
            case LzwCoverage::Complete: break;
            case LzwCoverage::Short: failTruncated(in.path);
            case LzwCoverage::Corrupt: failDecode(QStringLiteral("the GIF file is corrupt"), in.path);
            }
            return screen;
        } else if (kind == 0x3B) {
            failDecode(QStringLiteral("the GIF file holds no picture"), in.path);
        } else {
            failDecode(QStringLiteral("the GIF file is corrupt"), in.path);
        }
    }
}

} // namespace

QImage decodeWithQt(const Input &in, PictureFormat format)
{
    const QSize size = format == PictureFormat::Bmp ? checkBmp(in) : checkGif(in);
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(in.data), qsizetype(in.size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format == PictureFormat::Bmp ? "bmp" : "gif");
    reader.setAllocationLimit(2048);
    // Qt fills an image of the right size and form in place; whatever it leaves is white, never
    // what the memory held before.
    QImage picture;
    if (size.isValid() && !size.isEmpty()) {
        picture = allocatePixelImage(size);
        picture.fill(0xFFFFFFFFu);
    }
    if (!reader.read(&picture)) {
        picture = QImage();
        failDecode(reader.errorString(), in.path);
    }
    checkPictureSize(picture.width(), picture.height(), in.path);
    toPixelForm(picture);
    // Qt gives a GIF, and a BMP whose header leaves the density at 0 (or has no room for one),
    // its own default; a BMP's nonzero density is passed on as the file says.
    const bool density = format == PictureFormat::Bmp && in.size >= 46 && le32(in.data + 14) >= 40 &&
                         le32(in.data + 38) != 0 && le32(in.data + 42) != 0;
    if (!density)
        setDefaultDensity(picture);
    return picture;
}

QByteArray encodeBmp(const QImage &picture)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(picture))
        throw StepFailure(QStringLiteral("The BMP encoder failed: ") + writer.errorString());
    return out;
}

} // namespace lumivex::codec
