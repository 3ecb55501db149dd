#pragma once
// A private bus with python3-dbusmock's logind template on it, for tests that must see what the
// program asks logind (power off, sleep locks) without reaching the real system bus.
#include "MockBus.h"

#include <QDBusArgument>
#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

class MockLogind : public MockBus {
public:
    MockLogind() : MockBus(QStringLiteral("logind"), Service()) {}

    static QString Service() { return QStringLiteral("org.freedesktop.login1"); }
    static QString Path() { return QStringLiteral("/org/freedesktop/login1"); }

    // The connection the mock is driven on.
    QDBusConnection Bus() const { return Connection(); }

    QDBusMessage Mock(const QString& method, const QVariantList& args = {})
    {
        return CallOnBus(Connection(), Service(), Path(), QStringLiteral("org.freedesktop.DBus.Mock"), method, args);
    }
    // The arguments of every recorded call of `method`, oldest first.
    std::vector<QVariantList> CallsOf(const QString& method) { return MockMethodCalls(Connection(), Service(), Path(), method); }

    // The sleep and shutdown locks held now: (what, who, why, mode) each.
    std::vector<QStringList> Inhibitors()
    {
        std::vector<QStringList> locks;
        const QDBusMessage reply = CallOnBus(Connection(), Service(), Path(), QStringLiteral("org.freedesktop.login1.Manager"),
                                             QStringLiteral("ListInhibitors"));
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
};
