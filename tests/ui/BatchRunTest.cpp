// The Encode command end to end: the real console runner, the scripted fake encoder and the real
// encoder, the progress window, the questions after the batch, the log file and the countdown.
// Modal windows are driven from inside their loops; the deadlines are hang guards only.
#include "CommandLine.h"
#include "ConsoleIO.h"
#include "Dialogs.h"
#include "EncoderCommandLine.h"
#include "EnhListView.h"
#include "FileListModel.h"
#include "Log.h"
#include "LogFile.h"
#include "BatchRun.h"
#include "MockLogind.h"
#include "Main.h"
#include "MainWindowParts.h"
#include "TrayController.h"
#include "OutputInterpreter.h"
#include "ProgressLine.h"
#include "QtPrinters.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "ScriptedDialogs.h"
#include "Spin.h"
#include "Shutdown.h"
#include "SleepInhibitor.h"
#include "TempProgramFolder.h"
#include "WavFile.h"
#include "Globals.h"
#include "Progress.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

namespace {

// What the progress window and the tray show at one moment.
struct Shot {
    QString Status, StatusEta, Batch, BatchEta, Working, Input, Output, Title, Hint;
    int StatusBar = -1, BatchBar = -1;
};

// Calls `action` with the first visible top-level window of type W once one shows, from inside
// whatever modal loop runs then. Polls until `context` is destroyed or the window appeared.
template <class W, class F>
void OnWindow(QObject* context, F action)
{
    auto* timer = new QTimer(context);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, context, [timer, action]() mutable {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<W*>(w); window && window->isVisible()) {
                timer->stop();
                timer->deleteLater();
                action(window);
                return;
            }
        }
    });
    timer->start();
}

// A 16-bit stereo sine WAV of `ms` milliseconds at 44.1 kHz.
QByteArray SineWav(int ms)
{
    const int rate = 44100;
    const int frames = rate * ms / 1000;
    QByteArray pcm;
    pcm.reserve(frames * 4);
    for (int i = 0; i < frames; ++i) {
        const auto v = qint16(8000 * std::sin(2 * M_PI * 440.0 * i / rate));
        for (int ch = 0; ch < 2; ++ch) {
            pcm += char(v & 0xff);
            pcm += char((v >> 8) & 0xff);
        }
    }
    return Stereo16Wav(pcm, rate);
}

class BatchRun : public ::testing::Test {
protected:
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    TSettings settings;
    std::unique_ptr<TFormMain> main;
    // Per delivered line: the line, and the display right after it was handled.
    QList<QByteArray> lines;
    std::vector<Shot> shots;
    // Called before each line is handled, with its index.
    std::function<void(int)> beforeLine;
    int shutdowns = 0;

    void SetUp() override
    {
        qunsetenv("FAKE_BLADEENC_SCRIPT");
        qunsetenv("FAKE_BLADEENC_ARGS_OUT");
        main = std::make_unique<TFormMain>(settings);
        main->show();
        settings.BladeEncPath = QString::fromUtf8(TW_FAKE_BLADEENC);
        main->Batch->ShutdownComputer = [this] { ++shutdowns; };
        main->Batch->OutputInterpreter().SetDecimalSeparator(QStringLiteral("."));

        TGUI2Console* runner = main->Batch->GUI2Console1;
        auto handle = runner->OnLine;
        runner->OnLine = [this, handle](TGUI2Console* sender, const QByteArray& line) {
            if (beforeLine)
                beforeLine(int(lines.size()));
            lines << line;
            handle(sender, line);
            shots.push_back(Capture());
        };

        // Hang guard: whatever waits, end it and fail.
        auto* guard = new QTimer(main.get());
        guard->setSingleShot(true);
        QObject::connect(guard, &QTimer::timeout, main.get(), [this] {
            ADD_FAILURE() << "the batch hung";
            main->Batch->GUI2Console1->Stop();
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* p = qobject_cast<TFormProgress*>(w)) {
                    p->Finished = true;
                    p->SetModalResult(IDCANCEL);
                } else if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                    d->done(IDCANCEL);
                }
            }
        });
        guard->start(60000);
    }

    void TearDown() override
    {
        qunsetenv("FAKE_BLADEENC_SCRIPT_TEXT");
        qunsetenv("FAKE_BLADEENC_ARGS_OUT");
        if (main)
            WaitIdle();
        main.reset();
    }

    Shot Capture() const
    {
        Shot s;
        s.Hint = main->Tray->RxTrayIcon1->Hint();
        if (TFormProgress* p = main->Batch->ProgressForm) {
            s.Status = p->LabelStatus->text();
            s.StatusEta = p->LabelStatusETA->text();
            s.Batch = p->LabelBatch->text();
            s.BatchEta = p->LabelBatchETA->text();
            s.Working = p->LabelWorking->text();
            s.Input = p->LabelInput->text();
            s.Output = p->LabelOutput->text();
            s.Title = p->windowTitle();
            s.StatusBar = p->ProgressBarStatus->value();
            s.BatchBar = p->ProgressBarBatch->value();
        }
        return s;
    }

    static void Script(const QByteArray& text) { qputenv("FAKE_BLADEENC_SCRIPT_TEXT", text); }

    // Adds files that need not exist (the fake encoder does not open them).
    void AddFiles(const QStringList& paths)
    {
        for (const QString& p : paths)
            main->AddFile(p);
    }

    // Encode through the command, as the user starts it (inside the default error display), after
    // the enabling rules have run as they do whenever the program falls idle.
    void Encode()
    {
        main->ActionList1Update();
        wintest::Part(*main, "ActionEncode")->trigger();
    }

    QByteArray LogFileBytes() const { return folder.Read(QStringLiteral("Tonewright.log")); }

    // Waits until the encoder has ended (true), or the hang guard ran out (false).
    bool WaitIdle(int ms = WaitGuardMs) const
    {
        return QTest::qWaitFor([&] { return !main->Batch->GUI2Console1->Running(); }, ms);
    }

    // The list's Status column, row by row.
    QStringList StatusColumn() const
    {
        QStringList texts;
        for (int row = 0; row < main->FileList->Count(); ++row)
            texts << main->FileList->index(row, TFileListModel::colStatus).data().toString();
        return texts;
    }

    // The arguments the fake encoder wrote to `argsOut`; empty when it wrote none.
    static QStringList ArgumentsWritten(const QString& argsOut)
    {
        QFile file(argsOut);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList got;
        for (const QByteArray& a : file.readAll().split('\0'))
            got << QString::fromUtf8(a);
        got.removeLast(); // after the last NUL
        return got;
    }
};

// A progress line of the sample batch, as the encoder writes it.
QByteArray ProgressBytes(const char* file, const char* fileTime, const char* batch, const char* batchTime)
{
    return ProgressLine(QLatin1String(file), QLatin1String(fileTime), QLatin1String(batch), QLatin1String(batchTime))
        .toLatin1();
}

// A two-file sample batch: its lines, each with the time (in tenths of seconds) it arrives at.
struct TimedLine {
    int Tenths;
    QByteArray Text;
};
std::vector<TimedLine> SampleBatch()
{
    return {
        {0, "Blade's MP3 Encoder v0.94 (fake)"},
        {0, "=========================  This is freeware!"},
        {0, "      "},
        {1, "Files to encode: 2"},
        {2, "Encoding: /Music/Track 1.wav"},
        {2, "Input: 44.1 kHz stereo"},
        {2, "Output: 160 kBit stereo"},
        {100, ProgressBytes("12.3", "0:01:05", "4.1", "0:26:40")},
        {103, ProgressBytes("12.8", "0:01:03", "4.3", "0:26:30")},
        {106, ProgressBytes("13.0", "0:01:02", "4.4", "0:26:20")},
        {750, "Completed. Encoding time: 0:01:05"},
        {751, "Encoding: /Rec/b.aif"},
        {1150, "Completed. Encoding time: 0:00:40"},
        {1151, "Done."},
    };
}

QByteArray ScriptOf(const std::vector<TimedLine>& example)
{
    QByteArray script;
    for (const TimedLine& l : example)
        script += "print " + l.Text + "\n";
    return script;
}

QByteArray LoggedLinesOf(const std::vector<TimedLine>& example)
{
    QByteArray bytes;
    for (const TimedLine& l : example)
        if (!l.Text.trimmed().isEmpty() && !l.Text.startsWith("Status:"))
            bytes += l.Text + "\r\n";
    return bytes;
}

} // namespace

TEST_F(BatchRun, SampleBatchStepByStepThenYesShowsAndSavesTheLog)
{
    const auto example = SampleBatch();
    Script(ScriptOf(example));
    // The interpreter's clock follows the sample's arrival times.
    qint64 now = 0;
    main->Batch->OutputInterpreter().SetClock([&now] { return now; });
    beforeLine = [&](int index) { now = qint64(example.at(index).Tenths) * 100'000'000; };
    AddFiles({QStringLiteral("/Music/Track 1.wav"), QStringLiteral("/Rec/b.aif")});

    QStringList shownLog;
    boxes.OnNextBox([&](const AskedMessage& asked) {
        EXPECT_EQ(asked.Text, QStringLiteral("At least one error occurred. Do you want to view the log?"));
        EXPECT_EQ(asked.Caption, QStringLiteral("Error"));
        EXPECT_EQ(asked.Flags, unsigned(MB_YESNOCANCEL | MB_ICONERROR));
        // The progress window has closed; the log is saved already, whatever the answer.
        EXPECT_FALSE(main->Batch->ProgressForm->isVisible());
        EXPECT_EQ(main->Tray->RxTrayIcon1->Hint(), QStringLiteral("Finished encoding"));
        OnWindow<TFormLog>(main.get(), [&](TFormLog* log) {
            shownLog = log->MemoLog->toPlainText().split(QLatin1Char('\n'));
            EXPECT_EQ(LogFileBytes(), LoggedLinesOf(example));
            log->ButtonOK->click();
        });
    });
    boxes.Answer(IDYES);
    Encode();

    ASSERT_EQ(lines.size(), qsizetype(example.size()));
    ASSERT_EQ(shots.size(), example.size());
    EXPECT_EQ(shots[0].Hint, QStringLiteral("Starting..."));
    EXPECT_EQ(shots[0].Title, QStringLiteral("Encoding in progress"));
    EXPECT_EQ(shots[0].Status, QStringLiteral("Status=0%"));
    EXPECT_EQ(shots[3].Working, QStringLiteral("Working on "));

    EXPECT_EQ(shots[4].Working, QStringLiteral("Working on Track 1.wav"));
    EXPECT_EQ(shots[4].Status, QStringLiteral("Status=0%"));
    EXPECT_EQ(shots[4].StatusBar, 0);
    EXPECT_EQ(shots[4].StatusEta, QStringLiteral("Estimated time: ?"));
    EXPECT_EQ(shots[5].Input, QStringLiteral("Inputformat: 44.1 kHz stereo"));
    EXPECT_EQ(shots[6].Output, QStringLiteral("Outputformat: 160 kBit stereo"));

    const Shot& progress = shots[7];
    EXPECT_EQ(progress.Status, QStringLiteral("Status=12.3%"));
    EXPECT_EQ(progress.StatusBar, 123);
    EXPECT_EQ(progress.StatusEta, QStringLiteral("Estimated time: 0:01:05"));
    EXPECT_EQ(progress.Batch, QStringLiteral("Batch=4.1%"));
    EXPECT_EQ(progress.BatchBar, 41);
    EXPECT_EQ(progress.BatchEta, QStringLiteral("Estimated time: 0:26:40"));
    EXPECT_EQ(progress.Hint, QStringLiteral("Track 1.wav: 12.3%, Batch: 4.1%"));
    EXPECT_EQ(progress.Title, QStringLiteral("Encoding in progress"));

    // 0.3 s after it: dropped, nothing changes, the hint included.
    EXPECT_EQ(shots[8].Status, progress.Status);
    EXPECT_EQ(shots[8].StatusBar, progress.StatusBar);
    EXPECT_EQ(shots[8].BatchEta, progress.BatchEta);
    EXPECT_EQ(shots[8].Hint, progress.Hint);
    // 0.6 s after it: processed.
    EXPECT_EQ(shots[9].Status, QStringLiteral("Status=13.0%"));
    EXPECT_EQ(shots[9].BatchBar, 44);
    EXPECT_EQ(shots[9].Hint, QStringLiteral("Track 1.wav: 13.0%, Batch: 4.4%"));

    EXPECT_EQ(shots[10].Status, QStringLiteral("Status=100%"));
    EXPECT_EQ(shots[10].StatusBar, 1000);
    EXPECT_EQ(shots[10].StatusEta, QStringLiteral("Completed in 0:01:05"));
    EXPECT_EQ(shots[10].BatchBar, 44);
    EXPECT_EQ(shots[10].Title, QStringLiteral("Encoding in progress"));

    EXPECT_EQ(shots[11].Working, QStringLiteral("Working on b.aif"));
    EXPECT_EQ(shots[11].Status, QStringLiteral("Status=0%"));
    EXPECT_EQ(shots[11].StatusBar, 0);
    EXPECT_EQ(shots[11].StatusEta, QStringLiteral("Estimated time: ?"));

    EXPECT_EQ(shots[12].Status, QStringLiteral("Status=100%"));
    EXPECT_EQ(shots[12].StatusEta, QStringLiteral("Completed in 0:00:40"));
    EXPECT_EQ(shots[12].Batch, QStringLiteral("Batch=100%"));
    EXPECT_EQ(shots[12].BatchBar, 1000);
    EXPECT_EQ(shots[12].BatchEta, QStringLiteral("Batch done"));
    EXPECT_EQ(shots[12].Title, QStringLiteral("Encoding finished"));
    // The hint keeps the last processed progress line until the end.
    EXPECT_EQ(shots[12].Hint, QStringLiteral("Track 1.wav: 13.0%, Batch: 4.4%"));

    EXPECT_EQ(main->Batch->State().FilesToEncode, 2);
    EXPECT_EQ(main->Batch->State().FilesDone, 2);
    EXPECT_EQ(main->Batch->State().CurrentFile, QStringLiteral("b.aif"));
    EXPECT_TRUE(main->Batch->State().ErrorOccurred);

    // Ten lines logged, shown in the log window, saved after it closed.
    const QByteArray expected = LoggedLinesOf(example);
    EXPECT_EQ(main->Batch->Log().size(), 10);
    EXPECT_EQ(shownLog, main->Batch->Log());
    EXPECT_EQ(LogFileBytes(), expected);
    EXPECT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(main->Batch->ProgressForm, nullptr);
    EXPECT_EQ(main->Tray->RxTrayIcon1->Hint(), QStringLiteral("Finished encoding"));
}

TEST_F(BatchRun, AFailedBatchSavesItsLogWhateverTheAnswer)
{
    const QByteArray previous = "old run\r\nl\xc3\xa4st line\r\n";
    const QByteArray expected = "Files to encode: 1\r\nEncoding: /a/x.wav\r\nSomething went wrong\r\n"
                                "Completed. Encoding time: 0:00:01\r\n";
    for (int answer : {IDNO, IDCANCEL, IDYES}) {
        SCOPED_TRACE(answer);
        folder.Write(QStringLiteral("Tonewright.log"), previous);
        Script("print Files to encode: 1\nprint Encoding: /a/x.wav\nprint Something went wrong\n"
               "print Completed. Encoding time: 0:00:01\n");
        AddFiles({QStringLiteral("/a/x.wav")});
        // Asked while the question is open: the log is on disk before the user answers.
        QByteArray onDiskAtQuestion;
        boxes.OnNextBox([&](const AskedMessage&) { onDiskAtQuestion = LogFileBytes(); });
        OnWindow<TFormLog>(main.get(), [](TFormLog* log) { log->ButtonOK->click(); });
        boxes.Answer(answer);
        Encode();
        EXPECT_EQ(onDiskAtQuestion, expected);
        EXPECT_EQ(LogFileBytes(), expected);
        // The run log holds this batch for "Last Log", also after a restart.
        EXPECT_EQ(LoadLogFile(folder.File(QStringLiteral("Tonewright.log"))), main->Batch->Log());
        EXPECT_EQ(main->Batch->ProgressForm, nullptr);
        WaitIdle();
    }
    EXPECT_EQ(boxes.Asked().size(), 3u);
    EXPECT_EQ(shutdowns, 0);
}

TEST_F(BatchRun, LogFileHoldsTheBytesTheEncoderWrote)
{
    // An encoder that writes Latin-1 rather than UTF-8: the saved log keeps its bytes as they are.
    const QByteArray lines = "Files to encode: 1\r\nEncoding: /a/caf\xe9.wav\r\n"
                             "Completed. Encoding time: 0:00:01\r\n";
    Script("print Files to encode: 1\nprint Encoding: /a/caf\xe9.wav\nprint Completed. Encoding time: 0:00:01\n");
    AddFiles({QStringLiteral("/a/caf\u00e9.wav")});
    Encode();
    EXPECT_FALSE(main->Batch->State().ErrorOccurred);
    EXPECT_TRUE(boxes.Asked().empty());
    EXPECT_EQ(LogFileBytes(), lines);
}

TEST_F(BatchRun, CommandLineReachesTheEncoderInTheListsOrder)
{
    const QString argsOut = folder.File(QStringLiteral("args"));
    qputenv("FAKE_BLADEENC_ARGS_OUT", QFile::encodeName(argsOut));
    Script("print Files to encode: 0\n");
    // An encoder folder with blanks, file names with blanks, quotes, backslashes, other letters.
    const QString encoder = folder.File(QStringLiteral("my tools/Blade Enc"));
    ASSERT_TRUE(QDir().mkpath(folder.File(QStringLiteral("my tools"))));
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(TW_FAKE_BLADEENC), encoder));
    settings.BladeEncPath = encoder;
    settings.Bitrate = 160;
    settings.Crc = true;
    settings.Mp3Flags = mfCopy;
    settings.Priority = 1;

    const QStringList names = {QStringLiteral("c \"quoted\" \\\".wav"), QStringLiteral("a b.wav"),
                               QStringLiteral("b\\ Ünïcödé.aif")};
    const int sizes[] = {300, 100, 200};
    for (int i = 0; i < 3; ++i) {
        folder.Write(names[i], QByteArray(sizes[i], 'x'));
        main->AddFile(folder.File(names[i]));
    }
    // Sorted by size: a b.wav (100), b\ Ünïcödé.aif (200), c "quoted" \".wav (300).
    main->ListViewFiles->SortByColumn(2, true);
    const QList<TFileEntry> before = main->FileEntries();
    ASSERT_EQ(before.first().File, names[1]);
    Encode();

    EXPECT_EQ(ArgumentsWritten(argsOut), (QStringList{QStringLiteral("-quit"), QStringLiteral("-160"), QStringLiteral("-CRC"),
                                QStringLiteral("-COPY"), QStringLiteral("-PRIO=LOWEST"), folder.File(names[1]),
                                folder.File(names[2]), folder.File(names[0])}));
    EXPECT_EQ(main->FileEntries(), before);
    qunsetenv("FAKE_BLADEENC_ARGS_OUT");
}

TEST_F(BatchRun, AbortQuestionNoKeepsRunningYesEndsWithCancelAndNoCountdown)
{
    Script("print Files to encode: 1\nprint Encoding: /a/long.wav\nsleep 60000\n");
    AddFiles({QStringLiteral("/a/long.wav")});
    bool stillRunningAfterNo = false;
    beforeLine = [&](int index) {
        if (index != 1)
            return;
        main->Batch->ProgressForm->CheckBoxShutdown->setChecked(true);
        // Once the encoder is working: press Cancel, answer No; the batch goes on.
        QTimer::singleShot(0, main.get(), [&] {
            boxes.OnNextBox([&](const AskedMessage& asked) {
                EXPECT_EQ(asked.Text, QStringLiteral("Really abort encoding?"));
                EXPECT_EQ(asked.Caption, QStringLiteral("Question"));
            });
            boxes.Answer(IDNO);
            main->Batch->ProgressForm->ButtonCancel->click();
            stillRunningAfterNo = main->Batch->ProgressForm->isVisible() && main->Batch->ProgressForm->InModalLoop()
                                  && main->Batch->GUI2Console1->Running();
            // Then again, answering Yes.
            QTimer::singleShot(50, main.get(), [&] {
                boxes.Answer(IDYES);
                main->Batch->ProgressForm->ButtonCancel->click();
            });
        });
    };
    OnWindow<TFormShutdown>(main.get(), [](TFormShutdown* countdown) {
        ADD_FAILURE() << "countdown after an aborted batch";
        countdown->done(IDCANCEL);
    });
    Encode();

    EXPECT_TRUE(stillRunningAfterNo);
    EXPECT_EQ(main->Batch->ProgressForm, nullptr);
    EXPECT_EQ(boxes.Asked().size(), 2u);
    // Stopped without an error: the log is saved, nothing more is asked.
    EXPECT_FALSE(main->Batch->State().ErrorOccurred);
    EXPECT_EQ(LogFileBytes(),
              QByteArray("Files to encode: 1\r\nEncoding: /a/long.wav\r\nStopped by the user after 0 of 1 files.\r\n"));
    // The encoder was killed: the run ends long before its minute of sleep.
    EXPECT_TRUE(WaitIdle(30000));
    EXPECT_EQ(main->Tray->RxTrayIcon1->Hint(), QStringLiteral("Finished encoding"));
    EXPECT_EQ(shutdowns, 0);
}

TEST_F(BatchRun, BatchEndingWhileTheAbortQuestionIsOpenClosesWithCancel)
{
    for (int answer : {IDNO, IDYES}) {
        lines.clear();
        Script("print Files to encode: 1\nprint Encoding: /a/x.wav\nsleep 1000\nprint Completed. Encoding time: 0:00:01\n");
        AddFiles({QStringLiteral("/a/x.wav")});
        bool finishedWhileAsking = false;
        beforeLine = [&](int index) {
            if (index != 1)
                return;
            main->Batch->ProgressForm->CheckBoxShutdown->setChecked(true);
            QTimer::singleShot(0, main.get(), [&, answer] {
                boxes.OnNextBox([&](const AskedMessage&) {
                    // The question stays open until the run has ended.
                    finishedWhileAsking = QTest::qWaitFor([&] { return main->Batch->ProgressForm->Finished; }, WaitGuardMs);
                });
                boxes.Answer(answer);
                main->Batch->ProgressForm->ButtonCancel->click();
            });
        };
        // A clean batch whose result is Cancel: no countdown.
        OnWindow<TFormShutdown>(main.get(), [](TFormShutdown* countdown) {
            ADD_FAILURE() << "countdown after a batch closed with Cancel";
            countdown->done(IDCANCEL);
        });
        Encode();
        EXPECT_TRUE(finishedWhileAsking) << answer;
        EXPECT_EQ(lines.size(), 3) << answer;
        EXPECT_EQ(main->Batch->ProgressForm, nullptr);
        EXPECT_FALSE(LogFileBytes().isEmpty());
        WaitIdle();
    }
    EXPECT_EQ(boxes.Asked().size(), 2u);
    EXPECT_EQ(shutdowns, 0);
}

TEST_F(BatchRun, CleanBatchWithShutdownTickedCountsDownAndShutsDownOnce)
{
    Script("print Files to encode: 1\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n");
    AddFiles({QStringLiteral("/a/x.wav")});
    beforeLine = [&](int index) {
        if (index == 0)
            main->Batch->ProgressForm->CheckBoxShutdown->setChecked(true);
    };
    int ticks = 0;
    OnWindow<TFormShutdown>(main.get(), [&](TFormShutdown* countdown) {
        // The log is saved before the countdown starts.
        EXPECT_FALSE(LogFileBytes().isEmpty());
        EXPECT_EQ(shutdowns, 0);
        while (countdown->isVisible() && ticks < 40) {
            countdown->Timer1Timer();
            ++ticks;
        }
    });
    Encode();
    EXPECT_EQ(shutdowns, 1);
    EXPECT_EQ(ticks, TFormShutdown::CountdownSeconds + 1);

    // Cancelled countdown: no shutdown.
    bool cancelled = false;
    OnWindow<TFormShutdown>(main.get(), [&](TFormShutdown* countdown) {
        countdown->Button1->click();
        cancelled = true;
    });
    WaitIdle();
    lines.clear();
    Encode();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(shutdowns, 1);
    EXPECT_TRUE(boxes.Asked().empty());
}

TEST_F(BatchRun, CleanBatchWithTheRealEncoder)
{
    settings.BladeEncPath = QString::fromUtf8(TW_BLADEENC);
    settings.Bitrate = 128;
    const QStringList names = {QStringLiteral("one.wav"), QStringLiteral("two tone.wav"), QStringLiteral("drei ä.wav")};
    for (const QString& n : names) {
        folder.Write(QStringLiteral("music/") + n, SineWav(700));
        main->AddFile(folder.File(QStringLiteral("music/") + n));
    }
    const QList<TFileEntry> before = main->FileEntries();
    Encode();

    for (const QString& n : names) {
        const QFileInfo mp3(folder.File(QStringLiteral("music/") + QString(n).replace(QStringLiteral(".wav"), QStringLiteral(".mp3"))));
        EXPECT_TRUE(mp3.isFile() && mp3.size() > 1000) << mp3.filePath().toStdString();
    }
    EXPECT_TRUE(boxes.Asked().empty());
    EXPECT_FALSE(main->Batch->State().ErrorOccurred) << main->Batch->Log().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(main->Batch->State().FilesDone, 3);
    // The log file holds the run log.
    QByteArray expected;
    for (const QString& l : main->Batch->Log())
        expected += l.toUtf8() + "\r\n";
    EXPECT_FALSE(main->Batch->Log().isEmpty());
    EXPECT_EQ(LogFileBytes(), expected);
    EXPECT_TRUE(main->Batch->Log().contains(QStringLiteral("Encoding: ") + folder.File(QStringLiteral("music/drei ä.wav"))));
    // Idle again, the list as it was.
    EXPECT_EQ(main->Batch->ProgressForm, nullptr);
    EXPECT_TRUE(WaitIdle());
    EXPECT_EQ(main->FileEntries(), before);
    EXPECT_EQ(main->Tray->RxTrayIcon1->Hint(), QStringLiteral("Finished encoding"));
}

TEST_F(BatchRun, TheProgressWindowShowsTheRealEncodersVariableBitrateLevel)
{
    settings.BladeEncPath = QString::fromUtf8(TW_BLADEENC);
    settings.Bitrate = 320;
    settings.Vbr = 2;
    settings.Mono = true;
    folder.Write(QStringLiteral("music/v.wav"), SineWav(300));
    main->AddFile(folder.File(QStringLiteral("music/v.wav")));
    Encode();
    WaitIdle();

    EXPECT_FALSE(main->Batch->State().ErrorOccurred) << main->Batch->Log().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(main->Batch->Log().contains(QStringLiteral("Output: VBR quality 2 mono")));
    bool shown = false;
    for (const Shot& shot : shots)
        shown = shown || shot.Output == QStringLiteral("Outputformat: VBR quality 2 mono");
    EXPECT_TRUE(shown);
    EXPECT_TRUE(QFileInfo(folder.File(QStringLiteral("music/v.mp3"))).isFile());
}

TEST_F(BatchRun, MissingEncoderOrEmptyListStartsNothing)
{
    main->Batch->SetLog(QStringList{QStringLiteral("kept")});
    AddFiles({QStringLiteral("/a/x.wav")});
    const QString missing = folder.File(QStringLiteral("gone/Blade Enc"));
    settings.BladeEncPath = missing;
    boxes.Answer(IDOK);
    Encode();
    // A folder where the encoder should be counts as missing too.
    settings.BladeEncPath = folder.Path();
    boxes.Answer(IDOK);
    Encode();
    ASSERT_EQ(boxes.Asked().size(), 2u);
    EXPECT_EQ(boxes.Asked()[0].Text,
              QStringLiteral("The file \"") + missing
                  + QStringLiteral("\" couldn't be found.\r\nPlease go to the options and specify the correct "
                                   "location of BladeEnc."));
    EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Hint"));
    EXPECT_EQ(boxes.Asked()[0].Flags, unsigned(MB_OK | MB_ICONWARNING));

    settings.BladeEncPath = QString::fromUtf8(TW_FAKE_BLADEENC);
    main->FileList->Clear();
    boxes.Answer(IDOK);
    main->Batch->Execute({}); // the command itself is disabled with an empty list
    ASSERT_EQ(boxes.Asked().size(), 3u);
    EXPECT_EQ(boxes.Asked()[2].Text, QStringLiteral("There are no files to encode!"));
    EXPECT_EQ(boxes.Asked()[2].Caption, QStringLiteral("Hint"));
    EXPECT_EQ(boxes.Asked()[2].Flags, unsigned(MB_OK | MB_ICONWARNING));

    EXPECT_FALSE(main->Batch->GUI2Console1->Running());
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(main->Batch->Log(), QStringList{QStringLiteral("kept")});
    EXPECT_TRUE(LogFileBytes().isEmpty());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TFormProgress*>(w), nullptr);
}

TEST_F(BatchRun, EncoderThatCannotStartOffersTheRunnersError)
{
    // A file that exists but cannot be executed.
    folder.Write(QStringLiteral("BladeEnc"), "not a program");
    settings.BladeEncPath = folder.File(QStringLiteral("BladeEnc"));
    AddFiles({QStringLiteral("/a/x.wav")});
    boxes.Answer(IDNO);
    Encode();
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Error"));
    ASSERT_EQ(main->Batch->Log().size(), 1);
    EXPECT_TRUE(main->Batch->Log()[0].startsWith(QStringLiteral("Error: Error Creating Process  Error Code :")))
        << main->Batch->Log()[0].toStdString();
    EXPECT_EQ(main->Batch->ProgressForm, nullptr);
}

TEST_F(BatchRun, LogThatCannotBeSavedIsReportedAndTheProgramGoesOn)
{
    // A folder standing where the log file goes: no one can replace it with a file.
    ASSERT_TRUE(QDir().mkpath(folder.File(QStringLiteral("Tonewright.log/inner"))));
    Script("print Files to encode: 1\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n");
    AddFiles({QStringLiteral("/a/x.wav")});
    beforeLine = [&](int index) {
        if (index == 0)
            main->Batch->ProgressForm->CheckBoxShutdown->setChecked(true);
    };
    OnWindow<TFormShutdown>(main.get(), [](TFormShutdown* countdown) {
        ADD_FAILURE() << "countdown after a failed log save";
        countdown->done(IDCANCEL);
    });
    boxes.Answer(IDOK);
    Encode();
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("Cannot create file ") + folder.File(QStringLiteral("Tonewright.log")));
    EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Error"));
    EXPECT_EQ(main->Batch->ProgressForm, nullptr);
    EXPECT_TRUE(QFileInfo(folder.File(QStringLiteral("Tonewright.log/inner"))).isDir());

    // The next batch runs normally.
    beforeLine = {};
    ASSERT_TRUE(QDir(folder.File(QStringLiteral("Tonewright.log"))).removeRecursively());
    WaitIdle();
    Encode();
    EXPECT_EQ(LogFileBytes(), QByteArray("Files to encode: 1\r\nEncoding: /a/x.wav\r\nCompleted. Encoding time: 0:00:01\r\n"));
    EXPECT_EQ(shutdowns, 0);
}

TEST_F(BatchRun, NextBatchRightAfterAnAbortStartsCleanly)
{
    Script("print Files to encode: 1\nsleep 60000\n");
    AddFiles({QStringLiteral("/a/x.wav")});
    beforeLine = [&](int) {
        QTimer::singleShot(0, main.get(), [&] {
            boxes.Answer(IDYES);
            main->Batch->ProgressForm->ButtonCancel->click();
        });
    };
    Encode();
    // At once, before the stopped run has reported its end.
    beforeLine = {};
    lines.clear();
    Script("print Files to encode: 1\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n");
    Encode();
    EXPECT_EQ(lines.size(), 3);
    EXPECT_FALSE(main->Batch->State().ErrorOccurred) << main->Batch->Log().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(main->Batch->Log().size(), 3);
    EXPECT_EQ(boxes.Asked().size(), 1u);
}

TEST_F(BatchRun, LastLogShowsTheRunLogAndChangesNothing)
{
    folder.Write(QStringLiteral("Tonewright.log"), "a\r\nb\r\n");
    main->Batch->SetLog(QStringList{QStringLiteral("first"), QStringLiteral("second line")});
    QString shown;
    OnWindow<TFormLog>(main.get(), [&](TFormLog* log) {
        shown = log->MemoLog->toPlainText();
        log->ButtonOK->click();
    });
    main->ActionList1Update();
    wintest::Part(*main, "ActionViewLog")->trigger();
    EXPECT_EQ(shown, QStringLiteral("first\nsecond line"));
    EXPECT_EQ(LogFileBytes(), QByteArray("a\r\nb\r\n"));
    EXPECT_EQ(main->Batch->Log().size(), 2);
}

TEST_F(BatchRun, AnEncoderThatCrashesFailsOrEndsEarlyFailsTheBatchAndNeverShutsDown)
{
    const QByteArray twoFiles = "print Files to encode: 2\nprint Encoding: /a/x.wav\n"
                                "print Completed. Encoding time: 0:00:01\nprint Encoding: /a/y.wav\n";
    const QByteArray second = "print Completed. Encoding time: 0:00:01\n";
    const struct {
        QByteArray Script;
        QString Expected;
    } cases[] = {
        {twoFiles + "signal 9\n", QStringLiteral("Error: the encoder ended with signal 9 after 1 of 2 files")},
        {twoFiles + "signal 11\n", QStringLiteral("Error: the encoder ended with signal 11 after 1 of 2 files")},
        {twoFiles + second + "exit 3\n", QStringLiteral("Error: the encoder ended with exit status 3 after 2 of 2 files")},
        {twoFiles + "exit 0\n", QStringLiteral("Error: the encoder ended after 1 of 2 files")},
    };
    OnWindow<TFormShutdown>(main.get(), [](TFormShutdown* countdown) {
        ADD_FAILURE() << "countdown after a failed batch";
        countdown->done(IDCANCEL);
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected.toStdString());
        Script(c.Script);
        AddFiles({QStringLiteral("/a/x.wav"), QStringLiteral("/a/y.wav")});
        beforeLine = [&](int index) {
            if (index == 0)
                main->Batch->ProgressForm->CheckBoxShutdown->setChecked(true);
        };
        const size_t asked = boxes.Asked().size();
        boxes.Answer(IDNO);
        Encode();
        ASSERT_EQ(boxes.Asked().size(), asked + 1);
        EXPECT_EQ(boxes.Asked().back().Text, ResStr::ErrorViewLog);
        EXPECT_TRUE(main->Batch->State().ErrorOccurred);
        ASSERT_FALSE(main->Batch->Log().isEmpty());
        EXPECT_EQ(main->Batch->Log().constLast(), c.Expected);
        EXPECT_EQ(main->Batch->Log().count(c.Expected), 1);
        EXPECT_EQ(LoadLogFile(folder.File(QStringLiteral("Tonewright.log"))), main->Batch->Log());
        WaitIdle();
        lines.clear();
    }
    EXPECT_EQ(shutdowns, 0);
}

TEST_F(BatchRun, TheEndOfAStoppedRunIsNoError)
{
    // The user's Yes to "Really abort encoding?" kills an encoder that announced two files.
    Script("print Files to encode: 2\nprint Encoding: /a/x.wav\nsleep 60000\n");
    AddFiles({QStringLiteral("/a/x.wav"), QStringLiteral("/a/y.wav")});
    beforeLine = [&](int index) {
        if (index == 1)
            QTimer::singleShot(0, main.get(), [&] {
                boxes.Answer(IDYES);
                main->Batch->ProgressForm->ButtonCancel->click();
            });
    };
    Encode();
    EXPECT_TRUE(WaitIdle());
    EXPECT_EQ(main->Batch->GUI2Console1->ChildEnd().Kind, TChildEnd::ceSignaled);
    EXPECT_FALSE(main->Batch->State().ErrorOccurred) << main->Batch->Log().join(QLatin1Char('|')).toStdString();
    // The log says the batch was stopped, and where; a crash would not have that last line.
    const QStringList expected{QStringLiteral("Files to encode: 2"), QStringLiteral("Encoding: /a/x.wav"),
                               QStringLiteral("Stopped by the user after 0 of 2 files.")};
    EXPECT_EQ(main->Batch->Log(), expected);
    EXPECT_EQ(LoadLogFile(folder.File(QStringLiteral("Tonewright.log"))), expected);
    EXPECT_EQ(boxes.Asked().size(), 1u);
}

TEST_F(BatchRun, ALongFileNameLosesItsMiddleNotItsEndAndTheTooltipKeepsItWhole)
{
    const QString name = QStringLiteral("A very long recording name of a concert that goes on and on, live at the "
                                        "Royal Albert Hall, second night, encore.wav");
    Script("print Files to encode: 1\nprint Encoding: /a/" + name.toUtf8()
           + "\nprint Completed. Encoding time: 0:00:01\n");
    AddFiles({QStringLiteral("/a/") + name});
    QString shown, tip;
    int room = 0, used = 0;
    beforeLine = [&](int index) {
        if (index != 2)
            return;
        const QLabel* label = main->Batch->ProgressForm->LabelWorking;
        shown = label->text();
        tip = label->toolTip();
        room = label->contentsRect().width();
        used = label->fontMetrics().horizontalAdvance(shown);
    };
    Encode();
    const QString whole = QStringLiteral("Working on ") + name;
    EXPECT_EQ(tip, whole);
    EXPECT_NE(shown, whole);
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Working on A very"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("encore.wav"))) << shown.toStdString();
    EXPECT_LE(used, room);
    EXPECT_GT(room, 0);
}

TEST_F(BatchRun, ABatchKeepsTheComputerAwakeUntilItCompletesIsStoppedOrFails)
{
    MockLogind logind;
    ASSERT_TRUE(logind.Ready) << "dbus-daemon and python3-dbusmock (scripts/install-deps) are needed";
    TSleepInhibitor::Bus = [&] { return logind.Bus(); };
    const auto restore = qScopeGuard([] { TSleepInhibitor::Bus = [] { return QDBusConnection::systemBus(); }; });
    const QStringList sleepLock = {QStringLiteral("sleep:idle"), QStringLiteral("Tonewright"),
                                   QStringLiteral("Encoding 2 files"), QStringLiteral("block")};
    std::vector<QStringList> heldWhileRunning;
    const auto lookAtLocks = [&] {
        (void)QTest::qWaitFor([&] { return !logind.Inhibitors().empty(); }, 5000);
        for (const QStringList& lock : logind.Inhibitors())
            heldWhileRunning.push_back(lock);
    };
    AddFiles({QStringLiteral("/a/x.wav"), QStringLiteral("/a/y.wav")});

    // Runs to its end.
    Script("print Files to encode: 2\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n"
           "print Encoding: /a/y.wav\nprint Completed. Encoding time: 0:00:01\n");
    beforeLine = [&](int index) {
        if (index == 1)
            lookAtLocks();
    };
    Encode();
    EXPECT_EQ(heldWhileRunning, std::vector<QStringList>{sleepLock});
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.Inhibitors().empty(); }, WaitGuardMs));

    // Stopped by the user.
    heldWhileRunning.clear();
    Script("print Files to encode: 2\nprint Encoding: /a/x.wav\nsleep 60000\n");
    lines.clear();
    beforeLine = [&](int index) {
        if (index != 1)
            return;
        lookAtLocks();
        QTimer::singleShot(0, main.get(), [&] {
            boxes.Answer(IDYES);
            main->Batch->ProgressForm->ButtonCancel->click();
        });
    };
    Encode();
    EXPECT_EQ(heldWhileRunning, std::vector<QStringList>{sleepLock});
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.Inhibitors().empty(); }, WaitGuardMs));

    // Fails: the encoder cannot start.
    beforeLine = {};
    WaitIdle();
    logind.Mock(QStringLiteral("ClearCalls"));
    folder.Write(QStringLiteral("BladeEnc"), "not a program");
    settings.BladeEncPath = folder.File(QStringLiteral("BladeEnc"));
    // Given back when the run ends, before the questions after it.
    size_t locksAtTheQuestion = 99;
    boxes.OnNextBox([&](const AskedMessage&) {
        (void)QTest::qWaitFor([&] { return logind.Inhibitors().empty(); }, 5000);
        locksAtTheQuestion = logind.Inhibitors().size();
    });
    boxes.Answer(IDNO);
    Encode();
    EXPECT_TRUE(main->Batch->State().ErrorOccurred);
    EXPECT_EQ(locksAtTheQuestion, 0u);
    EXPECT_EQ(logind.CallsOf(QStringLiteral("Inhibit")).size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.Inhibitors().empty(); }, WaitGuardMs));
}

TEST_F(BatchRun, SourcesTheBatchDeletedLeaveTheList)
{
    settings.BladeEncPath = QString::fromUtf8(TW_BLADEENC);
    settings.DeleteSource = true;
    folder.Write(QStringLiteral("music/a.wav"), SineWav(300));
    folder.Write(QStringLiteral("music/b.wav"), SineWav(300));
    folder.Write(QStringLiteral("music/not audio.wav"), "not a wav file at all");
    // Listed, but already gone before the batch: not this batch's doing, so it stays listed.
    const QStringList listed = {folder.File(QStringLiteral("music/a.wav")), folder.File(QStringLiteral("music/not audio.wav")),
                                folder.File(QStringLiteral("music/missing.wav")), folder.File(QStringLiteral("music/b.wav"))};
    AddFiles(listed);
    boxes.Answer(IDNO); // the refused and the missing file are errors
    Encode();
    EXPECT_FALSE(QFileInfo::exists(listed[0]));
    EXPECT_FALSE(QFileInfo::exists(listed[3]));
    QStringList left;
    for (const TFileEntry& e : main->FileEntries())
        left << e.FullPath();
    EXPECT_EQ(left, (QStringList{listed[1], listed[2]}));
    EXPECT_EQ(wintest::Part<QLabel>(*main, "StatusPanelCount")->text(), QStringLiteral("2 files"));
}

TEST_F(BatchRun, AListPastTheArgumentLimitRunsTheEncoderSeveralTimesUnderOneWindow)
{
    // Room for the fixed part and two files per run: six files make three runs.
    QStringList files;
    for (int i = 1; i <= 6; ++i)
        files << QStringLiteral("/a/%1.wav").arg(i);
    const QString encoder = QString::fromUtf8(TW_FAKE_BLADEENC);
    const qint64 fixed = ArgumentCost(encoder) + 8 + [this] {
        qint64 c = 0;
        for (const QString& o : BuildEncoderOptions(settings).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            c += ArgumentCost(o);
        return c;
    }();
    main->Batch->ArgumentSpace = [&] { return fixed + 2 * ArgumentCost(files[0]); };
    Script("print Files to encode: 2\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n"
           "print Encoding: /a/y.wav\nprint Completed. Encoding time: 0:00:01\n");
    AddFiles(files);
    int starts = 0;
    QList<TFormProgress*> windows;
    main->Batch->GUI2Console1->OnStart = [&](TGUI2Console*, const QString& command) {
        ++starts;
        windows << main->Batch->ProgressForm;
        EXPECT_TRUE(command.endsWith(QStringLiteral("\"/a/%1.wav\"").arg(2 * starts))) << command.toStdString();
    };
    Encode();
    EXPECT_EQ(starts, 3);
    ASSERT_EQ(windows.size(), 3);
    EXPECT_EQ(windows[0], windows[2]) << "one progress window for the whole list";
    EXPECT_FALSE(main->Batch->State().ErrorOccurred) << main->Batch->Log().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(main->Batch->State().FilesDone, 6);
    EXPECT_EQ(main->Batch->State().FilesToEncode, 6);
    // The log holds every run.
    EXPECT_EQ(main->Batch->Log().count(QStringLiteral("Files to encode: 2")), 3);
    EXPECT_EQ(LoadLogFile(folder.File(QStringLiteral("Tonewright.log"))), main->Batch->Log());
    // The window said "finished" only once, after the last run: the title the last line set.
    ASSERT_FALSE(shots.empty());
    EXPECT_EQ(shots.back().Title, ResStr::ProgressEncodingFinished);
    EXPECT_NE(shots[4].Title, ResStr::ProgressEncodingFinished);
    EXPECT_TRUE(boxes.Asked().empty());
}

TEST_F(BatchRun, StopEndsEveryRunOfASplitList)
{
    QStringList files;
    for (int i = 1; i <= 6; ++i)
        files << QStringLiteral("/a/%1.wav").arg(i);
    main->Batch->ArgumentSpace = [] { return qint64(1); }; // one file per run
    Script("print Files to encode: 1\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n"
           "sleep 60000\n");
    AddFiles(files);
    int starts = 0;
    main->Batch->GUI2Console1->OnStart = [&](TGUI2Console*, const QString&) { ++starts; };
    beforeLine = [&](int index) {
        if (index == 2)
            QTimer::singleShot(0, main.get(), [&] {
                boxes.Answer(IDYES);
                main->Batch->ProgressForm->ButtonCancel->click();
            });
    };
    Encode();
    WaitIdle();
    QCoreApplication::processEvents(); // the runner's end, which would start a next run
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(main->Batch->State().ErrorOccurred) << main->Batch->Log().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(main->Batch->Log().constLast(), QStringLiteral("Stopped by the user after 1 of 6 files."));
}

TEST_F(BatchRun, TwoAlbumsGoIntoTheOutputFolderThroughTheRealEncoder)
{
    settings.BladeEncPath = QString::fromUtf8(TW_BLADEENC);
    const QStringList sources = {QStringLiteral("music/Artist/Album One/01 Intro.wav"),
                                 QStringLiteral("music/Artist/Album One/CD2/02 Song.wav"),
                                 QStringLiteral("music/Artist/Album Two/03 Finale.wav")};
    const struct {
        const char* what;
        const char* out; // made by the encoder
        bool keep, deleteSources;
        QStringList mp3s;
    } cases[] = {
        {"all in one folder", "out", false, false,
         {QStringLiteral("out/01 Intro.mp3"), QStringLiteral("out/02 Song.mp3"), QStringLiteral("out/03 Finale.mp3")}},
        {"the source tree below it, the sources deleted once their MP3 is safe", "tree/mp3", true, true,
         {QStringLiteral("tree/mp3/Album One/01 Intro.mp3"), QStringLiteral("tree/mp3/Album One/CD2/02 Song.mp3"),
          QStringLiteral("tree/mp3/Album Two/03 Finale.mp3")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        main->FileList->Clear();
        for (const QString& s : sources) {
            folder.Write(s, SineWav(300));
            main->AddFile(folder.File(s));
        }
        settings.OutputFolder = folder.File(QString::fromUtf8(c.out));
        settings.KeepSubfolders = c.keep;
        settings.DeleteSource = c.deleteSources;
        Encode();
        ASSERT_TRUE(WaitIdle());

        EXPECT_FALSE(main->Batch->State().ErrorOccurred) << main->Batch->Log().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(boxes.Asked().empty());
        for (const QString& mp3 : c.mp3s) {
            const QFileInfo made(folder.File(mp3));
            EXPECT_TRUE(made.isFile() && made.size() > 500) << mp3.toStdString();
        }
        QStringList left;
        for (const QString& s : sources) {
            EXPECT_FALSE(QFileInfo::exists(folder.File(s).replace(QStringLiteral(".wav"), QStringLiteral(".mp3"))))
                << "nothing beside the sources";
            if (QFileInfo::exists(folder.File(s)))
                left << folder.File(s);
        }
        // The deleted sources leave the list; kept ones stay.
        EXPECT_EQ(left.size(), c.deleteSources ? 0 : 3);
        QStringList listed;
        for (const TFileEntry& e : main->FileEntries())
            listed << e.FullPath();
        EXPECT_EQ(listed, left);
    }
}

TEST_F(BatchRun, TheOutputFolderReachesTheEncoderAsOutdirOrAsPairsInEveryRun)
{
    const QString argsOut = folder.File(QStringLiteral("args"));
    qputenv("FAKE_BLADEENC_ARGS_OUT", QFile::encodeName(argsOut));
    Script("print Files to encode: 0\n");
    // Blanks and a quote in the folder survive the quoting of the command line.
    const QString out = folder.File(QStringLiteral("out \"dir\""));
    const QStringList files = {QStringLiteral("/m/Artist/A/1.wav"), QStringLiteral("/m/Artist/A/2.wav"),
                               QStringLiteral("/m/Artist/B/3.wav")};
    const QString outdir = QStringLiteral("-OUTDIR=") + out;
    const QString mp3[] = {out + QStringLiteral("/A/1.mp3"), out + QStringLiteral("/A/2.mp3"), out + QStringLiteral("/B/3.mp3")};
    const struct {
        const char* what;
        bool keep, runPerFile;
        QList<QStringList> runs; // each run's arguments after the options
    } cases[] = {
        {"one folder", false, false, {{outdir, files[0], files[1], files[2]}}},
        {"one folder, a run per file", false, true, {{outdir, files[0]}, {outdir, files[1]}, {outdir, files[2]}}},
        {"below it, a run per file", true, true, {{files[0], mp3[0]}, {files[1], mp3[1]}, {files[2], mp3[2]}}},
    };
    const auto wide = main->Batch->ArgumentSpace;
    const int options = 3; // -quit -128 -PRIO=LOWEST
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        settings.OutputFolder = out;
        settings.KeepSubfolders = c.keep;
        main->Batch->ArgumentSpace = c.runPerFile ? std::function<qint64()>([] { return qint64(1); }) : wide;
        QList<QStringList> started;
        main->Batch->GUI2Console1->OnStart = [&](TGUI2Console*, const QString& command) {
            started << SplitCommandLine(command).mid(1 + options);
        };
        main->FileList->Clear();
        AddFiles(files);
        Encode();
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(started, c.runs);
        // What the last run's encoder was given.
        EXPECT_EQ(ArgumentsWritten(argsOut).mid(options), c.runs.last());
        EXPECT_FALSE(main->Batch->State().ErrorOccurred) << main->Batch->Log().join(QLatin1Char('|')).toStdString();
    }
}

TEST_F(BatchRun, SkipExistingLeavesOutFilesWhoseMp3ExistsWithALogLineEach)
{
    const QString argsOut = folder.File(QStringLiteral("args"));
    qputenv("FAKE_BLADEENC_ARGS_OUT", QFile::encodeName(argsOut));
    settings.SkipExisting = true;
    const QStringList files = {folder.File(QStringLiteral("m/a.wav")), folder.File(QStringLiteral("m/b.wav")),
                               folder.File(QStringLiteral("m/c.wav"))};
    Script("print Files to encode: 2\nprint Encoding: " + files[0].toUtf8() + "\nprint Completed. Encoding time: 0:00:01\n"
           "print Encoding: " + files[2].toUtf8() + "\nprint Completed. Encoding time: 0:00:01\n");
    folder.Write(QStringLiteral("m/b.mp3"), "made before");
    AddFiles(files);
    Encode();
    EXPECT_EQ(ArgumentsWritten(argsOut), (QStringList{QStringLiteral("-quit"), QStringLiteral("-128"),
                                                      QStringLiteral("-PRIO=LOWEST"), files[0], files[2]}));
    const QString skippedB = ResStr::LogSkippedExisting.arg(files[1], folder.File(QStringLiteral("m/b.mp3")));
    ASSERT_FALSE(main->Batch->Log().isEmpty());
    EXPECT_EQ(main->Batch->Log().first(), skippedB);
    // The skipped file's row says so; the others' follow the encoder.
    EXPECT_EQ(StatusColumn(), (QStringList{QStringLiteral("Done"), QStringLiteral("Skipped"), QStringLiteral("Done")}));
    EXPECT_EQ(main->FileList->index(1, TFileListModel::colStatus).data(Qt::ToolTipRole).toString(), skippedB);
    EXPECT_EQ(LoadLogFile(folder.File(QStringLiteral("Tonewright.log"))), main->Batch->Log());
    EXPECT_EQ(folder.Read(QStringLiteral("m/b.mp3")), QByteArray("made before"));
    EXPECT_TRUE(boxes.Asked().empty());

    // Every MP3 there: nothing runs, and the user is told.
    folder.Write(QStringLiteral("m/a.mp3"), "x");
    folder.Write(QStringLiteral("m/c.mp3"), "x");
    ASSERT_TRUE(QFile::remove(argsOut));
    ASSERT_TRUE(WaitIdle());
    boxes.Answer(IDOK);
    Encode();
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Text, ResStr::AllMp3sExist);
    EXPECT_TRUE(ArgumentsWritten(argsOut).isEmpty()) << "the encoder ran";
    ASSERT_EQ(main->Batch->Log().size(), 3);
    EXPECT_EQ(main->Batch->Log()[1], skippedB);
    EXPECT_EQ(LoadLogFile(folder.File(QStringLiteral("Tonewright.log"))), main->Batch->Log());
    EXPECT_EQ(main->FileEntries().size(), 3);
}

TEST_F(BatchRun, EachFilesStatusFollowsTheRealEncoderAcrossCoresAndClearFinishedTakesTheDone)
{
    // The first file is the longest: on two cores the later ones end before it, yet each line
    // must reach its own row.
    settings.BladeEncPath = QString::fromUtf8(TW_BLADEENC);
    settings.Bitrate = 128;
    const struct {
        const char* Name;
        QByteArray Bytes;
    } files[] = {{"long.wav", SineWav(3000)}, {"bad.wav", "no sound in here"}, {"b.wav", SineWav(200)},
                 {"c.wav", SineWav(200)}};
    QStringList paths;
    for (const auto& f : files) {
        folder.Write(QStringLiteral("music/") + QLatin1String(f.Name), f.Bytes);
        paths << folder.File(QStringLiteral("music/") + QLatin1String(f.Name));
        main->AddFile(paths.last());
    }

    // After every "Encoding:" line exactly the file it names is being encoded.
    QStringList misplaced;
    int started = 0;
    beforeLine = [&](int index) {
        if (index == 0) {
            EXPECT_EQ(StatusColumn(), QStringList(4, QStringLiteral("Waiting")));
        }
        if (index == 0 || !lines.last().startsWith("Encoding: "))
            return;
        ++started;
        const int row = int(paths.indexOf(QString::fromUtf8(lines.last().mid(10))));
        const QStringList now = StatusColumn();
        for (int r = 0; r < now.size(); ++r)
            if ((r == row) != now[r].startsWith(QStringLiteral("Encoding ")))
                misplaced << QString::fromUtf8(lines.last()) + QStringLiteral(" / row %1: ").arg(r) + now[r];
    };
    boxes.Answer(IDNO);
    Encode();
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(started, 4);
    EXPECT_EQ(misplaced, QStringList());
    EXPECT_EQ(StatusColumn(), (QStringList{QStringLiteral("Done"), QStringLiteral("Failed"),
                                           QStringLiteral("Done"), QStringLiteral("Done")}));
    const QString tip = main->FileList->index(1, TFileListModel::colStatus).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.startsWith(QStringLiteral("Error: \"") + paths[1])) << tip.toStdString();
    EXPECT_TRUE(main->Batch->Log().contains(tip));

    // Clear Finished takes the done ones, also after files were added and removed.
    main->AddFile(QStringLiteral("/new/d.wav"));
    main->FileList->RemoveRows({2});
    main->ActionList1Update();
    QAction* clearFinished = wintest::Part(*main, "ActionClearFinished");
    ASSERT_TRUE(clearFinished->isEnabled());
    clearFinished->trigger();
    QStringList left;
    for (const TFileEntry& e : main->FileEntries())
        left << e.File + QLatin1Char('=') + StatusColumn().at(int(left.size()));
    EXPECT_EQ(left, (QStringList{QStringLiteral("bad.wav=Failed"), QStringLiteral("d.wav=")}));
    main->ActionList1Update();
    EXPECT_FALSE(clearFinished->isEnabled());
}

TEST_F(BatchRun, StopLeavesTheDoneFilesDoneAndTheUnfinishedOnesStopped)
{
    Script("print Files to encode: 3\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n"
           "print Encoding: /a/y.wav\nprint " + ProgressBytes("45.7", "0:00:05", "60.0", "0:00:09")
           + "\nsleep 60000\n");
    AddFiles({QStringLiteral("/a/x.wav"), QStringLiteral("/a/y.wav"), QStringLiteral("/a/z.wav")});
    QStringList whileEncoding;
    beforeLine = [&](int index) {
        if (index == 4)
            QTimer::singleShot(0, main.get(), [&] {
                whileEncoding = StatusColumn();
                boxes.Answer(IDYES);
                main->Batch->ProgressForm->ButtonCancel->click();
            });
    };
    Encode();
    EXPECT_TRUE(WaitIdle());
    EXPECT_EQ(whileEncoding, (QStringList{QStringLiteral("Done"), QStringLiteral("Encoding 45%"),
                                          QStringLiteral("Waiting")}));
    EXPECT_EQ(StatusColumn(), (QStringList{QStringLiteral("Done"), QStringLiteral("Stopped"),
                                           QStringLiteral("Stopped")}));
}
