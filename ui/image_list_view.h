// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTreeWidget>

namespace lumivex {

// The image list: one column, each row the full path of a file. It accepts drops that carry
// files and nothing else, and removes the selected row on Delete or a double-click.
class ImageListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ImageListView(QWidget *parent = nullptr);

    int count() const { return topLevelItemCount(); }
    QString rowText(int row) const; // 1-based; throws StepFailure out of range
    void append(const QString &path);
    void removeSelected();

    // The local paths a drop carries, in the order delivered; empty for any other data.
    static QStringList droppedPaths(const class QMimeData *data);

signals:
    void pathsDropped(const QStringList &paths);
    void removeRequested();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

} // namespace lumivex
