// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace lumivex {

void PictureBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    m_scaled = QImage();
    resize(picture.isNull() ? QSize(0, 0) : picture.size());
    update();
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_scaled = QImage();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    if (m_picture.isNull() || width() <= 0 || height() <= 0)
        return;
    const QImage *shown = &m_picture;
    if (size() != m_picture.size()) {
        // Scaled once per size, smoothly: a fitted 12-megapixel photo is repainted on every
        // expose, and sampling it afresh each time would make the pane sluggish.
        if (m_scaled.size() != size())
            m_scaled = m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        shown = &m_scaled;
    }
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area.topLeft(), *shown, area);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    emit pressed(event->position().toPoint());
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(event->position().toPoint(), event->buttons() != Qt::NoButton);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(event->position().toPoint());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The press of a double-click still anchors a drag like any other press.
    emit pressed(event->position().toPoint());
    emit doubleClicked();
}

} // namespace lumivex
