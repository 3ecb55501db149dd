#include "Dialogs.h"
#include "Errors.h"
#include "ResStr.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

TEST(DefaultErrorDisplay, ShowsTheMessageOfAnEscapedErrorAndGoesOn)
{
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDOK);
    bool after = false;
    RunGuarded([] { throw Exception(QStringLiteral("Unable to write to /x/tonewright.ini")); });
    RunGuarded([] { throw EAbort(); }); // silent
    RunGuarded([&] { after = true; });
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("Unable to write to /x/tonewright.ini"));
    EXPECT_EQ(boxes.Asked()[0].Caption, ResStr::CaptionError);
    EXPECT_EQ(boxes.Asked()[0].Flags, unsigned(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(after);
}

TEST(Placement, CentresOverTheOwnerTruncatingTowardZero)
{
    // A window taller than its owner sits above the owner's top by half the difference.
    EXPECT_EQ(CenteredPosition(QRect(100, 100, 536, 374), QSize(400, 251)), QPoint(168, 161));
    EXPECT_EQ(CenteredPosition(QRect(100, 100, 200, 100), QSize(300, 201)), QPoint(50, 50));
    EXPECT_EQ(CenteredPosition(QRect(0, 0, 10, 10), QSize(13, 13)), QPoint(-1, -1));
}

TEST(FileDialogFilters, BecomeQtFilterLists)
{
    const QStringList f = ToQtFilters(QStringLiteral("Audio-Files|*.wav;*.aif;*.aiff|All Files|*.*"));
    EXPECT_EQ(f, (QStringList{QStringLiteral("Audio-Files (*.wav *.aif *.aiff)"), QStringLiteral("All Files (*.*)")}));
}

TEST(FileDialogFilters, ANameThatShowsItsPatternsShowsThemOnce)
{
    EXPECT_EQ(ToQtFilters(ResStr::ChooseFilesFilter),
              (QStringList{QStringLiteral("Audio-Files (*.wav *.aif *.aiff)"), QStringLiteral("Wave-Files (*.wav)"),
                           QStringLiteral("AIFF-Files (*.aif *.aiff)"), QStringLiteral("All Files (*)")}));
    // Brackets that are not the patterns are part of the name.
    EXPECT_EQ(ToQtFilters(QStringLiteral("Sound (lossless)|*.wav|Wave (*.wav)|*.wav;*.wave")),
              (QStringList{QStringLiteral("Sound (lossless) (*.wav)"), QStringLiteral("Wave (*.wav) (*.wav *.wave)")}));
}
