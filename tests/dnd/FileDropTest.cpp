// Files dragged from another program, across the X server: the drop target receives the names,
// and the drag source is told what happened to its files. The source is a small program of
// its own (tw_drag_source) that moves the server's pointer as a user's file manager would.
#include "EnhListView.h"
#include "QtPrinters.h"
#include "Spin.h"
#include "UOTextTarget.h"

#include <QApplication>
#include <QProcess>
#include <QStandardItemModel>
#include <QWindow>

#include <gtest/gtest.h>

namespace {
class FileDrop : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.setGeometry(20, 20, 500, 400);
        list.setModel(&rows);
        target.SetAcceptTextFormats(dtfFiles);
        target.SetAcceptorControl(&list);
        target.OnDrop = [this](TUOTextTarget*, QWidget*, const QString& text, int, int) { drops << text; };
        list.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return list.windowHandle() && list.windowHandle()->isExposed(); }, 20000));
    }

    // Runs the drag source against the middle of the list; what its drag returned.
    QString DragFrom(const QString& offered, const QStringList& files)
    {
        const QPoint at = list.viewport()->mapToGlobal(list.viewport()->rect().center());
        QProcess source;
        source.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        source.start(QStringLiteral(TW_DRAG_SOURCE),
                     QStringList{QString::number(at.x()), QString::number(at.y()), offered} + files);
        EXPECT_TRUE(QTest::qWaitFor([&] { return source.state() == QProcess::NotRunning; }, 60000));
        return QString::fromUtf8(source.readAllStandardOutput()).trimmed();
    }

    QStandardItemModel rows;
    TEnhListView list;
    QWidget owner;
    TUOTextTarget target{&owner};
    QStringList drops;
};
} // namespace

TEST_F(FileDrop, TheSourceHearsCopyWheneverItOffersCopyAndNeverMove)
{
    const QStringList files = {QStringLiteral("/music/b.wav"), QStringLiteral("/music/a b.aiff")};
    const QString delivered = QStringLiteral("/music/b.wav\r\n/music/a b.aiff");
    const struct {
        const char* offered;
        const char* answer;
        bool delivers;
    } cases[] = {
        {"cm", "copy", true},   // a file manager's ordinary drag
        {"cml", "copy", true},
        {"c", "copy", true},
        {"l", "link", true},    // a link is all it offers
        {"m", "ignore", false}, // a move alone would delete the files (last: nothing to wait for)
    };
    for (const auto& c : cases) {
        drops.clear();
        EXPECT_EQ(DragFrom(QLatin1String(c.offered), files), QLatin1String(c.answer)) << c.offered;
        // The source may end before this side has read its drop off the X connection.
        if (c.delivers)
            (void)QTest::qWaitFor([&] { return !drops.isEmpty(); }, 20000);
        EXPECT_EQ(drops, c.delivers ? QStringList{delivered} : QStringList()) << c.offered;
    }
}
