// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/saver.h"

#include "core/paths.h"
#include "core/atomic_file.h"
#include "core/codec/codec.h"
#include "core/jpeg_writer.h"
#include "core/error_report.h"
#include "core/picture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <sys/stat.h>

namespace lumivex {

QString outputExtension(OutputFormat format)
{
    const OutputFormatInfo *info = outputFormatInfo(format);
    return info ? QLatin1String(info->extension) : QString();
}

QString outputFileName(const QString &sourcePath, const QString &resultWord, OutputFormat format)
{
    const QString fileName = GetFileNameFromPath(sourcePath);
    QStringList parts = fileName.split(QLatin1Char('.'));
    if (parts.size() > 1)
        parts.removeLast();
    const QString stem = parts.join(QLatin1Char('.'));
    return stem + QLatin1Char('-') + resultWord + QLatin1Char('.') +
           outputExtension(resolvedOutputFormat(format, sourcePath));
}

QString numberedFileName(const QString &fileName, int number)
{
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return fileName + suffix;
    return fileName.left(dot) + suffix + fileName.mid(dot);
}

namespace {
QString samePlaceKey(const QString &path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }
} // namespace

std::vector<BatchTarget> batchTargets(const QStringList &naturalPaths)
{
    // Every item's own name is reserved first, so a numbered name never takes the name a later
    // item comes with, whatever the sources happen to be called.
    QSet<QString> reserved;
    for (const QString &path : naturalPaths)
        reserved.insert(samePlaceKey(path));
    QSet<QString> taken;
    QHash<QString, int> nextNumber; // per name, where the search for a free number goes on
    std::vector<BatchTarget> targets;
    targets.reserve(std::size_t(naturalPaths.size()));
    for (const QString &path : naturalPaths) {
        const QString key = samePlaceKey(path);
        if (!taken.contains(key)) {
            taken.insert(key);
            targets.push_back({path, false});
            continue;
        }
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        const QString folder = path.left(slash + 1);
        const QString name = path.mid(slash + 1);
        for (int number = nextNumber.value(key, 2);; ++number) {
            const QString candidate = folder + numberedFileName(name, number);
            const QString candidateKey = samePlaceKey(candidate);
            if (!taken.contains(candidateKey) && !reserved.contains(candidateKey)) {
                taken.insert(candidateKey);
                nextNumber.insert(key, number + 1);
                targets.push_back({candidate, true});
                break;
            }
        }
    }
    return targets;
}

bool outputFolderExists(const QString &folderText)
{
    return !folderText.isEmpty() && QFileInfo(folderText).isDir();
}

namespace {

// By identity, however the path leads there: a hard link, a bind mount, a folder reached
// through a link, a link at the name itself.
bool namesSource(const QString &path, const FileIdentitySet &protectedFiles)
{
    if (protectedFiles.empty())
        return false;
    struct stat info {};
    const QByteArray name = fileNameToBytes(path);
    return (::lstat(name.constData(), &info) == 0 && protectedFiles.contains(identityOf(info))) ||
           protectedFiles.contains(identityOfPath(path));
}

} // namespace

namespace {

// The file's note; throws StepFailure with the reason.
QString writeOneResult(const QImage &picture, const QString &path, const SaveSettings &settings,
                       const CameraDataSource &source, const FileIdentitySet &protectedFiles)
{
    if (picture.isNull())
        throw StepFailure(QStringLiteral("There is no result to save"));
    if (namesSource(path, protectedFiles))
        throw StepFailure(protectedFailure(path));
    // Keep's names were chosen from each source's format: the name tells the file's.
    const OutputFormatInfo *format = settings.format == OutputFormat::Keep ? outputFormatOfFileName(path)
                                                                           : outputFormatInfo(settings.format);
    if (!format || format->encoder == PictureFormat::Unknown)
        throw StepFailure(QStringLiteral("Not saved: no output format is known for ") + path);
    if (format->format == OutputFormat::Bmp) {
        savePictureAsBmp(picture, path);
        return QString();
    }
    if (format->format == OutputFormat::Jpeg)
        return SaveJPG(picture, path, settings.quality, source);
    QString note;
    const MetadataBlocks metadata = blocksFormatHolds(*format, source.forResult(&note));
    writeFileAtomically(path, encodePicture(picture, EncodeOptions{format->encoder, settings.quality}, metadata));
    return note;
}

} // namespace

SaveResult saveOneResult(const QImage &picture, const QString &path, const SaveSettings &settings,
                         const CameraDataSource &source, const FileIdentitySet &protectedFiles)
{
    try {
        return SaveResult::writtenWith(writeOneResult(picture, path, settings, source, protectedFiles));
    } catch (...) {
        return caughtFailure();
    }
}

SaveResult saveOneResult(const QImage &picture, const QString &path, const SaveSettings &settings,
                         const QString &sourcePath, const QStringList &sourcePaths)
{
    return saveOneResult(picture, path, settings, CameraDataSource::file(sourcePath), FileIdentitySet(sourcePaths));
}

SaveResult saveStreamedResult(const CameraDataSource &source, RowStage &stage, const QString &path,
                              const SaveSettings &settings, const FileIdentitySet &protectedFiles)
{
    const OutputFormatInfo *format = settings.format == OutputFormat::Keep ? outputFormatOfFileName(path)
                                                                           : outputFormatInfo(settings.format);
    if (!format || format->format != OutputFormat::Jpeg)
        return SaveResult::declinedUnwritten();
    try {
        QString note;
        const bool streamed = SaveJPGStreamed(
            source, stage, path, settings.quality,
            [&] {
                if (namesSource(path, protectedFiles))
                    throw StepFailure(protectedFailure(path));
            },
            &note);
        return streamed ? SaveResult::writtenWith(note) : SaveResult::declinedUnwritten();
    } catch (...) {
        return caughtFailure();
    }
}

SaveResult saveStreamedResult(const QByteArray &sourceBytes, RowStage &stage, const QString &path,
                              const SaveSettings &settings, const QString &sourcePath, const QStringList &sourcePaths)
{
    return saveStreamedResult(CameraDataSource::read(sourcePath, sourceBytes), stage, path, settings,
                              FileIdentitySet(sourcePaths));
}

} // namespace lumivex
