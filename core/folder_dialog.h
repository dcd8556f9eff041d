// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace lumivex {

class Dialogs;

// Lets the user pick a folder (only file-system folders); its full path, or an empty text when
// cancelled. The root comes back as "/", other folders without a trailing separator.
QString BrowseForFolder(Dialogs &dialogs, QWidget *owner, const QString &prompt);

} // namespace lumivex
