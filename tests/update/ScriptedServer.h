#pragma once
// A loopback TCP server for the network tests, plain or TLS. It runs on its own thread and
// answers each accepted connection with a script of raw steps, so any response, well-formed
// or broken, can be sent and what the client sent can be checked byte for byte.
#include "Spin.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct ssl_st;
struct ssl_ctx_st;

class ServerConnection {
public:
    explicit ServerConnection(int fd, class ScriptedServer* server, ssl_st* tls = nullptr)
        : FFd(fd), FServer(server), FTls(tls) {}

    // Reads up to the empty line that ends a request header and records it (the server's
    // Requests()); an empty result when the peer closed first.
    QByteArray ReadRequest();
    // Reads exactly `count` more bytes (fewer when the peer closes first).
    QByteArray ReadBytes(int count);
    void Send(const QByteArray& data);
    // Sends `data` in pieces of `pieceSize` bytes with a short pause between them, so the
    // client receives it in many reads.
    void SendInPieces(const QByteArray& data, int pieceSize);
    // Reads and drops until the peer closes; false when it did not within the hang guard.
    bool WaitPeerClose();
    // Closes with a reset instead of a graceful close.
    void Reset();
    void Close();
    int Fd() const { return FFd; }

private:
    // recv/send, or their TLS counterparts on a secure connection.
    long RecvSome(char* buffer, long size);
    long SendSome(const char* data, long size);
    bool Readable(int ms);

    int FFd;
    ScriptedServer* FServer;
    ssl_st* FTls;
    QByteArray FPending; // bytes read past the end of a request
};

class ScriptedServer {
public:
    using Script = std::function<void(ServerConnection&)>;

    // Listens on 127.0.0.1 at a free port. Connection i runs scripts[i]; with `repeatLast`
    // the last script serves every further connection, otherwise they are closed at once.
    // With `tls` (owned from now on) every connection starts with a TLS handshake; one that
    // fails is closed without running its script and counted in HandshakeFailures.
    explicit ScriptedServer(std::vector<Script> scripts, bool repeatLast = false, ssl_ctx_st* tls = nullptr);
    ~ScriptedServer();

    int Port() const { return FPort; }
    QList<QByteArray> Requests() const;
    int Accepted() const { return FAccepted.load(); }
    int HandshakeFailures() const { return FHandshakeFailures.load(); }
    // True once every scripted connection has run to its end.
    bool ScriptsDone() const { return FDone.load(); }
    void AddRequest(const QByteArray& request);

private:
    void Run();

    std::vector<Script> FScripts;
    bool FRepeatLast;
    int FListenFd = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::atomic<bool> FDone{false};
    std::atomic<int> FAccepted{0};
    std::atomic<int> FHandshakeFailures{0};
    ssl_ctx_st* FTlsContext = nullptr;
    mutable std::mutex FLock;
    QList<QByteArray> FRequests;
    std::thread FThread;
};

// A host name the resolver refuses by itself: a label longer than 63 characters cannot go
// into a query, so no name server is ever asked.
QString UnresolvableHost();
// A port on 127.0.0.1 that refuses connections while the returned socket stays open.
int RefusingPort(int* fdOut);
