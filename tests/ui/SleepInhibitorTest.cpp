// The sleep lock of a batch, against a mock logind on a private bus.
#include "SleepInhibitor.h"

#include "MockLogind.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QScopeGuard>

#include <gtest/gtest.h>

namespace {
template <class F>
bool PumpUntil(F done, int ms = 10000)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}
} // namespace

TEST(SleepInhibitor, WithoutABusTheBatchGoesOnSilently)
{
    // The test main points the system bus at a dead address.
    TSleepInhibitor lock(3);
    QCoreApplication::processEvents();
    EXPECT_FALSE(lock.Held());
    lock.Release();
    EXPECT_EQ(TSleepInhibitor::Reason(1), QStringLiteral("Encoding 1 file"));
    EXPECT_EQ(TSleepInhibitor::Reason(12), QStringLiteral("Encoding 12 files"));
}

TEST(SleepInhibitor, TakesOneSleepLockAndGivesItBackWhenReleasedDestroyedOrAnsweredLate)
{
    MockLogind logind;
    ASSERT_TRUE(logind.Ready) << "dbus-daemon and python3-dbusmock (scripts/install-deps) are needed";
    TSleepInhibitor::Bus = [&] { return logind.Bus(); };
    const auto restore = qScopeGuard([] { TSleepInhibitor::Bus = [] { return QDBusConnection::systemBus(); }; });

    {
        TSleepInhibitor lock(3);
        ASSERT_TRUE(PumpUntil([&] { return lock.Held(); }));
        const auto held = logind.Inhibitors();
        ASSERT_EQ(held.size(), 1u);
        EXPECT_EQ(held[0], (QStringList{QStringLiteral("sleep:idle"), QStringLiteral("Tonewright"),
                                        QStringLiteral("Encoding 3 files"), QStringLiteral("block")}));
        lock.Release();
        EXPECT_FALSE(lock.Held());
        EXPECT_TRUE(PumpUntil([&] { return logind.Inhibitors().empty(); })) << "the descriptor was closed";
    }
    {
        TSleepInhibitor lock(1);
        ASSERT_TRUE(PumpUntil([&] { return lock.Held(); }));
    }
    EXPECT_TRUE(PumpUntil([&] { return logind.Inhibitors().empty(); })) << "destroyed while held";

    // Released before logind answered: the lock granted afterwards is given back at once.
    logind.Mock(QStringLiteral("ClearCalls"));
    {
        TSleepInhibitor lock(2);
        lock.Release();
        PumpUntil([&] { return logind.CallsOf(QStringLiteral("Inhibit")).size() == 1; });
        QCoreApplication::processEvents();
        EXPECT_FALSE(lock.Held());
    }
    EXPECT_EQ(logind.CallsOf(QStringLiteral("Inhibit")).size(), 1u);
    EXPECT_TRUE(PumpUntil([&] { return logind.Inhibitors().empty(); }));

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
    ASSERT_TRUE(PumpUntil([&] { return logind.CallsOf(QStringLiteral("Inhibit")).size() == 1; }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_FALSE(refused.Held());
}
