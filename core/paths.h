// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace lumivex {

// Path helpers. The separator is the platform's ('/' here), and the only one that counts.

class Dialogs;

// Lets the user pick a folder (only file-system folders); its full path, or an empty text when
// cancelled. The root comes back as "/", other folders without a trailing separator.
QString BrowseForFolder(Dialogs &dialogs, QWidget *owner, const QString &prompt);

// The text after the last separator; a text without one comes back whole, a text ending in one
// gives an empty text.
QString GetFileNameFromPath(const QString &path);

// folder + separator + name, never two separators in a row where the folder is the root.
QString joinPath(const QString &folder, const QString &name);

// A shell special-folder number (0 desktop, 5 documents, 39 pictures) as a path without a
// trailing separator, or an empty text when the platform has no such folder.
QString GetSpecialFolderPath(int csidl);

// The desktop folder, or the home folder where there is no desktop, with a trailing separator.
QString GetDesktopFolder();

// A path as given on the command line or read from standard input: a file:// URI (what a file
// manager hands over) becomes the local path it names, anything else is a path already.
QString pathFromArgument(const QString &argument);

// The folder the executable lies in, without a trailing separator.
QString programFolder();

// The data folder the program was installed with (PREFIX/share/lumivex); the executable sets it
// at start, so libraries and their tests see only what they are given.
void setInstalledDataFolder(const QString &folder);

// Where a file or folder that comes with the program lies ("Samples", "HAND-M.CUR", "x/o.cjs"):
// beside the executable when it is there, which keeps a build tree or an unpacked copy
// self-contained; else in the data folder of the prefix the executable lies in (a moved
// installation); else in the installed data folder. When none holds it, the path beside the
// executable.
QString programDataPath(const QString &relative);

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

// File names are bytes to the system; Qt reads them as UTF-8, which cannot hold a byte that is
// not valid there. These keep every byte: one that does not decode becomes the lone surrogate
// U+DC80 + byte (as Python's "surrogateescape"), which no decoded text contains.
QString fileNameFromBytes(const QByteArray &bytes);
QByteArray fileNameToBytes(const QString &name);
// True when the name holds such an escaped byte, so Qt's own file functions cannot open it.
bool hasUndecodableBytes(const QString &name);
// The name for messages: each escaped byte written as \xNN.
QString printableFileName(const QString &name);

} // namespace lumivex
