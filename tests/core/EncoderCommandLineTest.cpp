// The encoder's command line: the options from the settings, file quoting, and that the runner's
// split gives back exactly the program, the options and the paths that went in.
#include "CommandLine.h"
#include "EncoderCommandLine.h"
#include "TempProgramFolder.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {
QString Options(int bitrate, int priority, bool mono = false, bool crc = false, bool del = false, int flags = 0)
{
    TSettings v;
    v.Bitrate = bitrate;
    v.Priority = std::uint8_t(priority);
    v.Mono = mono;
    v.Crc = crc;
    v.DeleteSource = del;
    v.Mp3Flags = std::uint8_t(flags);
    return BuildEncoderOptions(v);
}
} // namespace

TEST(EncoderOptions, OrderOfEveryOptionAndThePriorityNames)
{
    EXPECT_EQ(Options(128, 1), QStringLiteral(" -quit -128 -PRIO=LOWEST"));
    EXPECT_EQ(Options(320, 3, true, true, true, 15),
              QStringLiteral(" -quit -320 -MONO -CRC -DELETE -ORIGINAL -COPY -PRIVATE -COPYRIGHT -PRIO=NORMAL"));
    EXPECT_EQ(Options(160, 1, false, true, false, 2), QStringLiteral(" -quit -160 -CRC -COPY -PRIO=LOWEST"));
    EXPECT_EQ(Options(64, 0, false, false, false, 8), QStringLiteral(" -quit -64 -COPYRIGHT -PRIO=IDLE"));
    EXPECT_EQ(Options(64, 2, false, false, false, 4 | 1), QStringLiteral(" -quit -64 -ORIGINAL -PRIVATE -PRIO=LOWER"));
    EXPECT_EQ(Options(64, 4), QStringLiteral(" -quit -64 -PRIO=HIGHER"));
    EXPECT_EQ(Options(64, 5), QStringLiteral(" -quit -64 -PRIO=HIGHEST"));
    // Out of range: no priority option at all.
    EXPECT_EQ(Options(128, 6), QStringLiteral(" -quit -128"));
    EXPECT_EQ(Options(128, 255), QStringLiteral(" -quit -128"));
    EXPECT_EQ(Options(128, -1), QStringLiteral(" -quit -128"));
    // A stored bitrate is written as it is, sign included.
    EXPECT_EQ(Options(-5, 6), QStringLiteral(" -quit --5"));
}

TEST(EncoderOptions, AVariableBitrateLevelTakesTheBitratesPlace)
{
    struct Case {
        std::int32_t vbr;
        const char* options;
    } cases[] = {
        {VbrOff, " -quit -192 -MONO -PRIO=LOWEST"},
        {0, " -quit -VBR=0 -MONO -PRIO=LOWEST"},
        {2, " -quit -VBR=2 -MONO -PRIO=LOWEST"},
        {9, " -quit -VBR=9 -MONO -PRIO=LOWEST"},
        {10, " -quit -192 -MONO -PRIO=LOWEST"},  // no level: the constant bitrate, never a refused level
        {-2, " -quit -192 -MONO -PRIO=LOWEST"},
    };
    for (const Case& c : cases) {
        TSettings v;
        v.Bitrate = 192;
        v.Vbr = c.vbr;
        v.Priority = 1;
        v.Mono = true;
        EXPECT_EQ(BuildEncoderOptions(v), QString::fromLatin1(c.options)) << c.vbr;
    }
}

TEST(EncoderCommandLine, PathUnquotedFilesQuotedInTheGivenOrder)
{
    const QString options = Options(128, 1);
    EXPECT_EQ(BuildEncoderCommandLine(QStringLiteral("/opt/BladeEnc"), options, {QStringLiteral("/a.wav")}),
              QStringLiteral("/opt/BladeEnc -quit -128 -PRIO=LOWEST \"/a.wav\""));
    // Blanks in the encoder path stay unquoted (no shorter prefix is a file here); blanks in
    // file paths are always quoted; the files keep their order.
    EXPECT_EQ(BuildEncoderCommandLine(QStringLiteral("/no such dir/Blade Enc"), options,
                                      {QStringLiteral("/z/Track 1.wav"), QStringLiteral("/a/b.aif")}),
              QStringLiteral("/no such dir/Blade Enc -quit -128 -PRIO=LOWEST \"/z/Track 1.wav\" \"/a/b.aif\""));
    EXPECT_EQ(BuildEncoderCommandLine(QStringLiteral("/e"), QString(), {}), QStringLiteral("/e"));
}

TEST(EncoderCommandLine, AListedMp3IsNeverTakenForThePreviousFilesOutput)
{
    const auto q = [](const char* text) { return QString::fromUtf8(text); };
    const struct {
        QStringList files, arguments;
    } cases[] = {
        {{q("/m/a.wav"), q("/m/b.flac")}, {q("/m/a.wav"), q("/m/b.flac")}},
        {{q("/m/a.wav"), q("/m/song.MP3")}, {q("/m/a.wav"), q("/m/a.mp3"), q("/m/song.MP3")}},
        {{q("/m/x.mp3"), q("/m/y.mp3"), q("/m/z.wav")}, {q("/m/x.mp3"), q("/m/x.mp3"), q("/m/y.mp3"), q("/m/z.wav")}},
        {{q("/m/.hidden"), q("/m/s.mp3")}, {q("/m/.hidden"), q("/m/.hidden.mp3"), q("/m/s.mp3")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncoderFileArguments(c.files), c.arguments) << c.files.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(BuildEncoderCommandLine(q("/e/BladeEnc"), q(" -quit"), {q("/m/a.wav"), q("/m/s.mp3")}),
              q("/e/BladeEnc -quit \"/m/a.wav\" \"/m/a.mp3\" \"/m/s.mp3\""));
}

TEST(EncoderCommandLine, QuotingKeepsQuotesAndBackslashes)
{
    EXPECT_EQ(QuoteCommandLineArgument(QStringLiteral("a b")), QStringLiteral("\"a b\""));
    EXPECT_EQ(QuoteCommandLineArgument(QStringLiteral("a\"b")), QStringLiteral("\"a\\\"b\""));
    EXPECT_EQ(QuoteCommandLineArgument(QStringLiteral("a\\\"b")), QStringLiteral("\"a\\\\\\\"b\""));
    EXPECT_EQ(QuoteCommandLineArgument(QStringLiteral("a\\b")), QStringLiteral("\"a\\b\""));
    EXPECT_EQ(QuoteCommandLineArgument(QStringLiteral("dir\\")), QStringLiteral("\"dir\\\\\""));
    EXPECT_EQ(QuoteCommandLineArgument(QString()), QStringLiteral("\"\""));
}

TEST(EncoderCommandLine, SplitGivesBackWhatWentIn)
{
    TempProgramFolder folder;
    // An encoder whose folder has blanks, a quote, a backslash and letters beyond ASCII.
    const QStringList encoders = {
        folder.File(QStringLiteral("my tools/Blade Enc")),
        folder.File(QStringLiteral("plain/BladeEnc")),
        folder.File(QStringLiteral("q\"uote d/Bl\\ade")),
        folder.File(QStringLiteral("Ärger  doppelt/enc")),
    };
    for (const QString& encoder : encoders)
        folder.Write(encoder.mid(folder.Path().size()), "#!/bin/sh\n");

    const QStringList files = {
        QStringLiteral("/m/Track 1.wav"),
        QStringLiteral("/m/say \"hi\".wav"),
        QStringLiteral("/m/back\\slash.wav"),
        QStringLiteral("/m/back\\\\\"both\\\".wav"),
        QStringLiteral("/m/ends in backslash\\"),
        QStringLiteral("/m/ends in two\\\\"),
        QStringLiteral("/m/\"\""),
        QStringLiteral("/m/Müller – Ünïcödé 日本.wav"),
        QStringLiteral("/m/tab\there.aif"),
        QStringLiteral("/m/  leading and trailing  "),
        QStringLiteral("-dash.wav"),
        QStringLiteral("/m/'single' $HOME `x` ;|&.wav"),
    };
    const QString options = Options(192, 3, true, true, false, 15);
    const QStringList optionItems = SplitCommandLineArguments(options);
    ASSERT_EQ(optionItems.size(), 9);
    for (const QString& encoder : encoders) {
        const QStringList parts = SplitCommandLine(BuildEncoderCommandLine(encoder, options, files));
        ASSERT_EQ(parts.size(), 1 + optionItems.size() + files.size()) << encoder.toStdString();
        EXPECT_EQ(parts.first(), encoder);
        EXPECT_EQ(parts.mid(1, optionItems.size()), optionItems);
        EXPECT_EQ(parts.mid(1 + optionItems.size()), files);
    }
}

TEST(EncoderCommandLine, EncoderPathIsQuotedOnlyWhenAShorterPrefixWouldBeStarted)
{
    TempProgramFolder folder;
    // "<folder>my" is a file, so "<folder>my tools/enc" unquoted would start "<folder>my".
    folder.Write(QStringLiteral("my"), "x");
    folder.Write(QStringLiteral("my tools/enc"), "x");
    const QString shadowed = folder.File(QStringLiteral("my tools/enc"));
    const QString line = BuildEncoderCommandLine(shadowed, Options(128, 1), {QStringLiteral("/a.wav")});
    EXPECT_TRUE(line.startsWith(QLatin1Char('"')));
    EXPECT_EQ(SplitCommandLine(line).first(), shadowed);

    folder.Write(QStringLiteral("other dir/enc"), "x");
    EXPECT_EQ(EncoderPathItem(folder.File(QStringLiteral("other dir/enc"))), folder.File(QStringLiteral("other dir/enc")));
    EXPECT_EQ(EncoderPathItem(QStringLiteral(" /lead")), QStringLiteral("\" /lead\""));
}

TEST(EncoderRuns, AsManyWholeFileGroupsPerRunAsFitInListOrderEachWithTheLeadingArguments)
{
    const QString encoder = QStringLiteral("/e"); // 3 + 8 bytes
    const QString options = QStringLiteral(" -quit -128");
    const qint64 fixed = ArgumentCost(encoder) + ArgumentCost(QStringLiteral("-quit"))
                         + ArgumentCost(QStringLiteral("-128")) + qint64(sizeof(char*));
    EXPECT_EQ(ArgumentCost(QStringLiteral("ä")), 2 + 1 + qint64(sizeof(char*)));
    const QString a = QStringLiteral("/m/a.wav"), b = QStringLiteral("/m/b.wav"), c = QStringLiteral("/m/c.wav");
    const QString bOut = QStringLiteral("/o/b.mp3"), outDir = QStringLiteral("-OUTDIR=/o u t");
    const qint64 one = ArgumentCost(a);
    using Runs = QList<QList<QStringList>>;
    const struct {
        QStringList Leading;
        QList<QStringList> Groups;
        qint64 Room;
        Runs Expected;
    } cases[] = {
        {{}, {{a}, {b}, {c}}, fixed + 3 * one, {{{a}, {b}, {c}}}},            // all fit exactly
        {{}, {{a}, {b}, {c}}, fixed + 3 * one - 1, {{{a}, {b}}, {{c}}}},      // one byte short
        {{}, {{a}, {b}, {c}}, fixed + one, {{{a}}, {{b}}, {{c}}}},
        {{}, {{a}, {b}, {c}}, 1, {{{a}}, {{b}}, {{c}}}},  // nothing fits: each alone, so its start says why
        // A source and its MP3 go into one run or the next, never apart.
        {{}, {{a}, {b, bOut}, {c}}, fixed + 2 * one, {{{a}}, {{b, bOut}}, {{c}}}},
        {{}, {{a}, {b, bOut}, {c}}, fixed + 3 * one, {{{a}, {b, bOut}}, {{c}}}},
        // The leading arguments take their room in every run.
        {{outDir}, {{a}, {b}, {c}}, fixed + ArgumentCost(outDir) + 2 * one, {{{a}, {b}}, {{c}}}},
        {{outDir}, {{a}, {b}, {c}}, fixed + 3 * one, {{{a}}, {{b}}, {{c}}}},
        {{outDir}, {{a}, {b}, {c}}, fixed + ArgumentCost(outDir) + 3 * one, {{{a}, {b}, {c}}}},
        {{outDir}, {}, 1000, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.Room);
        EXPECT_EQ(SplitIntoRuns(encoder, options, t.Leading, t.Groups, t.Room), t.Expected);
    }
}
