// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt_dialogs.h"

#include "ui/accessibility.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace lumivex {

namespace {
// Texts carry CR and CR LF line breaks; a label wants LF.
QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
} // namespace

Dialogs::Answer QtDialogs::message(QWidget *owner, const QString &text, const QString &caption,
                                   Buttons buttons, Icon icon)
{
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, caption,
                    displayText(text),
                    buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    owner);
    describeMessageBox(box);
    const int result = box.exec();
    if (buttons == Buttons::YesNo)
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

QString QtDialogs::inputBox(QWidget *owner, const QString &prompt, const QString &caption,
                            const QString &proposed)
{
    bool ok = false;
    const QString text = QInputDialog::getText(owner, caption, displayText(prompt),
                                               QLineEdit::Normal, proposed, &ok);
    return ok ? text : QString();
}

QStringList QtDialogs::qtNameFilters(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (pattern == QLatin1String("*.*")) {
                patterns << QStringLiteral("*");
                continue;
            }
            patterns << pattern;
            if (pattern.toUpper() != pattern)
                patterns << pattern.toUpper();
        }
        result << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

QStringList QtDialogs::selectionParts(const QStringList &fullPaths)
{
    if (fullPaths.size() <= 1)
        return fullPaths;
    QStringList parts;
    parts << QFileInfo(fullPaths.first()).absolutePath();
    for (const QString &path : fullPaths)
        parts << QFileInfo(path).fileName();
    return parts;
}

QStringList QtDialogs::openFiles(QWidget *owner, const QString &title, const QString &filter)
{
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(qtNameFilters(filter));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return selectionParts(dialog.selectedFiles());
}

QString QtDialogs::browseForFolder(QWidget *owner, const QString &prompt)
{
    return QFileDialog::getExistingDirectory(owner, prompt, QString(), QFileDialog::ShowDirsOnly);
}

void QtDialogs::openFolder(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace lumivex
