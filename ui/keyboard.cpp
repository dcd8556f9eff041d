// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keyboard.h"

#include "core/dialogs.h"
#include "ui/preview_pane.h"
#include "ui/readable_style.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

#ifndef LUMIVEX_VERSION
#define LUMIVEX_VERSION ""
#endif

namespace lumivex {

namespace {

class KeyTexts {
    Q_DECLARE_TR_FUNCTIONS(KeyTexts)
public:
    static QString help()
    {
        return tr("Keys\n"
                  "Tab, Shift+Tab: next or previous control\n"
                  "Space, Enter: press the focused button\n"
                  "Arrow keys, Page Up, Page Down, Home, End: move the focused slider, list selection or option\n"
                  "F1: this box\n"
                  "\n"
                  "Main window\n"
                  "Ctrl+O: Add Image File(s)\n"
                  "Delete: remove the selected file from the list\n"
                  "Esc: stop the run (the pictures done so far are kept)\n"
                  "\n"
                  "Results window\n"
                  "Ctrl+S: Save Results\n"
                  "Esc: stop saving (every file written is whole)\n"
                  "Before and After panes: arrow keys scroll; Page Up, Page Down by a page (with Shift "
                  "sideways); Home, End to the corners; F shows both pictures whole or at 100 %\n"
                  "\n"
                  "Compare view (Space on a row of the image list; Enter or Space on a result)\n"
                  "F or 0: fit; 1: 100 %; + and -: zoom in and out; arrow keys: pan\n"
                  "S: split view; [ and ]: move the divider\n"
                  "Page Up, Page Down: previous or next result\n"
                  "F11: full screen; Esc, Ctrl+W: leave full screen, else close the view\n"
                  "\n"
                  "Lumivex %1\n"
                  "Licence: GPL-3.0-or-later (GNU General Public License, version 3 or any later version)")
            .arg(QCoreApplication::applicationVersion().isEmpty() ? QStringLiteral(LUMIVEX_VERSION)
                                                                   : QCoreApplication::applicationVersion());
    }
    static QString withKeys(const QString &tip, const QKeySequence &keys)
    {
        const QString key = keys.toString(QKeySequence::NativeText);
        return tip.isEmpty() ? key : tr("%1 (%2)").arg(tip, key);
    }
};

// Enter and Return click a focused push button; Qt does so only inside dialogs.
class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto *button = qobject_cast<QPushButton *>(watched);
        if (!button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

} // namespace

FocusRing::FocusRing(QWidget *window) : QFocusFrame(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this, window](QWidget *, QWidget *now) {
        if (!now || now->window() != window)
            return; // another window's focus; this one keeps its own
        follow(now == window ? nullptr : now);
    });
}

bool FocusRing::event(QEvent *event)
{
    // The geometry is this ring's own business: none of the focus frame's own placing.
    return QWidget::event(event);
}

void FocusRing::follow(QWidget *widget)
{
    if (m_target)
        m_target->removeEventFilter(this);
    m_target = widget;
    if (m_target)
        m_target->installEventFilter(this);
    place();
}

void FocusRing::place()
{
    if (!m_target || !m_target->isVisible()) {
        hide();
        return;
    }
    const QRect around(m_target->mapTo(parentWidget(), QPoint(0, 0)), m_target->size());
    // Outside the control where the window leaves room; never beyond the window's edge.
    const int gap = 1;
    setGeometry(around.adjusted(-kWidth - gap, -kWidth - gap, kWidth + gap, kWidth + gap)
                    .intersected(parentWidget()->rect()));
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            place();
            break;
        default:
            break;
        }
    }
    return false;
}

void FocusRing::paintEvent(QPaintEvent *)
{
    if (!m_target)
        return;
    QPainter painter(this);
    const QRect around(mapFrom(parentWidget(), m_target->mapTo(parentWidget(), QPoint(0, 0))), m_target->size());
    const QRect ring = around.adjusted(-kWidth, -kWidth, kWidth, kWidth);
    // The highlight colour, unless a theme makes it too faint on the window's surface.
    QColor colour = palette().color(QPalette::Active, QPalette::Highlight);
    const QColor behind = parentWidget()->palette().color(QPalette::Window);
    // Then the highlight is moved towards the text colour, keeping its hue, until it stands out.
    const QColor text = palette().color(QPalette::WindowText);
    for (int step = 1; step <= 10 && contrastRatio(colour, behind) < 3.0; ++step) {
        const QColor h = palette().color(QPalette::Active, QPalette::Highlight);
        const float t = step / 10.0f;
        colour = QColor::fromRgbF(h.redF() + (text.redF() - h.redF()) * t, h.greenF() + (text.greenF() - h.greenF()) * t,
                                  h.blueF() + (text.blueF() - h.blueF()) * t);
    }
    // Two filled bands of kWidth pixels each side: crisp at any scale, no antialiased blur.
    QRegion band(ring);
    band -= QRegion(around);
    painter.setClipRegion(band);
    painter.fillRect(ring, colour);
}

void enableKeyboard(QWidget *window, Dialogs &dialogs)
{
    new FocusRing(window);
    auto *enter = new EnterPresses(window);
    for (QPushButton *button : window->findChildren<QPushButton *>())
        button->installEventFilter(enter);
    addHelpKey(window, dialogs);
}

void addHelpKey(QWidget *window, Dialogs &dialogs)
{
    auto *help = new QShortcut(QKeySequence::HelpContents, window);
    QObject::connect(help, &QShortcut::activated, window, [window, &dialogs] {
        dialogs.message(window, keysHelpText(), applicationTitle(), Dialogs::Buttons::Ok, Dialogs::Icon::None);
    });
}

QShortcut *addButtonShortcut(QAbstractButton *button, const QKeySequence &keys)
{
    auto *shortcut = new QShortcut(keys, button->window());
    QObject::connect(shortcut, &QShortcut::activated, button, [button] {
        if (button->isEnabled())
            button->click();
    });
    button->setToolTip(KeyTexts::withKeys(button->toolTip(), keys));
    return shortcut;
}

bool scrollPaneByKey(PreviewPane &pane, int key, Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers & Qt::ShiftModifier;
    auto setValue = [&pane](bool horizontal, long long value) {
        const PaneScrollBar &bar = horizontal ? pane.hBar() : pane.vBar();
        if (!bar.enabled)
            return;
        const int clamped = int(std::clamp<long long>(value, 0, bar.maximum));
        if (horizontal)
            pane.setHScrollValue(clamped);
        else
            pane.setVScrollValue(clamped);
    };
    auto moveBy = [&](bool horizontal, int twips) {
        const PaneScrollBar &bar = horizontal ? pane.hBar() : pane.vBar();
        const int unit = horizontal ? pane.horizontalUnit() : pane.verticalUnit();
        if (unit <= 0)
            return;
        // Whole bar steps, at least one, so that every press moves the picture.
        int steps = twips / unit;
        if (steps == 0)
            steps = twips > 0 ? 1 : -1;
        setValue(horizontal, static_cast<long long>(bar.value) + steps);
    };
    switch (key) {
    case Qt::Key_Left: moveBy(true, -kArrowKeyTwips); break;
    case Qt::Key_Right: moveBy(true, kArrowKeyTwips); break;
    case Qt::Key_Up: moveBy(false, -kArrowKeyTwips); break;
    case Qt::Key_Down: moveBy(false, kArrowKeyTwips); break;
    case Qt::Key_PageUp: moveBy(shift, -(shift ? pane.innerWidth() : pane.innerHeight())); break;
    case Qt::Key_PageDown: moveBy(shift, shift ? pane.innerWidth() : pane.innerHeight()); break;
    case Qt::Key_Home:
        setValue(true, 0);
        setValue(false, 0);
        break;
    case Qt::Key_End:
        setValue(true, pane.hBar().maximum);
        setValue(false, pane.vBar().maximum);
        break;
    default:
        return false;
    }
    return true;
}

QString keysHelpText() { return KeyTexts::help(); }

} // namespace lumivex
