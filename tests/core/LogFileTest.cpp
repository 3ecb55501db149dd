#include "AsNobody.h"
#include "LogFile.h"
#include "TempProgramFolder.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

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

TEST(LogFile, AReadOnlyLogFileIsNotReplaced)
{
    // The folder may be written; the file itself has been made read-only (0444).
    TempProgramFolder folder;
    const QString path = folder.File(QStringLiteral("Tonewright.log"));
    folder.Write(QStringLiteral("Tonewright.log"), "kept\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    // 0 refused, 1 replaced.
    EXPECT_EQ(RunAsNobody({folder.Path(), path}, [&] { return SaveLogFile(path, {QStringLiteral("new")}) ? 1 : 0; }),
              0);
    EXPECT_EQ(folder.Read(QStringLiteral("Tonewright.log")), QByteArray("kept\r\n"));
}

TEST(LogFile, BytesOutsideUtf8SurviveDecodingAndSaving)
{
    // Latin-1, a stray continuation byte, an overlong form, an encoded surrogate, a code point
    // above U+10FFFF, a sequence cut short at the end; and valid characters around them, one of
    // them beyond U+FFFF with a low half in the range used for kept bytes (U+10080).
    const QByteArray raw = "caf\xe9 \x80 \xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 "
                           "Gr\xc3\xbc\xc3\x9f" "e \xf0\x90\x82\x80 \xf0\x9f\x8e\xb5 \xe2\x82";
    const QString text = DecodeLogBytes(raw);
    EXPECT_EQ(text.left(4), QStringLiteral("caf") + QChar(char16_t(0xDCE9)));
    EXPECT_TRUE(text.contains(QStringLiteral("Grüße")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("\xf0\x90\x82\x80")));
    EXPECT_EQ(EncodeLogText(text), raw);
    // Valid UTF-8 decodes as it always did.
    const QByteArray valid = "Encoding: /m/M\xc3\xbcller \xe6\x97\xa5\xe6\x9c\xac.wav";
    EXPECT_EQ(DecodeLogBytes(valid), QString::fromUtf8(valid));
    EXPECT_EQ(EncodeLogText(QString::fromUtf8(valid)), valid);

    TempProgramFolder folder;
    const QString path = folder.File(QStringLiteral("Tonewright.log"));
    folder.Write(QStringLiteral("Tonewright.log"), raw + "\r\nnext\r\n");
    const QStringList lines = LoadLogFile(path);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.first(), text);
    ASSERT_TRUE(SaveLogFile(path, lines));
    EXPECT_EQ(folder.Read(QStringLiteral("Tonewright.log")), raw + "\r\nnext\r\n");
}
