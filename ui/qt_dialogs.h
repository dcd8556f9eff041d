// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/dialogs.h"

namespace lumivex {

class QtDialogs : public Dialogs {
public:
    Answer message(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                   Icon icon) override;
    QString inputBox(QWidget *owner, const QString &prompt, const QString &caption,
                     const QString &proposed) override;
    QStringList openFiles(QWidget *owner, const QString &title, const QString &filter) override;
    QString browseForFolder(QWidget *owner, const QString &prompt) override;
    void openFolder(const QString &path) override;

    // "Desc|*.a;*.b|Desc 2|*.*" as Qt's file dialog wants it; each pattern also in upper case,
    // since camera files are often named IMG_0001.JPG.
    static QStringList qtNameFilters(const QString &filter);
    // A multi-selection from one folder as the folder followed by the bare names.
    static QStringList selectionParts(const QStringList &fullPaths);
};

} // namespace lumivex
