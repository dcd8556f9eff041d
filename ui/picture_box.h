#pragma once

#include <QImage>
#include <QWidget>

namespace lumivex {

// Shows one picture at its own size and reports mouse activity over it.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr) : QWidget(parent) { setMouseTracking(true); }

    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }

signals:
    void pressed(QPoint position);
    void moved(QPoint position, bool buttonHeld);
    void released(QPoint position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
};

} // namespace lumivex
