#include "Log.h"
#include "LayoutCheck.h"

#include "Dialogs.h"
#include "QtPrinters.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace wintest;

namespace {
// ShowModal with `action` run inside its loop; a hang guard closes the window after a while.
int ShowWith(TFormLog& form, std::function<void()> action)
{
    QTimer::singleShot(0, &form, std::move(action));
    QTimer::singleShot(20000, &form, [&form] {
        ADD_FAILURE() << "the log window did not close";
        form.done(-1);
    });
    return form.ShowModal();
}
} // namespace

TEST(LogWindow, ShowsTheLinesItIsGivenAndTypingChangesNothing)
{
    QWidget owner;
    TFormLog form(&owner);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tonewright Log"));
    const QStringList lines{QStringLiteral("Blade's MP3 Encoder"), QStringLiteral("  indented <b>&amp;</b>"),
                            QString(), QStringLiteral("Done.")};
    QStringList given = lines;
    form.SetLines(given);
    EXPECT_EQ(form.MemoLog->toPlainText().split(QLatin1Char('\n')), lines);

    form.show();
    form.MemoLog->setFocus();
    Key(form.MemoLog, Qt::Key_X, QStringLiteral("x"));
    Key(form.MemoLog, Qt::Key_Backspace);
    Key(form.MemoLog, Qt::Key_Delete);
    form.MemoLog->selectAll();
    Key(form.MemoLog, Qt::Key_Y, QStringLiteral("y"));
    EXPECT_EQ(form.MemoLog->toPlainText().split(QLatin1Char('\n')), lines);
    EXPECT_EQ(given, lines);

    form.SetLines({QStringLiteral("other")});
    EXPECT_EQ(form.MemoLog->toPlainText(), QStringLiteral("other"));
}

TEST(LogWindow, KeepsOkCentredAndTheMemoFillingTheWindowWhenResized)
{
    QWidget owner;
    TFormLog form(&owner);
    form.show();
    for (const int width : {400, 301, 640, 90, 60}) {
        SCOPED_TRACE(width);
        form.resize(width, 250);
        QApplication::processEvents();
        // Never narrower than OK needs; OK in the middle of the strip, whole.
        EXPECT_GE(form.width(), 75);
        const QRect ok(form.ButtonOK->mapTo(&form, QPoint(0, 0)), form.ButtonOK->size());
        EXPECT_LE(std::abs(ok.left() - (form.width() - ok.right() - 1)), 1);
        EXPECT_GE(form.ButtonOK->width(), 75);
        EXPECT_GE(form.ButtonOK->height(), 25);
        EXPECT_GE(form.PanelBottom->height(), 40);
        EXPECT_EQ(form.MemoLog->width(), form.width());
        EXPECT_EQ(form.MemoLog->height(), form.height() - form.PanelBottom->height());
        EXPECT_EQ(CutTexts(&form), QStringList());
    }
}

TEST(LogWindow, EnterEscapeAndTheButtonCloseItWithOk)
{
    const std::vector<std::pair<const char*, std::function<void(TFormLog&)>>> ways = {
        {"button", [](TFormLog& f) { f.ButtonOK->click(); }},
        {"Enter on the button", [](TFormLog& f) { Key(f.ButtonOK, Qt::Key_Return); }},
        {"Escape on the button", [](TFormLog& f) { Key(f.ButtonOK, Qt::Key_Escape); }},
        {"Enter in the memo",
         [](TFormLog& f) {
             f.MemoLog->setFocus();
             Key(f.MemoLog, Qt::Key_Return);
         }},
        {"Escape in the memo",
         [](TFormLog& f) {
             f.MemoLog->setFocus();
             Key(f.MemoLog, Qt::Key_Escape);
         }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        QWidget owner;
        TFormLog form(&owner);
        form.SetLines({QStringLiteral("a"), QStringLiteral("b")});
        EXPECT_EQ(ShowWith(form, [&] { way(form); }), IDOK);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.MemoLog->toPlainText(), QStringLiteral("a\nb")) << "Enter must not reach the text";
    }
    QWidget owner;
    TFormLog form(&owner);
    EXPECT_EQ(ShowWith(form, [&] { form.close(); }), IDCANCEL);
}
