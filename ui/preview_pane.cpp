// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preview_pane.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace lumivex {

namespace {
constexpr int kBarLimit = 32767;
}

int PreviewPane::roundHalfEven(double value) { return int(std::nearbyint(value)); }

void PreviewPane::fitAxis(int excess, PaneScrollBar &bar, int &unit, int &position)
{
    position = 0;
    if (excess <= 0) {
        bar.enabled = false;
        unit = 0;
        return;
    }
    bar.enabled = true;
    if (excess <= 100) {
        unit = 1;
        bar.maximum = roundHalfEven(excess);
    } else {
        unit = 10;
        int maximum = roundHalfEven(excess / 10.0);
        if (maximum > kBarLimit) {
            // Too wide for a 16-bit bar at 10 twips a step: widen the step so the bar still
            // reaches the far edge.
            unit = (excess + kBarLimit - 1) / kBarLimit;
            maximum = (excess + unit - 1) / unit;
        }
        bar.maximum = maximum;
    }
    setBarValue(bar, 0, unit, position, excess);
}

PreviewPane::Size PreviewPane::fittedSize(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0)
        return {std::max(0, pictureWidth), std::max(0, pictureHeight)};
    if (pictureWidth <= areaWidth && pictureHeight <= areaHeight)
        return {pictureWidth, pictureHeight};
    // Compare the two ratios exactly (cross-multiplied in 64 bits) to pick the side that meets
    // the area; only the other side is scaled and rounded.
    if (std::int64_t(areaWidth) * pictureHeight <= std::int64_t(areaHeight) * pictureWidth) {
        const double height = double(pictureHeight) * areaWidth / pictureWidth;
        return {areaWidth, std::clamp(roundHalfEven(height), 1, areaHeight)};
    }
    const double width = double(pictureWidth) * areaHeight / pictureHeight;
    return {std::clamp(roundHalfEven(width), 1, areaWidth), areaHeight};
}

int PreviewPane::shownWidth() const
{
    return m_fitted ? fittedSize(m_pictureWidth, m_pictureHeight, innerWidth(), innerHeight()).width : m_pictureWidth;
}

int PreviewPane::shownHeight() const
{
    return m_fitted ? fittedSize(m_pictureWidth, m_pictureHeight, innerWidth(), innerHeight()).height : m_pictureHeight;
}

void PreviewPane::FitPreviewPane()
{
    fitAxis(shownWidth() - m_viewportWidth, m_hBar, m_hUnit, m_left);
    fitAxis(shownHeight() - m_viewportHeight, m_vBar, m_vUnit, m_top);
}

void PreviewPane::setBarValue(PaneScrollBar &bar, int value, int unit, int &position, int excess)
{
    value = std::clamp(value, 0, std::max(0, bar.maximum));
    if (value == bar.value)
        return; // no change event: the picture stays where it is
    bar.value = value;
    position = -(unit * value);
    // A widened step may overshoot the far edge by less than one step.
    if (unit > 10 && excess > 0)
        position = std::max(position, -excess);
}

void PreviewPane::setHScrollValue(int value)
{
    setBarValue(m_hBar, value, m_hUnit, m_left, shownWidth() - m_viewportWidth);
}

void PreviewPane::setVScrollValue(int value)
{
    setBarValue(m_vBar, value, m_vUnit, m_top, shownHeight() - m_viewportHeight);
}

void PreviewPane::wheel(int angleDelta, bool horizontal)
{
    const PaneScrollBar &bar = horizontal ? m_hBar : m_vBar;
    const int unit = horizontal ? m_hUnit : m_vUnit;
    if (!bar.enabled || unit <= 0 || angleDelta == 0)
        return;
    // Turning the wheel away from the user (a positive delta) shows what lies above or left.
    int steps = roundHalfEven(-angleDelta / 120.0 * kWheelNotchTwips / unit);
    if (steps == 0)
        steps = angleDelta > 0 ? -1 : 1;
    const long long target = std::clamp<long long>(static_cast<long long>(bar.value) + steps, 0, bar.maximum);
    if (horizontal)
        setHScrollValue(int(target));
    else
        setVScrollValue(int(target));
}

void PreviewPane::mouseDown(DragAnchor &anchor, float x, float y) const
{
    anchor.x = x;
    anchor.y = y;
}

void PreviewPane::mouseMove(const DragAnchor &anchor, bool buttonHeld, float x, float y)
{
    if (!buttonHeld)
        return;
    // A picture that fits the inner area along an axis stays at its edge there: pushing it
    // against the far side would only hide part of the viewport's content for no gain.
    const int width = shownWidth(), height = shownHeight();
    double newLeft = 0;
    if (width > innerWidth()) {
        newLeft = m_left - anchor.x + x;
        if (newLeft > 0)
            newLeft = 0;
        else if (newLeft < innerWidth() - width)
            newLeft = innerWidth() - width;
    }
    double newTop = 0;
    if (height > innerHeight()) {
        newTop = m_top - anchor.y + y;
        if (newTop > 0)
            newTop = 0;
        else if (newTop < innerHeight() - height)
            newTop = innerHeight() - height;
    }
    m_left = int(std::lround(newLeft));
    m_top = int(std::lround(newTop));
}

void PreviewPane::mouseUp()
{
    const int dw = shownWidth() - m_viewportWidth;
    const int dh = shownHeight() - m_viewportHeight;
    // Equal sizes give no percentage for that axis; its bar stays as it is.
    if (dw != 0)
        SetHScrollbarByPercent(roundHalfEven(std::abs(m_left) / double(dw) * 100.0));
    if (dh != 0)
        SetVScrollbarByPercent(roundHalfEven(std::abs(m_top) / double(dh) * 100.0));
}

int PreviewPane::percentValue(const PaneScrollBar &bar, int percent)
{
    return roundHalfEven(percent / 100.0 * bar.maximum);
}

void PreviewPane::SetHScrollbarByPercent(int percent)
{
    if (percent < 0)
        return;
    setHScrollValue(percentValue(m_hBar, percent));
}

void PreviewPane::SetVScrollbarByPercent(int percent)
{
    if (percent < 0)
        return;
    setVScrollValue(percentValue(m_vBar, percent));
}

} // namespace lumivex
