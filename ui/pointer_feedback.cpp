// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pointer_feedback.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

namespace lumivex {

PointerFeedback::PointerFeedback(QWidget *window) : QObject(window), m_window(window) {}

void PointerFeedback::loadHand() { m_hasHand = loadHandCursor(&m_hand); }

void PointerFeedback::add(std::initializer_list<QWidget *> widgets, Rule rule)
{
    for (QWidget *w : widgets) {
        if (!w)
            continue;
        m_rules.insert(w, rule);
        if (rule != Rule::Leave) {
            // Plain moves reach only widgets that track the mouse.
            w->setMouseTracking(true);
            w->installEventFilter(this);
        }
    }
}

void PointerFeedback::handOver(std::initializer_list<QWidget *> widgets) { add(widgets, Rule::Hand); }
void PointerFeedback::defaultOver(std::initializer_list<QWidget *> widgets) { add(widgets, Rule::Default); }
void PointerFeedback::leaveOver(std::initializer_list<QWidget *> widgets) { add(widgets, Rule::Leave); }

void PointerFeedback::setBusy(bool busy)
{
    m_state.setBusy(busy);
    apply();
}

void PointerFeedback::apply() { applyPointer(m_window, m_state.pointer(), m_hasHand ? &m_hand : nullptr); }

bool PointerFeedback::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseMove && event->type() != QEvent::Enter)
        return false;
    // Not every Enter carries a position (one sent as a plain event has none): the pointer is
    // then left as it is, and the next move decides.
    const auto *pointed = dynamic_cast<const QSinglePointEvent *>(event);
    if (!pointed)
        return false;
    const QPointF position = pointed->position();
    auto *widget = static_cast<QWidget *>(watched);
    QWidget *under = widget->childAt(position.toPoint());
    for (QWidget *w = under ? under : widget; w; w = w->parentWidget()) {
        const auto rule = m_rules.constFind(w);
        if (rule != m_rules.constEnd()) {
            if (*rule == Rule::Leave)
                return false;
            if (*rule == Rule::Hand)
                m_state.hoverButton();
            else
                m_state.hoverPlain();
            apply();
            return false;
        }
        if (w == m_window)
            break;
    }
    return false;
}

} // namespace lumivex
