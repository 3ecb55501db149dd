#pragma once
// TSingleInstance: one running program per settings file. The first start becomes the running
// program and listens on a local socket in the user's runtime folder, named after the settings
// file's path (so two portable copies stay independent); a later start with the same settings
// file hands its file arguments to it and ends, so two programs never write one settings file.
// The socket is a plain AF_UNIX stream socket: one message per connection, ended by closing.
// Main thread only.
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QDeadlineTimer;
class QSocketNotifier;

// How the desktop launched a later start, as that start found it in its environment: the X11
// startup notification id (DESKTOP_STARTUP_ID) and the Wayland activation token
// (XDG_ACTIVATION_TOKEN); empty when there is none. The running program uses them to come
// forward past focus-stealing prevention and to end the launcher's busy cursor.
struct TLaunchActivation {
    QByteArray StartupId;
    QByteArray ActivationToken;
    bool operator==(const TLaunchActivation&) const = default;
};

class TSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit TSingleInstance(const QString& settingsPath, QObject* owner = nullptr);
    ~TSingleInstance() override;

    // Becomes the running program, or hands `files` (absolute paths) to the one already running.
    // True: this process goes on (it is the running program now, or no running one answered and it
    // starts as usual); false: the files were handed over and this process should end. Needs no
    // application object: a later start hands over before it connects to a display.
    bool Start(const QStringList& files, const TLaunchActivation& activation = {});
    // Starts taking later starts' files; for a Start that ran before the application object
    // existed (Start does it itself otherwise).
    void AcceptHandOvers();

    // A later start's files, in the order it was given them, those that name an existing regular
    // file or folder (possibly none: it was started again without files and the window should come
    // forward).
    std::function<void(TSingleInstance* Sender, const QStringList& Files)> OnFiles;
    // How that later start was launched; comes right before its OnFiles.
    std::function<void(TSingleInstance* Sender, const TLaunchActivation& Activation)> OnActivate;

    // The socket's path; empty when the runtime folder cannot be had.
    QString SocketPath() const { return m_socketPath; }
    // Whether this object is the running program's and listens.
    bool Listening() const;
    // Later starts' connections being read now.
    int OpenConnections() const { return m_openConnections; }

    // The message a later start sends, and its reading back (false: incomplete or not ours).
    static QByteArray EncodeFiles(const QStringList& files, const TLaunchActivation& activation = {});
    static bool DecodeFiles(const QByteArray& message, QStringList& files, TLaunchActivation* activation = nullptr);

private:
    bool TryLock();
    bool HandOver(const QByteArray& message, const QDeadlineTimer& deadline) const;
    void Listen();
    void AcceptConnections();
    void Received(const QByteArray& message);

    QString m_socketPath;
    int m_lockFd = -1;
    int m_listenFd = -1;
    QSocketNotifier* m_acceptNotifier = nullptr;
    int m_openConnections = 0;
    bool m_destroying = false;
};
