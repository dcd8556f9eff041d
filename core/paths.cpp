// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace lumivex {

namespace {
const QChar kSeparator = QLatin1Char('/');
} // namespace

QString GetFileNameFromPath(const QString &path)
{
    const int at = path.lastIndexOf(kSeparator);
    return at < 0 ? path : path.mid(at + 1);
}

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(kSeparator))
        return folder + name;
    return folder + kSeparator + name;
}

QString GetSpecialFolderPath(int csidl)
{
    QStandardPaths::StandardLocation location;
    switch (csidl) {
    case 0:
        location = QStandardPaths::DesktopLocation;
        break;
    case 5:
        location = QStandardPaths::DocumentsLocation;
        break;
    case 39:
        location = QStandardPaths::PicturesLocation;
        break;
    default:
        return QString();
    }
    QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return QString();
    while (path.size() > 1 && path.endsWith(kSeparator))
        path.chop(1);
    return path;
}

QString GetDesktopFolder()
{
    QString folder = GetSpecialFolderPath(0);
    if (folder.isEmpty())
        folder = QDir::homePath();
    if (folder.isEmpty())
        return QString();
    return folder.endsWith(kSeparator) ? folder : folder + kSeparator;
}

QString pathFromArgument(const QString &argument)
{
    if (!argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return argument;
    QUrl url(argument);
    // A remote file:// URI or a malformed one names no local file; leaving it as it was gives
    // the user an error that shows what they typed.
    if (!url.isValid() || !url.isLocalFile() || !(url.host().isEmpty() || url.host() == QLatin1String("localhost")))
        return argument;
    // The escapes stand for the name's bytes, which need not be valid UTF-8: kept as bytes, the
    // way a name read from a folder is.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return bytes.isEmpty() ? argument : fileNameFromBytes(bytes);
}

QString programFolder() { return QCoreApplication::applicationDirPath(); }

namespace {
QString &installedDataFolder()
{
    static QString folder;
    return folder;
}
} // namespace

void setInstalledDataFolder(const QString &folder) { installedDataFolder() = folder; }

QString programDataPath(const QString &relative)
{
    const QString beside = joinPath(programFolder(), relative);
    const QString candidates[] = {
        beside,
        joinPath(QDir::cleanPath(programFolder() + QStringLiteral("/../share/lumivex")), relative),
        installedDataFolder().isEmpty() ? QString() : joinPath(installedDataFolder(), relative),
    };
    for (const QString &candidate : candidates) {
        if (!candidate.isEmpty() && QFileInfo::exists(candidate))
            return candidate;
    }
    return beside;
}

} // namespace lumivex
