#pragma once
// What every test process sets before anything starts: the offscreen platform, and no way to
// reach the real system or session bus unless a test starts a private one.
#include <QByteArray>
#include <QtGlobal>

inline void PrepareTestEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tonewright-tests-no-system-bus");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tonewright-tests-no-session-bus");
}
