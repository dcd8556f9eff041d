// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_list_view.h"

#include "core/error_report.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace lumivex {

ImageListView::ImageListView(QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
}

QString ImageListView::rowText(int row) const
{
    const QTreeWidgetItem *item = row >= 1 ? topLevelItem(row - 1) : nullptr;
    if (!item)
        throw StepFailure(QStringLiteral("Index out of bounds"));
    return item->text(0);
}

void ImageListView::append(const QString &path)
{
    addTopLevelItem(new QTreeWidgetItem(QStringList{path}));
}

void ImageListView::removeSelected()
{
    QTreeWidgetItem *item = currentItem();
    if (!item || !item->isSelected())
        return;
    delete item;
}

QStringList ImageListView::droppedPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

namespace {
// Only drags that carry files are welcome; anything else is shown as refused.
void answerDrag(QDragMoveEvent *event)
{
    if (ImageListView::droppedPaths(event->mimeData()).isEmpty()) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
} // namespace

void ImageListView::dragEnterEvent(QDragEnterEvent *event) { answerDrag(event); }
void ImageListView::dragMoveEvent(QDragMoveEvent *event) { answerDrag(event); }

void ImageListView::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit pathsDropped(paths);
}

void ImageListView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete) {
        emit removeRequested();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void ImageListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    emit removeRequested();
}

} // namespace lumivex
