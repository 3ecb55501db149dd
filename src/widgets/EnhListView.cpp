#include "EnhListView.h"

#include "RowReorderable.h"
#include "SmartCompare.h"
#include "SortKeyRole.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

// The header of a TEnhListView: every cell on the style's own face; the sort column's caption
// leaves room for the list's arrow. Remembers the pressed cell, which QHeaderView keeps to
// itself.
class TEnhListHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit TEnhListHeader(TEnhListView* list) : QHeaderView(Qt::Horizontal, list), m_list(list) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        if (!m_list->ArrowShownIn(logicalIndex)) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        // As QHeaderView sets it up, so the face is the style's own.
        QStyleOptionHeaderV2 option;
        initStyleOption(&option);
        initStyleOptionForIndex(&option, logicalIndex);
        option.rect = rect;
        option.sortIndicator = QStyleOptionHeader::None;
        m_list->PaintHeaderSection(painter, option, logicalIndex == m_pressed);
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
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TEnhListView::FollowPointer);
}

void TEnhListView::setModel(QAbstractItemModel* model)
{
    for (const QMetaObject::Connection& c : m_modelConnections)
        disconnect(c);
    m_modelConnections.clear();
    QTreeView::setModel(model);
    if (!model)
        return;
    m_inSortOrder = false;
    m_modelConnections << connect(model, &QAbstractItemModel::rowsInserted, this, &TEnhListView::RowsChanged)
                       << connect(model, &QAbstractItemModel::dataChanged, this, &TEnhListView::RowsChanged)
                       << connect(model, &QAbstractItemModel::rowsMoved, this, [this] { m_inSortOrder = false; });
}

void TEnhListView::RowsChanged()
{
    // Removing rows keeps the order; new, changed or moved rows may break it.
    m_inSortOrder = false;
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
    // Only rows still in the order of the last sort by this column are reversed; otherwise the
    // click sorts afresh in the starting direction.
    if (m_autoColumnSort == acsSortToggle)
        m_sortAscending = column == m_sortColumn && m_inSortOrder ? !m_sortAscending : m_autoSortAscending;
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
    m_inSortOrder = true;
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
        // Every row's key once per sort, not once per comparison. A cell whose model hands a
        // sort value (SortKeyRole) sorts by it; the others by their text.
        const TSmartComparer comparer;
        const QAbstractItemModel* m = model();
        std::vector<TSmartKey> keys(static_cast<size_t>(n));
        bool allMoments = true, allNumbers = true;
        for (int r = 0; r < n; ++r) {
            TSmartKey& k = keys[static_cast<size_t>(r)];
            const QVariant value = column < m->columnCount() ? m->data(m->index(r, column), SortKeyRole) : QVariant();
            bool ok = false;
            const double number = value.isValid() ? value.toDouble(&ok) : 0.0;
            if (ok)
                k.Number = number;
            else if (m_autoSortStyle == assSmart)
                k = comparer.KeyOf(CellText(r, column), false);
            allMoments = allMoments && k.Moment;
            allNumbers = allNumbers && k.Number;
        }
        // Only a column of mixed kinds needs the texts' keys.
        if (!allMoments && !allNumbers)
            for (int r = 0; r < n; ++r) {
                TSmartKey& k = keys[static_cast<size_t>(r)];
                const TSmartKey text = comparer.TextKeyOf(CellText(r, column));
                k.Text = text.Text;
                k.Plain = text.Plain;
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

double ContrastRatio(const QColor& a, const QColor& b)
{
    // WCAG's relative luminance of sRGB colours.
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor TEnhListView::ArrowColour() const
{
    // The header's text colour where it stands out from the face by 3:1 at least (a palette may
    // pair them badly); else black or white, whichever stands out more.
    const QPalette pal = header()->palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor text = pal.color(QPalette::ButtonText);
    if (ContrastRatio(text, face) >= 3.0)
        return text;
    return ContrastRatio(Qt::black, face) >= ContrastRatio(Qt::white, face) ? QColor(Qt::black) : QColor(Qt::white);
}

void TEnhListView::BuildArrows()
{
    const int s = ArrowSize();
    if (s <= 0) {
        m_arrowUp = m_arrowDown = QPixmap();
        return;
    }
    // Drawn for the screen's pixel density, so the edges stay sharp at any scale.
    const qreal ratio = devicePixelRatioF();
    const int device = int(std::lround(s * ratio));
    const auto picture = [&](bool up) {
        QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setPen(Qt::NoPen);
        p.setBrush(ArrowColour());
        const double w = device, mid = device / 2.0;
        const QPolygonF triangle = up ? QPolygonF({QPointF(mid, 0), QPointF(w, w), QPointF(0, w)})
                                      : QPolygonF({QPointF(0, 0), QPointF(w, 0), QPointF(mid, w)});
        p.drawPolygon(triangle);
        p.end();
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(ratio);
        return pixmap;
    };
    m_arrowUp = picture(true);
    m_arrowDown = picture(false);
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

bool TEnhListView::ArrowShownIn(int section) const
{
    if (!m_showSortArrows || section != m_sortColumn || m_autoColumnSort == acsNoSort
        || ArrowPicture(m_sortAscending).isNull())
        return false;
    // The cell holds the arrow after its margin and gap, even with the caption cut away.
    const int margin = header()->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header());
    return header()->sectionSize(section) >= margin + 8 + ArrowSize();
}

void TEnhListView::PaintHeaderSection(QPainter* painter, QStyleOptionHeader option, bool pressed) const
{
    const QHeaderView* h = header();
    const QRect rect = option.rect;
    const QString caption = WithoutMnemonics(option.text);
    const bool right = option.textAlignment & Qt::AlignRight;
    const bool centred = option.textAlignment & Qt::AlignHCenter;
    const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, &option, h);
    const int s = ArrowSize();

    // The caption's room shrinks by the arrow and its gap.
    QRect room = rect.adjusted(margin, 0, -margin, 0);
    if (right)
        room.setLeft(room.left() + s + 8);
    else
        room.setRight(room.right() - (s + 8));
    const QFontMetrics fm = h->fontMetrics();
    option.text = fm.elidedText(caption, Qt::ElideRight, std::max(0, room.width()));
    const int textWidth = fm.horizontalAdvance(option.text);
    int textLeft = room.left();
    if (right)
        textLeft = room.right() + 1 - textWidth;
    else if (centred)
        textLeft = room.left() + (room.width() - textWidth) / 2;
    // The style's face and the caption placed where the arrow leaves it room.
    option.textAlignment = (option.textAlignment & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
    {
        QStyleOptionHeader face = option;
        face.rect = rect;
        face.text.clear();
        painter->save();
        h->style()->drawControl(QStyle::CE_HeaderSection, &face, painter, h);
        painter->restore();
    }
    option.rect = QRect(textLeft - margin, rect.top(), textWidth + 2 * margin, rect.height());
    painter->save();
    h->style()->drawControl(QStyle::CE_HeaderLabel, &option, painter, h);
    painter->restore();

    const int x = right ? textLeft - 8 - s : textLeft + textWidth + 8;
    QRect at(x, rect.top() + (rect.height() - s) / 2, s, s);
    if (pressed)
        at.translate(1, 1);
    if (rect.contains(at))
        painter->drawPixmap(at.topLeft(), ArrowPicture(m_sortAscending));
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
    m_rowDrag = AskDragOver(event);
    if (m_rowDrag) {
        m_dragPos = event->position().toPoint();
        FollowPointer();
    }
}

void TEnhListView::dragMoveEvent(QDragMoveEvent* event)
{
    // Qt's handler starts the scrolling near the viewport's edges; whether the drag may drop
    // here is the owner's answer alone.
    QTreeView::dragMoveEvent(event);
    m_rowDrag = AskDragOver(event);
    if (!m_rowDrag)
        return;
    m_dragPos = event->position().toPoint();
    FollowPointer();
}

void TEnhListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    stopAutoScroll();
    m_rowDrag = false;
    SetDropHighlight(QModelIndex());
    event->accept();
}

void TEnhListView::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    m_rowDrag = false;
    if (!AskDragOver(event)) {
        SetDropHighlight(QModelIndex());
        return;
    }
    m_dropTarget = RowAt(event->position().toPoint().y());
    if (OnDragDrop)
        OnDragDrop(this, DragSourceOf(event), event->position().toPoint());
    SetDropHighlight(QModelIndex());
}

QModelIndex TEnhListView::RowAt(int y) const
{
    // The left edge of the viewport always lies in a column, also when the pointer is right of
    // the last one.
    const QModelIndex index = indexAt(QPoint(0, y));
    return index.isValid() ? index.siblingAtColumn(0) : QModelIndex();
}

bool TEnhListView::BelowLastRow(int y) const
{
    const int n = RowCount();
    if (n == 0)
        return true;
    return y > visualRect(model()->index(n - 1, 0)).bottom();
}

void TEnhListView::FollowPointer()
{
    // Also while the list scrolls under a resting pointer.
    if (m_rowDrag)
        SetDropHighlight(RowAt(m_dragPos.y()));
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

#include "EnhListView.moc"
