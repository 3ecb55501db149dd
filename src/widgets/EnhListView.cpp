#include "EnhListView.h"

#include "RowReorderable.h"
#include "SmartCompare.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <numeric>
#include <vector>

// The header of a TEnhListView: drawn by the list while its arrows are on, by the style
// otherwise. Remembers the pressed cell, which QHeaderView keeps to itself.
class TEnhListHeader : public QHeaderView {
public:
    explicit TEnhListHeader(TEnhListView* list) : QHeaderView(Qt::Horizontal, list), m_list(list) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        if (!m_list->ShowSortArrows()) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        m_list->PaintHeaderSection(painter, rect, logicalIndex, logicalIndex == m_pressed);
    }
    // The pictures take the header's colours.
    void changeEvent(QEvent* event) override
    {
        QHeaderView::changeEvent(event);
        if (event->type() == QEvent::PaletteChange)
            m_list->ArrowsOutdated();
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        m_pressed = logicalIndexAt(event->position().toPoint());
        QHeaderView::mousePressEvent(event);
        viewport()->update();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        m_pressed = -1;
        QHeaderView::mouseReleaseEvent(event);
        viewport()->update();
    }

private:
    TEnhListView* m_list;
    int m_pressed = -1;
};

namespace {
// "&&" stands for "&"; a single "&" marks a mnemonic and is not shown.
QString WithoutMnemonics(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&'))
                out += QLatin1Char('&'), ++i;
            continue;
        }
        out += caption.at(i);
    }
    return out;
}
} // namespace

QString TListViewDragData::MimeType()
{
    return QStringLiteral("application/x-tonewright-list-row");
}

TListViewDragData::TListViewDragData(TEnhListView* source) : Source(source)
{
    setData(MimeType(), QByteArray());
}

TEnhListView::TEnhListView(QWidget* parent) : QTreeView(parent)
{
    setHeader(new TEnhListHeader(this));
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
    header()->setSortIndicatorShown(false);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this, &TEnhListView::HeaderClick);
}

void TEnhListView::setModel(QAbstractItemModel* model)
{
    for (const QMetaObject::Connection& c : m_modelConnections)
        disconnect(c);
    m_modelConnections.clear();
    QTreeView::setModel(model);
    if (!model)
        return;
    m_modelConnections << connect(model, &QAbstractItemModel::rowsInserted, this, &TEnhListView::RowsChanged)
                       << connect(model, &QAbstractItemModel::dataChanged, this, &TEnhListView::RowsChanged);
}

void TEnhListView::RowsChanged()
{
    if (m_autoResort)
        Resort();
}

void TEnhListView::BeginUpdate()
{
    if (m_updateLock++ == 0)
        setUpdatesEnabled(false);
}

void TEnhListView::EndUpdate()
{
    if (m_updateLock > 0)
        --m_updateLock;
    if (m_updateLock > 0)
        return;
    if (m_sortPending)
        Resort();
    setUpdatesEnabled(true);
}

void TEnhListView::SetAutoColumnSort(TAutoColumnSort value)
{
    const bool switchedOn = m_autoColumnSort == acsNoSort && value != acsNoSort;
    m_autoColumnSort = value;
    header()->viewport()->update();
    if (switchedOn)
        Resort();
}

void TEnhListView::SetAutoSortStyle(TAutoSortStyle value)
{
    if (value == m_autoSortStyle)
        return;
    m_autoSortStyle = value;
    Resort();
}

void TEnhListView::SetAutoSortAscending(bool value)
{
    m_autoSortAscending = value;
    m_sortAscending = value;
    header()->viewport()->update();
}

void TEnhListView::SetShowSortArrows(bool show)
{
    if (show == m_showSortArrows)
        return;
    m_showSortArrows = show;
    if (show)
        BuildArrows();
    else
        m_arrowUp = m_arrowDown = QPixmap();
    header()->viewport()->update();
}

void TEnhListView::SetReverseSortArrows(bool value)
{
    m_reverseSortArrows = value;
    header()->viewport()->update();
}

int TEnhListView::RowCount() const
{
    return model() ? model()->rowCount() : 0;
}

QString TEnhListView::CellText(int row, int column) const
{
    const QAbstractItemModel* m = model();
    if (!m || row < 0 || row >= m->rowCount() || column < 0 || column >= m->columnCount())
        return QString();
    return m->data(m->index(row, column), Qt::DisplayRole).toString();
}

void TEnhListView::HeaderClick(int column)
{
    if (m_autoColumnSort == acsSortToggle)
        m_sortAscending = column == m_sortColumn ? !m_sortAscending : m_autoSortAscending;
    if (m_autoColumnSort != acsNoSort)
        SortByColumn(column, m_sortAscending);
    m_sortColumn = column;
}

void TEnhListView::SortByColumn(int column, bool ascending)
{
    m_sortPending = false;
    m_sortColumn = column;
    m_sortAscending = ascending;
    if (m_showSortArrows)
        header()->viewport()->update();
    if (OnSortBegin)
        OnSortBegin(this, column, ascending);
    ReorderRows(column, ascending);
    if (OnSortFinished)
        OnSortFinished(this, column, ascending);
}

void TEnhListView::Resort()
{
    m_sortPending = true;
    const bool validColumn = model() && m_sortColumn >= 0 && m_sortColumn < model()->columnCount();
    if (m_autoColumnSort != acsNoSort && (validColumn || OnSortItems) && m_updateLock == 0)
        SortByColumn(m_sortColumn, m_sortAscending);
}

void TEnhListView::Loaded()
{
    if (!model() || model()->columnCount() < 1)
        return;
    m_sortColumn = 0;
    Resort();
}

void TEnhListView::ReorderRows(int column, bool ascending)
{
    auto* rows = dynamic_cast<IRowReorderable*>(model());
    const int n = RowCount();
    if (!rows || n < 2)
        return;
    const int sign = ascending ? 1 : -1;
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);

    // A stable merge sort: a comparison by kind need not be transitive over mixed columns,
    // and merging stays safe where an introsort could run past the ends.
    if (OnSortItems) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            int result = 0;
            OnSortItems(this, a, b, column, result);
            return sign * result < 0;
        });
    } else {
        // Every row's key once per sort, not once per comparison.
        const TSmartComparer comparer;
        std::vector<TSmartKey> keys(static_cast<size_t>(n));
        if (m_autoSortStyle == assSmart) {
            bool allMoments = true, allNumbers = true;
            for (int r = 0; r < n; ++r) {
                TSmartKey& k = keys[static_cast<size_t>(r)];
                k = comparer.KeyOf(CellText(r, column), false);
                allMoments = allMoments && k.Moment;
                allNumbers = allNumbers && k.Number;
            }
            if (!allMoments && !allNumbers)
                for (int r = 0; r < n; ++r)
                    keys[static_cast<size_t>(r)].Text = comparer.Collator().sortKey(CellText(r, column));
        } else {
            for (int r = 0; r < n; ++r)
                keys[static_cast<size_t>(r)].Text = comparer.Collator().sortKey(CellText(r, column));
        }
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return sign * TSmartComparer::Compare(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]) < 0;
        });
    }
    rows->ApplyRowOrder(order);
}

int TEnhListView::ArrowSize() const
{
    int h = fontMetrics().height();
    h += h % 2;
    return h < 7 ? 0 : h - 6;
}

QPixmap TEnhListView::ArrowPicture(bool ascending) const
{
    return ascending != m_reverseSortArrows ? m_arrowUp : m_arrowDown;
}

void TEnhListView::BuildArrows()
{
    const int s = ArrowSize();
    if (s <= 0) {
        m_arrowUp = m_arrowDown = QPixmap();
        return;
    }
    const QPalette pal = header()->palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor light = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    const int mid = (s - 1) / 2;

    QImage up(s, s, QImage::Format_RGB32);
    up.fill(face);
    {
        QPainter p(&up);
        p.setPen(light);
        p.drawLine(0, s - 1, mid, 0);
        p.setPen(shadow);
        p.drawLine(mid, 0, s - 1, s - 1);
        p.drawLine(0, s - 1, s - 1, s - 1);
    }
    QImage down(s, s, QImage::Format_RGB32);
    down.fill(face);
    {
        QPainter p(&down);
        p.setPen(shadow);
        p.drawLine(s - 1, 0, mid, s - 1);
        p.setPen(light);
        p.drawLine(0, 0, mid, s - 1);
        p.drawLine(0, 0, s - 1, 0);
    }
    m_arrowUp = QPixmap::fromImage(up);
    m_arrowDown = QPixmap::fromImage(down);
}

void TEnhListView::changeEvent(QEvent* event)
{
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        ArrowsOutdated();
}

void TEnhListView::ArrowsOutdated()
{
    if (!m_showSortArrows)
        return;
    BuildArrows();
    header()->viewport()->update();
}

void TEnhListView::PaintHeaderSection(QPainter* painter, const QRect& rect, int section, bool pressed) const
{
    const QPalette pal = header()->palette();
    painter->save();
    painter->fillRect(rect, pal.color(QPalette::Button));
    painter->setPen(pal.color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    const QAbstractItemModel* m = model();
    const QString caption =
        m ? WithoutMnemonics(m->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString()) : QString();
    const QVariant alignValue = m ? m->headerData(section, Qt::Horizontal, Qt::TextAlignmentRole) : QVariant();
    const Qt::Alignment horizontal =
        (alignValue.isValid() ? Qt::Alignment(alignValue.toInt()) : Qt::AlignLeft) & Qt::AlignHorizontal_Mask;
    const bool right = horizontal & Qt::AlignRight;
    const bool centred = horizontal & Qt::AlignHCenter;

    QRect cell = rect;
    if (pressed)
        cell.translate(1, 1);
    QRect room = cell.adjusted(4, 0, -4, 0);
    const int s = ArrowSize();
    const QPixmap arrow = ArrowPicture(m_sortAscending);
    const bool withArrow = section == m_sortColumn && m_autoColumnSort != acsNoSort && !arrow.isNull();
    if (withArrow) {
        if (right)
            room.setLeft(room.left() + s + 8);
        else
            room.setRight(room.right() - (s + 8));
    }

    const QFontMetrics fm = header()->fontMetrics();
    const QString shown = fm.elidedText(caption, Qt::ElideRight, std::max(0, room.width()));
    const int textWidth = fm.horizontalAdvance(shown);
    int textLeft = room.left();
    if (right)
        textLeft = room.right() + 1 - textWidth;
    else if (centred)
        textLeft = room.left() + (room.width() - textWidth) / 2;
    painter->setPen(pal.color(QPalette::ButtonText));
    painter->setFont(header()->font());
    painter->drawText(QRect(textLeft, cell.top(), textWidth, cell.height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);

    if (withArrow) {
        const int x = right ? textLeft - 8 - s : textLeft + textWidth + 8;
        const QRect at(x, cell.top() + (cell.height() - s) / 2, s, s);
        if (rect.contains(at))
            painter->drawPixmap(at.topLeft(), arrow);
    }
    painter->restore();
}

void TEnhListView::startDrag(Qt::DropActions)
{
    if (!currentIndex().isValid())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(new TListViewDragData(this));
    drag->exec(Qt::MoveAction);
    stopAutoScroll();
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
    // Qt's handler starts the scrolling near the viewport's edges; whether the drag may drop
    // here is the owner's answer alone.
    QTreeView::dragMoveEvent(event);
    if (!AskDragOver(event))
        return;
    const QModelIndex under = indexAt(event->position().toPoint());
    // Over empty space the last row under the pointer stays the target.
    if (under.isValid())
        SetDropHighlight(under);
}

void TEnhListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    stopAutoScroll();
    SetDropHighlight(QModelIndex());
    event->accept();
}

void TEnhListView::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
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
    QTreeView::drawRow(painter, option, index);
    if (m_dropTarget.isValid() && index.row() == m_dropTarget.row() && index.parent() == m_dropTarget.parent()) {
        painter->save();
        QColor frame = palette().color(QPalette::Highlight);
        painter->setPen(QPen(frame, 2));
        painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
        painter->restore();
    }
}
