// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

namespace lumivex {

// Shows one picture, at its own size or scaled to the box's size, and reports mouse activity
// over it.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr) : QWidget(parent) { setMouseTracking(true); }

    // Takes the picture and sizes the box to it.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }

signals:
    void pressed(QPoint position);
    void moved(QPoint position, bool buttonHeld);
    void released(QPoint position);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    QImage m_scaled; // the picture at the box's size when that differs, made once per size
};

} // namespace lumivex
