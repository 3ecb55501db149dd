#include "EnhListView.h"
#include "ListTestModel.h"

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {
QList<QStringList> Rows(int n)
{
    QList<QStringList> rows;
    for (int i = 0; i < n; ++i)
        rows << QStringList{QStringLiteral("r%1").arg(i)};
    return rows;
}

void Spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A list as the main window sets it up: toggling header clicks, smart comparison.
struct SortableList {
    explicit SortableList(const QList<QStringList>& rows, const QStringList& captions = {QStringLiteral("A"), QStringLiteral("B")})
        : model(captions, rows)
    {
        list.setModel(&model);
        list.OnSortFinished = [this](TEnhListView*, int column, bool) { finished << column; };
        list.SetAutoColumnSort(acsSortToggle);
    }
    // A real click on the middle of a header cell.
    void Click(int column)
    {
        QHeaderView* h = list.header();
        const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, h->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, h->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(h->viewport(), &press);
        QApplication::sendEvent(h->viewport(), &release);
    }
    TListTestModel model;
    TEnhListView list;
    QList<int> finished;
};
} // namespace

TEST(EnhListView, UpdateLockNestsAndNeverDropsBelowZero)
{
    TEnhListView list;
    list.EndUpdate();
    EXPECT_EQ(list.UpdateLock(), 0);
    list.BeginUpdate();
    list.BeginUpdate();
    EXPECT_FALSE(list.updatesEnabled());
    list.EndUpdate();
    EXPECT_FALSE(list.updatesEnabled());
    list.EndUpdate();
    EXPECT_TRUE(list.updatesEnabled());
    list.EndUpdate();
    EXPECT_EQ(list.UpdateLock(), 0);
    list.BeginUpdate();
    EXPECT_EQ(list.UpdateLock(), 1);
}

TEST(EnhListView, CellTextOfMissingCellsIsEmpty)
{
    TListTestModel model({QStringLiteral("A"), QStringLiteral("B")}, Rows(1));
    TEnhListView list;
    list.setModel(&model);
    EXPECT_EQ(list.CellText(0, 0), QStringLiteral("r0"));
    EXPECT_EQ(list.CellText(0, 1), QString());
    EXPECT_EQ(list.CellText(5, 0), QString());
}

TEST(EnhListView, DragsAreOfferedToTheOwnerWithTheirSource)
{
    TListTestModel model({QStringLiteral("A"), QStringLiteral("B")}, Rows(3));
    TEnhListView list;
    list.setModel(&model);
    TEnhListView other;
    list.resize(300, 300);
    list.show();

    TListViewDragData fromOther(&other);
    const QPoint onSecond = list.visualRect(model.index(1, 0)).center();
    {
        // Nobody asked: nothing is accepted.
        QDragEnterEvent enter(onSecond, Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &enter);
        EXPECT_FALSE(enter.isAccepted());
    }

    QObject* seenSource = nullptr;
    list.OnDragOver = [&](TEnhListView* sender, QObject* source, const QPoint&, bool& accept) {
        EXPECT_EQ(sender, &list);
        seenSource = source;
        accept = true;
    };
    int drops = 0;
    list.OnDragDrop = [&](TEnhListView*, QObject* source, const QPoint& pos) {
        ++drops;
        EXPECT_EQ(source, &other);
        EXPECT_EQ(pos, onSecond);
        EXPECT_EQ(list.DropTarget().row(), 1);
    };
    QDragEnterEvent enter(onSecond, Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(onSecond, Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    EXPECT_EQ(seenSource, &other);
    EXPECT_EQ(list.DropTarget().row(), 1);

    // Over empty space the last row under the pointer stays the target.
    QDragMoveEvent below(QPoint(onSecond.x(), 280), Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &below);
    EXPECT_EQ(list.DropTarget().row(), 1);

    QDropEvent drop(QPointF(onSecond), Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    EXPECT_EQ(drops, 1);
    EXPECT_FALSE(list.DropTarget().isValid());
}

TEST(EnhListView, DraggingARowNearTheBottomEdgeScrollsTheList)
{
    TListTestModel model({QStringLiteral("A")}, Rows(200));
    TEnhListView list;
    list.setModel(&model);
    list.resize(200, 150);
    list.show();
    list.OnDragOver = [&](TEnhListView*, QObject* source, const QPoint&, bool& accept) { accept = source == &list; };
    ASSERT_EQ(list.verticalScrollBar()->value(), 0);

    TListViewDragData rows(&list);
    const QPoint nearBottom(50, list.viewport()->height() - 3);
    QDragEnterEvent enter(nearBottom, Qt::MoveAction, &rows, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    QDragMoveEvent move(nearBottom, Qt::MoveAction, &rows, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    QElapsedTimer waited;
    waited.start();
    while (list.verticalScrollBar()->value() == 0 && waited.elapsed() < 2000)
        Spin(20);
    EXPECT_GT(list.verticalScrollBar()->value(), 0);
    QDragLeaveEvent leave;
    QApplication::sendEvent(list.viewport(), &leave);
}

TEST(EnhListView, HeaderClicksSortToggleAndMoveTheSortColumn)
{
    SortableList s({{QStringLiteral("b"), QStringLiteral("2")},
                    {QStringLiteral("c"), QStringLiteral("10")},
                    {QStringLiteral("a"), QStringLiteral("3")}});
    s.list.resize(300, 200);
    s.list.show();
    EXPECT_EQ(s.list.SortColumn(), -1);
    // Start-up: the first column, ascending, announced before any click.
    s.list.Loaded();
    EXPECT_EQ(s.model.Column(0), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(s.finished, QList<int>{0});

    // The first click on the sort column reverses it.
    s.Click(0);
    EXPECT_EQ(s.model.Column(0), (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
    EXPECT_FALSE(s.list.SortAscending());
    // Another column starts ascending, numbers as numbers; a second click reverses.
    s.Click(1);
    EXPECT_EQ(s.model.Column(1), (QStringList{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("10")}));
    EXPECT_TRUE(s.list.SortAscending());
    EXPECT_EQ(s.list.SortColumn(), 1);
    s.Click(1);
    EXPECT_EQ(s.model.Column(1), (QStringList{QStringLiteral("10"), QStringLiteral("3"), QStringLiteral("2")}));
    EXPECT_EQ(s.finished, (QList<int>{0, 0, 1, 1}));

    // acsSort keeps the direction; acsNoSort only moves the sort column.
    s.list.SetAutoColumnSort(acsSort);
    s.Click(0);
    EXPECT_EQ(s.model.Column(0), (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
    s.list.SetAutoColumnSort(acsNoSort);
    s.Click(1);
    EXPECT_EQ(s.model.Column(0), (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
    EXPECT_EQ(s.list.SortColumn(), 1);
    EXPECT_EQ(s.finished.size(), 5);
}

TEST(EnhListView, ASortRequestedUnderTheLockRunsWhenTheLastLockIsReleased)
{
    SortableList s({{QStringLiteral("b")}, {QStringLiteral("a")}});
    s.list.Loaded();
    s.list.SetAutoResort(true);
    s.list.BeginUpdate();
    s.list.BeginUpdate();
    s.model.Append({QStringLiteral("0")});
    s.model.Append({QStringLiteral("1")});
    EXPECT_TRUE(s.list.SortPending());
    s.list.EndUpdate();
    EXPECT_EQ(s.model.Column(0).last(), QStringLiteral("1"));
    s.list.EndUpdate();
    EXPECT_FALSE(s.list.SortPending());
    EXPECT_EQ(s.model.Column(0), (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(s.finished.size(), 2);

    // Without AutoResort an added row stays where it was appended.
    s.list.SetAutoResort(false);
    s.model.Append({QStringLiteral("00")});
    EXPECT_EQ(s.model.Column(0).last(), QStringLiteral("00"));
    EXPECT_EQ(s.finished.size(), 2);
}

TEST(EnhListView, RowsWithFewerCellsSortAsEmptyAndTheOwnersRuleReplacesOurs)
{
    SortableList s({{QStringLiteral("x"), QStringLiteral("b")}, {QStringLiteral("y")}, {QStringLiteral("z"), QStringLiteral("a")}});
    s.list.SortByColumn(1, true);
    EXPECT_EQ(s.model.Column(0), (QStringList{QStringLiteral("y"), QStringLiteral("z"), QStringLiteral("x")}));

    // The owner's comparison: by the caption's length, longest first.
    s.model.Append({QStringLiteral("wwww")});
    s.list.OnSortItems = [&](TEnhListView*, int r1, int r2, int column, int& compare) {
        EXPECT_EQ(column, 0);
        compare = int(s.list.CellText(r2, 0).size() - s.list.CellText(r1, 0).size());
    };
    s.list.SortByColumn(0, true);
    EXPECT_EQ(s.model.Column(0).first(), QStringLiteral("wwww"));
}

TEST(EnhListView, PlainTextStyleComparesTimesAsText)
{
    SortableList s({{QStringLiteral("9:00")}, {QStringLiteral("10:00")}});
    s.list.SortByColumn(0, true);
    EXPECT_EQ(s.model.Column(0).first(), QStringLiteral("9:00"));
    s.list.SetAutoSortStyle(assDefault); // a changed style sorts again at once
    EXPECT_EQ(s.model.Column(0).first(), QStringLiteral("10:00"));
}

namespace {
// The bounding rows of pixels of `colour` inside `area`: the widest row's y and the
// topmost and bottommost rows that hold any.
struct Shape {
    int Count = 0;
    int Top = -1, Bottom = -1, WidestY = -1, Widest = 0;
};
Shape Find(const QImage& image, const QRect& area, QRgb colour)
{
    Shape shape;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int inRow = 0;
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff))
                ++inRow;
        if (!inRow)
            continue;
        shape.Count += inRow;
        if (shape.Top < 0)
            shape.Top = y;
        shape.Bottom = y;
        if (inRow > shape.Widest) {
            shape.Widest = inRow;
            shape.WidestY = y;
        }
    }
    return shape;
}
} // namespace

TEST(EnhListView, ArrowsPointTheSortDirectionAndStayOutOfNarrowColumns)
{
    SortableList s({{QStringLiteral("a")}}, {QStringLiteral("Name"), QStringLiteral("Size")});
    QPalette pal = s.list.palette();
    pal.setColor(QPalette::Button, QColor(200, 200, 200));
    pal.setColor(QPalette::Light, QColor(0, 255, 0));
    pal.setColor(QPalette::Dark, QColor(255, 0, 0));
    s.list.setPalette(pal);
    s.list.header()->setPalette(pal);
    s.list.setColumnWidth(0, 200);
    s.list.setColumnWidth(1, 200);
    s.list.resize(450, 200);
    s.list.show();
    s.list.SetShowSortArrows(true);
    ASSERT_GT(s.list.ArrowSize(), 0);
    s.list.SortByColumn(0, true);

    QHeaderView* h = s.list.header();
    const QRect first(0, 0, 200, h->height());
    const QRect second(200, 0, 200, h->height());
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0);
    QImage shot = h->grab().toImage();
    // Up: the base in the shadow colour at the bottom, narrowing to the apex.
    Shape shadow = Find(shot, first, red);
    ASSERT_GT(shadow.Count, 0);
    EXPECT_EQ(shadow.WidestY, shadow.Bottom);
    EXPECT_EQ(shadow.Widest, s.list.ArrowSize());
    EXPECT_EQ(Find(shot, second, red).Count, 0); // only the sort column has one

    s.list.SortByColumn(0, false);
    shot = h->grab().toImage();
    // Down: the base in the highlight colour at the top.
    const Shape highlight = Find(shot, first, green);
    ASSERT_GT(highlight.Count, 0);
    EXPECT_EQ(highlight.WidestY, highlight.Top);
    EXPECT_EQ(highlight.Widest, s.list.ArrowSize());

    // A right-aligned caption has its arrow on its left.
    s.model.RightAligned = 1;
    s.list.SortByColumn(1, true);
    shot = h->grab().toImage();
    const Shape beside = Find(shot, second, red);
    ASSERT_GT(beside.Count, 0);
    int rightmost = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = second.left(); x <= second.right(); ++x)
            if ((shot.pixel(x, y) & 0xffffff) == (red & 0xffffff))
                rightmost = std::max(rightmost, x);
    EXPECT_LT(rightmost, second.right() - 4 - h->fontMetrics().horizontalAdvance(QStringLiteral("Size")));
    s.list.SortByColumn(0, false);

    // A new palette gives new pictures.
    pal.setColor(QPalette::Dark, QColor(0, 0, 255));
    s.list.setPalette(pal);
    s.list.header()->setPalette(pal);
    shot = h->grab().toImage();
    EXPECT_GT(Find(shot, first, qRgb(0, 0, 255)).Count, 0);

    // A column too narrow for caption room and arrow shows none.
    h->setMinimumSectionSize(1);
    s.list.setColumnWidth(0, s.list.ArrowSize() + 10);
    ASSERT_EQ(h->sectionSize(0), s.list.ArrowSize() + 10);
    shot = h->grab().toImage();
    const QRect narrow(0, 0, s.list.ArrowSize() + 10, h->height());
    EXPECT_EQ(Find(shot, narrow, red).Count + Find(shot, narrow, green).Count, 0);

    // Arrows off: the style draws the header, our colours appear nowhere.
    s.list.setColumnWidth(0, 200);
    s.list.SetShowSortArrows(false);
    shot = h->grab().toImage();
    EXPECT_EQ(Find(shot, first, red).Count, 0);
}
