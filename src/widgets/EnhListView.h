#pragma once
// TEnhListView: a report-style list (rows of text cells under a column header) with whole-row
// selection, a bulk-change lock and the dragging of one row inside the list. Main thread only.
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeWidget>

#include <functional>

class TEnhListView;

// What a drag started in a TEnhListView carries: the list it came from.
class TListViewDragData : public QMimeData {
    Q_OBJECT
public:
    static QString MimeType();
    explicit TListViewDragData(TEnhListView* source);
    QPointer<TEnhListView> Source;
};

class TEnhListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit TEnhListView(QWidget* parent = nullptr);

    // Asked while something is dragged over the list: `Source` is the list the drag started in
    // (nullptr for any other drag), `pos` the pointer in viewport coordinates. Unassigned: no
    // drag is accepted.
    std::function<void(TEnhListView* Sender, QObject* Source, const QPoint& pos, bool& Accept)> OnDragOver;
    // Called when an accepted drag is dropped.
    std::function<void(TEnhListView* Sender, QObject* Source, const QPoint& pos)> OnDragDrop;

    // The row last under the pointer during the current drag, or nullptr.
    QTreeWidgetItem* DropTarget() const;

    // Bulk-change brackets: repainting is suspended while at least one is open. Nested; the
    // count never drops below zero.
    void BeginUpdate();
    void EndUpdate();
    int UpdateLock() const { return m_updateLock; }

    // Whether the sort column shows its direction arrow.
    void SetShowSortArrows(bool show) { m_showSortArrows = show; }
    bool ShowSortArrows() const { return m_showSortArrows; }

    // The text of column `column` of row `row` (empty for a missing cell).
    QString CellText(int row, int column) const;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QObject* DragSourceOf(const QDropEvent* event) const;
    bool AskDragOver(QDropEvent* event);
    void SetDropHighlight(const QModelIndex& index);

    QPersistentModelIndex m_dropTarget;
    int m_updateLock = 0;
    bool m_showSortArrows = false;
};
