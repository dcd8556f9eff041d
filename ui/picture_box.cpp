#include "ui/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace lumivex {

void PictureBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    resize(picture.isNull() ? QSize(0, 0) : picture.size());
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area.topLeft(), m_picture, area);
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

} // namespace lumivex
