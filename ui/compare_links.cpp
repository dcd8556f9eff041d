// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/compare_links.h"

#include "engine/batch_session.h"
#include "ui/compare_view.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/image_list_view.h"
#include "ui/keyboard.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>

namespace lumivex {

namespace {

bool opensView(const QEvent *event, bool enterToo)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    return key->key() == Qt::Key_Space || (enterToo && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter));
}

// The row under the pointer becomes the current one, as a click would make it, before its menu;
// the menu key, which points at no row, means the current one.
QTreeWidgetItem *rowForMenu(QTreeWidget *list, const QPoint &position)
{
    QTreeWidgetItem *item = list->itemAt(position);
    if (!item)
        item = list->currentItem();
    if (item) {
        list->setCurrentItem(item);
        item->setSelected(true);
    }
    return item;
}

} // namespace

// ---- Before a run --------------------------------------------------------------------------------

ComparePreviewLink::ComparePreviewLink(Form1 &form, SettingsStore &settings, Dialogs &dialogs)
    : QObject(&form), m_form(form), m_settings(settings), m_dialogs(dialogs)
{
    const AdjustmentKind kinds[] = {AdjustmentKind::Brightness, AdjustmentKind::Contrast, AdjustmentKind::Softening,
                                    AdjustmentKind::Sharpening};
    QPushButton *starts[] = {form.PushButton2, form.PushButton4, form.PushButton5, form.PushButton6};
    for (int i = 0; i < 4; ++i) {
        const AdjustmentKind kind = kinds[i];
        connect(form.slider(kind), &QSlider::valueChanged, this, [this, kind] { touched(kind); });
        connect(starts[i], &QPushButton::clicked, this, [this, kind] { touched(kind); });
    }
    ImageListView *list = form.ListView1;
    list->installEventFilter(this);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, &ComparePreviewLink::contextMenu);
    connect(list, &QTreeWidget::currentItemChanged, this, [this] { follow(); });
    form.installEventFilter(this);
}

ComparePreviewLink::~ComparePreviewLink() = default;

void ComparePreviewLink::touched(AdjustmentKind kind)
{
    m_kind = kind;
    follow();
}

void ComparePreviewLink::open()
{
    QTreeWidgetItem *item = m_form.ListView1->currentItem();
    if (!item)
        return;
    item->setSelected(true);
    if (!m_view) {
        m_view = std::make_unique<CompareView>(m_settings);
        addHelpKey(m_view.get(), m_dialogs);
    }
    m_view->present();
    follow();
}

void ComparePreviewLink::follow()
{
    if (!m_view || !m_view->isVisible())
        return;
    const QTreeWidgetItem *item = m_form.ListView1->currentItem();
    if (!item) {
        m_view->showNothing(tr("No picture is selected in the list."));
        return;
    }
    m_view->showPreview(item->text(0), m_kind, m_form.slider(m_kind)->value());
}

void ComparePreviewLink::contextMenu(const QPoint &position)
{
    if (!rowForMenu(m_form.ListView1, position))
        return;
    QMenu menu(m_form.ListView1);
    QAction *preview = menu.addAction(tr("Preview"));
    preview->setShortcut(QKeySequence(Qt::Key_Space));
    connect(preview, &QAction::triggered, this, &ComparePreviewLink::open);
    menu.exec(m_form.ListView1->viewport()->mapToGlobal(position));
}

bool ComparePreviewLink::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form.ListView1 && opensView(event, false)) {
        open();
        return true;
    }
    if (watched == &m_form && event->type() == QEvent::Hide && m_view)
        m_view->hide();
    return QObject::eventFilter(watched, event);
}

// ---- After a run -----------------------------------------------------------------------------------

CompareResultsLink::CompareResultsLink(Form2 &form, SettingsStore &settings, Dialogs &dialogs)
    : QObject(&form), m_form(form), m_settings(settings), m_dialogs(dialogs)
{
    QTreeWidget *list = form.ListView1;
    list->installEventFilter(this);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, &CompareResultsLink::contextMenu);
    form.installEventFilter(this);
}

CompareResultsLink::~CompareResultsLink() = default;

void CompareResultsLink::open()
{
    QTreeWidget *list = m_form.ListView1;
    const QTreeWidgetItem *currentRow = list->currentItem();
    if (!currentRow)
        return;
    const BatchSession &session = m_form.session();
    const ResultList &results = session.results();
    std::vector<CompareView::Item> items;
    int current = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *rowItem = list->topLevelItem(row);
        bool ok = false;
        const int index = rowItem->data(0, Qt::UserRole).toInt(&ok);
        if (!ok || index < 0 || index >= session.sources().size())
            continue;
        if (rowItem == currentRow)
            current = int(items.size());
        CompareView::Item item;
        item.source = session.sources()[index];
        item.name = rowItem->text(0);
        item.kind = session.kind();
        item.strength = session.strengthUsed(index);
        item.result = results.exists(index) ? results.picture(index) : ResultPicture();
        items.push_back(std::move(item));
    }
    if (items.empty())
        return;
    if (!m_view) {
        // The results window's own job: a picture its panes show is not decoded again here.
        m_view = std::make_unique<CompareView>(m_settings, &m_form.previewJob());
        addHelpKey(m_view.get(), m_dialogs);
    }
    m_view->present();
    m_view->showItems(std::move(items), current);
}

void CompareResultsLink::contextMenu(const QPoint &position)
{
    if (!rowForMenu(m_form.ListView1, position))
        return;
    QMenu menu(m_form.ListView1);
    QAction *compare = menu.addAction(tr("Compare"));
    compare->setShortcut(QKeySequence(Qt::Key_Return));
    connect(compare, &QAction::triggered, this, &CompareResultsLink::open);
    menu.exec(m_form.ListView1->viewport()->mapToGlobal(position));
}

bool CompareResultsLink::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form.ListView1 && opensView(event, true)) {
        open();
        return true;
    }
    if (watched == &m_form && event->type() == QEvent::Hide && m_view)
        m_view->hide();
    return QObject::eventFilter(watched, event);
}

} // namespace lumivex
