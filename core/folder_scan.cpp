// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder_scan.h"

#include "core/file_names.h"
#include "core/paths.h"

#include <QPair>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lumivex {

namespace {

const QChar kSeparator = QLatin1Char('/');

// False once the walk should stop.
bool callYield(const YieldFunction &yield)
{
    return !yield || yield();
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

using Identity = QPair<quint64, quint64>; // device, inode

Identity identityOf(const struct stat &st) { return {quint64(st.st_dev), quint64(st.st_ino)}; }

// The files of one open folder that match `match`, as ListFiles tells them.
QStringList matchingFiles(int dirFd, const QString &bare, const std::vector<Entry> &entries,
                          const QRegularExpression &match, const ScanReport &report)
{
    QStringList names;
    for (const Entry &entry : entries) {
        // The pattern engine refuses text holding a lone surrogate: such a name is matched in its
        // printed form.
        if (!match.match(hasUndecodableBytes(entry.name) ? printableFileName(entry.name) : entry.name).hasMatch())
            continue;
        struct stat st {};
        const QString path = joinPath(bare, entry.name);
        if (fstatat(dirFd, entry.bytes.constData(), &st, 0) != 0) {
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

QRegularExpression patternExpression(const QString &pattern)
{
    const QString filter = (pattern == QLatin1String("*.*")) ? QStringLiteral("*") : pattern;
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(filter),
                              QRegularExpression::CaseInsensitiveOption);
}

void tellUnreadable(const ScanReport &report, const QString &bare, int error)
{
    if (error != ENOENT && error != ENOTDIR)
        tell(report, printableFileName(bare), QStringLiteral("cannot read the folder (") + systemReason(error) + QLatin1Char(')'));
}

// A breadth-first walk of folder trees by descriptor: each folder is opened relative to its
// parent's descriptor, so the cost of a folder does not grow with its depth, and a folder met
// through a link is compared with those being walked by device and inode, not by path.
class FolderWalk {
public:
    struct Folder {
        QString path; // ends in a separator
        int fd;       // an open descriptor, or -1: opened by path at its turn, or could not be
        int openError;
        Identity id;
        dev_t device; // the file system the walk stays on
    };
    // A folder read: its path, its descriptor and entries (fd -1 and `error` when unreadable).
    // Returning false stops the walk.
    using Visit = std::function<bool(const Folder &folder, int fd, int error, const std::vector<Entry> &entries)>;

    FolderWalk(bool recurse, const YieldFunction &yield, const ScanReport &report)
        : m_recurse(recurse), m_yield(yield), m_report(report)
    {
        struct stat st {};
        if (::stat("/", &st) == 0)
            m_systemRoot = identityOf(st);
        struct rlimit limit {};
        const rlim_t open = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
        m_heldLimit = int(std::min<rlim_t>(256, open / 4));
    }
    ~FolderWalk()
    {
        for (const Folder &folder : m_queue)
            if (folder.fd >= 0)
                ::close(folder.fd);
    }

    // A folder to walk (with or without a trailing separator); false when it is not one.
    bool addRoot(const QString &folder)
    {
        const QByteArray bytes = fileNameToBytes(withoutSeparator(folder));
        const int fd = ::open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int error = fd < 0 ? errno : 0;
        struct stat st {};
        if (fd < 0) {
            // Unreadable but there: listed (and told) at its turn, like any other folder.
            if (::stat(bytes.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
                return false;
        } else if (::fstat(fd, &st) != 0) {
            ::close(fd);
            return false;
        }
        if (isSystemFolder(canonicalOf(bytes))) {
            tell(m_report, withoutSeparator(folder), QStringLiteral("not scanned: a system folder"));
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        m_visited.insert(identityOf(st));
        addAncestors(fd, bytes);
        m_queue.push_back(Folder{folder.endsWith(kSeparator) ? folder : folder + kSeparator, fd, error,
                                 identityOf(st), st.st_dev});
        if (fd >= 0)
            ++m_held;
        return true;
    }

    // Reads every folder in turn; `found` gets each sub-folder as it is met. False once stopped.
    bool run(const Visit &visit, const std::function<void(const QString &path)> &found)
    {
        while (!m_queue.empty()) {
            Folder folder = m_queue.front();
            m_queue.pop_front();
            if (!callYield(m_yield)) {
                closeHeld(folder);
                return false;
            }
            int error = folder.openError;
            int fd = folder.fd;
            if (fd >= 0) {
                --m_held;
            } else if (error == 0) {
                fd = reopen(folder, &error);
            }
            DirHandle dir(fd >= 0 ? fdopendir(fd) : nullptr);
            if (fd >= 0 && !dir) {
                error = errno;
                ::close(fd);
            }
            if (!dir) {
                if (!visit(folder, -1, error, {}))
                    return false;
                continue;
            }
            const std::vector<Entry> entries = readEntries(dir.get());
            if (!visit(folder, dirfd(dir.get()), 0, entries))
                return false;
            for (const Entry &entry : entries) {
                if (!callYield(m_yield))
                    return false;
                if (const std::optional<Folder> child = enter(folder, dirfd(dir.get()), entry)) {
                    found(child->path);
                    if (m_recurse)
                        m_queue.push_back(*child);
                    else
                        closeHeld(*child); // listed, not read
                }
            }
        }
        return true;
    }

private:
    // The root's own ancestors, by identity: a link to one of them would walk the root again.
    void addAncestors(int fd, const QByteArray &bytes)
    {
        int at = fd >= 0 ? ::dup(fd) : ::open(bytes.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        Identity previous{};
        while (at >= 0) {
            const int up = ::openat(at, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
            ::close(at);
            struct stat st {};
            if (up < 0 || ::fstat(up, &st) != 0) {
                if (up >= 0)
                    ::close(up);
                return;
            }
            const Identity id = identityOf(st);
            if (id == previous) { // the root of the file system is its own parent
                ::close(up);
                return;
            }
            m_ancestors.insert(id);
            previous = id;
            at = up;
        }
    }

    void closeHeld(const Folder &folder)
    {
        if (folder.fd >= 0) {
            ::close(folder.fd);
            --m_held;
        }
    }

    // A folder whose descriptor was not kept (too many waiting): opened by its path, and taken
    // only if it is still the folder that was met.
    int reopen(const Folder &folder, int *error)
    {
        const int fd = ::open(fileNameToBytes(withoutSeparator(folder.path)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            *error = errno;
            return -1;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || identityOf(st) != folder.id) {
            ::close(fd);
            *error = ENOENT; // replaced while the walk went on: as if gone
            return -1;
        }
        return fd;
    }

    std::optional<Folder> enter(const Folder &parent, int dirFd, const Entry &entry)
    {
        if (entry.name.startsWith(QLatin1Char('.')))
            return std::nullopt;
        struct stat st {};
        if (fstatat(dirFd, entry.bytes.constData(), &st, 0) != 0 || !S_ISDIR(st.st_mode))
            return std::nullopt;
        const QString path = joinPath(parent.path, entry.name);
        if (hasUndecodableBytes(entry.name) && !m_report.keepUndecodableNames) {
            tell(m_report, printableFileName(path), kUndecodable);
            return std::nullopt;
        }
        const Identity id = identityOf(st);
        struct stat own {};
        const bool link = fstatat(dirFd, entry.bytes.constData(), &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
        if (link && (m_visited.contains(id) || m_ancestors.contains(id))) {
            tell(m_report, printableFileName(path),
                 QStringLiteral("not followed: the link leads to a folder already being scanned, or above it"));
            return std::nullopt;
        }
        if (m_visited.contains(id))
            return std::nullopt;
        if (st.st_dev != parent.device) {
            tell(m_report, printableFileName(path), QStringLiteral("not scanned: it lies on another file system"));
            return std::nullopt;
        }
        // Met without a link, a folder lies where its parent does: only the top of the file
        // system has the system folders as children. A link may lead anywhere.
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (link ? 0 : O_NOFOLLOW);
        const bool keep = m_held < m_heldLimit;
        const bool placed = link || parent.id == m_systemRoot;
        int fd = keep || placed ? ::openat(dirFd, entry.bytes.constData(), flags) : -1;
        const int openError = keep && fd < 0 ? errno : 0;
        if (placed) {
            QString canonical = fd >= 0 ? canonicalOfDescriptor(fd) : QString();
            if (canonical.isEmpty())
                canonical = canonicalOf(fileNameToBytes(path));
            if (isSystemFolder(canonical)) {
                if (fd >= 0)
                    ::close(fd);
                tell(m_report, printableFileName(path), QStringLiteral("not scanned: a system folder"));
                return std::nullopt;
            }
        }
        if (fd >= 0) {
            struct stat opened {};
            if (::fstat(fd, &opened) != 0 || identityOf(opened) != id) {
                ::close(fd); // replaced since it was looked at
                return std::nullopt;
            }
            if (!keep) {
                ::close(fd);
                fd = -1;
            }
        }
        m_visited.insert(id);
        if (fd >= 0)
            ++m_held;
        return Folder{path + kSeparator, fd, openError, id, parent.device};
    }

    static QString canonicalOfDescriptor(int fd)
    {
        char link[64];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        char target[PATH_MAX + 1];
        const ssize_t length = ::readlink(link, target, PATH_MAX);
        if (length <= 0 || target[0] != '/')
            return QString();
        return fileNameFromBytes(QByteArray(target, int(length)));
    }

    const bool m_recurse;
    const YieldFunction &m_yield;
    const ScanReport &m_report;
    std::deque<Folder> m_queue;
    QSet<Identity> m_visited;   // every folder met, the roots first
    QSet<Identity> m_ancestors; // the folders above the roots
    Identity m_systemRoot{};
    int m_held = 0;
    int m_heldLimit = 256;
};

} // namespace

void ListSubfolders(QStringList &folders, bool recurse, const YieldFunction &yield, const ScanReport &report)
{
    FolderWalk walk(recurse, yield, report);
    for (const QString &folder : folders)
        walk.addRoot(folder);
    QStringList found;
    if (!walk.run([](const FolderWalk::Folder &, int, int, const std::vector<Entry> &) { return true; },
                  [&found](const QString &path) { found << path; }))
        return;
    folders += found;
}

QStringList ListFiles(const QString &folder, const QString &pattern, const ScanReport &report)
{
    const QString bare = withoutSeparator(folder);
    const DirHandle dir(opendir(fileNameToBytes(bare).constData()));
    if (!dir) {
        tellUnreadable(report, bare, errno);
        return {};
    }
    return matchingFiles(dirfd(dir.get()), bare, readEntries(dir.get()), patternExpression(pattern), report);
}

void ScanFolderTreeByFolder(const QString &folder, const QString &pattern,
                            const std::function<void(const QStringList &paths)> &found,
                            const YieldFunction &yield, const ScanReport &report)
{
    if (isSystemFolder(canonicalOf(fileNameToBytes(withoutSeparator(folder))))) {
        tell(report, printableFileName(withoutSeparator(folder)), QStringLiteral("not scanned: a system folder"));
        return;
    }
    const QRegularExpression match = patternExpression(pattern);
    FolderWalk walk(true, yield, report);
    if (!walk.addRoot(folder))
        return;
    walk.run(
        [&](const FolderWalk::Folder &at, int fd, int error, const std::vector<Entry> &entries) {
            const QString bare = withoutSeparator(at.path);
            if (fd < 0) {
                tellUnreadable(report, bare, error);
                return true;
            }
            QStringList paths;
            for (const QString &name : matchingFiles(fd, bare, entries, match, report)) {
                if (!name.startsWith(QLatin1Char('~')))
                    paths << joinPath(bare, name);
            }
            if (!paths.isEmpty())
                found(paths);
            return callYield(yield);
        },
        [](const QString &) {});
}

QStringList ScanFolderTree(const QString &folder, const QString &pattern, const YieldFunction &yield,
                           const ScanReport &report)
{
    QStringList paths;
    ScanFolderTreeByFolder(folder, pattern, [&paths](const QStringList &found) { paths += found; }, yield, report);
    return paths;
}

} // namespace lumivex
