// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace lumivex {

// Every modal box the program shows goes through here, so tests can answer them without a
// person and without blocking.
class Dialogs {
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Warning };
    enum class Answer { Ok, Yes, No };

    virtual ~Dialogs() = default;

    virtual Answer message(QWidget *owner, const QString &text, const QString &caption,
                           Buttons buttons, Icon icon) = 0;

    // The typed text, or an empty text when cancelled.
    virtual QString inputBox(QWidget *owner, const QString &prompt, const QString &caption,
                             const QString &proposed) = 0;

    // Either one full path, or a folder followed by the chosen names in that folder; empty
    // when cancelled.
    virtual QStringList openFiles(QWidget *owner, const QString &title, const QString &filter) = 0;

    // The chosen folder's full path, or an empty text when cancelled.
    virtual QString browseForFolder(QWidget *owner, const QString &prompt) = 0;

    // Shows a folder in the desktop's file browser; not modal, the answer is not awaited.
    virtual void openFolder(const QString &path) = 0;
};

// The caption of boxes that are given none of their own.
inline QString applicationTitle() { return QStringLiteral("Lumivex"); }

} // namespace lumivex
