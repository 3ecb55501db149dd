// The encoder output interpreter without windows: column cutting, numbers, rounding, the
// prefixes, the throttle and the batch counters.
#include "OutputInterpreter.h"
#include "ResStr.h"

#include "ProgressLine.h"
#include "QtPrinters.h"
#include "RecordingDisplay.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct OutputInterpreterTest : ::testing::Test {
    TBatchState state;
    std::int32_t& filesToEncode = state.FilesToEncode;
    std::int32_t& filesDone = state.FilesDone;
    QStringList& log = state.Log;
    bool& error = state.ErrorOccurred;
    QString& currentFile = state.CurrentFile;
    double& filePercent = state.FilePercent;
    double& batchPercent = state.BatchPercent;
    qint64 now = 0;
    RecordingDisplay display;
    TOutputInterpreter interpreter{state, [this] { return now; }};

    OutputInterpreterTest() { interpreter.SetDecimalSeparator(QStringLiteral(".")); }
    void Line(const QString& line) { interpreter.HandleLine(line, &display); }
    void AtSeconds(double s) { now = qint64(s * 1e9); }
};

} // namespace

TEST(OutputRules, ColumnsAreCutAsFarAsTheLineReachesAndTrimmed)
{
    const QString line = ProgressLine(QStringLiteral("12.3"), QStringLiteral("0:01:05"), QStringLiteral("4.1"),
                                      QStringLiteral("0:26:40"));
    ASSERT_EQ(line.size(), 75);
    const TProgressFields f = CutProgressLine(line);
    EXPECT_EQ(f.FilePercent, QStringLiteral("12.3"));
    EXPECT_EQ(f.FileTime, QStringLiteral("0:01:05"));
    EXPECT_EQ(f.BatchPercent, QStringLiteral("4.1"));
    EXPECT_EQ(f.BatchTime, QStringLiteral("0:26:40"));

    // 60 characters: the batch time is gone, the batch percentage is cut as far as it exists.
    const TProgressFields shortLine = CutProgressLine(line.left(53));
    EXPECT_EQ(shortLine.BatchPercent, QStringLiteral("4"));
    EXPECT_EQ(CutProgressLine(line.left(60)).BatchTime, QString());
    EXPECT_EQ(CutProgressLine(QStringLiteral("Status:")).FilePercent, QString());

    // Tabs, CR and other control characters count as blanks at the ends, not inside.
    EXPECT_EQ(TrimBlanks(QStringLiteral("\t a b\r\n\x01")), QStringLiteral("a b"));
    EXPECT_EQ(RestFrom(QStringLiteral("Input:"), 7), QString());
    EXPECT_EQ(RestFrom(QStringLiteral("Input:  44 kHz "), 7), QStringLiteral("44 kHz"));
}

TEST(OutputRules, NumbersFollowTheLocaleSeparatorAndNothingElse)
{
    const QString dot = QStringLiteral(".");
    const QString comma = QStringLiteral(",");
    EXPECT_EQ(LocalizeDecimal(QStringLiteral("12.3"), comma), QStringLiteral("12,3"));
    EXPECT_EQ(LocalizeDecimal(QStringLiteral("1.2.3"), comma), QStringLiteral("1,2.3"));
    EXPECT_EQ(LocalizeDecimal(QStringLiteral("100"), comma), QStringLiteral("100"));

    EXPECT_DOUBLE_EQ(ParseLocaleNumber(QStringLiteral("12,3"), comma).value(), 12.3);
    EXPECT_DOUBLE_EQ(ParseLocaleNumber(QStringLiteral("12.3"), dot).value(), 12.3);
    EXPECT_DOUBLE_EQ(ParseLocaleNumber(QStringLiteral("-1.5e2"), dot).value(), -150);
    EXPECT_DOUBLE_EQ(ParseLocaleNumber(QStringLiteral(".5"), dot).value(), 0.5);
    EXPECT_DOUBLE_EQ(ParseLocaleNumber(QStringLiteral("7."), dot).value(), 7);
    // Not numbers: the other separator, grouping, words, a lone sign, an empty text, overflow.
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("12.3"), comma));
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("1,2.3"), comma));
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("1,000.5"), dot));
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("abc"), dot));
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("12%"), dot));
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("-"), dot));
    EXPECT_FALSE(ParseLocaleNumber(QString(), dot));
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("."), dot));
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("1e"), dot));
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("nan"), dot));
    EXPECT_FALSE(ParseLocaleNumber(QStringLiteral("1e999"), dot));

    EXPECT_EQ(ParseDecimalIntOrZero(QStringLiteral(" 2 ")), 2);
    EXPECT_EQ(ParseDecimalIntOrZero(QStringLiteral("-7")), -7);
    EXPECT_EQ(ParseDecimalIntOrZero(QStringLiteral("3 files")), 0);
    EXPECT_EQ(ParseDecimalIntOrZero(QStringLiteral("0x10")), 0);
    EXPECT_EQ(ParseDecimalIntOrZero(QStringLiteral("99999999999")), 0);
    EXPECT_EQ(ParseDecimalIntOrZero(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(ParseDecimalIntOrZero(QStringLiteral("-2147483648")), -2147483647 - 1);
    EXPECT_EQ(ParseDecimalIntOrZero(QString()), 0);
}

TEST(OutputRules, BarPositionsRoundHalvesToEven)
{
    EXPECT_EQ(PercentToPosition(12.3), 123);
    EXPECT_EQ(PercentToPosition(100), 1000);
    EXPECT_EQ(PercentToPosition(0.05), 0);    // 0.5 -> 0
    EXPECT_EQ(PercentToPosition(0.15), 2);    // 1.5 -> 2
    EXPECT_EQ(PercentToPosition(0.25), 2);    // 2.5 -> 2
    EXPECT_EQ(PercentToPosition(0.26), 3);
    EXPECT_EQ(PercentToPosition(0.35), 4);   // 3.5 -> 4
    EXPECT_EQ(PercentToPosition(-0.25), -2); // -2.5 -> -2
    EXPECT_EQ(PercentToPosition(250), 2500);  // above the range: the window clamps for display
    EXPECT_EQ(PercentToPosition(-1), -10);
    EXPECT_EQ(PercentToPosition(1e300), INT_MAX);
    EXPECT_EQ(PercentToPosition(-1e300), INT_MIN);
}

TEST(OutputRules, TrayHintUsesOneDecimalAndTheLocaleSeparator)
{
    const QString pattern = ResStr::TrayProgressHint;
    EXPECT_EQ(FormatTrayHint(pattern, QStringLiteral("Track 1.wav"), 12.3, 4.1, QStringLiteral(".")),
              QStringLiteral("Track 1.wav: 12.3%, Batch: 4.1%"));
    EXPECT_EQ(FormatTrayHint(pattern, QStringLiteral("a.wav"), 12.26, 99.96, QStringLiteral(",")),
              QStringLiteral("a.wav: 12,3%, Batch: 100,0%"));
    // A file name holding a placeholder is not expanded again.
    EXPECT_EQ(FormatTrayHint(pattern, QStringLiteral("%2 %3.wav"), 1, 2, QStringLiteral(".")),
              QStringLiteral("%2 %3.wav: 1.0%, Batch: 2.0%"));
}

TEST(OutputRules, FileNamePartFollowsTheLastSlash)
{
    EXPECT_EQ(FileNamePart(QStringLiteral("/a/b/c.wav")), QStringLiteral("c.wav"));
    EXPECT_EQ(FileNamePart(QStringLiteral("c.wav")), QStringLiteral("c.wav"));
    EXPECT_EQ(FileNamePart(QStringLiteral("/music/")), QString());
    // Backslashes and colons belong to the name.
    EXPECT_EQ(FileNamePart(QStringLiteral("/m/b\\ c:d.wav")), QStringLiteral("b\\ c:d.wav"));
}

TEST_F(OutputInterpreterTest, CommaLocaleShowsCommasEverywhere)
{
    interpreter.SetDecimalSeparator(QStringLiteral(","));
    Line(QStringLiteral("Encoding: Track 1.wav"));
    Line(ProgressLine(QStringLiteral("12.3"), QStringLiteral("0:01:05"), QStringLiteral("4.1"), QStringLiteral("0:26:40")));
    EXPECT_EQ(display.Text["Status"], QStringLiteral("Status=12,3%"));
    EXPECT_EQ(display.Text["Batch"], QStringLiteral("Batch=4,1%"));
    EXPECT_EQ(display.Position["Status"], 123);
    EXPECT_EQ(display.Text["Hint"], QStringLiteral("Track 1.wav: 12,3%, Batch: 4,1%"));
}

TEST_F(OutputInterpreterTest, ThrottleCountsFromTheLastProcessedLineAndFirstLineAlwaysCounts)
{
    // The clock starts at 0: the first progress line is processed all the same.
    Line(ProgressLine(QStringLiteral("1.0"), {}, QStringLiteral("1.0"), {}));
    EXPECT_DOUBLE_EQ(filePercent, 1.0);
    // A stream of lines every 0.1 s: only every fifth one passes, never two within 0.5 s.
    int processed = 0;
    for (int i = 1; i <= 20; ++i) {
        now = qint64(i) * 100'000'000;
        const double before = filePercent;
        Line(ProgressLine(QString::number(i + 1), {}, QStringLiteral("1"), {}));
        if (filePercent != before)
            ++processed;
    }
    EXPECT_EQ(processed, 4);
    // Exactly 0.5 s after the last processed one passes.
    now = 2'000'000'000 + TOutputInterpreter::ThrottleNs;
    Line(ProgressLine(QStringLiteral("50"), {}, QStringLiteral("1"), {}));
    EXPECT_DOUBLE_EQ(filePercent, 50);
    now += TOutputInterpreter::ThrottleNs - 1;
    Line(ProgressLine(QStringLiteral("60"), {}, QStringLiteral("1"), {}));
    EXPECT_DOUBLE_EQ(filePercent, 50);
    now += 1;
    Line(ProgressLine(QStringLiteral("70"), {}, QStringLiteral("1"), {}));
    EXPECT_DOUBLE_EQ(filePercent, 70);
    // Progress lines never reach the log, processed or dropped.
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(OutputInterpreterTest, OddProgressLines)
{
    // "Status:" alone: empty numbers, bars at 0, nothing after the time prefixes.
    filePercent = 55;
    Line(QStringLiteral("Status:"));
    EXPECT_EQ(display.Text["Status"], QStringLiteral("Status=%"));
    EXPECT_EQ(display.Text["Batch"], QStringLiteral("Batch=%"));
    EXPECT_EQ(display.Position["Status"], 0);
    EXPECT_EQ(display.Position["Batch"], 0);
    EXPECT_EQ(display.Text["StatusETA"], QStringLiteral("Estimated time: "));
    EXPECT_EQ(display.Text["BatchETA"], QStringLiteral("Estimated time: "));
    EXPECT_DOUBLE_EQ(filePercent, 0);

    // 100 without a point; a word where the number belongs shows as cut and counts 0.
    AtSeconds(1);
    Line(ProgressLine(QStringLiteral("100"), {}, QStringLiteral("abc"), {}));
    EXPECT_EQ(display.Text["Status"], QStringLiteral("Status=100%"));
    EXPECT_EQ(display.Position["Status"], 1000);
    EXPECT_EQ(display.Text["Batch"], QStringLiteral("Batch=abc%"));
    EXPECT_EQ(display.Position["Batch"], 0);
    EXPECT_EQ(display.Text["Hint"], QStringLiteral(": 100.0%, Batch: 0.0%"));

    // Above 100: the position goes past the bar's maximum.
    AtSeconds(2);
    Line(ProgressLine(QStringLiteral("150.0"), {}, QStringLiteral("1"), {}));
    EXPECT_EQ(display.Position["Status"], 1500);
    EXPECT_FALSE(error);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(OutputInterpreterTest, PrefixesAreExactCaseSensitiveAndAnchored)
{
    Line(QStringLiteral(" Status: 12.3"));
    EXPECT_TRUE(error);
    EXPECT_TRUE(display.Text.empty());
    error = false;
    Line(QStringLiteral("status: 12.3"));
    EXPECT_TRUE(error);
    error = false;
    Line(QStringLiteral("Encoding"));  // without the colon
    EXPECT_TRUE(error);
    error = false;
    Line(QStringLiteral("=========================  This is freeware"));  // one character short
    EXPECT_TRUE(error);
    error = false;
    Line(QStringLiteral("========================= This is freeware!"));  // one blank only
    EXPECT_TRUE(error);
    error = false;
    Line(QStringLiteral("warning: \"/a/x.wav\" its cover is dropped"));
    EXPECT_TRUE(error);
    error = false;
    // A warning is logged and is no error.
    Line(QStringLiteral("Warning: \"/a/x.wav\" its cover is dropped"));
    EXPECT_FALSE(error);
    EXPECT_EQ(log.last(), QStringLiteral("Warning: \"/a/x.wav\" its cover is dropped"));
    EXPECT_TRUE(display.Text.empty());

    Line(QStringLiteral("Input:"));
    Line(QStringLiteral("Output:"));
    EXPECT_EQ(display.Text["Input"], QStringLiteral("Inputformat: "));
    EXPECT_EQ(display.Text["Output"], QStringLiteral("Outputformat: "));
    // Lines are logged untrimmed; blank lines (control characters included) are not logged.
    Line(QStringLiteral("Output: 128 kBit mono  \t"));
    EXPECT_EQ(display.Text["Output"], QStringLiteral("Outputformat: 128 kBit mono"));
    Line(QStringLiteral(" \t\r "));
    Line(QString());
    EXPECT_EQ(log.size(), 10);
    EXPECT_EQ(log.last(), QStringLiteral("Output: 128 kBit mono  \t"));
    EXPECT_FALSE(error);
}

TEST_F(OutputInterpreterTest, BatchDoneOnlyWhenTheAnnouncedCountIsReached)
{
    Line(QStringLiteral("Files to encode: 3"));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(display.Text.count("Title"), 0u) << i;
        Line(QStringLiteral("Encoding: /x/") + QString::number(i) + QStringLiteral(".wav"));
        Line(QStringLiteral("Completed. Encoding time: 0:00:0") + QString::number(i));
    }
    EXPECT_EQ(display.Text["BatchETA"], QStringLiteral("Batch done"));
    EXPECT_EQ(display.Text["StatusETA"], QStringLiteral("Completed in 0:00:03"));

    // A count that is not a plain integer: 0, so the end is never shown.
    RecordingDisplay second;
    interpreter.HandleLine(QStringLiteral("Files to encode: 2 files"), &second);
    EXPECT_EQ(filesToEncode, 0);
    EXPECT_EQ(filesDone, 0);
    interpreter.HandleLine(QStringLiteral("Completed. Encoding time: 0:00:01"), &second);
    interpreter.HandleLine(QStringLiteral("Completed. Encoding time: 0:00:01"), &second);
    EXPECT_EQ(second.Text.count("Title"), 0u);
    EXPECT_EQ(filesDone, 2);
    EXPECT_FALSE(error);
}

TEST_F(OutputInterpreterTest, CountersCarryOverWhenABatchAnnouncesNothing)
{
    Line(QStringLiteral("Files to encode: 2"));
    Line(QStringLiteral("Completed. Encoding time: 0:00:01"));
    // Next batch without a "Files to encode:" line counts on from 1 of 2.
    RecordingDisplay next;
    interpreter.HandleLine(QStringLiteral("Completed. Encoding time: 0:00:01"), &next);
    EXPECT_EQ(next.Text["BatchETA"], QStringLiteral("Batch done"));
    EXPECT_EQ(currentFile, QString());
}

TEST_F(OutputInterpreterTest, WithoutABatchEveryLineIsLoggedAsItIs)
{
    interpreter.HandleLine(QStringLiteral("   "), nullptr);
    interpreter.HandleLine(QString(), nullptr);
    interpreter.HandleLine(QStringLiteral("Status:  12.3%"), nullptr);
    interpreter.HandleLine(QStringLiteral("Garbage"), nullptr);
    EXPECT_EQ(log, (QStringList{QStringLiteral("   "), QString(), QStringLiteral("Status:  12.3%"),
                                QStringLiteral("Garbage")}));
    EXPECT_FALSE(error);
    EXPECT_EQ(display.Writes, 0);
    // A progress line seen without a batch does not start the throttle.
    Line(ProgressLine(QStringLiteral("5"), {}, QStringLiteral("1"), {}));
    EXPECT_DOUBLE_EQ(filePercent, 5);
}

TEST_F(OutputInterpreterTest, RunsOfASplitListCountTheWholeList)
{
    // Six files in three runs of two: counts, percentage and the end cover all six.
    struct Expect {
        QString Batch;    // the window's batch text at the run's half-way line
        int Position;     // the batch bar there
        int DoneAtEnd;    // FilesDone after the run
    };
    const Expect expected[] = {
        {QStringLiteral("Batch=16.7%"), 167, 2},
        {QStringLiteral("Batch=50.0%"), 500, 4},
        {QStringLiteral("Batch=83.3%"), 833, 6},
    };
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        interpreter.BeginRun({2 * run, 2, 4 - 2 * run});
        Line(QStringLiteral("Files to encode: 2"));
        EXPECT_EQ(filesToEncode, 6);
        EXPECT_EQ(filesDone, 2 * run);
        Line(QStringLiteral("Completed. Encoding time: 0:00:01"));
        now += TOutputInterpreter::ThrottleNs;
        Line(ProgressLine(QStringLiteral("0.0"), {}, QStringLiteral("50.0"), {}));
        EXPECT_EQ(display.Text["Batch"], expected[run].Batch);
        EXPECT_EQ(display.Position["Batch"], expected[run].Position);
        Line(QStringLiteral("Completed. Encoding time: 0:00:01"));
        EXPECT_EQ(filesDone, expected[run].DoneAtEnd);
        EXPECT_EQ(interpreter.RunFilesAnnounced(), 2);
        EXPECT_EQ(interpreter.RunFilesDone(), 2);
        // "Batch done" only once the last run's last file is completed.
        EXPECT_EQ(display.Text.count("Title"), run == 2 ? 1u : 0u);
    }
    EXPECT_EQ(display.Text["Hint"], QStringLiteral(": 0.0%, Batch: 83.3%"));

    // A run that stops short keeps its own counts apart from the list's.
    interpreter.BeginRun({0, 3, 0});
    Line(QStringLiteral("Files to encode: 3"));
    Line(QStringLiteral("Completed. Encoding time: 0:00:01"));
    EXPECT_EQ(interpreter.RunFilesAnnounced(), 3);
    EXPECT_EQ(interpreter.RunFilesDone(), 1);
}
