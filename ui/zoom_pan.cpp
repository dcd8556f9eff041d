// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/zoom_pan.h"

#include <algorithm>
#include <cmath>

namespace lumivex {

namespace {

const double kStep = 1.25;

bool emptySize(QSize s) { return s.width() <= 0 || s.height() <= 0; }

} // namespace

void ZoomPan::setPictureSize(QSize size)
{
    if (size == m_picture)
        return;
    // Another picture of another size: the same part of it, by proportion, stays in the middle.
    QPointF fraction(0.5, 0.5);
    if (!m_fitted && !emptySize(m_picture)) {
        const QPointF centre = toPicture(viewportCentre());
        fraction = QPointF(centre.x() / m_picture.width(), centre.y() / m_picture.height());
    }
    m_picture = size;
    if (!m_fitted && !emptySize(m_picture)) {
        const QPointF centre(fraction.x() * m_picture.width(), fraction.y() * m_picture.height());
        m_topLeft = centre - viewportCentre() / m_scale;
        clampAndSnap();
    }
}

void ZoomPan::setViewportSize(QSize size)
{
    if (size == m_viewport)
        return;
    const QPointF centre = toPicture(viewportCentre());
    m_viewport = size;
    if (!m_fitted) {
        m_topLeft = centre - viewportCentre() / m_scale;
        clampAndSnap();
    }
}

double ZoomPan::fitScale() const
{
    if (emptySize(m_picture) || emptySize(m_viewport))
        return 1;
    return std::min({1.0, double(m_viewport.width()) / m_picture.width(), double(m_viewport.height()) / m_picture.height()});
}

double ZoomPan::scale() const { return m_fitted ? fitScale() : m_scale; }

void ZoomPan::fit() { m_fitted = true; }

void ZoomPan::zoomTo(double scale, QPointF anchor)
{
    if (emptySize(m_picture)) {
        // Asked for before the picture is there: it comes at that scale, its middle in the middle.
        m_scale = std::clamp(scale, kMinimumScale, kMaximumScale);
        m_fitted = false;
        return;
    }
    const QPointF under = toPicture(anchor);
    m_scale = std::clamp(scale, kMinimumScale, kMaximumScale);
    m_fitted = false;
    m_topLeft = under - anchor / m_scale;
    clampAndSnap();
}

void ZoomPan::zoomBy(int steps, QPointF anchor)
{
    if (steps == 0)
        return;
    const double from = scale();
    double to = from * std::pow(kStep, steps);
    // Passing 100 % stops there: it is the one scale that shows the pixels as they are.
    if ((from < 1 && to > 1) || (from > 1 && to < 1))
        to = 1;
    zoomTo(to, anchor);
}

void ZoomPan::panBy(double dx, double dy)
{
    if (m_fitted)
        return; // the whole picture is in view already
    m_topLeft -= QPointF(dx / m_scale, dy / m_scale);
    clampAndSnap();
}

void ZoomPan::clampAndSnap()
{
    auto axis = [this](double topLeft, int picture, int viewport) {
        const double shown = viewport / m_scale; // picture pixels across the viewport
        if (shown >= picture)
            topLeft = -(shown - picture) / 2; // centred
        else
            topLeft = std::clamp(topLeft, 0.0, picture - shown);
        return m_scale == 1 ? std::round(topLeft) : topLeft;
    };
    m_topLeft = QPointF(axis(m_topLeft.x(), m_picture.width(), m_viewport.width()),
                        axis(m_topLeft.y(), m_picture.height(), m_viewport.height()));
}

QPointF ZoomPan::origin() const
{
    if (m_fitted) {
        const double s = fitScale();
        // Whole pixels, so that a picture smaller than the viewport is drawn as it is.
        return QPointF(std::floor((m_viewport.width() - m_picture.width() * s) / 2),
                       std::floor((m_viewport.height() - m_picture.height() * s) / 2));
    }
    return -m_topLeft * m_scale;
}

QPointF ZoomPan::toViewport(QPointF p) const { return origin() + p * scale(); }

QPointF ZoomPan::toPicture(QPointF v) const { return (v - origin()) / scale(); }

QRectF ZoomPan::pictureRect() const
{
    const double s = scale();
    return QRectF(origin(), QSizeF(m_picture.width() * s, m_picture.height() * s));
}

} // namespace lumivex
