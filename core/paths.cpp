// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paths.h"

#include "core/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

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

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// A low surrogate with no high one before it: never part of decoded text.
bool isEscapedByte(const QString &name, int at)
{
    const char16_t c = name[at].unicode();
    return c >= 0xDC80 && c <= 0xDCFF && (at == 0 || !name[at - 1].isHighSurrogate());
}

// Length of the valid UTF-8 sequence at `at`, or 0 when the byte there does not start one.
int utf8SequenceLength(const unsigned char *p, int left)
{
    const unsigned char c = p[0];
    int length;
    char32_t value;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not valid UTF-8.
    if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
        (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

struct DirCloser {
    void operator()(DIR *dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct Entry {
    QByteArray bytes;
    QString name;
};

// The entries of an open folder but "." and "..", in name order ignoring case.
std::vector<Entry> readEntries(DIR *dir)
{
    std::vector<Entry> entries;
    while (const dirent *e = readdir(dir)) {
        const QByteArray bytes(e->d_name);
        if (bytes == "." || bytes == "..")
            continue;
        entries.push_back(Entry{bytes, fileNameFromBytes(bytes)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        const int order = a.name.compare(b.name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return entries;
}

QString withoutSeparator(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(kSeparator))
        folder.chop(1);
    return folder;
}

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString canonicalOf(const QByteArray &path)
{
    char *resolved = realpath(path.constData(), nullptr);
    if (!resolved)
        return QString();
    const QString text = fileNameFromBytes(QByteArray(resolved));
    free(resolved);
    return text;
}

bool isSystemFolder(const QString &canonical)
{
    for (const char *root : {"/proc", "/sys", "/dev"}) {
        const QLatin1String r(root);
        if (canonical == r || canonical.startsWith(r + kSeparator))
            return true;
    }
    return false;
}

// `inner` is `outer` or lies inside it.
bool within(const QString &inner, const QString &outer)
{
    return inner == outer || outer == QLatin1String("/") || inner.startsWith(outer + kSeparator);
}

QString nonRegularKind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    return QStringLiteral("not a file");
}

void tell(const ScanReport &report, const QString &path, const QString &reason)
{
    if (report.problem)
        report.problem(path, reason);
}

const QString kUndecodable = QStringLiteral("the name is not valid in the current encoding");

} // namespace

QString fileNameFromBytes(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const int size = int(bytes.size());
    QString name;
    name.reserve(size);
    int runStart = 0;
    for (int i = 0; i < size;) {
        const int length = utf8SequenceLength(p + i, size - i);
        if (length > 0) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + runStart, i - runStart);
        name += QChar(char16_t(kEscapeBase + p[i]));
        runStart = ++i;
    }
    name += QString::fromUtf8(bytes.constData() + runStart, size - runStart);
    return name;
}

QByteArray fileNameToBytes(const QString &name)
{
    if (!hasUndecodableBytes(name))
        return name.toUtf8();
    QByteArray bytes;
    int runStart = 0;
    for (int i = 0; i < name.size(); ++i) {
        if (!isEscapedByte(name, i))
            continue;
        bytes += QStringView(name).mid(runStart, i - runStart).toUtf8();
        bytes += char(name[i].unicode() - kEscapeBase);
        runStart = i + 1;
    }
    bytes += QStringView(name).mid(runStart).toUtf8();
    return bytes;
}

bool hasUndecodableBytes(const QString &name)
{
    for (int i = 0; i < name.size(); ++i) {
        if (isEscapedByte(name, i))
            return true;
    }
    return false;
}

QString printableFileName(const QString &name)
{
    if (!hasUndecodableBytes(name))
        return name;
    QString text;
    for (int i = 0; i < name.size(); ++i) {
        if (isEscapedByte(name, i))
            text += QStringLiteral("\\x") +
                    QString::number(int(name[i].unicode() - kEscapeBase), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            text += name[i];
    }
    return text;
}

void ListSubfolders(QStringList &folders, bool recurse, const YieldFunction &yield, const ScanReport &report)
{
    struct Node {
        QString path; // ends in a separator
        dev_t device;
    };
    QSet<QPair<quint64, quint64>> visited;
    QStringList roots; // canonical: a link to one of them, or above, would walk them again
    QList<Node> level;
    for (const QString &folder : folders) {
        struct stat st {};
        const QByteArray bytes = fileNameToBytes(withoutSeparator(folder));
        if (::stat(bytes.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        const QString canonical = canonicalOf(bytes);
        if (isSystemFolder(canonical)) {
            tell(report, withoutSeparator(folder), QStringLiteral("not scanned: a system folder"));
            continue;
        }
        visited.insert({quint64(st.st_dev), quint64(st.st_ino)});
        roots << canonical;
        level.append(Node{folder, st.st_dev});
    }

    QStringList found;
    while (!level.isEmpty()) {
        QList<Node> next;
        for (const Node &node : level) {
            if (!callYield(yield))
                return;
            // An unreadable folder is told by the listing of its files, once.
            const DirHandle dir(opendir(fileNameToBytes(node.path).constData()));
            if (!dir)
                continue;
            for (const Entry &entry : readEntries(dir.get())) {
                if (!callYield(yield))
                    return;
                if (entry.name.startsWith(QLatin1Char('.')))
                    continue;
                struct stat st {};
                if (fstatat(dirfd(dir.get()), entry.bytes.constData(), &st, 0) != 0 || !S_ISDIR(st.st_mode))
                    continue;
                const QString path = joinPath(node.path, entry.name);
                if (hasUndecodableBytes(entry.name) && !report.keepUndecodableNames) {
                    tell(report, printableFileName(path), kUndecodable);
                    continue;
                }
                const QPair<quint64, quint64> id{quint64(st.st_dev), quint64(st.st_ino)};
                struct stat own {};
                const bool link = fstatat(dirfd(dir.get()), entry.bytes.constData(), &own, AT_SYMLINK_NOFOLLOW) == 0 &&
                                  S_ISLNK(own.st_mode);
                if (link) {
                    const QString target = canonicalOf(fileNameToBytes(path));
                    const bool back = visited.contains(id) ||
                                      std::any_of(roots.cbegin(), roots.cend(),
                                                  [&](const QString &root) { return within(root, target); });
                    if (back) {
                        tell(report, printableFileName(path),
                             QStringLiteral("not followed: the link leads to a folder already being scanned, or above it"));
                        continue;
                    }
                }
                if (visited.contains(id))
                    continue;
                if (st.st_dev != node.device) {
                    tell(report, printableFileName(path), QStringLiteral("not scanned: it lies on another file system"));
                    continue;
                }
                if (isSystemFolder(canonicalOf(fileNameToBytes(path)))) {
                    tell(report, printableFileName(path), QStringLiteral("not scanned: a system folder"));
                    continue;
                }
                visited.insert(id);
                next.append(Node{path + kSeparator, node.device});
            }
        }
        for (const Node &node : next)
            found << node.path;
        if (!recurse)
            break;
        level = next;
    }
    for (const QString &folder : found)
        folders << folder;
}

QStringList ListFiles(const QString &folder, const QString &pattern, const ScanReport &report)
{
    const QString filter = (pattern == QLatin1String("*.*")) ? QStringLiteral("*") : pattern;
    const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(filter),
                                   QRegularExpression::CaseInsensitiveOption);
    const QString bare = withoutSeparator(folder);
    const DirHandle dir(opendir(fileNameToBytes(bare).constData()));
    if (!dir) {
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR)
            tell(report, printableFileName(bare), QStringLiteral("cannot read the folder (") + systemReason(error) + QLatin1Char(')'));
        return {};
    }
    QStringList names;
    for (const Entry &entry : readEntries(dir.get())) {
        // The pattern engine refuses text holding a lone surrogate: such a name is matched in its
        // printed form.
        if (!match.match(hasUndecodableBytes(entry.name) ? printableFileName(entry.name) : entry.name).hasMatch())
            continue;
        struct stat st {};
        const QString path = joinPath(bare, entry.name);
        if (fstatat(dirfd(dir.get()), entry.bytes.constData(), &st, 0) != 0) {
            tell(report, printableFileName(path), QStringLiteral("cannot be read (") + systemReason(errno) + QLatin1Char(')'));
            continue;
        }
        if (S_ISDIR(st.st_mode))
            continue;
        if (!S_ISREG(st.st_mode)) {
            tell(report, printableFileName(path), QStringLiteral("not a regular file (") + nonRegularKind(st.st_mode) + QLatin1Char(')'));
            continue;
        }
        if (hasUndecodableBytes(entry.name) && !report.keepUndecodableNames) {
            tell(report, printableFileName(path), kUndecodable);
            continue;
        }
        names << entry.name;
    }
    return names;
}

void ScanFolderTreeByFolder(const QString &folder, const QString &pattern,
                            const std::function<void(const QStringList &paths)> &found,
                            const YieldFunction &yield, const ScanReport &report)
{
    if (isSystemFolder(canonicalOf(fileNameToBytes(withoutSeparator(folder))))) {
        tell(report, printableFileName(withoutSeparator(folder)), QStringLiteral("not scanned: a system folder"));
        return;
    }
    QStringList folders{folder.endsWith(kSeparator) ? folder : folder + kSeparator};
    ListSubfolders(folders, true, yield, report);
    for (QString entry : folders) {
        if (entry.size() > 1)
            entry.chop(1);
        QStringList paths;
        for (const QString &name : ListFiles(entry, pattern, report)) {
            if (!name.startsWith(QLatin1Char('~')))
                paths << joinPath(entry, name);
        }
        if (!paths.isEmpty())
            found(paths);
        if (!callYield(yield))
            break;
    }
}

QStringList ScanFolderTree(const QString &folder, const QString &pattern, const YieldFunction &yield,
                           const ScanReport &report)
{
    QStringList paths;
    ScanFolderTreeByFolder(folder, pattern, [&paths](const QStringList &found) { paths += found; }, yield, report);
    return paths;
}

} // namespace lumivex
