#include "ui/window_setup.h"

#include "core/paths.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QWidget>

namespace lumivex {

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

void CenterForm(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || !window)
        return;
    const QRect whole = screen->geometry();
    const QSize outer = window->frameGeometry().size();
    window->move(whole.x() + (whole.width() - outer.width()) / 2,
                 whole.y() + (whole.height() - outer.height()) / 2);
}

void ApplyButtonFaceColors(QWidget *window)
{
    if (!window)
        return;
    const QColor face = QGuiApplication::palette().color(QPalette::Button);
    auto recolour = [&](QWidget *widget) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, face);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    };
    recolour(window);
    for (QWidget *child : window->findChildren<QWidget *>()) {
        if (qobject_cast<QRadioButton *>(child) || qobject_cast<QCheckBox *>(child) ||
            qobject_cast<QGroupBox *>(child) || qobject_cast<QLabel *>(child))
            recolour(child);
    }
}

int twipsPerPixel()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    if (dpi <= 0)
        return 15;
    return int(1440.0 / dpi + 0.5);
}

int twipsToPixels(int twips)
{
    const int per = twipsPerPixel();
    return (twips + per / 2) / per;
}

void placeInTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

namespace {
QFont boldArial(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}
} // namespace

QFont textFont() { return boldArial(9); }
QFont buttonFont() { return boldArial(11.25); }

bool loadHandCursor(QCursor *cursor)
{
    const QString path = joinPath(programFolder(), QStringLiteral("HAND-M.CUR"));
    if (!FileExists(path))
        return false;
    QPixmap pixmap(path);
    *cursor = pixmap.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(pixmap, 0, 0);
    return true;
}

void applyPointer(QWidget *window, PointerState::Pointer pointer, const QCursor *hand)
{
    switch (pointer) {
    case PointerState::Pointer::Busy:
        window->setCursor(Qt::WaitCursor);
        break;
    case PointerState::Pointer::Custom:
        if (hand)
            window->setCursor(*hand);
        else
            window->unsetCursor();
        break;
    case PointerState::Pointer::Default:
        window->unsetCursor();
        break;
    }
}

QIcon applicationIcon()
{
    // A small sun over a slider: drawn, so the program ships no icon file of its own.
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2b, 0x5d, 0x9c));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(2, 2, 60, 60, 12, 12);
    painter.setBrush(QColor(0xff, 0xc8, 0x3d));
    painter.drawEllipse(QPointF(32, 26), 13, 13);
    painter.setBrush(Qt::white);
    painter.drawRect(10, 46, 44, 4);
    painter.drawEllipse(QPointF(40, 48), 6, 6);
    return QIcon(pixmap);
}

} // namespace lumivex
