// The sleep lock's own edge cases, against a mock logind on a private bus; the lock's life during
// a batch is BatchRun.ABatchKeepsTheComputerAwakeUntilItCompletesIsStoppedOrFails.
#include "SleepInhibitor.h"

#include "MockLogind.h"
#include "Spin.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include <gtest/gtest.h>

TEST(SleepInhibitor, ALockGrantedAfterTheReleaseIsGivenBackAndARefusalIsNoLock)
{
    MockLogind logind;
    ASSERT_TRUE(logind.Ready) << "dbus-daemon and python3-dbusmock (scripts/install-deps) are needed";
    TSleepInhibitor::Bus = [&] { return logind.Bus(); };
    const auto restore = qScopeGuard([] { TSleepInhibitor::Bus = [] { return QDBusConnection::systemBus(); }; });

    // A batch over before logind answered (the encoder could not start, say).
    {
        TSleepInhibitor lock(1);
        lock.Release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return logind.CallsOf(QStringLiteral("Inhibit")).size() == 1; }, 10000));
        QCoreApplication::processEvents();
        EXPECT_FALSE(lock.Held());
        EXPECT_TRUE(QTest::qWaitFor([&] { return logind.Inhibitors().empty(); }, 10000));
    }

    // A logind that refuses: no lock, nothing reported.
    const QDBusMessage added = logind.Mock(
        QStringLiteral("AddMethod"),
        {QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"), QStringLiteral("ssss"),
         QStringLiteral("h"),
         QStringLiteral("raise dbus.exceptions.DBusException('Access denied', "
                        "name='org.freedesktop.DBus.Error.AccessDenied')")});
    ASSERT_EQ(added.type(), QDBusMessage::ReplyMessage) << added.errorMessage().toStdString();
    logind.Mock(QStringLiteral("ClearCalls"));
    TSleepInhibitor refused(4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return logind.CallsOf(QStringLiteral("Inhibit")).size() == 1; }, 10000));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_FALSE(refused.Held());
    EXPECT_EQ(TSleepInhibitor::Reason(1), QStringLiteral("Encoding 1 file"));
}
