// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Kept whole for the many callers that include this one header.
#include "core/file_names.h"
#include "core/folder_dialog.h"
#include "core/folder_scan.h"

namespace lumivex {

// Path helpers. The separator is the platform's ('/' here), and the only one that counts.

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

} // namespace lumivex
