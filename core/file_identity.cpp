// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_identity.h"

#include "core/file_names.h"

#include <sys/stat.h>

namespace lumivex {

FileIdentity identityOf(const struct stat &info)
{
    FileIdentity identity;
    identity.device = std::uint64_t(info.st_dev);
    identity.inode = std::uint64_t(info.st_ino);
    identity.size = qint64(info.st_size);
    identity.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + qint64(info.st_mtim.tv_nsec);
    identity.changedNs = qint64(info.st_ctim.tv_sec) * 1000000000 + qint64(info.st_ctim.tv_nsec);
    return identity;
}

FileIdentity identityOfDescriptor(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return {};
    return identityOf(info);
}

FileIdentity identityOfPath(const QString &path)
{
    struct stat info {};
    if (path.isEmpty() || ::stat(fileNameToBytes(path).constData(), &info) != 0)
        return {};
    return identityOf(info);
}

FileIdentitySet::FileIdentitySet(const QStringList &paths)
{
    m_files.reserve(std::size_t(paths.size()));
    for (const QString &path : paths)
        insert(identityOfPath(path));
}

void FileIdentitySet::insert(const FileIdentity &identity)
{
    if (identity.known())
        m_files.insert(Key{identity.device, identity.inode});
}

bool FileIdentitySet::contains(const FileIdentity &identity) const
{
    return identity.known() && m_files.count(Key{identity.device, identity.inode}) > 0;
}

} // namespace lumivex
