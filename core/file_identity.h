// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <unordered_set>

struct stat;

namespace lumivex {

// What tells one file from another, and a file from itself after a change: the device and
// inode it lives at, its size, and the times it was last written and last changed, to the
// nanosecond. The change time cannot be set back by a user, so a file rewritten with another
// picture and its old modification time put back still differs. Size −1: not known (the file
// could not be examined, or changed while it was being read); such an identity equals none.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool known() const { return size >= 0; }
    // The same file, whatever became of its bytes.
    bool sameFile(const FileIdentity &o) const { return known() && o.known() && device == o.device && inode == o.inode; }
    // The same file, unchanged.
    bool operator==(const FileIdentity &o) const
    {
        return sameFile(o) && size == o.size && modifiedNs == o.modifiedNs && changedNs == o.changedNs;
    }
    bool operator!=(const FileIdentity &o) const { return !(*this == o); }
};

FileIdentity identityOf(const struct stat &info);
// Of an open descriptor: the file actually read, wherever its name now leads.
FileIdentity identityOfDescriptor(int fd);
// Of the file a path leads to, links followed; unknown when there is none.
FileIdentity identityOfPath(const QString &path);

// Files known by device and inode, so a file is recognised however it is reached: a hard link,
// a bind mount, a folder through a symbolic link.
class FileIdentitySet {
public:
    FileIdentitySet() = default;
    // Each path that leads to a file now; the others cannot be written over anyway.
    explicit FileIdentitySet(const QStringList &paths);
    void insert(const FileIdentity &identity);
    bool contains(const FileIdentity &identity) const;
    bool empty() const { return m_files.empty(); }

private:
    struct Key {
        std::uint64_t device, inode;
        bool operator==(const Key &o) const { return device == o.device && inode == o.inode; }
    };
    struct Hash {
        std::size_t operator()(const Key &k) const { return std::hash<std::uint64_t>()(k.inode * 0x9e3779b97f4a7c15ULL ^ k.device); }
    };
    std::unordered_set<Key, Hash> m_files;
};

} // namespace lumivex
