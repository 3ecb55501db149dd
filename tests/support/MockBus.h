#pragma once
// A private D-Bus daemon with a python3-dbusmock template on it, for as long as the object
// lives, and the calls that read what the mock recorded. The daemon serves as both the session
// and the system bus of the mock, so templates of either kind work.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QVariantList>

#include <vector>

class MockBus {
public:
    // `mockTemplate`: a dbusmock template name or file; `service`: the name it takes on the bus.
    MockBus(const QString& mockTemplate, const QString& service);
    ~MockBus();
    MockBus(const MockBus&) = delete;
    MockBus& operator=(const MockBus&) = delete;

    // A connection of this process to the private bus.
    QDBusConnection Connection() const;

    QString Address;
    bool Ready = false; // the daemon runs and the mock has taken its name

private:
    QProcess FDaemon;
    QProcess FMock;
    QString FConnectionName;
};

// Calls a method without blocking this thread (the object being asked may live on it); the
// event loop runs until the reply or the call's time-out.
QDBusMessage CallOnBus(QDBusConnection bus, const QString& service, const QString& path, const QString& iface,
                       const QString& method, const QVariantList& args = {});

// The arguments of every call of `method` the mock object at `path` recorded, oldest first.
std::vector<QVariantList> MockMethodCalls(QDBusConnection bus, const QString& service, const QString& path,
                                          const QString& method);

