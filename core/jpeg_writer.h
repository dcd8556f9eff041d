// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/codec/camera_data.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

namespace lumivex {

// Where a result's camera data is read from: its source's file, or the bytes of that file
// already read for the picture, so that pixels and camera data come from one and the same file.
struct CameraDataSource {
    QString path; // the source; none when empty
    QByteArray bytes;
    bool inMemory = false;

    static CameraDataSource file(const QString &path) { return {path, QByteArray(), false}; }
    static CameraDataSource read(const QString &path, const QByteArray &bytes) { return {path, bytes, true}; }
    bool isEmpty() const { return !inMemory && path.isEmpty(); }
    // As readPictureMetadata tells it.
    MetadataBlocks blocks(QString *note) const;
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
// made from a JPEG source's bytes a band of rows at a time (transcodeJpeg), with the source's
// camera data as SaveJPG carries it. Returns false, having written nothing, when the source must
// go the whole-picture way; otherwise writes the file, calling `beforeWriting` first (which may
// throw to stop it), and returns true with `note` as SaveJPG's. Decoding failures are thrown as
// the decoder reports them, the rest as SaveJPG throws them.
class RowStage;
bool SaveJPGStreamed(const QByteArray &sourceBytes, const QString &sourcePath, RowStage &stage, const QString &path,
                     int quality, const std::function<void()> &beforeWriting, QString *note);

QString jpegFailureText(JpegStatus status);

} // namespace lumivex
