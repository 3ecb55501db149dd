#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
const QByteArray Header = QByteArrayLiteral("tonewright-open 1\n");
// A later start gives up on a running program that does not answer after this long.
constexpr int HandOverDeadlineMs = 5000;
// A hand-over larger than this is not a list of file names.
constexpr qsizetype MaxMessageBytes = 16 * 1024 * 1024;
} // namespace

TSingleInstance::TSingleInstance(const QString& settingsPath, QObject* owner) : QObject(owner)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return;
    // A hash keeps the name short (socket paths hold about 100 bytes) and free of slashes.
    const QByteArray hash = QCryptographicHash::hash(settingsPath.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    m_socketPath = runtime + QStringLiteral("/tonewright-") + QString::fromLatin1(hash);
}

TSingleInstance::~TSingleInstance()
{
    // The socket file goes before the lock: once the lock is free, a new start may put its own
    // socket file at the same path, which a later close here would remove.
    if (m_server) {
        m_server->close();
        delete m_server;
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool TSingleInstance::Listening() const
{
    return m_server && m_server->isListening();
}

bool TSingleInstance::Start(const QStringList& files)
{
    if (m_socketPath.isEmpty())
        return true;
    // The lock decides who runs: the kernel drops it with its holder, so a crashed program leaves
    // nothing that blocks the next start, and two starts at the same moment cannot both win.
    const QDeadlineTimer deadline(HandOverDeadlineMs);
    while (!deadline.hasExpired()) {
        if (TryLock()) {
            Listen();
            return true;
        }
        if (m_lockFd < 0)
            return true; // no lock file can be had: start as usual
        if (HandOver(files))
            return false;
        // The running program holds the lock but does not listen yet (it is just starting).
        QThread::msleep(50);
    }
    return true;
}

bool TSingleInstance::TryLock()
{
    if (m_lockFd < 0) {
        const QByteArray path = QFile::encodeName(m_socketPath + QStringLiteral(".lock"));
        m_lockFd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_lockFd < 0)
            return false;
    }
    return ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0;
}

bool TSingleInstance::HandOver(const QStringList& files) const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(EncodeFiles(files));
    // Once written, the message waits in the socket for the running program; it need not be read
    // before this process ends.
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(2000))
            return false;
    socket.disconnectFromServer();
    return true;
}

void TSingleInstance::Listen()
{
    // The lock is ours, so a socket file left there belongs to a program that is gone.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer;
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] { AcceptConnections(); });
    m_server->listen(m_socketPath);
}

void TSingleInstance::AcceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        auto message = std::make_shared<QByteArray>();
        auto read = [socket, message] {
            *message += socket->readAll();
            if (message->size() > MaxMessageBytes)
                socket->abort();
        };
        auto finish = [this, socket, message, read] {
            read();
            socket->deleteLater();
            QStringList files;
            if (DecodeFiles(*message, files) && OnFiles)
                OnFiles(this, files);
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        // A later start that has written and gone already is read at once.
        if (socket->state() == QLocalSocket::UnconnectedState)
            finish();
        else
            connect(socket, &QLocalSocket::disconnected, this, finish);
    }
}

QByteArray TSingleInstance::EncodeFiles(const QStringList& files)
{
    // Every name ends in a NUL, the one byte a file name cannot hold; a line break ends the message.
    QByteArray message = Header;
    for (const QString& file : files)
        message += QFile::encodeName(file) + '\0';
    message += '\n';
    return message;
}

bool TSingleInstance::DecodeFiles(const QByteArray& message, QStringList& files)
{
    files.clear();
    if (!message.startsWith(Header) || message.size() <= Header.size() || !message.endsWith('\n'))
        return false;
    const QByteArray body = message.mid(Header.size(), message.size() - Header.size() - 1);
    if (!body.isEmpty() && !body.endsWith('\0'))
        return false;
    for (const QByteArray& name : body.split('\0'))
        if (!name.isEmpty())
            files << QFile::decodeName(name);
    return true;
}
