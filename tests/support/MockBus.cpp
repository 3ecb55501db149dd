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
    m_connectionName = QStringLiteral("mock-bus-%1").arg(++count);
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(10000) || !m_daemon.waitForReadyRead(10000))
        return;
    Address = QString::fromUtf8(m_daemon.readLine().trimmed());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), Address);
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), Address);
    m_mock.setProcessEnvironment(env);
    m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Debian's python: the first one on PATH may lack dbusmock.
    m_mock.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"), mockTemplate});
    if (!m_mock.waitForStarted(10000))
        return;
    QDBusConnection bus = Connection();
    Ready = SpinUntil([&] {
        return m_mock.state() != QProcess::Running
            || (bus.isConnected() && bus.interface()->isServiceRegistered(service).value());
    }, 20000) && m_mock.state() == QProcess::Running;
}

MockBus::~MockBus()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
    for (QProcess* p : {&m_mock, &m_daemon}) {
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

QDBusConnection MockBus::Connection() const
{
    return QDBusConnection::connectToBus(Address, m_connectionName);
}

QDBusMessage CallOnBus(QDBusConnection bus, const QString& service, const QString& path, const QString& iface,
                       const QString& method, const QVariantList& args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, method);
    m.setArguments(args);
    QDBusPendingCall pending = bus.asyncCall(m, 10000);
    SpinUntil([&] { return pending.isFinished(); }, 15000);
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

bool MockHasNoCalls(QDBusConnection bus, const QString& service, const QString& path)
{
    const QDBusMessage reply = CallOnBus(bus, service, path, MockInterface(), QStringLiteral("GetCalls"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
    list.beginArray();
    const bool empty = list.atEnd();
    list.endArray(); // an array left open keeps the reply's data alive
    return empty;
}
