// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>

namespace lumivex {

// Where a picture lies in a viewport, for the compare view: one such model serves both halves,
// so the Before and the After always show the same region at the same scale. Sizes and points
// are in the viewport's device pixels, so that 100 % puts one picture pixel on one screen pixel.
//
// Fitted, the whole picture is shown, centred, never larger than its own size. Otherwise the
// scale is free (kMinimumScale … kMaximumScale) and the picture moves under the viewport; a
// side smaller than the viewport is centred, a larger one can be moved until its edge meets the
// viewport's. At 100 % the picture's left and top are whole pixels, so it is drawn unscaled.
class ZoomPan {
public:
    static constexpr double kMinimumScale = 1.0 / 64;
    static constexpr double kMaximumScale = 32;

    void setPictureSize(QSize size);
    void setViewportSize(QSize size);
    QSize pictureSize() const { return m_picture; }
    QSize viewportSize() const { return m_viewport; }

    bool isFitted() const { return m_fitted; }
    double scale() const;
    double fitScale() const;

    void fit();
    // Sets the scale so that the picture point under `anchor` (a viewport point) stays there.
    void zoomTo(double scale, QPointF anchor);
    void zoomTo(double scale) { zoomTo(scale, viewportCentre()); }
    // One step of the zoom ladder up (steps > 0) or down, around `anchor`.
    void zoomBy(int steps, QPointF anchor);
    void zoomBy(int steps) { zoomBy(steps, viewportCentre()); }
    // Moves the picture by (dx, dy) viewport pixels, as a drag does.
    void panBy(double dx, double dy);

    // The viewport point where the picture's top-left corner lies, and where a picture point shows.
    QPointF origin() const;
    QPointF toViewport(QPointF picturePoint) const;
    QPointF toPicture(QPointF viewportPoint) const;
    // The whole picture's rectangle in viewport coordinates.
    QRectF pictureRect() const;

private:
    QPointF viewportCentre() const { return QPointF(m_viewport.width() / 2.0, m_viewport.height() / 2.0); }
    void clampAndSnap();

    QSize m_picture;
    QSize m_viewport;
    bool m_fitted = true;
    double m_scale = 1;
    // The picture point shown at the viewport's top-left corner (free scale only).
    QPointF m_topLeft;
};

} // namespace lumivex
