// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/compare_view.h"

#include "core/dialogs.h"
#include "core/paths.h"
#include "core/settings_store.h"
#include "ui/accessibility.h"
#include "ui/window_setup.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

namespace lumivex {

namespace {

const char kGeometryKey[] = "Compare Window";
const char kSplitKey[] = "Compare Split";

QString adjustmentTitle(AdjustmentKind kind)
{
    switch (kind) {
    case AdjustmentKind::Brightness:
        return CompareView::tr("Brightness");
    case AdjustmentKind::Contrast:
        return CompareView::tr("Contrast");
    case AdjustmentKind::Softening:
        return CompareView::tr("Softening");
    case AdjustmentKind::Sharpening:
        return CompareView::tr("Sharpening");
    }
    QString name = QString::fromLatin1(adjustmentInfo(kind).name);
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

QString keyText(const QKeySequence &key) { return key.toString(QKeySequence::NativeText); }

} // namespace

// ---- The canvas --------------------------------------------------------------------------------

CompareCanvas::CompareCanvas(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
    setAccessibleName(tr("Before and After"));
    setAccessibleDescription(tr("The picture before and after the adjustment, at the same place and scale"));
}

void CompareCanvas::setPictures(const QImage &before, const QImage &after)
{
    m_before = before;
    m_after = after;
    // While the next picture is being made the zoom keeps the last one's size, so that stepping
    // through pictures of one size keeps showing the same region.
    const QImage &sized = before.isNull() ? after : before;
    if (!sized.isNull())
        m_zoom.setPictureSize(sized.size());
    m_dirty = true;
    update();
}

void CompareCanvas::setNotes(const QString &before, const QString &after)
{
    m_beforeNote = before;
    m_afterNote = after;
    m_dirty = true;
    update();
}

void CompareCanvas::zoomChanged()
{
    m_dirty = true;
    update();
    emit zoomed();
}

void CompareCanvas::setSplit(bool split)
{
    if (split == m_split)
        return;
    m_split = split;
    layoutHalves();
    zoomChanged();
}

void CompareCanvas::setDivider(double fraction)
{
    m_divider = std::clamp(fraction, 0.0, 1.0);
    m_dirty = true;
    update();
}

QRect CompareCanvas::pictureArea(bool after) const { return m_areas[after ? 1 : 0]; }

void CompareCanvas::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutHalves();
    m_dirty = true;
}

void CompareCanvas::layoutHalves()
{
    const qreal dpr = devicePixelRatioF();
    const int w = int(std::ceil(width() * dpr)), h = int(std::ceil(height() * dpr));
    const int margin = int(std::lround(3 * dpr));
    const int gap = int(std::lround(6 * dpr));
    const int caption = int(std::lround((fontMetrics().height() + 6) * dpr));
    const QRect inner(margin, margin, std::max(0, w - 2 * margin), std::max(0, h - 2 * margin));
    auto split = [&](const QRect &half, int k) {
        m_captions[k] = QRect(half.left(), half.top(), half.width(), caption);
        m_areas[k] = QRect(half.left(), half.top() + caption, half.width(), std::max(1, half.height() - caption));
    };
    if (m_split) {
        split(inner, 0);
        split(inner, 1);
    } else if (width() >= height()) {
        const int half = std::max(1, (inner.width() - gap) / 2);
        split(QRect(inner.left(), inner.top(), half, inner.height()), 0);
        split(QRect(inner.left() + half + gap, inner.top(), half, inner.height()), 1);
    } else {
        const int half = std::max(1, (inner.height() - gap) / 2);
        split(QRect(inner.left(), inner.top(), inner.width(), half), 0);
        split(QRect(inner.left(), inner.top() + half + gap, inner.width(), half), 1);
    }
    m_zoom.setViewportSize(m_areas[0].size());
}

int CompareCanvas::dividerX() const
{
    const QRect &area = m_areas[0];
    return area.left() + int(std::lround(m_divider * area.width()));
}

bool CompareCanvas::nearDivider(QPointF device) const
{
    return m_split && std::abs(device.x() - dividerX()) <= 6 * devicePixelRatioF() &&
           device.y() >= m_areas[0].top() && device.y() <= m_areas[0].bottom();
}

QPointF CompareCanvas::devicePoint(QPointF logical) const { return logical * devicePixelRatioF(); }

QPointF CompareCanvas::anchorIn(QPointF device) const
{
    const QRect &area = !m_split && m_areas[1].contains(device.toPoint()) ? m_areas[1] : m_areas[0];
    return device - QPointF(area.topLeft());
}

void CompareCanvas::render()
{
    const qreal dpr = devicePixelRatioF();
    const QSize size(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)));
    if (m_frame.size() != size)
        m_frame = QImage(size, QImage::Format_RGB32);
    QPainter painter(&m_frame);
    painter.fillRect(m_frame.rect(), palette().color(QPalette::Window));
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * dpr);
    painter.setFont(font);
    drawHalf(painter, false);
    drawHalf(painter, true);

    painter.setClipping(false);
    painter.setPen(palette().color(QPalette::WindowText));
    const int pad = int(std::lround(4 * dpr));
    if (m_split) {
        const QRect c = m_captions[0].adjusted(pad, 0, -pad, 0);
        painter.drawText(c, Qt::AlignLeft | Qt::AlignVCenter, tr("Before"));
        painter.drawText(c, Qt::AlignRight | Qt::AlignVCenter, tr("After"));
        const int x = dividerX();
        const QRect &area = m_areas[0];
        const int thick = std::max(1, int(std::lround(2 * dpr)));
        painter.fillRect(QRect(x - thick / 2, area.top(), thick, area.height()), palette().color(QPalette::Highlight));
        const int knob = int(std::lround(10 * dpr));
        painter.fillRect(QRect(x - knob / 2, area.center().y() - knob, knob, 2 * knob), palette().color(QPalette::Highlight));
    } else {
        painter.drawText(m_captions[0].adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignVCenter, tr("Before"));
        painter.drawText(m_captions[1].adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignVCenter, tr("After"));
    }
    if (hasFocus()) {
        // The canvas takes the keys; a frame in the highlight colour says so.
        const int thick = std::max(2, int(std::lround(2 * dpr)));
        QPen pen(palette().color(QPalette::Highlight), thick);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(m_frame.rect()).adjusted(thick / 2.0, thick / 2.0, -thick / 2.0, -thick / 2.0));
    }
    m_dirty = false;
}

void CompareCanvas::drawHalf(QPainter &painter, bool after)
{
    const QRect area = pictureArea(after);
    QRect clip = area;
    if (m_split) {
        const int x = dividerX();
        clip = after ? QRect(QPoint(x, area.top()), area.bottomRight()) : QRect(area.topLeft(), QPoint(x - 1, area.bottom()));
    }
    painter.setClipRect(clip);
    const QColor back = palette().color(QPalette::Window).value() < 128 ? QColor(0x20, 0x20, 0x20) : QColor(0x80, 0x80, 0x80);
    painter.fillRect(clip, back);
    const QImage &picture = after ? m_after : m_before;
    const QString &note = after ? m_afterNote : m_beforeNote;
    if (picture.isNull()) {
        painter.setPen(back.value() < 128 ? QColor(0xe8, 0xe8, 0xe8) : Qt::black);
        const int pad = int(std::lround(12 * devicePixelRatioF()));
        painter.drawText(clip.adjusted(pad, pad, -pad, -pad), Qt::AlignCenter | Qt::TextWordWrap, note);
        return;
    }
    const double scale = m_zoom.scale();
    const QPointF origin = QPointF(area.topLeft()) + m_zoom.origin();
    if (scale == 1) {
        // One picture pixel on one screen pixel, copied as it is.
        painter.drawImage(QPoint(int(std::lround(origin.x())), int(std::lround(origin.y()))), picture);
        return;
    }
    // Both halves go through exactly this, so the After is scaled as the Before is.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scale < 1);
    painter.drawImage(QRectF(origin, QSizeF(picture.width() * scale, picture.height() * scale)), picture,
                      QRectF(picture.rect()));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

void CompareCanvas::paintEvent(QPaintEvent *)
{
    const qreal dpr = devicePixelRatioF();
    if (m_frame.size() != QSize(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)))) {
        layoutHalves(); // moved to a screen of another scale
        m_dirty = true;
    }
    if (m_dirty)
        render();
    QPainter painter(this);
    QImage shown = m_frame;
    shown.setDevicePixelRatio(dpr);
    painter.drawImage(QPoint(0, 0), shown);
    emit painted();
}

void CompareCanvas::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_dirty = true;
    update();
}

void CompareCanvas::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_dirty = true;
    update();
}

void CompareCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_last = devicePoint(event->position());
    m_drag = nearDivider(m_last) ? Drag::Divider : Drag::Pan;
    if (m_drag == Drag::Pan)
        setCursor(Qt::ClosedHandCursor);
}

void CompareCanvas::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = devicePoint(event->position());
    if (m_drag == Drag::Pan) {
        const QPointF d = p - m_last;
        m_last = p;
        m_zoom.panBy(d.x(), d.y());
        zoomChanged();
        return;
    }
    if (m_drag == Drag::Divider) {
        const QRect &area = m_areas[0];
        setDivider((p.x() - area.left()) / std::max(1, area.width()));
        return;
    }
    setCursor(nearDivider(p) ? Qt::SplitHCursor : m_zoom.isFitted() ? Qt::ArrowCursor : Qt::OpenHandCursor);
}

void CompareCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    m_drag = Drag::None;
    setCursor(nearDivider(devicePoint(event->position())) ? Qt::SplitHCursor
                                                          : m_zoom.isFitted() ? Qt::ArrowCursor : Qt::OpenHandCursor);
}

void CompareCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF p = devicePoint(event->position());
    if (nearDivider(p))
        return;
    if (m_zoom.isFitted())
        m_zoom.zoomTo(1, anchorIn(p));
    else
        m_zoom.fit();
    zoomChanged();
}

void CompareCanvas::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    const QPointF p = devicePoint(event->position());
    if (event->modifiers() & Qt::ControlModifier) {
        const int steps = delta.y() > 0 ? 1 : delta.y() < 0 ? -1 : 0;
        m_zoom.zoomBy(steps, anchorIn(p));
        zoomChanged();
        event->accept();
        return;
    }
    // A notch moves an eighth of the view, as the arrow keys do.
    const QSize view = m_zoom.viewportSize();
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || (delta.y() == 0 && delta.x() != 0);
    const int amount = delta.y() != 0 ? delta.y() : delta.x();
    const double notches = amount / 120.0;
    if (sideways)
        m_zoom.panBy(std::round(notches * view.width() / 8), 0);
    else
        m_zoom.panBy(0, std::round(notches * view.height() / 8));
    zoomChanged();
    event->accept();
}

// ---- The window --------------------------------------------------------------------------------

CompareView::CompareView(SettingsStore &settings, PreviewJob *shared, QWidget *parent)
    : QWidget(parent, Qt::Window), m_settings(settings), m_ownJob(shared ? nullptr : std::make_unique<PreviewJob>()),
      m_job(shared ? shared : m_ownJob.get())
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(applicationIcon());
    // A top-level QWidget reads as a filler to a screen reader; this is a window of its own.
    setAccessibleRole(this, QAccessible::Window);
    createControls();
    m_canvas->setSplit(m_settings.GetSetting(QLatin1String(kSplitKey), QStringLiteral("False")) == QLatin1String("True"));
    createActions();
    connect(m_job, &PreviewJob::finished, this, &CompareView::received);
    connect(m_canvas, &CompareCanvas::painted, this, [this] {
        if (m_afterPending) {
            m_afterPending = false;
            emit afterShown();
        }
    });
    connect(m_canvas, &CompareCanvas::zoomed, this, [this] { updateStatus(); });
    updateTitle();
}

CompareView::~CompareView()
{
    if (isVisible())
        storeGeometry();
}

void CompareView::createControls()
{
    m_canvas = new CompareCanvas(this);
    m_status = new QLabel(this);
    m_status->setAccessibleName(tr("Picture, adjustment and zoom"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(6, 6, 6, 0);
    bar->setSpacing(4);
    for (int i = 0; i < 8; ++i) {
        auto *button = new QToolButton(this);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        m_buttons.push_back(button);
        bar->addWidget(button);
        if (i == 1 || i == 5)
            bar->addSpacing(12);
    }
    bar->addSpacing(12);
    bar->addWidget(m_status, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(bar);
    layout->addWidget(m_canvas, 1);
    setFocusProxy(m_canvas);
}

QAction *CompareView::command(const QString &text, const QList<QKeySequence> &keys, std::function<void()> run)
{
    auto *action = new QAction(text, this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(tr("%1 (%2)").arg(text, keyText(keys.first())));
    addAction(action);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    return action;
}

void CompareView::createActions()
{
    previousAction = command(tr("Previous picture"), {QKeySequence(Qt::Key_PageUp)}, [this] { showPrevious(); });
    nextAction = command(tr("Next picture"), {QKeySequence(Qt::Key_PageDown)}, [this] { showNext(); });
    fitAction = command(tr("Fit"), {QKeySequence(Qt::Key_F), QKeySequence(Qt::Key_0)}, [this] { fit(); });
    actualSizeAction = command(tr("100 %"), {QKeySequence(Qt::Key_1)}, [this] { actualSize(); });
    zoomOutAction = command(tr("Zoom out"),
                            {QKeySequence(Qt::Key_Minus), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus),
                             QKeySequence(QKeySequence::ZoomOut)},
                            [this] { zoomOut(); });
    zoomInAction = command(tr("Zoom in"),
                           {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal),
                            QKeySequence(Qt::KeypadModifier | Qt::Key_Plus), QKeySequence(QKeySequence::ZoomIn)},
                           [this] { zoomIn(); });
    splitAction = command(tr("Split view"), {QKeySequence(Qt::Key_S)}, [this] { toggleSplit(); });
    splitAction->setCheckable(true);
    splitAction->setChecked(m_canvas->isSplit());
    splitAction->setToolTip(tr("Split view (S); move the divider with [ and ]"));
    fullScreenAction = command(tr("Full screen"), {QKeySequence(Qt::Key_F11)}, [this] { toggleFullScreen(); });
    fullScreenAction->setCheckable(true);
    dividerLeftAction = command(tr("Move the divider left"), {QKeySequence(Qt::Key_BracketLeft)},
                                [this] { dividerLeft(); });
    dividerRightAction = command(tr("Move the divider right"), {QKeySequence(Qt::Key_BracketRight)},
                                 [this] { dividerRight(); });
    panLeftAction = command(tr("Pan left"), {QKeySequence(Qt::Key_Left)}, [this] { pan(-1, 0); });
    panRightAction = command(tr("Pan right"), {QKeySequence(Qt::Key_Right)}, [this] { pan(1, 0); });
    panUpAction = command(tr("Pan up"), {QKeySequence(Qt::Key_Up)}, [this] { pan(0, -1); });
    panDownAction = command(tr("Pan down"), {QKeySequence(Qt::Key_Down)}, [this] { pan(0, 1); });
    closeAction = command(tr("Close"), {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)},
                          [this] { leaveOrClose(); });
    closeAction->setToolTip(tr("Leave full screen, or close the view (Esc)"));

    QAction *shown[8] = {previousAction, nextAction, fitAction, actualSizeAction,
                         zoomOutAction, zoomInAction, splitAction, fullScreenAction};
    const QString labels[8] = {tr("\u25C0 Previous"), tr("Next \u25B6"), tr("Fit"), QStringLiteral("100 %"),
                               QStringLiteral("\u2212"), QStringLiteral("+"), tr("Split"), tr("Full screen")};
    for (int i = 0; i < 8; ++i) {
        // The button shows the short text; its name for a screen reader is the command's own.
        shown[i]->setIconText(labels[i]);
        m_buttons[std::size_t(i)]->setDefaultAction(shown[i]);
        m_buttons[std::size_t(i)]->setAccessibleName(shown[i]->text());
    }
}

void CompareView::fit()
{
    m_canvas->zoom().fit();
    m_canvas->zoomChanged();
}

void CompareView::actualSize()
{
    m_canvas->zoom().zoomTo(1);
    m_canvas->zoomChanged();
}

void CompareView::zoomIn()
{
    m_canvas->zoom().zoomBy(1);
    m_canvas->zoomChanged();
}

void CompareView::zoomOut()
{
    m_canvas->zoom().zoomBy(-1);
    m_canvas->zoomChanged();
}

void CompareView::pan(int dx, int dy)
{
    // The keys move the view over the picture: Right shows more of the right, as a scroll bar does.
    const QSize view = m_canvas->zoom().viewportSize();
    m_canvas->zoom().panBy(-dx * std::round(view.width() / 8.0), -dy * std::round(view.height() / 8.0));
    m_canvas->zoomChanged();
}

void CompareView::toggleSplit()
{
    m_canvas->setSplit(!m_canvas->isSplit());
    splitAction->setChecked(m_canvas->isSplit());
    m_settings.SaveSetting(QLatin1String(kSplitKey), booleanText(m_canvas->isSplit()));
}

void CompareView::dividerLeft() { m_canvas->setDivider(m_canvas->divider() - 0.05); }
void CompareView::dividerRight() { m_canvas->setDivider(m_canvas->divider() + 0.05); }

void CompareView::toggleFullScreen()
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

void CompareView::leaveOrClose()
{
    if (isFullScreen())
        showNormal();
    else
        close();
}

void CompareView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && fullScreenAction)
        fullScreenAction->setChecked(isFullScreen());
}

// ---- What is shown -------------------------------------------------------------------------------

void CompareView::showPreview(const QString &source, AdjustmentKind kind, int strength)
{
    m_items.clear();
    m_current = -1;
    PreviewRequest r;
    r.source = source;
    r.kind = kind;
    r.strength = strength;
    request(std::move(r));
}

void CompareView::showNothing(const QString &why)
{
    m_items.clear();
    m_current = -1;
    m_wanted = PreviewRequest();
    m_shown = PreviewRequest();
    m_pending = false;
    m_canvas->setPictures(QImage(), QImage());
    m_canvas->setNotes(why, why);
    updateTitle();
    updateStatus();
}

void CompareView::showItems(std::vector<Item> items, int current)
{
    m_items = std::move(items);
    m_current = m_items.empty() ? -1 : std::clamp(current, 0, int(m_items.size()) - 1);
    showCurrentItem();
}

void CompareView::showNext()
{
    if (m_current >= 0 && m_current + 1 < int(m_items.size())) {
        ++m_current;
        showCurrentItem();
    }
}

void CompareView::showPrevious()
{
    if (m_current > 0) {
        --m_current;
        showCurrentItem();
    }
}

void CompareView::showCurrentItem()
{
    if (m_current < 0) {
        showNothing(tr("There are no results to show."));
        return;
    }
    const Item &item = m_items[std::size_t(m_current)];
    PreviewRequest r;
    r.source = item.source;
    r.kind = item.kind;
    r.strength = item.strength;
    r.result = item.result;
    request(std::move(r));
}

void CompareView::request(PreviewRequest r)
{
    const bool otherPicture = r.source != m_shown.source;
    m_wanted = r;
    m_wantedSerial = m_job->request(std::move(r), this);
    m_pending = true;
    if (otherPicture) {
        // Never another file's pixels under this one's name.
        m_canvas->setPictures(QImage(), QImage());
        m_canvas->setNotes(tr("Reading the picture\u2026"), tr("Making the result\u2026"));
        m_shown = PreviewRequest();
    }
    updateTitle();
    updateStatus();
}

void CompareView::received(const PreviewOutcome &outcome)
{
    // A picture for a row or item left since is of no use; one for a strength passed since is,
    // until the newer one arrives. What a window sharing the job asked for is that window's.
    if (outcome.asker != this)
        return;
    if (outcome.request.source != m_wanted.source || outcome.request.result.has_value() != m_wanted.result.has_value())
        return;
    m_pending = outcome.serial != m_wantedSerial;
    m_shown = outcome.request;
    m_canvas->setPictures(outcome.before, outcome.after);
    m_canvas->setNotes(outcome.beforeFailure, outcome.afterFailure);
    m_afterPending = true;
    updateStatus();
}

void CompareView::updateTitle()
{
    QStringList parts;
    if (!m_wanted.source.isEmpty()) {
        parts << GetFileNameFromPath(m_wanted.source);
        parts << adjustmentTitle(m_wanted.kind) + QLatin1Char(' ') + QString::number(m_wanted.strength);
        if (m_current >= 0)
            parts << tr("%1 of %2").arg(m_current + 1).arg(m_items.size());
    }
    parts << tr("Compare") << applicationTitle();
    setWindowTitle(parts.join(QStringLiteral(" \u2013 ")));
    const bool items = m_current >= 0;
    previousAction->setEnabled(items && m_current > 0);
    nextAction->setEnabled(items && m_current + 1 < int(m_items.size()));
}

void CompareView::updateStatus()
{
    QStringList parts;
    if (!m_wanted.source.isEmpty()) {
        // The title says the same, but a full-screen view has none.
        parts << GetFileNameFromPath(m_wanted.source);
        if (m_current >= 0)
            parts << tr("%1 of %2").arg(m_current + 1).arg(m_items.size());
        parts << adjustmentTitle(m_wanted.kind) + QLatin1Char(' ') + QString::number(m_wanted.strength);
        if (m_current >= 0 && m_items[std::size_t(m_current)].result.isEmpty())
            parts << tr("failed");
    }
    const ZoomPan &zoom = m_canvas->zoom();
    const QString percent = QString::number(zoom.scale() * 100, 'f', zoom.scale() < 0.1 ? 1 : 0) + QStringLiteral(" %");
    parts << (zoom.isFitted() ? tr("Fit (%1)").arg(percent) : percent);
    if (m_pending)
        parts << tr("updating\u2026");
    m_status->setText(parts.join(QStringLiteral("  \u00B7  ")));
    // A screen reader on the pictures hears what they show.
    m_canvas->setAccessibleDescription(parts.join(QStringLiteral(", ")));
}

void CompareView::present()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
    m_canvas->setFocus(Qt::OtherFocusReason);
}

// ---- Where the window is ---------------------------------------------------------------------------

void CompareView::restoreGeometry()
{
    const QStringList parts = m_settings.GetSetting(QLatin1String(kGeometryKey), QString()).split(QLatin1Char(','));
    QRect stored;
    if (parts.size() == 4) {
        bool ok[4] = {};
        stored = QRect(parts[0].toInt(&ok[0]), parts[1].toInt(&ok[1]), parts[2].toInt(&ok[2]), parts[3].toInt(&ok[3]));
        if (!(ok[0] && ok[1] && ok[2] && ok[3]) || stored.width() < 200 || stored.height() < 150)
            stored = QRect();
    }
    // A place on a screen no longer there, or mostly off it, is not kept.
    if (stored.isValid()) {
        for (QScreen *screen : QGuiApplication::screens()) {
            const QRect available = screen->availableGeometry();
            const QRect seen = available.intersected(stored);
            if (seen.width() >= 100 && seen.height() >= 100) {
                // A screen smaller now (or scaled up) gets the window inside it, not past its edges.
                QRect kept(stored.topLeft(), stored.size().boundedTo(available.size()));
                kept.moveLeft(std::clamp(kept.left(), available.left(), available.right() + 1 - kept.width()));
                kept.moveTop(std::clamp(kept.top(), available.top(), available.bottom() + 1 - kept.height()));
                setGeometry(kept);
                return;
            }
        }
    }
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize size(std::min(1280, available.width() * 9 / 10), std::min(860, available.height() * 9 / 10));
    setGeometry(QRect(available.center() - QPoint(size.width() / 2, size.height() / 2), size));
}

void CompareView::storeGeometry()
{
    if (!m_placed)
        return;
    const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
    m_settings.SaveSetting(QLatin1String(kGeometryKey),
                           QStringLiteral("%1,%2,%3,%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()));
}

void CompareView::showEvent(QShowEvent *event)
{
    if (!m_placed) {
        restoreGeometry();
        m_placed = true;
    }
    QWidget::showEvent(event);
}

void CompareView::hideEvent(QHideEvent *event)
{
    storeGeometry();
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return; // minimised: it comes back showing what it showed
    // Nothing is kept for a view no one sees; the next one decodes afresh. A shared job's decodes
    // are the other window's to keep or let go.
    m_wanted = PreviewRequest();
    m_shown = PreviewRequest();
    m_pending = false;
    m_canvas->setPictures(QImage(), QImage());
    if (m_ownJob)
        m_job->release();
}

void CompareView::closeEvent(QCloseEvent *event)
{
    storeGeometry();
    event->accept();
}

} // namespace lumivex
