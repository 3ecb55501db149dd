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

    // Right of the columns the row at that height is the target; below the rows none is.
    const int right = list.header()->length() + 5;
    ASSERT_LT(right, list.viewport()->width());
    QDragMoveEvent beside(QPoint(right, onSecond.y()), Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &beside);
    EXPECT_EQ(list.DropTarget().row(), 1);
    QDragMoveEvent below(QPoint(onSecond.x(), 280), Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &below);
    EXPECT_FALSE(list.DropTarget().isValid());
    EXPECT_TRUE(list.BelowLastRow(280));
    QDragMoveEvent back(onSecond, Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &back);

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
    SortableList s({{QStringLiteral("9:00 PM")}, {QStringLiteral("10:00 AM")}});
    s.list.SortByColumn(0, true);
    EXPECT_EQ(s.model.Column(0).first(), QStringLiteral("10:00 AM"));
    s.list.SetAutoSortStyle(assDefault); // a changed style sorts again at once
    EXPECT_EQ(s.model.Column(0).first(), QStringLiteral("9:00 PM"));
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
    pal.setColor(QPalette::ButtonText, QColor(0, 0, 160));
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
    const QFontMetrics fm = h->fontMetrics();
    // Right of the caption "Name" in the first column; the second column whole.
    const QRect first(4 + fm.horizontalAdvance(QStringLiteral("Name")) + 2, 0, 200 - 4 - fm.horizontalAdvance(QStringLiteral("Name")) - 2, h->height());
    const QRect second(200, 0, 200, h->height());
    const QRgb arrow = qRgb(0, 0, 160);
    QImage shot = h->grab().toImage();
    // Up: the base at the bottom, narrowing to the apex.
    Shape up = Find(shot, first, arrow);
    ASSERT_GT(up.Count, 0);
    EXPECT_EQ(up.WidestY, up.Bottom);
    EXPECT_GE(up.Widest, s.list.ArrowSize() - 1);
    EXPECT_LE(up.Bottom - up.Top + 1, s.list.ArrowSize());

    s.list.SortByColumn(0, false);
    shot = h->grab().toImage();
    const Shape down = Find(shot, first, arrow);
    ASSERT_GT(down.Count, 0);
    EXPECT_EQ(down.WidestY, down.Top);

    // A right-aligned caption has its arrow on its left.
    s.model.RightAligned = 1;
    s.list.SortByColumn(1, true);
    shot = h->grab().toImage();
    const QRect leftOfSize(second.left(), 0, second.width() - 4 - fm.horizontalAdvance(QStringLiteral("Size")) - 2, h->height());
    EXPECT_GT(Find(shot, leftOfSize, arrow).Count, 0);
    EXPECT_EQ(Find(shot, first, arrow).Count, 0); // only the sort column has one
    s.list.SortByColumn(0, false);

    // A column too narrow for the margin, the gap and the arrow shows none.
    h->setMinimumSectionSize(1);
    const int needed = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h) + 8 + s.list.ArrowSize();
    s.list.setColumnWidth(0, needed - 1);
    ASSERT_EQ(h->sectionSize(0), needed - 1);
    EXPECT_FALSE(s.list.ArrowShownIn(0));
    shot = h->grab().toImage();
    EXPECT_EQ(Find(shot, QRect(0, 0, needed - 1, h->height()), arrow).Count, 0);
    s.list.setColumnWidth(0, needed);
    EXPECT_TRUE(s.list.ArrowShownIn(0));
}

TEST(EnhListView, ArrowsStandOutInLightAndDarkPalettesOnTheStylesOwnFace)
{
    SortableList s({{QStringLiteral("a")}}, {QStringLiteral("Name"), QStringLiteral("Size")});
    s.list.setColumnWidth(0, 200);
    s.list.setColumnWidth(1, 200);
    s.list.resize(450, 200);
    s.list.show();
    QHeaderView* h = s.list.header();
    const QRect second(200, 0, 200, h->height());
    const QRect firstEnd(200 - 4, 0, 3, h->height()); // the sort column's face, right of its arrow

    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::WindowText, Qt::white);
    QPalette badlyPaired = dark; // a text colour hardly apart from the face
    badlyPaired.setColor(QPalette::ButtonText, QColor(70, 70, 70));
    for (const QPalette& pal : {s.list.style()->standardPalette(), dark, badlyPaired}) {
        s.list.setPalette(pal);
        h->setPalette(pal);
        s.list.SetShowSortArrows(false);
        const QImage without = h->grab().toImage();
        s.list.SetShowSortArrows(true);
        s.list.SortByColumn(0, true);
        const QImage with = h->grab().toImage();

        const QColor face = pal.color(QPalette::Button);
        EXPECT_GE(ContrastRatio(s.list.ArrowColour(), face), 3.0) << face.name().toStdString();
        const QRect area(4 + h->fontMetrics().horizontalAdvance(QStringLiteral("Name")) + 2, 0, 150, h->height());
        EXPECT_GT(Find(with, area, s.list.ArrowColour().rgb()).Count, 0) << face.name().toStdString();
        // The header keeps the style's face whether the arrow shows or not.
        EXPECT_EQ(with.copy(second), without.copy(second)) << face.name().toStdString();
        EXPECT_EQ(with.copy(firstEnd), without.copy(firstEnd)) << face.name().toStdString();

    }
}
