// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QFrame>

class QMessageBox;

namespace lumivex {

class Form1;
class Form2;

// Gives `widget` the accessible role a screen reader should announce instead of the one Qt
// derives from its class (a top-level QWidget would be a "filler", not a window). Takes effect
// for widgets whose class Qt's own accessibility factory does not know, i.e. our own classes.
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

// A picture pane's viewport: a plain framed box, but one a screen reader announces as a pane.
class PaneViewport : public QFrame {
    Q_OBJECT
public:
    explicit PaneViewport(QWidget *parent = nullptr);
};

// Names and describes every control of a window for assistive technology, and gives the window
// the window role. The displayed texts stay as they are; only what a screen reader says is set.
void describeMainWindow(Form1 &window);
void describeResultsWindow(Form2 &window);
// The same for a message box: its text, its icon and its buttons.
void describeMessageBox(QMessageBox &box);

} // namespace lumivex
