// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder_dialog.h"

#include "core/dialogs.h"

namespace lumivex {

QString BrowseForFolder(Dialogs &dialogs, QWidget *owner, const QString &prompt)
{
    QString path = dialogs.browseForFolder(owner, prompt);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace lumivex
