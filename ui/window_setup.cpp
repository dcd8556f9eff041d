// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_setup.h"

#include "core/paths.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>
#include <QWidget>

#include <algorithm>

namespace lumivex {

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

void CenterForm(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || !window)
        return;
    const QRect whole = screen->geometry();
    const QSize outer = window->frameGeometry().size();
    int x = whole.x() + (whole.width() - outer.width()) / 2;
    int y = whole.y() + (whole.height() - outer.height()) / 2;
    // Before the window manager has framed the window its frame is unknown: keep room for one.
    const QSize framed = outer == window->size() ? outer + kFrameAllowance : outer;
    const QRect available = screen->availableGeometry();
    x = std::max(available.left(), std::min(x, available.left() + available.width() - framed.width()));
    y = std::max(available.top(), std::min(y, available.top() + available.height() - framed.height()));
    window->move(x, y);
}

QColor pageColor(const QPalette &palette)
{
    if (palette.color(QPalette::WindowText).lightness() < 128)
        return Qt::white;
    return palette.color(QPalette::Base);
}

void ApplyButtonFaceColors(QWidget *window)
{
    if (!window)
        return;
    const QColor face = QGuiApplication::palette().color(QPalette::Button);
    auto recolour = [&](QWidget *widget) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, face);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    };
    recolour(window);
    for (QWidget *child : window->findChildren<QWidget *>()) {
        if (qobject_cast<QRadioButton *>(child) || qobject_cast<QCheckBox *>(child) ||
            qobject_cast<QGroupBox *>(child) || qobject_cast<QLabel *>(child))
            recolour(child);
    }
}

namespace {
int naturalTwipsPerPixel()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    if (dpi <= 0)
        return 15;
    return int(1440.0 / dpi + 0.5);
}
} // namespace

int fittingTwipsPerPixel(int natural, const QSize &available, const QSize &layoutTwips, const QSize &frame)
{
    const int width = available.width() - frame.width();
    const int height = available.height() - frame.height();
    if (width <= 0 || height <= 0)
        return natural;
    // Rounding to whole pixels cannot push a size past the room: twips / count <= room, and the
    // room is whole.
    auto ceilDiv = [](int a, int b) { return (a + b - 1) / b; };
    return std::max({natural, ceilDiv(layoutTwips.width(), width), ceilDiv(layoutTwips.height(), height)});
}

int twipsPerPixel()
{
    static int decided = 0;
    if (decided)
        return decided;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return naturalTwipsPerPixel();
    // Both windows share one scale, so text and buttons look the same in each.
    const QSize layout = kMainWindowTwips.expandedTo(kResultsWindowTwips);
    decided = fittingTwipsPerPixel(naturalTwipsPerPixel(), screen->availableGeometry().size(), layout, kFrameAllowance);
    return decided;
}

int twipsToPixels(int twips)
{
    const int per = twipsPerPixel();
    return (twips + per / 2) / per;
}

int markedTextWidth(const QWidget *widget)
{
    const auto *button = qobject_cast<const QAbstractButton *>(widget);
    const bool radio = qobject_cast<const QRadioButton *>(widget) != nullptr;
    if (!button || !(radio || qobject_cast<const QCheckBox *>(widget)))
        return 0;
    const QStyle *style = widget->style();
    const int mark = style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, nullptr, widget);
    const int spacing = style->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing,
                                           nullptr, widget);
    return mark + spacing + widget->fontMetrics().horizontalAdvance(button->text());
}

int markedTextHeight(const QWidget *widget)
{
    const bool radio = qobject_cast<const QRadioButton *>(widget) != nullptr;
    if (!(radio || qobject_cast<const QCheckBox *>(widget)))
        return 0;
    const int mark = widget->style()->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight,
                                                  nullptr, widget);
    // The style's focus rectangle and antialiased edge need a pixel each side.
    return std::max(mark + 2, widget->fontMetrics().height());
}

void placeInTwips(QWidget *widget, int left, int top, int width, int height)
{
    QRect place(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    const int needed = markedTextWidth(widget);
    if (twipsPerPixel() > naturalTwipsPerPixel() && needed > 0) {
        place.setWidth(std::max(place.width(), needed));
        // The mark keeps its whole height too, centred where the design put the control.
        const int markHeight = markedTextHeight(widget);
        if (place.height() < markHeight) {
            place.setTop(place.top() - (markHeight - place.height()) / 2);
            place.setHeight(markHeight);
        }
        // A widened option before it in the row pushes it along rather than being covered, and
        // keeps the gap between a text and a mark that a text and its own mark have.
        if (const QWidget *parent = widget->parentWidget()) {
            const int gap = widget->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, widget);
            for (const QWidget *sibling : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (sibling != widget && markedTextWidth(sibling) > 0 &&
                    sibling->geometry().adjusted(0, 0, gap, 0).intersects(place)) {
                    // Where the frame is too narrow for the whole gap, as much of it as fits.
                    const int right = sibling->geometry().right();
                    place.moveLeft(std::max(right + 1, std::min(right + 1 + gap, parent->width() - place.width())));
                }
            }
        }
    }
    widget->setGeometry(place);
}

namespace {
QFont boldArial(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

// Where the layout fits this is exactly 1, and the designed sizes stay exact.
double layoutScale() { return double(naturalTwipsPerPixel()) / twipsPerPixel(); }
} // namespace

QFont textFont() { return boldArial(9 * layoutScale()); }
QFont buttonFont() { return boldArial(11.25 * layoutScale()); }

bool cursorHotSpot(const QByteArray &file, QPoint *hotSpot)
{
    auto word = [&](int offset) {
        return int(quint8(file[offset])) | (int(quint8(file[offset + 1])) << 8);
    };
    if (file.size() < 6 + 16 || word(0) != 0 || word(2) != 2 || word(4) < 1)
        return false;
    *hotSpot = QPoint(word(6 + 4), word(6 + 6));
    return true;
}

bool loadCursorFile(const QString &path, QCursor *cursor)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    QPixmap pixmap;
    pixmap.loadFromData(bytes, "CUR");
    QPoint hot;
    if (pixmap.isNull() || !cursorHotSpot(bytes, &hot)) {
        // A file that is there but unreadable still means "show a hand".
        *cursor = QCursor(Qt::PointingHandCursor);
        return true;
    }
    hot.setX(std::min(hot.x(), pixmap.width() - 1));
    hot.setY(std::min(hot.y(), pixmap.height() - 1));
    *cursor = QCursor(pixmap, hot.x(), hot.y());
    return true;
}

bool loadHandCursor(QCursor *cursor)
{
    const QString path = programDataPath(QStringLiteral("HAND-M.CUR"));
    if (!FileExists(path))
        return false;
    return loadCursorFile(path, cursor);
}

void showValueTips(QSlider *slider)
{
    auto text = [](int value) { return QString::number(value); };
    slider->setToolTip(text(slider->value()));
    QObject::connect(slider, &QSlider::valueChanged, slider,
                     [slider, text](int value) { slider->setToolTip(text(value)); });
    QObject::connect(slider, &QSlider::sliderMoved, slider, [slider, text](int position) {
        // Above the handle, where the finger on the mouse does not hide it.
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = position;
        option.sliderValue = position;
        const QRect handle =
            slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
        const QPoint at = slider->mapToGlobal(QPoint(handle.center().x(), handle.top()));
        QToolTip::showText(at, text(position), slider);
        slider->setToolTip(text(position));
    });
}

void applyPointer(QWidget *window, PointerState::Pointer pointer, const QCursor *hand)
{
    switch (pointer) {
    case PointerState::Pointer::Busy:
        window->setCursor(Qt::WaitCursor);
        break;
    case PointerState::Pointer::Custom:
        if (hand)
            window->setCursor(*hand);
        else
            window->unsetCursor();
        break;
    case PointerState::Pointer::Default:
        window->unsetCursor();
        break;
    }
}

QIcon applicationIcon()
{
    // The installed theme icon where there is one; else a small sun over a slider, drawn, so a
    // build tree needs no icon file.
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2b, 0x5d, 0x9c));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(2, 2, 60, 60, 12, 12);
    painter.setBrush(QColor(0xff, 0xc8, 0x3d));
    painter.drawEllipse(QPointF(32, 26), 13, 13);
    painter.setBrush(Qt::white);
    painter.drawRect(10, 46, 44, 4);
    painter.drawEllipse(QPointF(40, 48), 6, 6);
    return QIcon::fromTheme(QStringLiteral("com.quenwick.Lumivex"), QIcon(pixmap));
}

} // namespace lumivex
