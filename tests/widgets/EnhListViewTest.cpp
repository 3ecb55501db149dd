#include "EnhListView.h"

#include <QApplication>
#include <QDropEvent>

#include <gtest/gtest.h>

namespace {
void AddRows(TEnhListView& list, int n)
{
    list.setColumnCount(2);
    for (int i = 0; i < n; ++i)
        list.addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("r%1").arg(i)}));
}
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
    TEnhListView list;
    AddRows(list, 1);
    EXPECT_EQ(list.CellText(0, 0), QStringLiteral("r0"));
    EXPECT_EQ(list.CellText(0, 1), QString());
    EXPECT_EQ(list.CellText(5, 0), QString());
}

TEST(EnhListView, DragsAreOfferedToTheOwnerWithTheirSource)
{
    TEnhListView list;
    TEnhListView other;
    AddRows(list, 3);
    list.resize(300, 300);
    list.show();

    TListViewDragData fromOther(&other);
    const QPoint onSecond = list.visualItemRect(list.topLevelItem(1)).center();
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
        EXPECT_EQ(list.DropTarget(), list.topLevelItem(1));
    };
    QDragEnterEvent enter(onSecond, Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(onSecond, Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    EXPECT_EQ(seenSource, &other);
    EXPECT_EQ(list.DropTarget(), list.topLevelItem(1));

    // Over empty space the last row under the pointer stays the target.
    QDragMoveEvent below(QPoint(onSecond.x(), 280), Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &below);
    EXPECT_EQ(list.DropTarget(), list.topLevelItem(1));

    QDropEvent drop(QPointF(onSecond), Qt::MoveAction, &fromOther, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(list.DropTarget(), nullptr);
}
