#pragma once
// TEnhListView: a report-style list (rows of text cells under a column header) over a table
// model. It sorts by a column on a header click, comparing cells by kind (SmartCompare.h),
// marks the sort column and direction with an arrow, and offers a bulk-change lock and the
// dragging of one row inside the list. Sorting hands the model the new row order in one step,
// so the model must implement IRowReorderable. Main thread only.
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QPointer>
#include <QTreeView>

#include <functional>

class QStyleOptionHeader;
class TEnhListView;

// The contrast of two colours as WCAG measures it, from 1 (same) to 21 (black and white).
double ContrastRatio(const QColor& a, const QColor& b);

// What a header click does: nothing, sort in the current direction, or sort and reverse the
// direction when the column is already the sort column.
enum TAutoColumnSort { acsNoSort, acsSort, acsSortToggle };
// How cells compare: by kind of text (moment, number, text), or as text alone.
enum TAutoSortStyle { assSmart, assDefault };

// What a drag started in a TEnhListView carries: the list it came from.
class TListViewDragData : public QMimeData {
    Q_OBJECT
public:
    static QString MimeType();
    explicit TListViewDragData(TEnhListView* source);
    QPointer<TEnhListView> Source;
};

class TEnhListView : public QTreeView {
    Q_OBJECT

public:
    explicit TEnhListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    // Asked while something is dragged over the list: `Source` is the list the drag started in
    // (nullptr for any other drag), `pos` the pointer in viewport coordinates. Unassigned: no
    // drag is accepted.
    std::function<void(TEnhListView* Sender, QObject* Source, const QPoint& pos, bool& Accept)> OnDragOver;
    // Called when an accepted drag is dropped.
    std::function<void(TEnhListView* Sender, QObject* Source, const QPoint& pos)> OnDragDrop;

    // Around a sort run by column `Column`; `Ascending` is the direction of the run.
    std::function<void(TEnhListView* Sender, int Column, bool Ascending)> OnSortBegin;
    std::function<void(TEnhListView* Sender, int Column, bool Ascending)> OnSortFinished;
    // When assigned, replaces the built-in comparison: `Compare` < 0 when row `Row1` sorts
    // before `Row2` in column `Column` (ascending), > 0 after, 0 equal.
    std::function<void(TEnhListView* Sender, int Row1, int Row2, int Column, int& Compare)> OnSortItems;

    // The row (column 0) under the pointer during the current drag, also after the list
    // scrolled under it; invalid when none (below the last row, for one).
    QModelIndex DropTarget() const { return m_dropTarget; }

    // Bulk-change brackets: repainting and sorting wait while at least one is open; closing
    // the last runs a sort requested meanwhile. Nested; the count never drops below zero.
    void BeginUpdate();
    void EndUpdate();
    int UpdateLock() const { return m_updateLock; }

    // --- sorting ---
    TAutoColumnSort AutoColumnSort() const { return m_autoColumnSort; }
    void SetAutoColumnSort(TAutoColumnSort value);
    TAutoSortStyle AutoSortStyle() const { return m_autoSortStyle; }
    void SetAutoSortStyle(TAutoSortStyle value);
    // The direction a newly chosen sort column starts with; also sets the current direction.
    bool AutoSortAscending() const { return m_autoSortAscending; }
    void SetAutoSortAscending(bool value);
    // Sort again after rows are inserted or changed.
    bool AutoResort() const { return m_autoResort; }
    void SetAutoResort(bool value) { m_autoResort = value; }
    // Whether the sort column's header shows the direction arrow.
    bool ShowSortArrows() const { return m_showSortArrows; }
    void SetShowSortArrows(bool show);
    // Swaps the up and down pictures.
    bool ReverseSortArrows() const { return m_reverseSortArrows; }
    void SetReverseSortArrows(bool value);

    // The current sort column (-1 for none) and direction, and whether a sort waits.
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_sortAscending; }
    bool SortPending() const { return m_sortPending; }

    // Reorders every row by `column` in the given direction and makes it the sort column.
    void SortByColumn(int column, bool ascending);
    // Sorts again by the current column and direction, at once or when the lock is released.
    void Resort();
    // What a click on the header of `column` does. A click on the sort column reverses the
    // direction only while the rows are still in that sort's order (no row added, changed or
    // moved since); otherwise it sorts in the starting direction.
    void HeaderClick(int column);
    // Once the columns are set up: column 0 becomes the sort column and a sort runs.
    void Loaded();

    // The arrow pictures' side (0 when the font is too small for arrows), and the picture for
    // a direction; null while the arrows are off. The arrows are solid, in a colour that stands
    // out from the header's face by 3:1 at least.
    int ArrowSize() const;
    QPixmap ArrowPicture(bool ascending) const;
    QColor ArrowColour() const;
    // Whether the header cell of `section` shows an arrow now.
    bool ArrowShownIn(int section) const;

    // The text of column `column` of row `row` (empty for a missing cell).
    QString CellText(int row, int column) const;
    int RowCount() const;
    // The row (column 0) at height `y` of the viewport, whichever column is there; invalid
    // above or below the rows. Whether `y` lies below the last row (true for an empty list).
    QModelIndex RowAt(int y) const;
    bool BelowLastRow(int y) const;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void changeEvent(QEvent* event) override;

private:
    friend class TEnhListHeader;

    QObject* DragSourceOf(const QDropEvent* event) const;
    bool AskDragOver(QDropEvent* event);
    void SetDropHighlight(const QModelIndex& index);
    void FollowPointer();
    void ReorderRows(int column, bool ascending);
    void BuildArrows();
    // Rebuilds the pictures (while shown) after the colours or the font changed.
    void ArrowsOutdated();
    void RowsChanged();
    // Paints the sort column's header cell: the style's face, the caption and the arrow.
    void PaintHeaderSection(QPainter* painter, QStyleOptionHeader option, bool pressed) const;

    QPersistentModelIndex m_dropTarget;
    bool m_rowDrag = false; // an accepted drag is over the list
    QPoint m_dragPos;       // its pointer, in viewport coordinates
    int m_updateLock = 0;

    TAutoColumnSort m_autoColumnSort = acsNoSort;
    TAutoSortStyle m_autoSortStyle = assSmart;
    bool m_autoSortAscending = true;
    bool m_autoResort = false;
    bool m_showSortArrows = false;
    bool m_reverseSortArrows = false;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
    bool m_sortPending = false;
    bool m_inSortOrder = false; // no row added, changed or moved since the last sort
    QPixmap m_arrowUp;
    QPixmap m_arrowDown;
    QList<QMetaObject::Connection> m_modelConnections;
};

// Keeps a TEnhListView's bulk-change bracket open for its lifetime, also when the work throws.
class TListUpdateLock {
public:
    explicit TListUpdateLock(TEnhListView* list) : m_list(list) { m_list->BeginUpdate(); }
    ~TListUpdateLock() { m_list->EndUpdate(); }
    TListUpdateLock(const TListUpdateLock&) = delete;
    TListUpdateLock& operator=(const TListUpdateLock&) = delete;

private:
    TEnhListView* m_list;
};
