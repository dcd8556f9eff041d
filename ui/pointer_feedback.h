// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/window_setup.h"

#include <QCursor>
#include <QHash>
#include <QObject>
#include <initializer_list>

class QWidget;

namespace lumivex {

// The pointer rules of one window. Moving over a control that asks for the hand shows it; over
// the plain surfaces the default pointer comes back; over everything else (sliders, the
// progress bar, most labels, the picture panes) the pointer stays as it was. While the window
// is busy none of this touches the hourglass.
//
// The rule is taken from the control under the pointer, not from the widget an event reaches:
// a push button or a slider lets a plain mouse move pass on to its frame, and the frame must
// not answer for what lies on it.
class PointerFeedback : public QObject {
public:
    explicit PointerFeedback(QWidget *window);

    // Loads the "HAND-M.CUR" that comes with the program; without it the hand looks like the
    // default pointer.
    void loadHand();

    void handOver(std::initializer_list<QWidget *> widgets);
    void defaultOver(std::initializer_list<QWidget *> widgets);
    void leaveOver(std::initializer_list<QWidget *> widgets);

    void setBusy(bool busy);
    PointerState::Pointer pointer() const { return m_state.pointer(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Rule { Hand, Default, Leave };
    void add(std::initializer_list<QWidget *> widgets, Rule rule);
    void apply();

    QWidget *m_window;
    PointerState m_state;
    QCursor m_hand;
    bool m_hasHand = false;
    QHash<const QWidget *, Rule> m_rules;
};

} // namespace lumivex
