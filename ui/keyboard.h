// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFocusFrame>
#include <QKeySequence>
#include <QPointer>

class QAbstractButton;
class QShortcut;

namespace lumivex {

class Dialogs;
class PreviewPane;

// A clear focus indicator: a ring two pixels wide in the palette's highlight colour around
// whichever control of its window has the keyboard focus, whatever the style draws itself.
// A focus frame, so accessibility leaves it out of the window's tree.
class FocusRing : public QFocusFrame {
    Q_OBJECT
public:
    explicit FocusRing(QWidget *window);

    QWidget *target() const { return m_target; }
    static constexpr int kWidth = 2;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void follow(QWidget *widget);
    void place();

    QPointer<QWidget> m_target;
};

// Makes a window work from the keyboard alone: the focus ring, Enter and Return pressing a
// focused push button as Space does, and F1 for the keys box (shown through `dialogs`).
void enableKeyboard(QWidget *window, Dialogs &dialogs);
// F1 alone, for a window that has its own keys and focus marks.
void addHelpKey(QWidget *window, Dialogs &dialogs);

// A window-wide key that clicks `button` (when it is enabled), shown in its tooltip.
QShortcut *addButtonShortcut(QAbstractButton *button, const QKeySequence &keys);

// A key pressed over a picture pane (or one of its bars): arrows scroll by a little, Page Up and
// Page Down by the viewport's inner size (with Shift sideways), Home and End to the top-left and
// bottom-right corners. False, with the pane unchanged, for other keys.
bool scrollPaneByKey(PreviewPane &pane, int key, Qt::KeyboardModifiers modifiers);
// How far an arrow key scrolls, in twips (20 pixels at 96 dpi).
inline constexpr int kArrowKeyTwips = 300;

// The keys of both windows, the version and the licence, as the F1 box shows them.
QString keysHelpText();

} // namespace lumivex
