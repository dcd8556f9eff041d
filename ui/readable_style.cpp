// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/readable_style.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

namespace lumivex {

double relativeLuminance(const QColor &colour)
{
    auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor markColour(const QColor &background, const QColor &foreground)
{
    for (int percent = 40; percent < 100; percent += 5) {
        const double t = percent / 100.0;
        const QColor mixed = QColor::fromRgbF(float(background.redF() + (foreground.redF() - background.redF()) * t),
                                              float(background.greenF() + (foreground.greenF() - background.greenF()) * t),
                                              float(background.blueF() + (foreground.blueF() - background.blueF()) * t));
        if (contrastRatio(mixed, background) >= 3.5)
            return mixed;
    }
    return foreground;
}

namespace {

QColor markOn(const QPalette &palette)
{
    return markColour(palette.color(QPalette::Window), palette.color(QPalette::WindowText));
}

} // namespace

void ReadableMarksStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                       const QWidget *widget) const
{
    if (element == PE_Frame && qobject_cast<const QAbstractItemView *>(widget)) {
        // A list's edge as filled bands, not a one-pixel line: at a fractional scale a line can
        // fall between device pixels and the list loses its frame.
        const QRect r = option->rect;
        const int width = std::max(1, proxy()->pixelMetric(PM_DefaultFrameWidth, option, widget) / 2);
        QRegion edge(r);
        edge -= QRegion(r.adjusted(width, width, -width, -width));
        painter->save();
        painter->setClipRegion(edge, Qt::IntersectClip);
        painter->fillRect(r, markOn(option->palette));
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_IndicatorRadioButton)
        return;
    // A circle drawn over the style's own outline, inside the indicator's square.
    const QRectF square = QRectF(option->rect);
    const double side = std::min(square.width(), square.height());
    const double pen = std::max(1.5, side / 8.0);
    const QRectF circle(square.center().x() - side / 2 + pen / 2, square.center().y() - side / 2 + pen / 2,
                        side - pen, side - pen);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(markOn(option->palette), pen));
    painter->drawEllipse(circle);
    painter->restore();
}

void ReadableMarksStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                            QPainter *painter, const QWidget *widget) const
{
    const auto *slider = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (control != CC_Slider || !slider || !(slider->subControls & SC_SliderTickmarks) ||
        slider->tickPosition == QSlider::NoTicks) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    QStyleOptionSlider rest(*slider);
    rest.subControls &= ~SC_SliderTickmarks;
    QProxyStyle::drawComplexControl(control, &rest, painter, widget);

    // The ticks where the handle's centre stands at each tick value, as the usual styles put them.
    const bool horizontal = slider->orientation == Qt::Horizontal;
    const QRect r = slider->rect;
    const int length = proxy()->pixelMetric(PM_SliderLength, slider, widget);
    const int tickSize = std::max(3, proxy()->pixelMetric(PM_SliderTickmarkOffset, slider, widget));
    const int span = (horizontal ? r.width() : r.height()) - length;
    int interval = slider->tickInterval > 0 ? slider->tickInterval : slider->singleStep;
    if (interval <= 0 || span <= 0)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(markOn(slider->palette), 1));
    const bool before = slider->tickPosition & QSlider::TicksAbove;
    const bool after = slider->tickPosition & QSlider::TicksBelow;
    for (long long v = slider->minimum; v <= slider->maximum; v += interval) {
        const int pos = sliderPositionFromValue(slider->minimum, slider->maximum, int(v), span, slider->upsideDown) +
                        length / 2;
        if (horizontal) {
            const int x = r.left() + pos;
            if (before)
                painter->drawLine(x, r.top() + 1, x, r.top() + tickSize);
            if (after)
                painter->drawLine(x, r.bottom() - tickSize, x, r.bottom() - 1);
        } else {
            const int y = r.top() + pos;
            if (before)
                painter->drawLine(r.left() + 1, y, r.left() + tickSize, y);
            if (after)
                painter->drawLine(r.right() - tickSize, y, r.right() - 1, y);
        }
    }
    painter->restore();
}

void useReadableMarks(QWidget *window)
{
    // One style for the whole program, made from the application's own; it lives as long as the
    // application, so no control outlives the style it paints with.
    static ReadableMarksStyle *style = [] {
        auto *made = new ReadableMarksStyle(QStyleFactory::create(QApplication::style()->name()));
        made->setParent(qApp);
        return made;
    }();
    for (QWidget *child : window->findChildren<QWidget *>())
        if (qobject_cast<QRadioButton *>(child) || qobject_cast<QSlider *>(child) ||
            qobject_cast<QAbstractItemView *>(child))
            child->setStyle(style);
}

} // namespace lumivex
