#include "LogFile.h"
#include "TempProgramFolder.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(LogFile, ReadsLinesEndingInCrLfOrLf)
{
    TempProgramFolder folder;
    folder.Write(QStringLiteral("Tonewright.log"), "first\r\nsecond\nthird\r\n\r\nfifth");
    EXPECT_EQ(LoadLogFile(folder.File(QStringLiteral("Tonewright.log"))),
              (QStringList{QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third"), QString(),
                           QStringLiteral("fifth")}));

    // A final line break ends the last line; a lone CR is part of a line.
    folder.Write(QStringLiteral("b.log"), "a\rb\r\n");
    EXPECT_EQ(LoadLogFile(folder.File(QStringLiteral("b.log"))), QStringList{QStringLiteral("a\rb")});

    folder.Write(QStringLiteral("utf8.log"), "Gr\xc3\xbc\xc3\x9f" "e\n");
    EXPECT_EQ(LoadLogFile(folder.File(QStringLiteral("utf8.log"))), QStringList{QStringLiteral("Grüße")});

    folder.Write(QStringLiteral("empty.log"), "");
    EXPECT_TRUE(LoadLogFile(folder.File(QStringLiteral("empty.log"))).isEmpty());
}

TEST(LogFile, AFileThatCannotBeReadGivesNoLines)
{
    TempProgramFolder folder;
    EXPECT_TRUE(LoadLogFile(folder.File(QStringLiteral("missing.log"))).isEmpty());
    ASSERT_TRUE(QDir().mkdir(folder.File(QStringLiteral("dir.log"))));
    EXPECT_TRUE(LoadLogFile(folder.File(QStringLiteral("dir.log"))).isEmpty());
}

TEST(LogFile, SavesEveryLineWithCrLfAndReadsItBack)
{
    TempProgramFolder folder;
    const QString path = folder.File(QStringLiteral("Tonewright.log"));
    const QStringList lines{QStringLiteral("BladeEnc 0.94.2"), QString(), QStringLiteral("Grüße")};
    ASSERT_TRUE(SaveLogFile(path, lines));
    EXPECT_EQ(folder.Read(QStringLiteral("Tonewright.log")), QByteArray("BladeEnc 0.94.2\r\n\r\nGr\xc3\xbc\xc3\x9f" "e\r\n"));
    EXPECT_EQ(LoadLogFile(path), lines);

    ASSERT_TRUE(SaveLogFile(path, {}));
    EXPECT_EQ(folder.Read(QStringLiteral("Tonewright.log")), QByteArray());
}

TEST(LogFile, AFailedSaveReportsFalse)
{
    TempProgramFolder folder;
    ASSERT_TRUE(QDir().mkpath(folder.File(QStringLiteral("Tonewright.log/inner"))));
    EXPECT_FALSE(SaveLogFile(folder.File(QStringLiteral("Tonewright.log")), {QStringLiteral("x")}));
    EXPECT_FALSE(SaveLogFile(folder.File(QStringLiteral("no/such/folder.log")), {QStringLiteral("x")}));
}
