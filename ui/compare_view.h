// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/adjustment_kind.h"
#include "engine/preview_job.h"
#include "engine/result_list.h"
#include "ui/zoom_pan.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QToolButton;

namespace lumivex {

class SettingsStore;

// The pictures of a compare view, drawn in device pixels so that 100 % shows every picture
// pixel on one screen pixel: side by side (one above the other in a window taller than wide),
// or split, the Before left of a divider that can be dragged and the After right of it. One
// ZoomPan places both, so they always show the same region.
class CompareCanvas : public QWidget {
    Q_OBJECT
public:
    explicit CompareCanvas(QWidget *parent = nullptr);

    void setPictures(const QImage &before, const QImage &after);
    void setNotes(const QString &before, const QString &after);
    const QImage &before() const { return m_before; }
    const QImage &after() const { return m_after; }

    ZoomPan &zoom() { return m_zoom; }
    const ZoomPan &zoom() const { return m_zoom; }
    // Call after changing the zoom from outside: repaints and tells zoomChanged.
    void zoomChanged();

    bool isSplit() const { return m_split; }
    void setSplit(bool split);
    // The divider's place across the split view, 0 … 1.
    double divider() const { return m_divider; }
    void setDivider(double fraction);

    // Where each half's picture area lies, in device pixels of the canvas; in the split view both
    // are the whole area and the divider cuts it.
    QRect pictureArea(bool after) const;

signals:
    void zoomed();
    // The frame showing the current pictures has been painted.
    void painted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void layoutHalves();
    void render();
    void drawHalf(class QPainter &painter, bool after);
    QPointF devicePoint(QPointF logical) const;
    QPointF anchorIn(QPointF device) const; // a canvas point as a point of the picture areas
    int dividerX() const;
    bool nearDivider(QPointF device) const;

    QImage m_before, m_after;
    QString m_beforeNote, m_afterNote;
    ZoomPan m_zoom;
    bool m_split = false;
    double m_divider = 0.5;
    QRect m_areas[2];
    QRect m_captions[2];
    QImage m_frame; // what was last painted, in device pixels
    bool m_dirty = true;
    enum class Drag { None, Pan, Divider } m_drag = Drag::None;
    QPointF m_last;
};

// The compare view: the Before and the After of one picture, large, in a window of its own.
// Before a run it previews the main window's chosen adjustment on the selected row, following
// the sliders live; after a run it shows each item's recorded result and steps between them.
// The pictures are made on a PreviewJob, never on this thread: its own, or one it shares with the
// window it was opened from, so that a picture that window shows is not decoded again.
class CompareView : public QWidget {
    Q_OBJECT
public:
    explicit CompareView(SettingsStore &settings, PreviewJob *shared = nullptr, QWidget *parent = nullptr);
    ~CompareView() override;

    // Before a run: `source` with `kind` at `strength`.
    void showPreview(const QString &source, AdjustmentKind kind, int strength);
    // Before a run, with no row to show.
    void showNothing(const QString &why);

    // After a run: the items in the order listed, the view on item `current`.
    struct Item {
        QString source;
        QString name;
        AdjustmentKind kind = AdjustmentKind::Brightness;
        int strength = 0;
        ResultPicture result;
    };
    void showItems(std::vector<Item> items, int current);
    int currentItem() const { return m_current; }
    int itemCount() const { return int(m_items.size()); }
    void showNext();
    void showPrevious();

    // Shows the window, raised, with the focus on the pictures.
    void present();

    CompareCanvas *canvas() const { return m_canvas; }
    PreviewJob &job() { return *m_job; }
    // The request whose pictures are shown, and whether a newer one is still being made.
    const PreviewRequest &shown() const { return m_shown; }
    bool isPending() const { return m_pending; }
    QLabel *status() const { return m_status; }

    QAction *fitAction = nullptr, *actualSizeAction = nullptr, *zoomInAction = nullptr, *zoomOutAction = nullptr,
            *splitAction = nullptr, *dividerLeftAction = nullptr, *dividerRightAction = nullptr,
            *previousAction = nullptr, *nextAction = nullptr, *fullScreenAction = nullptr, *closeAction = nullptr,
            *panLeftAction = nullptr, *panRightAction = nullptr, *panUpAction = nullptr, *panDownAction = nullptr;

signals:
    // The After of the current request is on screen.
    void afterShown();

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createActions();
    void createControls();
    QAction *command(const QString &text, const QList<QKeySequence> &keys, std::function<void()> run);
    void request(PreviewRequest request);
    void received(const PreviewOutcome &outcome);
    void showCurrentItem();
    void updateTitle();
    void updateStatus();
    void restoreGeometry();
    void storeGeometry();
    void toggleFullScreen();
    void leaveOrClose();
    void fit();
    void actualSize();
    void zoomIn();
    void zoomOut();
    void toggleSplit();
    void dividerLeft();
    void dividerRight();
    void pan(int dx, int dy);

    SettingsStore &m_settings;
    std::unique_ptr<PreviewJob> m_ownJob; // none when the job is shared
    PreviewJob *m_job = nullptr;
    CompareCanvas *m_canvas = nullptr;
    QLabel *m_status = nullptr;
    std::vector<QToolButton *> m_buttons;
    std::vector<Item> m_items;
    int m_current = -1;
    PreviewRequest m_wanted; // the request last made
    PreviewRequest m_shown;  // the one whose pictures are on screen
    quint64 m_wantedSerial = 0;
    bool m_pending = false;
    bool m_afterPending = false; // the canvas has the wanted After but has not painted it yet
    bool m_placed = false;
};

} // namespace lumivex
