// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace lumivex {

// Called while folders are walked so the window can repaint; the caller decides how often it
// really hands control to the event loop. Returning false stops the walk (the program is
// closing).
using YieldFunction = std::function<bool()>;

// What a walk met and did not list, for callers that tell the user (the command line). The
// window's scans pass none and keep their quiet behaviour.
struct ScanReport {
    // A folder that could not be read, a file named like a match that is not a regular file, a
    // link leading back into the walk, a folder on another file system or a system folder.
    std::function<void(const QString &path, const QString &reason)> problem;
    // List names whose bytes are not valid in the file-name encoding, escaped losslessly (see
    // fileNameFromBytes) so they can still be opened by their bytes; otherwise they are left out
    // (and reported, when there is someone to tell).
    bool keepUndecodableNames = false;
};

// Appends to `folders` (each ending in a separator) all their sub-folders, breadth first: every
// direct sub-folder of the list, grouped by parent in name order, then the next level. Hidden
// folders are not descended into, a folder that cannot be read contributes nothing, and each
// real folder is visited once. A walk stays on the file system of the folder it started from,
// never enters /proc, /sys or /dev, and does not follow a link to a folder it is already walking
// or to one above it.
void ListSubfolders(QStringList &folders, bool recurse, const YieldFunction &yield = {},
                    const ScanReport &report = {});

// Bare names of the regular files (hidden ones included, folders excluded, links to regular files
// included) in `folder` that match a wildcard pattern, in name order. Matching ignores case:
// "*.jpg" finds "IMG_0001.JPG"; "*.*" matches every file, with or without a dot. Nothing else is
// listed: a FIFO or a device named like a picture could block whoever opens it.
QStringList ListFiles(const QString &folder, const QString &pattern, const ScanReport &report = {});

// Every file of a folder tree matching the pattern, as full paths: the folder's own files
// first, then its sub-folders' level by level. Names beginning with "~" are skipped.
QStringList ScanFolderTree(const QString &folder, const QString &pattern, const YieldFunction &yield = {},
                           const ScanReport &report = {});

// The same, handing each folder's matching files to `found` as soon as that folder is listed, so
// that a window can show them while the walk goes on.
void ScanFolderTreeByFolder(const QString &folder, const QString &pattern,
                            const std::function<void(const QStringList &paths)> &found,
                            const YieldFunction &yield = {}, const ScanReport &report = {});

} // namespace lumivex
