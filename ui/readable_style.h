// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QProxyStyle>

class QWidget;

namespace lumivex {

// WCAG relative luminance of a colour and the contrast ratio of two (1 to 21).
double relativeLuminance(const QColor &colour);
double contrastRatio(const QColor &a, const QColor &b);

// The colour for a mark (a radio button's circle, a slider's ticks) on `background`: the least
// step from the background towards `foreground` that stands out by at least 3.5:1 (the bound
// for such marks is 3:1; the margin covers antialiased edges), else `foreground` itself.
QColor markColour(const QColor &background, const QColor &foreground);

// The application's style, with the marks many styles draw in a shade of the window colour
// (faint on light themes, nearly invisible on dark ones) drawn again in markColour: the outline
// of option buttons, the tick marks of sliders, and the frame of lists.
class ReadableMarksStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;
};

// Gives the option buttons, sliders and lists of a window the readable marks.
void useReadableMarks(QWidget *window);

} // namespace lumivex
