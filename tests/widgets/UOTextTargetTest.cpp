#include "EnhListView.h"
#include "UOTextTarget.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

namespace {
QMimeData* Files(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << (p.contains(QStringLiteral("://")) ? QUrl(p) : QUrl::fromLocalFile(p));
    data->setUrls(urls);
    return data;
}

class DropTarget : public ::testing::Test {
protected:
    DropTarget()
    {
        target.SetAcceptTextFormats(dtfFiles);
        target.SetAcceptorControl(&acceptor);
        target.OnDrop = [this](TUOTextTarget*, QWidget* to, const QString& text, int x, int y) {
            EXPECT_EQ(to, &acceptor);
            drops << text;
            at = QPoint(x, y);
        };
    }
    // Enter, move and (when the move was accepted) drop, as the platform sends them. Returns
    // the action of the last event the target answered.
    Qt::DropAction Drag(const QMimeData* data, Qt::KeyboardModifiers keys, Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction)
    {
        const QPoint p(20, 30);
        QDragEnterEvent enter(p, allowed, data, Qt::LeftButton, keys);
        QApplication::sendEvent(&acceptor, &enter);
        QDragMoveEvent move(p, allowed, data, Qt::LeftButton, keys);
        QApplication::sendEvent(&acceptor, &move);
        EXPECT_EQ(enter.isAccepted(), move.isAccepted());
        if (!move.isAccepted())
            return Qt::IgnoreAction;
        const Qt::DropAction shown = move.dropAction();
        QDropEvent drop(QPointF(p), allowed, data, Qt::LeftButton, keys);
        QApplication::sendEvent(&acceptor, &drop);
        reported = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        return shown;
    }

    QWidget owner;
    QWidget acceptor{&owner};
    TUOTextTarget target{&owner};
    QStringList drops;
    QPoint at;
    Qt::DropAction reported = Qt::IgnoreAction;
};
} // namespace

TEST(DropEffect, CopyWheneverAllowedLinkOnlyWhenAloneNeverMove)
{
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    const struct {
        bool acceptable;
        Qt::DropActions allowed;
        Qt::DropAction effect;
    } cases[] = {
        {false, all, Qt::IgnoreAction},
        {true, all, Qt::CopyAction},
        {true, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction},
        {true, Qt::CopyAction | Qt::LinkAction, Qt::CopyAction},
        {true, Qt::CopyAction, Qt::CopyAction},
        {true, Qt::LinkAction, Qt::LinkAction},
        {true, Qt::MoveAction, Qt::IgnoreAction},
        {true, Qt::MoveAction | Qt::LinkAction, Qt::IgnoreAction},
        {true, Qt::IgnoreAction, Qt::IgnoreAction},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DropEffect(c.acceptable, c.allowed), c.effect) << int(c.allowed);
}

TEST_F(DropTarget, FilesArriveInOrderAndTheSourceIsToldCopyWhateverTheKeys)
{
    std::unique_ptr<QMimeData> three(Files({QStringLiteral("/m/b.wav"), QStringLiteral("/m/a.wav"), QStringLiteral("/n/c d.aif")}));
    EXPECT_EQ(Drag(three.get(), Qt::NoModifier), Qt::CopyAction);
    ASSERT_EQ(drops.size(), 1);
    EXPECT_EQ(drops[0], QStringLiteral("/m/b.wav\r\n/m/a.wav\r\n/n/c d.aif"));
    EXPECT_EQ(target.DroppedLines(), (QStringList{QStringLiteral("/m/b.wav"), QStringLiteral("/m/a.wav"), QStringLiteral("/n/c d.aif")}));
    EXPECT_EQ(at, QPoint(20, 30));
    EXPECT_EQ(reported, Qt::CopyAction);

    for (Qt::KeyboardModifiers keys : {Qt::ControlModifier | Qt::NoModifier, Qt::ShiftModifier | Qt::NoModifier,
                                       Qt::ShiftModifier | Qt::ControlModifier}) {
        EXPECT_EQ(Drag(three.get(), keys), Qt::CopyAction);
        EXPECT_EQ(reported, Qt::CopyAction);
    }
    EXPECT_EQ(Drag(three.get(), Qt::ShiftModifier, Qt::LinkAction), Qt::LinkAction);
    EXPECT_EQ(reported, Qt::LinkAction);
    EXPECT_EQ(drops.size(), 5);
}

TEST_F(DropTarget, ARefusedEffectDeliversNothing)
{
    std::unique_ptr<QMimeData> files(Files({QStringLiteral("/m/a.wav")}));
    EXPECT_EQ(Drag(files.get(), Qt::ShiftModifier, Qt::MoveAction), Qt::IgnoreAction);
    // Even a drop sent without an accepted drag.
    QDropEvent drop(QPointF(1, 1), Qt::MoveAction, files.get(), Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&acceptor, &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_TRUE(drops.isEmpty());
}

namespace {
// Counts how often the list of URLs is read out of the drag.
class CountingData : public QMimeData {
public:
    mutable int Reads = 0;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        if (mimeType == QLatin1String("text/uri-list"))
            ++Reads;
        return QMimeData::retrieveData(mimeType, type);
    }
};
} // namespace

TEST_F(DropTarget, TheDroppedListIsReadOncePerDrag)
{
    CountingData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/m/a.wav")), QUrl::fromLocalFile(QStringLiteral("/m/b.wav"))});
    const Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction;
    for (int drag = 1; drag <= 2; ++drag) {
        QDragEnterEvent enter(QPoint(5, 5), allowed, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&acceptor, &enter);
        for (int y = 5; y < 105; ++y) {
            QDragMoveEvent move(QPoint(5, y), allowed, &data, Qt::LeftButton, y % 2 ? Qt::ControlModifier : Qt::NoModifier);
            QApplication::sendEvent(&acceptor, &move);
            ASSERT_TRUE(move.isAccepted());
        }
        QDropEvent drop(QPointF(5, 105), allowed, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&acceptor, &drop);
        EXPECT_EQ(data.Reads, drag);
    }
    EXPECT_EQ(drops.size(), 2);
    // A drag that left is read again when it comes back.
    QDragEnterEvent enter(QPoint(5, 5), allowed, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&acceptor, &enter);
    QDragLeaveEvent leave;
    QApplication::sendEvent(&acceptor, &leave);
    QDragEnterEvent again(QPoint(5, 5), allowed, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&acceptor, &again);
    EXPECT_EQ(data.Reads, 4);
}

TEST_F(DropTarget, OnlyLocalFilesAreAccepted)
{
    QMimeData text;
    text.setText(QStringLiteral("/m/a.wav"));
    QMimeData picture;
    picture.setImageData(QImage(4, 4, QImage::Format_RGB32));
    std::unique_ptr<QMimeData> web(Files({QStringLiteral("https://example.org/a.wav")}));
    for (const QMimeData* refused : {static_cast<const QMimeData*>(&text), static_cast<const QMimeData*>(&picture), static_cast<const QMimeData*>(web.get())})
        EXPECT_EQ(Drag(refused, Qt::NoModifier), Qt::IgnoreAction);
    EXPECT_TRUE(drops.isEmpty());

    // In a mixed drop the web link is skipped; a long path arrives whole.
    const QString longPath = QStringLiteral("/m/") + QString(300, QLatin1Char('x')) + QStringLiteral(".wav");
    std::unique_ptr<QMimeData> mixed(Files({QStringLiteral("https://example.org/a.wav"), longPath, QStringLiteral("/m/b.wav")}));
    EXPECT_EQ(Drag(mixed.get(), Qt::NoModifier), Qt::CopyAction);
    EXPECT_EQ(drops, QStringList{longPath + QStringLiteral("\r\n/m/b.wav")});
}

TEST(DropTargetOnAList, RowsDraggedInsideTheListAreLeftToTheList)
{
    QWidget owner;
    TEnhListView list(&owner);
    TUOTextTarget target(&owner);
    target.SetAcceptTextFormats(dtfFiles | dtfText);
    target.SetAcceptorControl(&list);
    int targetDrops = 0, listDrops = 0;
    target.OnDrop = [&](TUOTextTarget*, QWidget*, const QString&, int, int) { ++targetDrops; };
    list.OnDragOver = [&](TEnhListView*, QObject* source, const QPoint&, bool& accept) { accept = source == &list; };
    list.OnDragDrop = [&](TEnhListView*, QObject*, const QPoint&) { ++listDrops; };

    TListViewDragData rows(&list);
    rows.setText(QStringLiteral("/m/a.wav")); // would pass as text, yet it is the list's own drag
    QDragEnterEvent enter(QPoint(1, 1), Qt::MoveAction, &rows, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(1, 1), Qt::MoveAction, &rows, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    EXPECT_EQ(listDrops, 1);
    EXPECT_EQ(targetDrops, 0);

    // And a drop from outside never reaches the list's row moving.
    std::unique_ptr<QMimeData> files(Files({QStringLiteral("/m/b.wav")}));
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent entering(QPoint(1, 1), offered, files.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &entering);
    EXPECT_TRUE(entering.isAccepted());
    QDropEvent outside(QPointF(1, 1), offered, files.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &outside);
    EXPECT_EQ(listDrops, 1);
    EXPECT_EQ(targetDrops, 1);
}

TEST_F(DropTarget, OneWidgetHasAtMostOneTargetOfAnOwner)
{
    TUOTextTarget second(&owner);
    second.SetAcceptorControl(&acceptor);
    EXPECT_EQ(second.AcceptorControl(), nullptr);
    target.SetAcceptorControl(nullptr);
    second.SetAcceptorControl(&acceptor);
    EXPECT_EQ(second.AcceptorControl(), &acceptor);

    // The old target no longer answers for the widget.
    second.SetAcceptTextFormats(dtfText);
    std::unique_ptr<QMimeData> files(Files({QStringLiteral("/m/a.wav")}));
    EXPECT_EQ(Drag(files.get(), Qt::NoModifier), Qt::IgnoreAction);
}
