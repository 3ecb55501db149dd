// TBatchRun on its own, with a scripted user in place of the windows: what it asks and when.
#include "BatchRun.h"

#include "ConsoleIO.h"
#include "Dialogs.h"
#include "EncoderCommandLine.h"
#include "ResStr.h"
#include "Spin.h"
#include "TempProgramFolder.h"
#include "Settings.h"
#include "Progress.h"

#include <QCheckBox>
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cerrno>

namespace {
class ScriptedUser : public IBatchUser {
public:
    int Ask(const QString& text, const QString&, unsigned) override
    {
        Asked << text;
        return IDNO;
    }
    TFormProgress* CreateProgressWindow() override
    {
        auto* progress = new TFormProgress(nullptr);
        progress->CheckBoxShutdown->setChecked(TickShutdown);
        return progress;
    }
    void ShowLog(const QStringList&) override { ++LogsShown; }
    bool CountDown() override
    {
        ++Countdowns;
        return true;
    }
    void SetTrayHint(const QString& hint) override { Hints << hint; }

    bool TickShutdown = true;
    QStringList Asked, Hints;
    int LogsShown = 0, Countdowns = 0;
};

class BatchRunSeam : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.BladeEncPath = QString::fromUtf8(TW_FAKE_BLADEENC);
        run.ShutdownComputer = [this] { ++shutdowns; };
        TGUI2Console* runner = run.GUI2Console1;
        runner->OnLine = [this](TGUI2Console* s, const QByteArray& l) { run.Line(s, l); };
        runner->OnDone = [this](TGUI2Console* s) { run.Done(s); };
        runner->OnError = [this](TGUI2Console* s, const QString& m) { run.Error(s, m); };
    }
    void TearDown() override
    {
        (void)QTest::qWaitFor([&] { return !run.GUI2Console1->Running(); }, 20000);
        qunsetenv("FAKE_BLADEENC_SCRIPT_TEXT");
    }
    static void Script(const QByteArray& text) { qputenv("FAKE_BLADEENC_SCRIPT_TEXT", text); }

    TempProgramFolder folder;
    ScriptedUser user;
    QObject owner;
    TSettings settings;
    TBatchRun run{&owner, user, settings};
    int shutdowns = 0;
};
} // namespace

TEST_F(BatchRunSeam, ACleanBatchWithShutdownTickedCountsDownAndShutsDown)
{
    Script("print Files to encode: 1\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n");
    run.Execute({QStringLiteral("/a/x.wav")});
    EXPECT_TRUE(user.Asked.isEmpty());
    EXPECT_EQ(user.Countdowns, 1);
    EXPECT_EQ(shutdowns, 1);
    EXPECT_EQ(user.Hints.first(), ResStr::TrayStarting);
    EXPECT_EQ(user.Hints.last(), ResStr::TrayFinished);
    EXPECT_EQ(run.ProgressForm, nullptr);
}

TEST_F(BatchRunSeam, AFailedBatchAsksAboutTheLogAndNeverCountsDown)
{
    Script("print Files to encode: 2\nprint Encoding: /a/x.wav\nexit 1\n");
    run.Execute({QStringLiteral("/a/x.wav"), QStringLiteral("/a/y.wav")});
    EXPECT_EQ(user.Asked, QStringList{ResStr::ErrorViewLog});
    EXPECT_EQ(user.Countdowns, 0);
    EXPECT_EQ(shutdowns, 0);
    EXPECT_EQ(run.Log().constLast(), QStringLiteral("Error: the encoder ended with exit status 1 after 0 of 2 files"));
}

TEST_F(BatchRunSeam, NothingToEncodeOrNoEncoderIsANoticeAndNoRun)
{
    run.Execute({});
    settings.BladeEncPath = folder.File(QStringLiteral("missing"));
    run.Execute({QStringLiteral("/a/x.wav")});
    ASSERT_EQ(user.Asked.size(), 2);
    EXPECT_EQ(user.Asked[0], ResStr::NoFilesToEncode);
    EXPECT_EQ(user.Asked[1], ResStr::EncoderNotFound.arg(folder.File(QStringLiteral("missing"))));
    EXPECT_FALSE(run.GUI2Console1->Running());
    EXPECT_TRUE(user.Hints.isEmpty());
}

TEST(LongList, RunsSplitAtTheSystemsArgumentLimitEachStart)
{
    // 7,500 files with 290-byte paths pass the kernel's limit on one command line (E2BIG), and
    // each run of the split list starts.
    QStringList files;
    for (int i = 0; i < 7500; ++i)
        files << QStringLiteral("/music/") + QString(274, QLatin1Char('x')) + QStringLiteral("%1.wav").arg(i, 5, 10, QLatin1Char('0'));
    ASSERT_EQ(files[0].toUtf8().size(), 290);
    const QString program = QStringLiteral("/bin/true");

    const auto startErrors = [&](const QStringList& run) {
        TGUI2Console runner;
        QStringList errors;
        bool done = false;
        runner.OnError = [&](TGUI2Console*, const QString& e) { errors << e; };
        runner.OnDone = [&](TGUI2Console*) { done = true; };
        runner.SetCommand(BuildEncoderCommandLine(program, QString(), run));
        runner.Start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return done && !runner.Running(); }, WaitGuardMs));
        return errors;
    };

    const QStringList whole = startErrors(files);
    ASSERT_EQ(whole.size(), 1);
    EXPECT_EQ(whole[0], QStringLiteral("Error Creating Process  Error Code :7 (%1)").arg(SystemErrorText(E2BIG)));

    QList<QStringList> groups;
    for (const QString& file : files)
        groups.append({file});
    const QList<QList<QStringList>> runs = SplitIntoRuns(program, QString(), {}, groups, ChildArgumentSpace());
    ASSERT_GE(runs.size(), 2);
    QStringList joined;
    for (const QList<QStringList>& run : runs) {
        QStringList runFiles;
        for (const QStringList& group : run)
            runFiles += group;
        EXPECT_TRUE(startErrors(runFiles).isEmpty());
        joined += runFiles;
    }
    EXPECT_EQ(joined, files);
}
