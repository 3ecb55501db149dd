#pragma once
// TWSocket: a non-blocking TCP client socket, plain or secured with TLS. Name lookups,
// connection (with the secure handshake), incoming data, the end of sending and closure are
// reported as events on the thread that created the socket, by its event loop; every member
// belongs to that thread.
#include "Errors.h"
#include "ExceptionHandler.h"
#include "TlsContext.h"
#include "WSockbuf.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>

#include <sys/socket.h>

class QSocketNotifier;
struct ssl_st;

// The error class of the socket layer.
class ESocketException : public Exception {
public:
    using Exception::Exception;
};

enum TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};

enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

using TDataAvailable = std::function<void(QObject* Sender, std::uint16_t Error)>;
using TDataSent = std::function<void(QObject* Sender, std::uint16_t Error)>;
using TSessionClosed = std::function<void(QObject* Sender, std::uint16_t Error)>;
using TSessionAvailable = std::function<void(QObject* Sender, std::uint16_t Error)>;
using TSessionConnected = std::function<void(QObject* Sender, std::uint16_t Error)>;
using TDnsLookupDone = std::function<void(QObject* Sender, std::uint16_t Error)>;
using TChangeState = std::function<void(QObject* Sender, TSocketState OldState, TSocketState NewState)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;


// Windows Sockets error codes used by the socket layer and its users.
enum : int {
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAECONNRESET = 10054,
    WSAENOTCONN = 10057,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
    // Not a Windows Sockets code: the secure handshake failed (TlsError says why).
    WSAESECUREFAILED = 12001,
};

// The text of a Windows Sockets error code ("Not a WinSock error" for any other number).
QString WSocketErrorDesc(int errorCode);
// The Windows Sockets code for a POSIX errno value.
int WSocketErrorFromErrno(int err);
// The Windows Sockets code (11001-11004) for a getaddrinfo result.
int WSocketErrorFromResolver(int gaiError, int err);
// "Error <code> in function <function>" CR LF <text of the code>.
QString WSocketErrorMessage(int errorCode, const QString& function);

struct TWSocketLookup;

class TCustomWSocket : public QObject {
    Q_OBJECT

public:
    explicit TCustomWSocket(QObject* parent = nullptr);
    ~TCustomWSocket() override;

    // Remote host: a numeric address or a name, resolved at Connect. Changing it (and Port,
    // Proto) is only allowed while the socket is closed.
    QString Addr() const { return FAddrStr; }
    void SetAddr(const QString& value);
    // Remote port: a decimal number or a service name.
    QString Port() const { return FPortStr; }
    void SetPort(const QString& value);
    // Protocol name or number; "tcp" by default, 17 (udp) gives a datagram socket.
    QString Proto() const { return FProtoStr; }
    void SetProto(const QString& value);

    QString DnsResult() const { return FDnsResult; }
    const QStringList& DnsResultList() const { return FDnsResultList; }
    TSocketState State() const { return FState; }
    // Bytes received since the socket was created or last closed.
    qint64 ReadCount() const { return FReadCount; }
    // Bytes waiting to be read, as the system reports them; negative on error.
    virtual int RcvdCount();
    int LastError() const { return FLastError; }
    int HSocket() const { return FHSocket; }

    // Kept for callers that set it; events always come from the owning thread's event loop.
    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool value) { FMultiThreaded = value; }
    int FlushTimeout() const { return FFlushTimeout; }
    void SetFlushTimeout(int value) { FFlushTimeout = value; }
    TSocketSendFlags SendFlags() const { return FSendFlags; }
    void SetSendFlags(TSocketSendFlags value);
    TSocketLingerOnOff LingerOnOff() const { return FLingerOnOff; }
    void SetLingerOnOff(TSocketLingerOnOff value) { FLingerOnOff = value; }
    int LingerTimeout() const { return FLingerTimeout; }
    void SetLingerTimeout(int value) { FLingerTimeout = value; }

    // Starts resolving `HostName`; OnDnsLookupDone reports the end. A numeric address is
    // answered before this returns.
    virtual void LookupHost(const QString& HostName);
    // Drops a pending lookup's answer and reports OnDnsLookupDone(10004).
    virtual void CancelLookup();
    // Opens the socket and starts connecting to Addr:Port; OnSessionConnected reports the end.
    virtual void Connect();
    // Queues the data and sends what the system takes; returns Length. OnDataSent follows
    // (never from inside this call) once everything queued has gone out.
    virtual int Send(const void* Data, int Length);
    // Reads up to BufferSize bytes: the number read, 0 when the peer has closed, negative on
    // error with LastError set (10035 when nothing is waiting).
    virtual int Receive(void* Buffer, int BufferSize);
    // Closes the connection and raises OnSessionClosed(0) unless it was raised already for
    // this connection. Addr and Port must be set again before the next Connect.
    virtual void Close();

    // Makes the next connections secure: after the TCP connection a TLS handshake verifies
    // that the peer's certificate chains to `context`'s trust and names `peerName` (a host
    // name or a numeric address); OnSessionConnected follows the handshake. A null context
    // makes them plain. Only while closed.
    void SetTls(std::shared_ptr<TTlsContext> context, const QString& peerName);
    bool Secure() const { return m_tls != nullptr; }
    // Why the last secure connection failed (handshake or record layer); empty otherwise.
    QString TlsError() const { return m_tlsError; }

    // Received bytes handed to OnDataAvailable in one turn of the event loop at most, so
    // timers, input and an abort are served while data keeps coming.
    static constexpr qint64 MaxReadPerTurn = 64 * 1024;

    TDataAvailable OnDataAvailable;
    TDataSent OnDataSent;
    TSessionClosed OnSessionClosed;
    TSessionAvailable OnSessionAvailable;
    TSessionConnected OnSessionConnected;
    TDnsLookupDone OnDnsLookupDone;
    TChangeState OnChangeState;
    TNotifyEvent OnLineTooLong;
    // When set, errors of the socket layer are reported here instead of being thrown.
    TNotifyEvent OnError;

protected:
    void ChangeState(TSocketState newState);
    // Throws ESocketException(message), or raises OnError instead when it is set.
    void RaiseException(const QString& message);
    // Reports the failure of `function` with the Windows Sockets code `errorCode`.
    void SocketError(const QString& function, int errorCode);
    void SetLastError(int code) { FLastError = code; }
    void AssignDefaultValue();
    // OnSessionClosed(error), once per connection.
    void RaiseSessionClosedOnce(std::uint16_t error);
    void TriggerDnsLookupDone(std::uint16_t error);

    // Event dispatch, in the order and with the meaning of the system's notifications.
    void HandleConnectEvent(std::uint16_t error);
    void HandleReadEvent();
    void HandleWriteEvent(std::uint16_t error);
    void HandleCloseEvent(std::uint16_t error);
    // Runs `work` later on the owning thread, unless this connection has ended by then.
    void PostForConnection(std::function<void()> work);

    qint64 FReadCount = 0;
    bool FDestroying = false;
    bool FCloseInvoked = false;
    unsigned FConnSerial = 0;

private:
    // True when it stopped at MaxReadPerTurn with data still waiting.
    bool ReceiveLoop();
    // After ReceiveLoop stopped at its bound: data TLS holds decrypted raises no notification
    // of the system's, so `next` is posted for it.
    void ContinueReadingLater(std::function<void()> next);
    void StartHandshake();
    void ContinueHandshake();
    void FreeTls();
    // send() or SSL_write of up to `length` bytes: the count taken, 0 when the system would
    // block, negative with the Windows Sockets code in *error.
    qint64 SendSome(const char* data, int length, int flags, int* error);
    void TryToSend();
    bool SendQueueEmpty() const;
    void SocketActivated();
    void WriteActivated();
    void ReleaseNotifiers();
    void LookupAnswered(const std::shared_ptr<TWSocketLookup>& request, int error, const QStringList& addresses);
    void DropPendingLookup();

    QString FAddrStr;
    QString FPortStr;
    QString FProtoStr;
    bool FAddrAssigned = false;
    bool FPortAssigned = false;
    bool FProtoAssigned = false;
    bool FAddrResolved = false;
    sockaddr_storage FSin{};
    socklen_t FSinLen = 0;
    std::uint16_t FPortNum = 0;
    int FType = 0;
    int FProtoNum = 6;
    int FHSocket = -1;
    TSocketState FState = wsClosed;
    int FLastError = 0;
    QString FDnsResult;
    QStringList FDnsResultList;
    std::shared_ptr<TWSocketLookup> FPendingLookup;
    std::deque<std::unique_ptr<TBuffer>> FBufList;
    int FBufSize = TBuffer::DefaultSize;
    bool FAllSent = true;
    bool FMultiThreaded = false;
    int FFlushTimeout = 60;
    TSocketSendFlags FSendFlags = wsSendNormal;
    TSocketLingerOnOff FLingerOnOff = wsLingerOn;
    int FLingerTimeout = 0;
    QSocketNotifier* FReadNotifier = nullptr;
    QSocketNotifier* FWriteNotifier = nullptr;
    std::shared_ptr<TTlsContext> m_tls;
    QString m_tlsPeer;
    ssl_st* m_ssl = nullptr;
    bool m_handshaking = false;
    QString m_tlsError;
};

class TWSocket : public TCustomWSocket {
    Q_OBJECT

public:
    using TCustomWSocket::TCustomWSocket;
};
