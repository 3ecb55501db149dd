#include "Shutdown.h"

#include "Dialogs.h"
#include "ConsoleIO.h"
#include "BatchRun.h"
#include "Main.h"
#include "MainWindowParts.h"
#include "MockLogind.h"
#include "QtPrinters.h"
#include "Spin.h"
#include "TrayController.h"
#include "ScriptedDialogs.h"
#include "TempProgramFolder.h"
#include "WindowTestSupport.h"
#include "Progress.h"

#include <QLayout>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace wintest;

namespace {
// The ways a user stops the countdown.
enum class Stop { None, CancelButton, Escape, Enter, CloseBox };

void StopBy(TFormShutdown& form, Stop how)
{
    switch (how) {
    case Stop::None: break;
    case Stop::CancelButton: form.Button1->click(); break;
    case Stop::Escape: Key(form.Button1, Qt::Key_Escape); break;
    case Stop::Enter: Key(form.Button1, Qt::Key_Return); break;
    case Stop::CloseBox: form.close(); break;
    }
}

// Shows the countdown, gives it `ticks` timer ticks from inside its modal loop (the real timer is
// stopped: the test is the clock), then stops it `how`; returns the modal result and the texts
// the label showed.
int RunCountdown(TFormShutdown& form, int ticks, Stop how, QStringList* shown = nullptr)
{
    form.Timer1->stop();
    QTimer::singleShot(0, &form, [&form, ticks, how, shown] {
        for (int i = 0; i < ticks && form.isVisible(); ++i) {
            form.Timer1Timer();
            if (shown && form.isVisible())
                shown->append(form.LabelTimeLeft->text());
        }
        if (form.isVisible())
            StopBy(form, how);
    });
    QTimer::singleShot(20000, &form, [&form] {
        ADD_FAILURE() << "the countdown did not close";
        form.done(-1);
    });
    return form.ShowModal();
}

Stop StopNamed(const QByteArray& name)
{
    if (name == "cancel")
        return Stop::CancelButton;
    if (name == "escape")
        return Stop::Escape;
    if (name == "enter")
        return Stop::Enter;
    if (name == "close")
        return Stop::CloseBox;
    return Stop::None;
}
} // namespace

TEST(ShutdownCountdown, CountsThirtyDownToZeroAndClosesWithOkOnTheNextTick)
{
    QWidget owner;
    TFormShutdown form(&owner);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Shutdown"));
    EXPECT_EQ(form.Label1->text(),
              QStringLiteral("If you don't press cancel now, \nTonewright will shutdown \nthe computer."));
    EXPECT_EQ(form.SecondsLeft, 30);
    EXPECT_EQ(form.LabelTimeLeft->text(), QStringLiteral("30"));
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
    EXPECT_TRUE(form.Button1->isDefault());
    // The label stays clear of "Time left:".
    form.layout()->activate();
    EXPECT_GT(form.LabelTimeLeft->x(), form.Label3->geometry().right());

    QStringList shown;
    EXPECT_EQ(RunCountdown(form, 40, Stop::None, &shown), IDOK);
    QStringList expected;
    for (int s = 29; s >= 0; --s)
        expected << QString::number(s);
    EXPECT_EQ(shown, expected) << "31 ticks: 29 .. 0 shown, the 31st closes";
    EXPECT_EQ(form.SecondsLeft, -1);
    EXPECT_FALSE(form.Timer1->isActive()) << "the timer dies with the window";
}

TEST(ShutdownCountdown, CancelEscapeEnterOrTheCloseBoxAtAnyTimePreventTheShutdown)
{
    for (const Stop how : {Stop::CancelButton, Stop::Escape, Stop::Enter, Stop::CloseBox}) {
        for (const int ticks : {0, 1, 29, 30}) {
            SCOPED_TRACE(testing::Message() << int(how) << " after " << ticks << " ticks");
            QWidget owner;
            TFormShutdown form(&owner);
            EXPECT_EQ(RunCountdown(form, ticks, how), IDCANCEL);
            EXPECT_FALSE(form.Timer1->isActive());
            // A tick already on its way changes nothing any more.
            form.Timer1Timer();
            EXPECT_FALSE(form.isVisible());
        }
    }
}

TEST(ShutdownCountdown, TheRealTimerTicksOncePerSecond)
{
    // Hang guard only: the count must move within a generous time, not at a precise moment.
    QWidget owner;
    TFormShutdown form(&owner);
    (void)QTest::qWaitFor([&] { return form.SecondsLeft != 30; }, 15000);
    EXPECT_LT(form.SecondsLeft, 30);
    EXPECT_EQ(form.LabelTimeLeft->text(), QString::number(form.SecondsLeft));
}

TEST(ShutdownRequest, WithoutAReachableBusNothingHappensAndTheProgramGoesOn)
{
    // The test main points the system bus at a dead address.
    EXPECT_TRUE(qgetenv("DBUS_SYSTEM_BUS_ADDRESS").contains("nonexistent"));
    EXPECT_EQ(ShutdownWindows(), QString());
}

// Runs in a child process only (started by the test below, with the mock bus's address): a clean
// batch with "Shutdown computer when done" ticked, through the main window's own Encode command,
// then the countdown as the user lets it run out or stops it. What happens after it is the
// program's own decision.
TEST(DISABLED_ShutdownChild, CleanBatchCountdownThenShutdown)
{
    const QByteArray bus = qgetenv("TW_SHUTDOWN_TEST_BUS");
    if (bus.isEmpty())
        GTEST_SKIP() << "started by ShutdownRequest only";
    // Before the first use of the system bus in this process.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus);
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes; // none may show
    TSettings settings;
    TFormMain main(settings);
    main.show();
    settings.BladeEncPath = QString::fromUtf8(TW_FAKE_BLADEENC);
    qputenv("FAKE_BLADEENC_SCRIPT_TEXT", "print Files to encode: 1\nprint Encoding: /a/x.wav\n"
                                         "print Completed. Encoding time: 0:00:01\n");
    main.AddFile(QStringLiteral("/a/x.wav"));
    // The user ticks the box while the encoder works.
    auto handle = main.Batch->GUI2Console1->OnLine;
    main.Batch->GUI2Console1->OnLine = [&main, handle](TGUI2Console* sender, const QByteArray& line) {
        main.Batch->ProgressForm->CheckBoxShutdown->setChecked(true);
        handle(sender, line);
    };

    const Stop how = StopNamed(qgetenv("TW_SHUTDOWN_TEST_STOP"));
    // A refused power-off is said, in the system's words.
    const QByteArray refusal = qgetenv("TW_SHUTDOWN_TEST_REFUSAL");
    if (!refusal.isEmpty())
        boxes.Answer(IDOK);
    bool counted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &main, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* countdown = qobject_cast<TFormShutdown*>(w); countdown && countdown->isVisible()) {
                poll.stop();
                countdown->Timer1->stop(); // the test is the clock
                for (int i = 0, ticks = how == Stop::None ? 31 : 12; i < ticks && countdown->isVisible(); ++i)
                    countdown->Timer1Timer();
                if (countdown->isVisible())
                    StopBy(*countdown, how);
                counted = true;
                return;
            }
        }
    });
    poll.start();
    main.ActionList1Update();
    wintest::Part(main, "ActionEncode")->trigger();
    EXPECT_TRUE(counted);
    if (refusal.isEmpty()) {
        EXPECT_TRUE(boxes.Asked().empty());
    } else {
        ASSERT_EQ(boxes.Asked().size(), 1u);
        EXPECT_TRUE(boxes.Asked()[0].Text.contains(QString::fromUtf8(refusal))) << boxes.Asked()[0].Text.toStdString();
        EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Error"));
    }
    qunsetenv("FAKE_BLADEENC_SCRIPT_TEXT");
}

namespace {
// Runs the child test with the mock bus and the given stop; returns its exit code.
int RunChild(const QString& address, const QString& stop, const QString& refusal = QString())
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TW_SHUTDOWN_TEST_BUS"), address);
    env.insert(QStringLiteral("TW_SHUTDOWN_TEST_STOP"), stop);
    env.insert(QStringLiteral("TW_SHUTDOWN_TEST_REFUSAL"), refusal);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=DISABLED_ShutdownChild.*"),
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        return -1;
    }
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}
} // namespace

TEST(ShutdownRequest, TheCountdownsEndAsksLogindToPowerOffOnceAndAStoppedCountdownAsksNothing)
{
    MockLogind logind;
    ASSERT_TRUE(logind.Ready) << "dbus-daemon and python3-dbusmock (scripts/install-deps) are needed";

    ASSERT_EQ(RunChild(logind.Address, QStringLiteral("none")), 0);
    const auto calls = logind.CallsOf(QStringLiteral("PowerOff"));
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].size(), 1);
    EXPECT_EQ(calls[0][0].metaType(), QMetaType::fromType<bool>());
    EXPECT_TRUE(calls[0][0].toBool()) << "interactive: polkit may ask for a password";

    for (const char* stop : {"cancel", "escape", "enter", "close"}) {
        SCOPED_TRACE(stop);
        logind.Mock(QStringLiteral("ClearCalls"));
        ASSERT_EQ(RunChild(logind.Address, QString::fromLatin1(stop)), 0);
        EXPECT_TRUE(logind.CallsOf(QStringLiteral("PowerOff")).empty()) << "a stopped countdown powers nothing off";
    }

    // A refused request is said, and the program goes on.
    logind.Mock(QStringLiteral("ClearCalls"));
    const QDBusMessage added = logind.Mock(
        QStringLiteral("AddMethod"),
        {QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"), QStringLiteral("b"),
         QString(),
         QStringLiteral("raise dbus.exceptions.DBusException('Access denied', "
                        "name='org.freedesktop.DBus.Error.AccessDenied')")});
    ASSERT_EQ(added.type(), QDBusMessage::ReplyMessage) << added.errorMessage().toStdString();
    ASSERT_EQ(RunChild(logind.Address, QStringLiteral("none"), QStringLiteral("Access denied")), 0);
    EXPECT_EQ(logind.CallsOf(QStringLiteral("PowerOff")).size(), 1u);
}
