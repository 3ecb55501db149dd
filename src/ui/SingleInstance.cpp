#include "SingleInstance.h"

#include "AppPaths.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
const QByteArray Header = QByteArrayLiteral("tonewright-open 1\n");
// The same with the launch's activation first: its startup id and its token, each ended by a NUL.
const QByteArray HeaderWithActivation = QByteArrayLiteral("tonewright-open 2\n");
// A later start gives up on a running program that does not answer after this long.
constexpr int HandOverDeadlineMs = 5000;
// A hand-over larger than this is not a list of file names (7,500 paths of 290 bytes take 2.2 MiB).
constexpr qsizetype MaxMessageBytes = 4 * 1024 * 1024;
// Connections read at once; more wait in the listen queue until one of these has ended.
constexpr int MaxOpenConnections = 8;
// A connection whose message has not ended after this long is dropped, so a client that stalls
// does not keep its socket open in the running program for good.
constexpr int StalledClientMs = 10000;
// Out of descriptors, accepting pauses this long: the waiting connection would wake it at once.
constexpr int AcceptPauseMs = 1000;

// Fills `address` with `path`; false when the path does not fit (sun_path holds it and its NUL).
bool SocketAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray name = QFile::encodeName(path);
    address = {};
    if (name.isEmpty() || name.size() >= qsizetype(sizeof address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return true;
}

// Waits until `fd` takes more data or `deadline` has passed.
bool WaitWritable(int fd, const QDeadlineTimer& deadline)
{
    pollfd entry{fd, POLLOUT, 0};
    int rc;
    do
        rc = ::poll(&entry, 1, int(qMax<qint64>(0, deadline.remainingTime())));
    while (rc < 0 && errno == EINTR);
    return rc > 0;
}

// The running program's side of one later start's connection: reads without blocking until the
// later start closes its side, then hands the whole message on. A read error, a message over the
// size limit or a stall drops the connection and its message.
class THandOverClient : public QObject {
    Q_OBJECT

public:
    // `closed` runs when the connection is gone.
    THandOverClient(int fd, std::function<void(const QByteArray&)> done, std::function<void()> closed, QObject* owner)
        : QObject(owner), m_fd(fd), m_done(std::move(done)), m_closed(std::move(closed))
    {
        m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { Read(); });
        QTimer::singleShot(StalledClientMs, this, [this] { Drop(); });
    }
    ~THandOverClient() override
    {
        delete m_notifier; // before its descriptor goes
        ::close(m_fd);
        if (m_closed)
            m_closed();
    }

private:
    void Read()
    {
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                if (m_message.size() + n > MaxMessageBytes)
                    return Drop();
                m_message.append(buffer, n);
            } else if (n == 0) {
                // The later start has closed its side: the message is complete. It is handed on
                // last, as the receiver may delete this connection with its owner.
                const QByteArray message = std::exchange(m_message, {});
                const auto done = m_done;
                Drop();
                return done(message);
            } else if (errno != EINTR) {
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    Drop();
                return;
            }
        }
    }
    // Not deleted at once: this may run inside the notifier's own signal.
    void Drop()
    {
        m_notifier->setEnabled(false);
        deleteLater();
    }

    int m_fd;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_message;
    std::function<void(const QByteArray&)> m_done;
    std::function<void()> m_closed;
};
} // namespace

TSingleInstance::TSingleInstance(const QString& settingsPath, QObject* owner) : QObject(owner)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return;
    // A hash keeps the name short and free of slashes.
    const QByteArray hash = QCryptographicHash::hash(settingsPath.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    const QString path = runtime + QStringLiteral("/tonewright-") + QString::fromLatin1(hash);
    // A runtime folder too deep for a socket address counts as none.
    sockaddr_un address;
    if (SocketAddress(path, address))
        m_socketPath = path;
}

TSingleInstance::~TSingleInstance()
{
    // The open connections end first, while this object is whole; they must not wake the
    // notifier that goes below.
    m_destroying = true;
    for (QObject* child : findChildren<QObject*>(Qt::FindDirectChildrenOnly))
        if (child != m_acceptNotifier)
            delete child;
    // The socket file goes before the lock: once the lock is free, a new start may put its own
    // socket file at the same path, which a later unlink here would remove.
    if (m_listenFd >= 0) {
        delete m_acceptNotifier; // before its descriptor goes
        ::close(m_listenFd);
        ::unlink(QFile::encodeName(m_socketPath).constData());
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool TSingleInstance::Listening() const
{
    return m_listenFd >= 0;
}

bool TSingleInstance::Start(const QStringList& files, const TLaunchActivation& activation)
{
    const QByteArray message = EncodeFiles(files, activation);
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
        if (HandOver(message, deadline))
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
        // O_NOFOLLOW: a link put in the lock file's place must not make us open another file.
        m_lockFd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_lockFd < 0)
            return false;
    }
    return ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0;
}

bool TSingleInstance::HandOver(const QByteArray& message, const QDeadlineTimer& deadline) const
{
    sockaddr_un address;
    if (!SocketAddress(m_socketPath, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto closeSocket = qScopeGuard([fd] { ::close(fd); });
    // Fails while nobody listens (no socket file yet, or one left by a crash) or the running
    // program's queue is full: the caller tries again.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;
    qsizetype sent = 0;
    while (sent < message.size()) {
        // MSG_NOSIGNAL: a running program that closes early must not end this one by SIGPIPE.
        const ssize_t n = ::send(fd, message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL);
        if (n >= 0)
            sent += n;
        else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitWritable(fd, deadline))
                return false;
        } else if (errno != EINTR)
            return false;
    }
    // Closing the sending side ends the message. Once written, it waits in the socket for the
    // running program; it need not be read before this process ends.
    return ::shutdown(fd, SHUT_WR) == 0;
}

void TSingleInstance::Listen()
{
    sockaddr_un address;
    if (!SocketAddress(m_socketPath, address))
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    // The lock is ours, so a socket file left there belongs to a program that is gone.
    ::unlink(address.sun_path);
    // Only this user may hand files over; nobody can connect before listen(), so the file's
    // rights are set in time.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return;
    }
    if (::chmod(address.sun_path, 0600) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        ::unlink(address.sun_path);
        return;
    }
    m_listenFd = fd;
    // Before the application object exists there is no event loop to watch the socket with:
    // the connections wait in its queue until AcceptHandOvers.
    if (QCoreApplication::instance())
        AcceptHandOvers();
}

void TSingleInstance::AcceptHandOvers()
{
    if (m_listenFd < 0 || m_acceptNotifier)
        return;
    m_acceptNotifier = new QSocketNotifier(m_listenFd, QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, [this] { AcceptConnections(); });
}

void TSingleInstance::AcceptConnections()
{
    for (;;) {
        if (m_openConnections >= MaxOpenConnections) {
            // Taken up again when one of them ends.
            m_acceptNotifier->setEnabled(false);
            return;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            ++m_openConnections;
            new THandOverClient(
                fd, [this](const QByteArray& message) { Received(message); },
                [this] {
                    if (--m_openConnections < MaxOpenConnections && m_acceptNotifier && !m_destroying)
                        m_acceptNotifier->setEnabled(true);
                },
                this);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            m_acceptNotifier->setEnabled(false);
            QTimer::singleShot(AcceptPauseMs, this, [this] { m_acceptNotifier->setEnabled(true); });
        }
        return;
    }
}

void TSingleInstance::Received(const QByteArray& message)
{
    QStringList files;
    TLaunchActivation activation;
    if (!DecodeFiles(message, files, &activation))
        return;
    if (OnActivate)
        OnActivate(this, activation);
    if (!OnFiles)
        return;
    // The same rule as for the program's own arguments: what is no regular file or folder is left out.
    OnFiles(this, FileArguments(files, QStringLiteral("/")));
}

QByteArray TSingleInstance::EncodeFiles(const QStringList& files, const TLaunchActivation& activation)
{
    // Every name ends in a NUL, the one byte a file name cannot hold; a line break ends the message.
    // The activation's texts hold no NUL either (they come from the environment).
    QByteArray message;
    if (activation.StartupId.isEmpty() && activation.ActivationToken.isEmpty())
        message = Header;
    else
        message = HeaderWithActivation + activation.StartupId + '\0' + activation.ActivationToken + '\0';
    for (const QString& file : files)
        message += QFile::encodeName(file) + '\0';
    message += '\n';
    return message;
}

bool TSingleInstance::DecodeFiles(const QByteArray& message, QStringList& files, TLaunchActivation* activation)
{
    files.clear();
    if (activation)
        *activation = {};
    const bool withActivation = message.startsWith(HeaderWithActivation);
    const QByteArray& header = withActivation ? HeaderWithActivation : Header;
    if (!message.startsWith(header) || message.size() <= header.size() || !message.endsWith('\n'))
        return false;
    const QByteArray body = message.mid(header.size(), message.size() - header.size() - 1);
    if (!body.isEmpty() && !body.endsWith('\0'))
        return false;
    QList<QByteArray> items = body.split('\0');
    items.removeLast(); // after the last NUL (or the whole of an empty body)
    TLaunchActivation launch;
    if (withActivation) {
        if (items.size() < 2)
            return false;
        launch = {items.takeFirst(), items.takeFirst()};
    }
    for (const QByteArray& name : items)
        if (!name.isEmpty())
            files << QFile::decodeName(name);
    if (activation)
        *activation = launch;
    return true;
}

#include "SingleInstance.moc"
