#pragma once
// TSleepInhibitor: keeps the computer from going to sleep while a batch runs, through a logind
// inhibitor lock ("sleep:idle", mode "block") held from construction until Release() or
// destruction. Where logind is missing or refuses, nothing happens and nothing is reported: the
// batch runs as it would without the lock. Main thread only.
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

#include <functional>

class TSleepInhibitor : public QObject {
    Q_OBJECT

public:
    // Asks logind for the lock without waiting for its answer, so a slow bus never delays the batch.
    explicit TSleepInhibitor(int fileCount, QObject* owner = nullptr);
    // Releases the lock.
    ~TSleepInhibitor() override;

    // Gives the lock back (closes its descriptor); a lock granted later is given back at once.
    void Release();
    // Whether logind's lock is held now.
    bool Held() const { return m_lock.isValid(); }

    // What the lock tells the user about the batch: "Encoding N files" ("1 file" for one).
    static QString Reason(int fileCount);

    // The bus logind is asked on: the system bus; tests point it at a private one.
    static std::function<QDBusConnection()> Bus;

private:
    QDBusUnixFileDescriptor m_lock;
    bool m_released = false;
};
