#include "SleepInhibitor.h"

#include "ResStr.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
constexpr int LogindCallTimeoutMs = 10000;
} // namespace

std::function<QDBusConnection()> TSleepInhibitor::Bus = [] { return QDBusConnection::systemBus(); };

TSleepInhibitor::TSleepInhibitor(int fileCount, QObject* owner) : QObject(owner)
{
    if (!Bus)
        return;
    QDBusConnection bus = Bus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << ResStr::AppTitle << Reason(fileCount)
         << QStringLiteral("block");
    // The watcher is a child: should this object go before the answer, the answer is dropped and
    // its descriptor closed with it.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, LogindCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (!m_released && reply.isValid())
            m_lock = reply.value();
    });
}

TSleepInhibitor::~TSleepInhibitor()
{
    Release();
}

void TSleepInhibitor::Release()
{
    m_released = true;
    // Closing the last copy of the descriptor is what gives the lock back.
    m_lock = QDBusUnixFileDescriptor();
}

QString TSleepInhibitor::Reason(int fileCount)
{
    return fileCount == 1 ? ResStr::InhibitReasonOneFile : ResStr::InhibitReasonFiles.arg(fileCount);
}
