#pragma once
// What every test process sets before anything starts: the offscreen platform, and no way to
// reach the real system or session bus unless a test starts a private one.
#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

inline void PrepareTestEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tonewright-tests-no-system-bus");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tonewright-tests-no-session-bus");
    // A program folder that cannot be written sends the settings to the user's folder: never the
    // real one. The folder lives as long as the test process.
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
}
