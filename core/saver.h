// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/output_format.h"
#include "core/file_identity.h"
#include "core/jpeg_writer.h"
#include "core/outcome.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

namespace lumivex {

// The output file name for a source: its file name without the last extension, "-", the
// result word, "." and the format's extension (see outputFormats; with Keep, that of the format
// the source is kept in). A name without any "." keeps the whole name as stem.
QString outputExtension(OutputFormat format);
QString outputFileName(const QString &sourcePath, const QString &resultWord, OutputFormat format);

// The output paths of one batch, in list order. An item whose path an earlier item of the same
// batch already has is given "stem-word (2).ext", "(3)" and so on instead: the first number
// that no item of the batch has or would have, so no result of a batch is written over
// another. Paths are compared as the file system sees them (absolute and cleaned).
struct BatchTarget {
    QString path;
    bool renamed = false;
};
std::vector<BatchTarget> batchTargets(const QStringList &naturalPaths);

// "name.ext" with " (n)" before the last extension: "x-softened.jpg", 2 → "x-softened (2).jpg".
QString numberedFileName(const QString &fileName, int number);

// True when the text names an existing folder (with or without a trailing separator).
bool outputFolderExists(const QString &folderText);

struct SaveSettings {
    QString folder;
    OutputFormat format = OutputFormat::Jpeg;
    int quality = 100;
    QString resultWord;
};

// What became of one item: written, or the step that failed and why.
struct SaveOutcome {
    QString path;
    bool written = false;
    int step = 0;
    QString failure;
    QString detail; // the failure with its file and the system's reason, for the command line
    QString note; // written, but without the source's camera data
    bool renamed = false;      // another item of the batch had the name first: saved under a numbered one
    bool keptExisting = false; // not written: a file was there already and was to be kept
};

// A result's file as the saver made it: written (and handed on to be put in place), with a note
// when part of the source's camera data could not go with it; or, by the streamed way only,
// declined with nothing written, where that way cannot make the item (the whole-picture way can).
struct SavedFile {
    bool declined = false;
    QString note;
};

// What became of writing one result: the file, or the failure with its reason, as the codec's
// outcomes tell theirs. Ordinary failures come back this way and are never thrown.
class [[nodiscard]] SaveResult : public Outcome<SavedFile> {
public:
    using Outcome<SavedFile>::Outcome;

    bool written() const { return ok() && !value().declined; }
    bool declined() const { return ok() && value().declined; }
    QString note() const { return ok() ? value().note : QString(); }

    static SaveResult writtenWith(QString note) { return SavedFile{false, std::move(note)}; }
    static SaveResult declinedUnwritten() { return SavedFile{true, QString()}; }
};

// Writes one result. Refuses to write over a source file and refuses a result that holds no
// picture. Results carry their source's camera data as far as the format holds it (see
// outputFormats: JPEG, TIFF: EXIF, XMP, IPTC, ICC; PNG, WebP, JPEG XL, HEIC, AVIF: EXIF, XMP, ICC;
// BMP: none), read from `source` (its file, or its bytes the picture was made from); the note
// says when that could not be done. With Keep, the format is the one the path's extension names.
SaveResult saveOneResult(const QImage &picture, const QString &path, const SaveSettings &settings,
                         const CameraDataSource &source, const FileIdentitySet &protectedFiles);
// The same, the camera data read from the file `sourcePath`, every one of `sourcePaths` protected.
SaveResult saveOneResult(const QImage &picture, const QString &path, const SaveSettings &settings,
                         const QString &sourcePath, const QStringList &sourcePaths);

// The same file saveOneResult writes for the picture `stage`'s work on the decoded source
// gives, made from the source's bytes (`source` made by CameraDataSource::read) a band of rows
// at a time where the source and the output format allow it (a JPEG written as JPEG; see
// transcodeJpeg), its camera data from those bytes. Declined, having written nothing, otherwise.
class RowStage;
SaveResult saveStreamedResult(const CameraDataSource &source, RowStage &stage, const QString &path,
                              const SaveSettings &settings, const FileIdentitySet &protectedFiles);
SaveResult saveStreamedResult(const QByteArray &sourceBytes, RowStage &stage, const QString &path,
                              const SaveSettings &settings, const QString &sourcePath, const QStringList &sourcePaths);

} // namespace lumivex
