// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

namespace lumivex {

// Installs the program's translation for the first of the user's languages it ships (looked for
// in programDataPath("translations")), with Qt's own for the standard dialogs where installed.
// English is the language of the texts themselves: met first among the user's languages (or "C"),
// it stops the search, so "en:de" stays English. Returns the language installed ("de"), or an
// empty string for English. The command line never calls this: scripts read its messages.
QString installTranslations(const QLocale &locale = QLocale::system());

// Removes what installTranslations installed, back to the English texts.
void removeTranslations();

} // namespace lumivex
