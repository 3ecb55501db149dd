#include "Dialogs.h"
#include "Errors.h"
#include "ResStr.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMimeDatabase>

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
              (QStringList{QStringLiteral("Audio-Files (*.wav *.aif *.aiff *.flac *.ogg *.oga *.opus)"),
                           QStringLiteral("Wave-Files (*.wav)"), QStringLiteral("AIFF-Files (*.aif *.aiff)"),
                           QStringLiteral("FLAC-Files (*.flac)"), QStringLiteral("Ogg-Vorbis-Files (*.ogg *.oga)"),
                           QStringLiteral("Opus-Files (*.opus)"), QStringLiteral("All Files (*)")}));
    // Brackets that are not the patterns are part of the name.
    EXPECT_EQ(ToQtFilters(QStringLiteral("Sound (lossless)|*.wav|Wave (*.wav)|*.wav;*.wave")),
              (QStringList{QStringLiteral("Sound (lossless) (*.wav)"), QStringLiteral("Wave (*.wav) (*.wav *.wave)")}));
}

TEST(FileDialogFilters, TheMenuEntryOffersItselfForEveryKindTheDialogShows)
{
    // "Open with" lists the program for the MIME types of its menu entry.
    QFile entry(QStringLiteral(TW_DESKTOP_FILE));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    QStringList listed;
    for (const QByteArray& line : entry.readAll().split('\n'))
        if (line.startsWith("MimeType="))
            listed = QString::fromUtf8(line.mid(9)).split(u';', Qt::SkipEmptyParts);
    ASSERT_FALSE(listed.isEmpty());

    const QString audio = ToQtFilters(ResStr::ChooseFilesFilter).first();
    const QStringList patterns = audio.section(u'(', 1).chopped(1).split(u' ');
    ASSERT_EQ(patterns.size(), 7) << audio.toStdString();
    QMimeDatabase db;
    for (const QString& pattern : patterns) {
        bool offered = false;
        for (const QMimeType& type : db.mimeTypesForFileName(QStringLiteral("x") + pattern.mid(1)))
            offered = offered || listed.contains(type.name());
        EXPECT_TRUE(offered) << pattern.toStdString();
    }
}
