#include "core/saver.h"

#include "core/paths.h"
#include "core/jpeg_writer.h"
#include "core/error_report.h"
#include "core/picture.h"

#include <QDir>
#include <QFileInfo>

namespace lumivex {

QString outputFileName(const QString &sourcePath, const QString &resultWord, OutputFormat format)
{
    const QString fileName = GetFileNameFromPath(sourcePath);
    QStringList parts = fileName.split(QLatin1Char('.'));
    if (parts.size() > 1)
        parts.removeLast();
    const QString stem = parts.join(QLatin1Char('.'));
    return stem + QLatin1Char('-') + resultWord + QLatin1Char('.') +
           (format == OutputFormat::Bmp ? QStringLiteral("bmp") : QStringLiteral("jpg"));
}

bool outputFolderExists(const QString &folderText)
{
    return !folderText.isEmpty() && QFileInfo(folderText).isDir();
}

namespace {

bool namesSource(const QString &path, const QStringList &sourcePaths)
{
    const QFileInfo target(path);
    const QString canonical = target.canonicalFilePath();
    const QString absolute = QDir::cleanPath(target.absoluteFilePath());
    for (const QString &source : sourcePaths) {
        const QFileInfo info(source);
        if (QDir::cleanPath(info.absoluteFilePath()) == absolute)
            return true;
        if (!canonical.isEmpty() && info.canonicalFilePath() == canonical)
            return true;
    }
    return false;
}

} // namespace

QString saveOneResult(const QImage &picture, const QString &path, const SaveSettings &settings,
                      const QString &sourcePath, const QStringList &sourcePaths)
{
    if (picture.isNull())
        throw StepFailure(QStringLiteral("There is no result to save"));
    if (namesSource(path, sourcePaths))
        throw StepFailure(QStringLiteral("Not saved: the output would replace a source file: ") + path);
    if (settings.format == OutputFormat::Bmp) {
        savePictureAsBmp(picture, path);
        return QString();
    }
    return SaveJPGWithMetadata(picture, path, settings.quality, sourcePath);
}

} // namespace lumivex
