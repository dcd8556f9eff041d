#include "core/paths.h"

#include "core/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

namespace lumivex {

namespace {
const QChar kSeparator = QLatin1Char('/');

// False once the walk should stop.
bool callYield(const YieldFunction &yield)
{
    return !yield || yield();
}
} // namespace

QString BrowseForFolder(Dialogs &dialogs, QWidget *owner, const QString &prompt)
{
    QString path = dialogs.browseForFolder(owner, prompt);
    while (path.size() > 1 && path.endsWith(kSeparator))
        path.chop(1);
    return path;
}

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

QString programFolder() { return QCoreApplication::applicationDirPath(); }

void ListSubfolders(QStringList &folders, bool recurse, const YieldFunction &yield)
{
    QSet<QString> visited;
    for (const QString &folder : folders)
        visited.insert(QFileInfo(folder).canonicalFilePath());

    QStringList level = folders;
    QStringList found;
    while (!level.isEmpty()) {
        QStringList next;
        for (const QString &folder : level) {
            if (!callYield(yield))
                return;
            QDir dir(folder);
            const QFileInfoList entries =
                dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
            for (const QFileInfo &entry : entries) {
                if (!callYield(yield))
                    return;
                const QString canonical = entry.canonicalFilePath();
                if (canonical.isEmpty() || visited.contains(canonical))
                    continue;
                visited.insert(canonical);
                next << joinPath(folder, entry.fileName()) + kSeparator;
            }
        }
        found += next;
        if (!recurse)
            break;
        level = next;
    }
    for (const QString &folder : found)
        folders << folder;
}

QStringList ListFiles(const QString &folder, const QString &pattern)
{
    QDir dir(folder);
    const QString filter = (pattern == QLatin1String("*.*")) ? QStringLiteral("*") : pattern;
    dir.setNameFilters({filter});
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

QStringList ScanFolderTree(const QString &folder, const QString &pattern, const YieldFunction &yield)
{
    QStringList folders{folder.endsWith(kSeparator) ? folder : folder + kSeparator};
    ListSubfolders(folders, true, yield);
    QStringList paths;
    for (QString entry : folders) {
        if (entry.size() > 1)
            entry.chop(1);
        for (const QString &name : ListFiles(entry, pattern)) {
            if (!name.startsWith(QLatin1Char('~')))
                paths << joinPath(entry, name);
        }
        if (!callYield(yield))
            break;
    }
    return paths;
}

} // namespace lumivex
