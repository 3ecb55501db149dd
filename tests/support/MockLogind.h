#pragma once
// A private D-Bus daemon with python3-dbusmock's logind template on it, for tests that must see
// what the program asks logind (power off, sleep locks) without reaching the real system bus.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A private bus with python3-dbusmock's logind template on it, for as long as the object lives.
class MockLogind {
public:
    MockLogind()
    {
        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                               QStringLiteral("--print-address=1")});
        m_daemon.start();
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
                     {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                      QStringLiteral("logind")});
        if (!m_mock.waitForStarted(10000))
            return;
        m_bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(Address, QStringLiteral("mock-logind")));
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && m_mock.state() == QProcess::Running) {
            if (m_bus->isConnected() && m_bus->interface()->isServiceRegistered(Service()).value()) {
                Ready = true;
                return;
            }
            QThread::msleep(50);
        }
    }
    ~MockLogind()
    {
        m_bus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("mock-logind"));
        for (QProcess* p : {&m_mock, &m_daemon}) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    static QString Service() { return QStringLiteral("org.freedesktop.login1"); }

    QDBusMessage Mock(const QString& method, const QVariantList& args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(Service(), QStringLiteral("/org/freedesktop/login1"),
                                                        QStringLiteral("org.freedesktop.DBus.Mock"), method);
        m.setArguments(args);
        return m_bus->call(m, QDBus::Block, 10000);
    }

    // The arguments of every recorded call of `method`, oldest first.
    std::vector<QVariantList> CallsOf(const QString& method)
    {
        std::vector<QVariantList> calls;
        const QDBusMessage reply = Mock(QStringLiteral("GetMethodCalls"), {method});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        if (reply.arguments().isEmpty())
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
    // The sleep and shutdown locks the program holds now: (what, who, why, mode) each.
    std::vector<QStringList> Inhibitors()
    {
        std::vector<QStringList> locks;
        QDBusMessage m = QDBusMessage::createMethodCall(Service(), QStringLiteral("/org/freedesktop/login1"),
                                                        QStringLiteral("org.freedesktop.login1.Manager"),
                                                        QStringLiteral("ListInhibitors"));
        const QDBusMessage reply = m_bus->call(m, QDBus::Block, 10000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        if (reply.arguments().isEmpty())
            return locks;
        // a(ssssuu)
        const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString what, who, why, mode;
            uint uid = 0, pid = 0;
            list.beginStructure();
            list >> what >> who >> why >> mode >> uid >> pid;
            list.endStructure();
            locks.push_back({what, who, why, mode});
        }
        list.endArray();
        return locks;
    }
    // The connection the mock is driven on.
    QDBusConnection Bus() const { return *m_bus; }

    // Whether nothing at all has been called on the manager object.
    bool NoCalls()
    {
        const QDBusMessage reply = Mock(QStringLiteral("GetCalls"));
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return false;
        const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
        list.beginArray();
        const bool empty = list.atEnd();
        return empty;
    }

    QString Address;
    bool Ready = false;

private:
    QProcess m_daemon;
    QProcess m_mock;
    std::unique_ptr<QDBusConnection> m_bus;
};

