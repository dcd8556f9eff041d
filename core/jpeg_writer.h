// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/codec/camera_data.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

namespace lumivex {

// Where a result's camera data comes from: its source's file, or the bytes of that file already
// read for the picture, so that pixels and camera data come from one and the same file. One
// item's writers share it, so the data is parsed once however many of them ask (the streamed
// writer may decline after asking).
class CameraDataSource {
public:
    static CameraDataSource file(const QString &path) { return CameraDataSource(path, QByteArray(), false); }
    static CameraDataSource read(const QString &path, const QByteArray &bytes) { return CameraDataSource(path, bytes, true); }

    const QString &path() const { return m_path; }
    // The source's bytes; empty unless made by read().
    const QByteArray &bytes() const { return m_bytes; }
    bool isEmpty() const { return !m_inMemory && m_path.isEmpty(); }
    // What a result keeps of the source's data (metadataForResult of readPictureMetadata's),
    // with `note` as they set it.
    MetadataBlocks forResult(QString *note) const;

private:
    CameraDataSource(QString path, QByteArray bytes, bool inMemory)
        : m_path(std::move(path)), m_bytes(std::move(bytes)), m_inMemory(inMemory) {}

    QString m_path; // the source; none when empty
    QByteArray m_bytes;
    bool m_inMemory;
    mutable std::optional<MetadataBlocks> m_forResult;
    mutable QString m_note;
};

// Status numbers of a JPEG save, kept in the numbering people know from the Windows imaging
// library this program's error texts come from, so support can read old and new reports alike:
//   0  Ok                 the file was written
//   1  GenericError       the encoder failed for a reason of its own
//   2  InvalidParameter   no picture, or a quality outside 1..100
//   3  OutOfMemory        the encoded file did not fit in memory
//   7  Win32Error         the file could not be created, written or put in place
enum class JpegStatus { Ok = 0, GenericError = 1, InvalidParameter = 2, OutOfMemory = 3, Win32Error = 7 };

// Writes a picture as a JPEG file, replacing any file at the path only once the new one is
// complete. Throws StepFailure "Cannot save the image. GDI+ Error:" followed directly by the
// status number. Given its source, the encoder also writes the source's camera data: EXIF
// (orientation reset to normal, since the result is stored upright, and the thumbnail of the
// unadjusted picture dropped), XMP, IPTC and the ICC profile. Returns a note when that data had to
// be left out; the picture is saved all the same.
QString SaveJPG(const QImage &picture, const QString &path, int quality, const QString &sourcePath = QString());
QString SaveJPG(const QImage &picture, const QString &path, int quality, const CameraDataSource &source);

// The same file SaveJPG writes for the picture that `stage`'s work on the decoded source gives,
// made from a JPEG source's bytes (`source` made by read()) a band of rows at a time (transcodeJpeg), with the source's
// camera data as SaveJPG carries it. Returns false, having written nothing, when the source must
// go the whole-picture way; otherwise writes the file, calling `beforeWriting` first (which may
// throw to stop it), and returns true with `note` as SaveJPG's. Decoding failures are thrown as
// the decoder reports them, the rest as SaveJPG throws them.
class RowStage;
bool SaveJPGStreamed(const CameraDataSource &source, RowStage &stage, const QString &path, int quality,
                     const std::function<void()> &beforeWriting, QString *note);

QString jpegFailureText(JpegStatus status);

} // namespace lumivex
