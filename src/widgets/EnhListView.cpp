#include "EnhListView.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QPainter>

QString TListViewDragData::MimeType()
{
    return QStringLiteral("application/x-tonewright-list-row");
}

TListViewDragData::TListViewDragData(TEnhListView* source) : Source(source)
{
    setData(MimeType(), QByteArray());
}

TEnhListView::TEnhListView(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
}

QTreeWidgetItem* TEnhListView::DropTarget() const
{
    return m_dropTarget.isValid() ? itemFromIndex(m_dropTarget) : nullptr;
}

void TEnhListView::BeginUpdate()
{
    if (m_updateLock++ == 0)
        setUpdatesEnabled(false);
}

void TEnhListView::EndUpdate()
{
    if (m_updateLock == 0)
        return;
    if (--m_updateLock == 0)
        setUpdatesEnabled(true);
}

QString TEnhListView::CellText(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

void TEnhListView::startDrag(Qt::DropActions)
{
    if (!currentItem())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(new TListViewDragData(this));
    drag->exec(Qt::MoveAction);
    SetDropHighlight(QModelIndex());
}

QObject* TEnhListView::DragSourceOf(const QDropEvent* event) const
{
    // The carried source also identifies drags that did not come through QDrag (tests,
    // drags between windows of this program).
    if (const auto* ours = qobject_cast<const TListViewDragData*>(event->mimeData()))
        return ours->Source.data();
    if (event->source())
        return event->source();
    return nullptr;
}

bool TEnhListView::AskDragOver(QDropEvent* event)
{
    bool accept = false;
    if (OnDragOver)
        OnDragOver(this, DragSourceOf(event), event->position().toPoint(), accept);
    if (accept) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
    return accept;
}

void TEnhListView::dragEnterEvent(QDragEnterEvent* event)
{
    SetDropHighlight(QModelIndex());
    if (AskDragOver(event))
        SetDropHighlight(indexAt(event->position().toPoint()));
}

void TEnhListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!AskDragOver(event))
        return;
    const QModelIndex under = indexAt(event->position().toPoint());
    // Over empty space the last row under the pointer stays the target.
    if (under.isValid())
        SetDropHighlight(under);
}

void TEnhListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    SetDropHighlight(QModelIndex());
    event->accept();
}

void TEnhListView::dropEvent(QDropEvent* event)
{
    if (!AskDragOver(event)) {
        SetDropHighlight(QModelIndex());
        return;
    }
    const QModelIndex under = indexAt(event->position().toPoint());
    if (under.isValid())
        m_dropTarget = under.siblingAtColumn(0);
    if (OnDragDrop)
        OnDragDrop(this, DragSourceOf(event), event->position().toPoint());
    SetDropHighlight(QModelIndex());
}

void TEnhListView::SetDropHighlight(const QModelIndex& index)
{
    const QModelIndex row = index.isValid() ? index.siblingAtColumn(0) : QModelIndex();
    if (row == QModelIndex(m_dropTarget))
        return;
    m_dropTarget = row;
    viewport()->update();
}

void TEnhListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QTreeWidget::drawRow(painter, option, index);
    if (m_dropTarget.isValid() && index.row() == m_dropTarget.row() && index.parent() == m_dropTarget.parent()) {
        painter->save();
        QColor frame = palette().color(QPalette::Highlight);
        painter->setPen(QPen(frame, 2));
        painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
        painter->restore();
    }
}
