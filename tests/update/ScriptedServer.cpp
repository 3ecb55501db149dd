#include "ScriptedServer.h"

#include <QElapsedTimer>

#include <openssl/ssl.h>

#include <csignal>
#include <pthread.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int HangGuardMs = 15000;

bool WaitReadable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

int Bind(sockaddr_in* addr)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    *addr = sockaddr_in{};
    addr->sin_family = AF_INET;
    addr->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr->sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(addr), sizeof *addr);
    socklen_t len = sizeof *addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(addr), &len);
    return fd;
}

} // namespace

long ServerConnection::RecvSome(char* buffer, long size)
{
    if (FTls)
        return SSL_read(FTls, buffer, static_cast<int>(size));
    return ::recv(FFd, buffer, static_cast<std::size_t>(size), 0);
}

long ServerConnection::SendSome(const char* data, long size)
{
    if (FTls)
        return SSL_write(FTls, data, static_cast<int>(size));
    return ::send(FFd, data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
}

bool ServerConnection::Readable(int ms)
{
    return (FTls && SSL_pending(FTls) > 0) || WaitReadable(FFd, ms);
}

QByteArray ServerConnection::ReadRequest()
{
    QByteArray data = FPending;
    FPending.clear();
    while (!data.contains("\r\n\r\n")) {
        if (!Readable(HangGuardMs))
            break;
        char buf[4096];
        const long n = RecvSome(buf, sizeof buf);
        if (n <= 0)
            break;
        data.append(buf, n);
    }
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0)
        return {};
    FPending = data.mid(end + 4);
    data.truncate(end + 4);
    FServer->AddRequest(data);
    return data;
}

QByteArray ServerConnection::ReadBytes(int count)
{
    QByteArray data = FPending.left(count);
    FPending = FPending.mid(data.size());
    while (data.size() < count) {
        if (!Readable(HangGuardMs))
            break;
        char buf[65536];
        const long n = RecvSome(buf, std::min<qsizetype>(sizeof buf, count - data.size()));
        if (n <= 0)
            break;
        data.append(buf, n);
    }
    return data;
}

void ServerConnection::Send(const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const long n = SendSome(data.constData() + done, data.size() - done);
        if (n <= 0)
            return;
        done += n;
    }
}

void ServerConnection::SendInPieces(const QByteArray& data, int pieceSize)
{
    const int one = 1;
    setsockopt(FFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (qsizetype i = 0; i < data.size(); i += pieceSize) {
        Send(data.mid(i, pieceSize));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool ServerConnection::WaitPeerClose()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < HangGuardMs) {
        if (!Readable(100))
            continue;
        char buf[65536];
        const long n = RecvSome(buf, sizeof buf);
        if (n <= 0)
            return true;
    }
    return false;
}

void ServerConnection::Reset()
{
    if (FTls) {
        SSL_free(FTls); // no close_notify: the connection is cut
        FTls = nullptr;
    }
    linger l{1, 0};
    setsockopt(FFd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    Close();
}

void ServerConnection::Close()
{
    if (FTls) {
        SSL_shutdown(FTls);
        SSL_free(FTls);
        FTls = nullptr;
    }
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
}

ScriptedServer::ScriptedServer(std::vector<Script> scripts, bool repeatLast, ssl_ctx_st* tls)
    : FScripts(std::move(scripts)), FRepeatLast(repeatLast), FTlsContext(tls)
{
    sockaddr_in addr{};
    FListenFd = Bind(&addr);
    ::listen(FListenFd, 16);
    FPort = ntohs(addr.sin_port);
    FThread = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer()
{
    FStop = true;
    FThread.join();
    ::close(FListenFd);
    SSL_CTX_free(FTlsContext);
}

void ScriptedServer::Run()
{
    // Writing to a client that has gone must not end the test program: blocked here, the
    // signal stays with this thread and the write fails instead.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    std::size_t index = 0;
    while (!FStop) {
        if (index >= FScripts.size() && !FRepeatLast)
            FDone = true;
        if (!WaitReadable(FListenFd, 20))
            continue;
        const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++FAccepted;
        SSL* tls = nullptr;
        if (FTlsContext) {
            timeval guard{HangGuardMs / 1000, 0};
            setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard);
            tls = SSL_new(FTlsContext);
            SSL_set_fd(tls, fd);
            if (SSL_accept(tls) != 1) {
                ++FHandshakeFailures;
                SSL_free(tls);
                ::close(fd);
                ++index;
                continue;
            }
        }
        ServerConnection connection(fd, this, tls);
        if (index < FScripts.size())
            FScripts[index](connection);
        else if (FRepeatLast && !FScripts.empty())
            FScripts.back()(connection);
        connection.Close();
        ++index;
    }
}

QList<QByteArray> ScriptedServer::Requests() const
{
    std::lock_guard<std::mutex> guard(FLock);
    return FRequests;
}

void ScriptedServer::AddRequest(const QByteArray& request)
{
    std::lock_guard<std::mutex> guard(FLock);
    FRequests.append(request);
}

int RefusingPort(int* fdOut)
{
    sockaddr_in addr{};
    *fdOut = Bind(&addr); // bound but not listening: connections are refused
    return ntohs(addr.sin_port);
}

QString UnresolvableHost()
{
    return QString(70, QLatin1Char('x')) + QStringLiteral(".invalid");
}
