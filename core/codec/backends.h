// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the format backends; not part of the codec's interface.

#include "core/codec/codec.h"
#include "core/error_report.h"

#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace lumivex::codec {

// The 16- and 32-bit numbers of a TIFF structure (EXIF, a TIFF-based raw file) in the byte order
// its header names; the caller keeps `at` inside the bytes.
struct TiffNumbers {
    const unsigned char *p;
    bool little;
    unsigned u16(std::size_t at) const { return little ? unsigned(p[at] | p[at + 1] << 8) : unsigned(p[at] << 8 | p[at + 1]); }
    std::uint32_t u32(std::size_t at) const
    {
        return little ? std::uint32_t(p[at]) | std::uint32_t(p[at + 1]) << 8 | std::uint32_t(p[at + 2]) << 16 |
                            std::uint32_t(p[at + 3]) << 24
                      : std::uint32_t(p[at]) << 24 | std::uint32_t(p[at + 1]) << 16 | std::uint32_t(p[at + 2]) << 8 |
                            std::uint32_t(p[at + 3]);
    }
};

// A library loaded on first use and kept for the rest of the run (libheif, libjxl: a start
// would pay for them and what they bring every time): its handle, or null with why in `missing`.
void *loadLibrary(const char *soname, const char *label, QString *missing);
// The function `name` of a loaded library into `function`; false with why in `missing`.
void *librarySymbol(void *library, const char *name, const char *label, QString *missing);
template <class Function>
bool findFunction(void *library, const char *name, Function *&function, const char *label, QString *missing)
{
    function = reinterpret_cast<Function *>(librarySymbol(library, name, label, missing));
    return function != nullptr;
}

// Rows handed to a RowSink so far, so that the rest can be handed over after the decode.
struct RowFeed {
    RowSink *sink = nullptr;
    int delivered = 0;
};

struct Input {
    const unsigned char *data;
    std::size_t size;
    const QString &path;
    RowFeed *feed = nullptr; // set for decoders that hand over rows as they go
};

// The TIFF reader's refusal of a file that holds only reduced-size previews, which a camera raw
// reader may still read.
struct PreviewOnlyTiff : StepFailure {
    using StepFailure::StepFailure;
};

// The throwing work behind the codec's public functions, which turn its exceptions into their
// Outcome at the edge; parts of the codec that build on one another call these.
QByteArray readFileBytes(const QString &path, FileIdentity *read = nullptr);
void readFileInto(const QString &path, KeptBytes &into, FileIdentity *read = nullptr);
DecodedPicture decodeBytes(const QByteArray &bytes, const QString &path, RowSink *sink = nullptr);

[[noreturn]] void failDecode(const QString &reason, const QString &path);
[[noreturn]] void failTruncated(const QString &path);
[[noreturn]] void failTooLarge(std::int64_t width, std::int64_t height);

// Refuses a size whose 4·W·H bytes pass the pixel limit, or that is empty.
void checkPictureSize(std::int64_t width, std::int64_t height, const QString &path);

// A pooled picture of that size, the size checked first.
QImage newPicture(int width, int height, const QString &path);

// A plain ARGB32 scratch image for decoders that hand over transparency; laid on white by
// layOnWhite into a pooled picture.
QImage newScratch(int width, int height, const QString &path);
QImage layOnWhite(const QImage &argb, const QString &path);

// The picture turned upright by EXIF orientation 2..8; 1 and unknown values return it as is.
QImage orientPicture(const QImage &picture, int orientation, const QString &path);

QImage decodeJpeg(const Input &in);
QImage decodePng(const Input &in);
QImage decodeTiff(const Input &in);
QImage decodeWebp(const Input &in);
QImage decodeHeif(const Input &in);
QImage decodeJxl(const Input &in);
QImage decodeRaw(const Input &in);
// True when LibRaw recognises the file as one of its own (without unpacking it).
bool rawReadable(const unsigned char *data, std::size_t size);
QImage decodeWithQt(const Input &in, PictureFormat format);

QByteArray encodeJpeg(const QImage &picture, int quality, const MetadataBlocks &metadata);
bool transcodeJpeg(const Input &in, RowStage &stage, int quality, const MetadataBlocks &metadata, KeptBytes *out,
                   QString *encodeFailure);
bool decodeJpegThrough(const Input &in, RowStage &stage, QImage *picture);
QByteArray encodePng(const QImage &picture, const MetadataBlocks &metadata);
QByteArray encodeTiff(const QImage &picture, const MetadataBlocks &metadata);
QByteArray encodeWebp(const QImage &picture, int quality, const MetadataBlocks &metadata);
QByteArray encodeBmp(const QImage &picture);
QByteArray encodeJxl(const QImage &picture, int quality, const MetadataBlocks &metadata);
QByteArray encodeHeif(const QImage &picture, PictureFormat format, int quality, const MetadataBlocks &metadata);
// The libjxl distance `cjxl -q quality` encodes at (below 100).
double jxlDistance(int quality);

MetadataBlocks heifMetadata(const Input &in);
MetadataBlocks jxlMetadata(const Input &in);

} // namespace lumivex::codec
