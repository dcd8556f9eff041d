// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/adjustment_kind.h"

#include <QObject>
#include <memory>

class QPoint;

namespace lumivex {

class CompareView;
class Dialogs;
class Form1;
class Form2;
class SettingsStore;

// Opens the compare view from the main window before any run: Space on a row of the image list,
// or "Preview" in its context menu. The view follows the adjustment whose panel was touched last
// (its slider moved or its Start button used; brightness before any) at that slider's value, and
// the row selected. It goes when the main window goes.
class ComparePreviewLink : public QObject {
    Q_OBJECT
public:
    ComparePreviewLink(Form1 &form, SettingsStore &settings, Dialogs &dialogs);
    ~ComparePreviewLink() override;

    void open();
    CompareView *view() const { return m_view.get(); }
    AdjustmentKind kind() const { return m_kind; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void touched(AdjustmentKind kind);
    void follow();
    void contextMenu(const QPoint &position);

    Form1 &m_form;
    SettingsStore &m_settings;
    Dialogs &m_dialogs;
    AdjustmentKind m_kind = AdjustmentKind::Brightness;
    std::unique_ptr<CompareView> m_view;
};

// Opens the compare view from the results window: Enter or Space on a result, or "Compare" in
// the list's context menu. The view steps through the items in the list's order, each with the
// strength the run recorded for it. It goes when the results window goes.
class CompareResultsLink : public QObject {
    Q_OBJECT
public:
    CompareResultsLink(Form2 &form, SettingsStore &settings, Dialogs &dialogs);
    ~CompareResultsLink() override;

    void open();
    CompareView *view() const { return m_view.get(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void contextMenu(const QPoint &position);

    Form2 &m_form;
    SettingsStore &m_settings;
    Dialogs &m_dialogs;
    std::unique_ptr<CompareView> m_view;
};

} // namespace lumivex
