#include "MockBus.h"

#include "Spin.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <atomic>

namespace {
QString MockInterface() { return QStringLiteral("org.freedesktop.DBus.Mock"); }
}

MockBus::MockBus(const QString& mockTemplate, const QString& service)
{
    static std::atomic<int> count{0};
    FConnectionName = QStringLiteral("mock-bus-%1").arg(++count);
    FDaemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!FDaemon.waitForStarted(10000) || !FDaemon.waitForReadyRead(10000))
        return;
    Address = QString::fromUtf8(FDaemon.readLine().trimmed());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), Address);
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), Address);
    FMock.setProcessEnvironment(env);
    FMock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Debian's python: the first one on PATH may lack dbusmock.
    FMock.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"), mockTemplate});
    if (!FMock.waitForStarted(10000))
        return;
    QDBusConnection bus = Connection();
    Ready = QTest::qWaitFor([&] {
        return FMock.state() != QProcess::Running
            || (bus.isConnected() && bus.interface()->isServiceRegistered(service).value());
    }, 20000) && FMock.state() == QProcess::Running;
}

MockBus::~MockBus()
{
    QDBusConnection::disconnectFromBus(FConnectionName);
    for (QProcess* p : {&FMock, &FDaemon}) {
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

QDBusConnection MockBus::Connection() const
{
    return QDBusConnection::connectToBus(Address, FConnectionName);
}

QDBusMessage CallOnBus(QDBusConnection bus, const QString& service, const QString& path, const QString& iface,
                       const QString& method, const QVariantList& args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, method);
    m.setArguments(args);
    QDBusPendingCall pending = bus.asyncCall(m, 10000);
    (void)QTest::qWaitFor([&] { return pending.isFinished(); }, 15000);
    return pending.reply();
}

std::vector<QVariantList> MockMethodCalls(QDBusConnection bus, const QString& service, const QString& path,
                                          const QString& method)
{
    std::vector<QVariantList> calls;
    const QDBusMessage reply = CallOnBus(bus, service, path, MockInterface(), QStringLiteral("GetMethodCalls"), {method});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return calls;
    // a(tav): each call is (timestamp, arguments).
    const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        list.beginStructure();
        qulonglong when = 0;
        list >> when;
        QVariantList args;
        list.beginArray();
        while (!list.atEnd()) {
            QDBusVariant v;
            list >> v;
            args << v.variant();
        }
        list.endArray();
        list.endStructure();
        calls.push_back(args);
    }
    list.endArray();
    return calls;
}
