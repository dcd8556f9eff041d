// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstddef>
#include <optional>

#include "core/codec/camera_data.h"
#include "core/codec/orientation.h"
#include "core/codec/picture_format.h"
#include "core/codec/regular_file.h"
#include "core/file_identity.h"
#include "core/kept_bytes.h"
#include "core/outcome.h"

namespace lumivex {

// Decoding and encoding whole pictures; the headers above hold the format names, file reading,
// orientation and camera data this builds on. What a file or its bytes can make fail is
// returned as the Outcome's failure, never thrown; the exceptions of the work inside stay here.

struct DecodedPicture {
    QImage image; // QImage::Format_RGB32 (B,G,R,X bytes) in pooled memory, every byte written
    PictureFormat format = PictureFormat::Unknown;
};

// Work done on a picture's rows while the decoder still has them in the cache: called with
// bands of final rows, in order from the top, each row exactly once, before the decode returns.
// Where the decoder must turn or convert the whole picture first, the rows come as one band at
// the end. A decode that fails may stop partway; its picture is not passed on.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void rows(QImage &picture, int first, int count) noexcept = 0;
};

// Decodes a regular file: EXIF orientation applied, transparency laid on white, the size checked
// against the pixel limit before any memory is taken. Fails with one report: those of
// readRegularFile, "Not a picture file this program can read: PATH", "Picture is too large:
// ...", "Cannot decode the picture (the file ends too early): PATH" or "Cannot decode the
// picture (REASON): PATH" with the library's own reason, or "Out of memory".
// `read`, when given, gets the identity of the file the bytes came from (see readRegularFile).
Outcome<DecodedPicture> decodePictureFile(const QString &path, RowSink *sink = nullptr, FileIdentity *read = nullptr);

// The same over bytes already in memory; `path` only names the picture in reports.
Outcome<DecodedPicture> decodePictureBytes(const QByteArray &bytes, const QString &path, RowSink *sink = nullptr);

struct EncodeOptions {
    PictureFormat format = PictureFormat::Jpeg; // Jpeg, Png, Webp, Tiff, Bmp, Jxl, Heif or Avif
    int quality = 85; // 1..100 for JPEG, WebP, HEIC and AVIF; for JPEG XL 100 is lossless
};

// Encodes a picture with the metadata blocks written by the encoder itself. JPEG uses the
// settings of libjpeg-turbo's `cjpeg -quality Q` (4:2:0, baseline, standard tables) and writes
// JFIF density from the picture's dots per meter. Throws StepFailure with the reason; throws
// std::bad_alloc when memory runs out.
QByteArray encodePicture(const QImage &picture, const EncodeOptions &options, const MetadataBlocks &metadata);

// What encodePicture takes beside the picture for one of that size (its output, its copies),
// counted in a batch's memory budget while it runs: an estimate from photographs, not a bound.
std::size_t encoderWorkingBytes(PictureFormat format, const QSize &size, const MetadataBlocks &metadata = {},
                                int quality = 100);

// One output row of a picture made from a decoded one, from the decoded rows at and beside it:
// what a JPEG made again a band of rows at a time asks of the work between decoding and
// encoding. `above` and `below` are the row itself at the picture's top and bottom edges.
class RowStage {
public:
    virtual ~RowStage() = default;
    virtual void makeRow(int y, int width, int height, const uchar *above, const uchar *row, const uchar *below,
                         uchar *out) noexcept = 0;
};

// Declining is no failure: the caller then takes the whole-picture way, which either makes the
// same bytes or reports the file's fault itself.
enum class Transcoded { Written, Declined };

// Decodes a JPEG and encodes it again with `stage` between, a band of rows at a time, so no
// whole picture is ever held: the rows go from decoder to encoder through the cache. The pixels
// and the file (in `out`) are byte for byte what decodePictureBytes, the same work on the whole
// picture and encodePicture give. Declined, having done nothing, for a picture that must be
// turned or converted whole (EXIF orientation, CMYK) or that the whole-picture way would
// refuse. Fails with the decoder's report, or with the encoder's reason as a failure of kind
// Encoder, or out of memory; `out` is then empty.
Outcome<Transcoded> transcodeJpeg(const QByteArray &bytes, const QString &path, RowStage &stage, int quality,
                                  const MetadataBlocks &metadata, KeptBytes *out);

// The same ring of decoded rows, with `stage` making each row of a pooled picture instead of
// feeding an encoder: the picture `stage`'s work on the decoded JPEG gives, without the decoded
// picture ever being held whole. No picture (declined) where transcodeJpeg declines and when
// the picture's memory is refused; fails with the decoder's report.
Outcome<std::optional<QImage>> decodeJpegThrough(const QByteArray &bytes, const QString &path, RowStage &stage);

} // namespace lumivex
