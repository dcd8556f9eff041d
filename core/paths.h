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

// The folder the executable lies in, without a trailing separator.
QString programFolder();

// Called while folders are walked so the window can repaint; the caller decides how often it
// really hands control to the event loop. Returning false stops the walk (the program is
// closing).
using YieldFunction = std::function<bool()>;

// Appends to `folders` (each ending in a separator) all their sub-folders, breadth first: every
// direct sub-folder of the list, grouped by parent in name order, then the next level. Hidden
// folders are not descended into, a folder that cannot be read contributes nothing, and each
// real folder is visited once, so symbolic-link loops end.
void ListSubfolders(QStringList &folders, bool recurse, const YieldFunction &yield = {});

// Bare names of the files (hidden ones included, folders excluded) in `folder` that match a
// wildcard pattern, in name order. Matching ignores case: "*.jpg" finds "IMG_0001.JPG"; "*.*"
// matches every file, with or without a dot.
QStringList ListFiles(const QString &folder, const QString &pattern);

// Every file of a folder tree matching the pattern, as full paths: the folder's own files
// first, then its sub-folders' level by level. Names beginning with "~" are skipped.
QStringList ScanFolderTree(const QString &folder, const QString &pattern, const YieldFunction &yield = {});

} // namespace lumivex
