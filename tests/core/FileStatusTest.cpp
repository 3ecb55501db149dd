// Each file's status from the encoder's lines, as the output interpreter hands them on: which
// line belongs to which file, and how a batch that fails, crashes or is stopped leaves each file.
#include "FileStatus.h"
#include "OutputInterpreter.h"

#include "ProgressLine.h"
#include "QtPrinters.h"
#include "RecordingDisplay.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

QString Progress(const QString& filePercent) { return ProgressLine(filePercent, u"0:00:01"_s, u"50.0"_s, u"0:00:02"_s); }

const QString A = QStringLiteral("/m/a.wav");
const QString B = QStringLiteral("/m/b.wav");
const QString C = QStringLiteral("/m/c.wav");
const QString Done = QStringLiteral("Completed. Encoding time:  0:00:01");
const QString CrashLine = QStringLiteral("Error: The encoder was ended by signal 11 after 1 of 3 files.");

struct EncoderRun {
    int First, Count;
    QStringList Lines;
};

struct Case {
    const char* Name;
    std::vector<EncoderRun> Runs;
    bool Ended; // the batch is over (false: looked at while it runs)
    bool Stopped;
    QString EndError;
    QStringList Texts;   // each file's status text at the end
    QStringList Details; // each file's tooltip
};

} // namespace

TEST(FileStatus, EachLineReachesItsFileAndTheEndSettlesTheRest)
{
    const QString failA = QStringLiteral("Error: \"/m/b.wav\" cannot be read: not a sound file");
    const QString warnC = QStringLiteral("Warning: \"/m/c.wav\" its cover picture (9 MiB) is larger than 1 MiB");
    const Case cases[] = {
        {"one file fails between two good ones",
         {{0, 3, {u"Files to encode: 3"_s, u"Encoding: "_s + A, u"Input: 44.1 kHz stereo"_s, Progress(u"50.0"_s),
                  Done,
                  u"Encoding: "_s + B, failA, u"Encoding: "_s + C, Done}}},
         true, false, {}, {u"Done"_s, u"Failed"_s, u"Done"_s}, {u""_s, failA, u""_s}},
        {"a warning keeps the file done and shows as its detail",
         {{0, 3, {u"Files to encode: 3"_s, u"Encoding: "_s + A, Done, u"Encoding: "_s + B, Done, u"Encoding: "_s + C, warnC, Done}}},
         true, false, {}, {u"Done"_s, u"Done"_s, u"Done"_s}, {u""_s, u""_s, warnC}},
        {"stopped mid-file: the file being encoded and those after it are stopped",
         {{0, 3, {u"Files to encode: 3"_s, u"Encoding: "_s + A, Done, u"Encoding: "_s + B, Progress(u"45.7"_s)}}},
         true, true, {}, {u"Done"_s, u"Stopped"_s, u"Stopped"_s}, {u""_s, u""_s, u""_s}},
        {"a crash fails the file being encoded and skips the rest, both with the reason",
         {{0, 3, {u"Files to encode: 3"_s, u"Encoding: "_s + A, Done, u"Encoding: "_s + B}}},
         true, false, CrashLine, {u"Done"_s, u"Failed"_s, u"Skipped"_s}, {u""_s, CrashLine, CrashLine}},
        {"a split list: each run's lines reach the files of that run",
         {{0, 2, {u"Files to encode: 2"_s, u"Encoding: "_s + A, Done, u"Encoding: "_s + B, failA}},
          {2, 1, {u"Files to encode: 1"_s, u"Encoding: "_s + C, Done}}},
         true, false, {}, {u"Done"_s, u"Failed"_s, u"Done"_s}, {u""_s, failA, u""_s}},
        {"a file the encoder passes over silently is found by its name; the one passed over is skipped",
         {{0, 3, {u"Files to encode: 3"_s, u"Encoding: "_s + A, Done, u"Encoding: "_s + C, Done}}},
         true, false, CrashLine, {u"Done"_s, u"Skipped"_s, u"Done"_s}, {u""_s, CrashLine, u""_s}},
        {"a name read back differently (bytes that are no UTF-8) is the next file in order",
         {{0, 2, {u"Files to encode: 2"_s, u"Encoding: /m/\uFFFD.wav"_s, Done, u"Encoding: "_s + B, Done}}},
         false, false, {}, {u"Done"_s, u"Done"_s, u"Waiting"_s}, {u""_s, u""_s, u""_s}},
        {"error lines before any file belong to no file",
         {{0, 2, {u"Error: BLADEENC_THREADS=x is no number"_s, u"Files to encode: 2"_s, u"Encoding: "_s + A, Done,
                  u"Encoding: "_s + B, Done}}},
         false, false, {}, {u"Done"_s, u"Done"_s, u"Waiting"_s}, {u""_s, u""_s, u""_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TBatchState state;
        TOutputInterpreter interpreter(state);
        interpreter.SetDecimalSeparator(QStringLiteral("."));
        TBatchFileStatus files;
        int changes = 0;
        files.SetOnChanged([&](int, const TFileStatus&) { ++changes; });
        interpreter.SetFileStatus(&files);
        RecordingDisplay display;

        files.BeginBatch({A, B, C});
        EXPECT_EQ(changes, 3);
        for (const EncoderRun& run : c.Runs) {
            interpreter.BeginRun({run.First, run.Count, 3 - run.First - run.Count});
            for (const QString& line : run.Lines)
                interpreter.HandleLine(line, &display);
        }
        if (c.Ended)
            files.EndBatch(c.Stopped, c.EndError);
        QStringList texts, details;
        for (int i = 0; i < files.Count(); ++i) {
            texts << FileStatusText(files.Status(i));
            details << files.Status(i).Detail;
        }
        EXPECT_EQ(texts, c.Texts);
        EXPECT_EQ(details, c.Details);
    }
}

TEST(FileStatus, TheFilesPercentageShowsInWholePercentRoundedDown)
{
    TBatchFileStatus files;
    std::vector<QString> seen;
    files.SetOnChanged([&](int file, const TFileStatus& s) {
        if (file == 0)
            seen.push_back(FileStatusText(s));
    });
    files.BeginBatch({A});
    files.BeginRun(0, 1);
    files.FileStarted(A);
    for (double percent : {12.3, 12.9, 45.0, 99.96, 250.0, -3.0})
        files.FileProgress(percent);
    files.FileCompleted();
    // 12.9 is still 12 (no change); 99.96 is not yet 100; out of range is held within 0..100.
    EXPECT_EQ(seen, (std::vector<QString>{QStringLiteral("Waiting"), QStringLiteral("Encoding 0%"),
                                          QStringLiteral("Encoding 12%"), QStringLiteral("Encoding 45%"),
                                          QStringLiteral("Encoding 99%"), QStringLiteral("Encoding 100%"),
                                          QStringLiteral("Encoding 0%"), QStringLiteral("Done")}));
}
