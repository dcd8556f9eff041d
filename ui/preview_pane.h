// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace lumivex {

// A scroll bar as the pane sees it: 16-bit value and maximum, small and large change both 1.
struct PaneScrollBar {
    bool enabled = false;
    int value = 0;
    int maximum = 0;
};

// Where the pointer was, in the picture's own twips, when a button last went down on either
// picture. Both panes share one.
struct DragAnchor {
    float x = 0;
    float y = 0;
};

// One preview area in twips: a fixed viewport with a border, a picture inside it that is at
// left/top 0 or negative while scrolled, two bars and a scroll unit per axis. The widgets only
// mirror this.
class PreviewPane {
public:
    PreviewPane(int viewportWidth, int viewportHeight, int border)
        : m_viewportWidth(viewportWidth), m_viewportHeight(viewportHeight), m_border(border) {}

    void setPictureSize(int width, int height) { m_pictureWidth = width; m_pictureHeight = height; }

    // Whole-picture view: the picture is shown at the largest size that fits the viewport's
    // inner area with its aspect kept (never enlarged), so both bars are disabled while it
    // lasts. Takes effect at the next FitPreviewPane.
    void setFitted(bool fitted) { m_fitted = fitted; }
    bool fitted() const { return m_fitted; }
    // The size the picture is shown at: its own, or the fitted one.
    int shownWidth() const;
    int shownHeight() const;

    // Picture to the origin; each bar disabled when the picture fits, else stepping 1 twip for
    // an excess up to 100 twips and 10 twips beyond (more where 10 would overflow the 16-bit
    // maximum), the maximum rounded half to even, value 0.
    void FitPreviewPane();

    // A bar's value changed: the picture moves to minus unit × value.
    void setHScrollValue(int value);
    void setVScrollValue(int value);

    // The mouse wheel moves a bar by whole steps, about kWheelNotchTwips per notch of 120
    // (eighths of a degree), at least one step; the picture follows as for any bar change.
    void wheel(int angleDelta, bool horizontal);
    static constexpr int kWheelNotchTwips = 900;

    void mouseDown(DragAnchor &anchor, float x, float y) const;
    // Drags with any button held; the picture stays inside the viewport's inner area.
    void mouseMove(const DragAnchor &anchor, bool buttonHeld, float x, float y);
    // The bars follow the picture by whole percentages; the picture then settles on the bar's
    // grid position when the value changed.
    void mouseUp();

    // The bar's value from a percentage of its maximum, rounded half to even; below 0 nothing
    // happens, above 100 the value stops at the maximum.
    void SetHScrollbarByPercent(int percent);
    void SetVScrollbarByPercent(int percent);

    int left() const { return m_left; }
    int top() const { return m_top; }
    int horizontalUnit() const { return m_hUnit; }
    int verticalUnit() const { return m_vUnit; }
    const PaneScrollBar &hBar() const { return m_hBar; }
    const PaneScrollBar &vBar() const { return m_vBar; }
    int viewportWidth() const { return m_viewportWidth; }
    int viewportHeight() const { return m_viewportHeight; }
    int innerWidth() const { return m_viewportWidth - 2 * m_border; }
    int innerHeight() const { return m_viewportHeight - 2 * m_border; }
    int pictureWidth() const { return m_pictureWidth; }
    int pictureHeight() const { return m_pictureHeight; }

    static int roundHalfEven(double value);

    // One side of a picture fitted into an area, aspect kept, never enlarged: the longer-
    // relative side meets the area, the other is scaled alike and rounded, at least 1.
    struct Size {
        int width = 0;
        int height = 0;
    };
    static Size fittedSize(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);

private:
    void fitAxis(int excess, PaneScrollBar &bar, int &unit, int &position);
    void setBarValue(PaneScrollBar &bar, int value, int unit, int &position, int excess);
    static int percentValue(const PaneScrollBar &bar, int percent);

    int m_viewportWidth, m_viewportHeight, m_border;
    int m_pictureWidth = 0, m_pictureHeight = 0;
    int m_left = 0, m_top = 0;
    int m_hUnit = 0, m_vUnit = 0;
    bool m_fitted = false;
    PaneScrollBar m_hBar, m_vBar;
};

} // namespace lumivex
