#include "WSocket.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>

#include <mutex>
#include <thread>
#include <utility>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

// A lookup running on a helper thread. The helper posts its answer to `Owner` while holding
// the lock; the owner clears `Owner` under the same lock when it drops the lookup or dies, so
// no answer is ever posted to a socket that is gone.
struct TWSocketLookup {
    std::mutex Lock;
    TCustomWSocket* Owner = nullptr;
};

namespace {

struct ErrorText {
    int Code;
    const char* Text;
};

constexpr ErrorText ErrorTexts[] = {
    {0, "No Error"},
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Protocol not available"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Address not available"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Network dropped connection on reset"},
    {10053, "Connection aborted"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references: can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10066, "Directory not empty"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disc quota exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Network sub-system is unusable"},
    {10092, "WinSock DLL cannot support this application"},
    {10093, "WinSock not initialized"},
    {11001, "Host not found"},
    {11002, "Non-authoritative host not found"},
    {11003, "Non-recoverable error"},
    {11004, "No Data"},
};

TExceptionHandler& InstalledExceptionHandler()
{
    static TExceptionHandler handler;
    return handler;
}

// Events leave the event loop through here: Qt lets no exception pass, so an error raised by
// a handler goes to the application's handler.
template <class F>
void Dispatch(F&& work) noexcept
{
    try {
        work();
    } catch (...) {
        HandleApplicationException(std::current_exception());
    }
}

bool ParseIPv4(const QString& text, in_addr* out)
{
    const QByteArray bytes = text.toLatin1();
    if (bytes.isEmpty() || bytes.contains('\0'))
        return false;
    return inet_aton(bytes.constData(), out) != 0;
}

QString DottedForm(in_addr addr)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr, text, sizeof text);
    return QString::fromLatin1(text);
}

// Blocking resolution; returns 0 and the addresses in the resolver's order, or the code.
int ResolveHost(const QByteArray& name, QStringList* addresses, in_addr* first)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(name.constData(), nullptr, &hints, &list);
    if (rc != 0)
        return WSocketErrorFromResolver(rc, errno);
    bool any = false;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET || !ai->ai_addr)
            continue;
        const in_addr a = reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr;
        const QString dotted = DottedForm(a);
        if (!any && first)
            *first = a;
        any = true;
        if (addresses && !addresses->contains(dotted))
            addresses->append(dotted);
    }
    freeaddrinfo(list);
    return any ? 0 : WSANO_DATA;
}

// The leading decimal digits of `text` (reading stops at the first non-digit); false when
// there are none or the number does not fit `limit`.
bool LeadingNumber(const QString& text, long limit, long* out)
{
    long value = 0;
    int i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    const int start = i;
    for (; i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128; ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > limit)
            return false;
    }
    if (i == start)
        return false;
    *out = value;
    return true;
}

} // namespace

QString WSocketErrorDesc(int errorCode)
{
    for (const ErrorText& e : ErrorTexts)
        if (e.Code == errorCode)
            return QString::fromLatin1(e.Text);
    return QStringLiteral("Not a WinSock error");
}

int WSocketErrorFromErrno(int err)
{
    switch (err) {
    case 0: return 0;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    // Writing to a connection the peer has reset: what the Windows stack reports as a reset.
    case ECONNRESET: case EPIPE: return 10054;
    case ENOBUFS: case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default: return 10000 + err;
    }
}

int WSocketErrorFromResolver(int gaiError, int err)
{
    switch (gaiError) {
    case 0: return 0;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return WSATRY_AGAIN;
#ifdef EAI_NODATA
    case EAI_NODATA: return WSANO_DATA;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY: return WSANO_DATA;
#endif
    case EAI_SYSTEM: return err ? WSocketErrorFromErrno(err) : WSANO_RECOVERY;
    default: return WSANO_RECOVERY;
    }
}

QString WSocketErrorMessage(int errorCode, const QString& function)
{
    return QStringLiteral("Error %1 in function %2\r\n%3")
        .arg(errorCode)
        .arg(function, WSocketErrorDesc(errorCode));
}

TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler handler)
{
    return std::exchange(InstalledExceptionHandler(), std::move(handler));
}

void HandleApplicationException(std::exception_ptr error) noexcept
{
    if (!error)
        return;
    try {
        // A copy: the handler may replace itself while it runs.
        const TExceptionHandler handler = InstalledExceptionHandler();
        if (handler) {
            handler(error);
            return;
        }
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        qWarning("Unhandled error: %s", e.what());
    } catch (...) {
        qWarning("Unhandled error of an unknown kind");
    }
}

TCustomWSocket::TCustomWSocket(QObject* parent) : QObject(parent)
{
    AssignDefaultValue();
}

TCustomWSocket::~TCustomWSocket()
{
    FDestroying = true;
    DropPendingLookup();
    Dispatch([this] {
        if (FState != wsClosed || FHSocket >= 0)
            Close();
    });
    if (FHSocket >= 0) {
        ReleaseNotifiers();
        ::close(FHSocket);
        FHSocket = -1;
    }
}

void TCustomWSocket::AssignDefaultValue()
{
    FPortAssigned = false;
    FPortStr.clear();
    FAddrAssigned = false;
    FAddrResolved = false;
    FAddrStr.clear();
    FSin = sockaddr_in{};
    FSin.sin_family = AF_INET;
    FProtoStr = QStringLiteral("tcp");
    FProtoNum = IPPROTO_TCP;
    FProtoAssigned = true;
    FType = SOCK_STREAM;
    FLingerOnOff = wsLingerOn;
    FLingerTimeout = 0;
    FFlushTimeout = 60;
    FHSocket = -1;
    FCloseInvoked = false;
    FReadCount = 0;
}

void TCustomWSocket::ChangeState(TSocketState newState)
{
    const TSocketState old = FState;
    if (old == newState)
        return;
    FState = newState;
    if (OnChangeState && !FDestroying)
        OnChangeState(this, old, newState);
}

void TCustomWSocket::RaiseException(const QString& message)
{
    if (OnError)
        OnError(this);
    else
        throw ESocketException(message);
}

void TCustomWSocket::SocketError(const QString& function, int errorCode)
{
    if ((errorCode == WSAECONNRESET || errorCode == WSAENOTCONN) && FHSocket >= 0) {
        ReleaseNotifiers();
        ::close(FHSocket);
        FHSocket = -1;
        ChangeState(wsClosed);
    }
    FLastError = errorCode;
    RaiseException(WSocketErrorMessage(errorCode, function));
}

void TCustomWSocket::SetAddr(const QString& value)
{
    if (FState != wsClosed) {
        RaiseException(QStringLiteral("Cannot change Addr if not closed"));
        return;
    }
    const QString text = value.trimmed();
    if (FAddrAssigned && text == FAddrStr)
        return;
    FAddrStr = text;
    FAddrAssigned = !text.isEmpty();
    FAddrResolved = false;
}

void TCustomWSocket::SetPort(const QString& value)
{
    if (FState != wsClosed) {
        RaiseException(QStringLiteral("Cannot change Port if not closed"));
        return;
    }
    const QString text = value.trimmed();
    if (FPortAssigned && text == FPortStr)
        return;
    if (text.isEmpty()) {
        FPortStr.clear();
        FPortAssigned = false;
        return;
    }
    long number = 0;
    if (text.at(0).isDigit()) {
        if (!LeadingNumber(text, 65535, &number)) {
            SocketError(QStringLiteral("SetPort: Cannot convert port '%1'").arg(value), WSAEINVAL);
            return;
        }
    } else {
        const servent* se = getservbyname(text.toLatin1().constData(), FProtoStr.toLatin1().constData());
        if (!se) {
            SocketError(QStringLiteral("SetPort: Cannot convert port '%1'").arg(value), WSAEINVAL);
            return;
        }
        number = ntohs(static_cast<std::uint16_t>(se->s_port));
    }
    FPortStr = text;
    FPortAssigned = true;
    FSin.sin_port = htons(static_cast<std::uint16_t>(number));
}

void TCustomWSocket::SetProto(const QString& value)
{
    if (FState != wsClosed) {
        RaiseException(QStringLiteral("Cannot change Proto if not closed"));
        return;
    }
    const QString text = value.trimmed();
    if (FProtoAssigned && text == FProtoStr)
        return;
    if (text.isEmpty()) {
        FProtoStr.clear();
        FProtoAssigned = false;
        return;
    }
    long number = 0;
    if (text.at(0).isDigit()) {
        if (!LeadingNumber(text, 255, &number)) {
            SocketError(QStringLiteral("SetProto: Cannot convert protocol '%1'").arg(value), WSAEINVAL);
            return;
        }
    } else if (text.compare(QLatin1String("tcp"), Qt::CaseInsensitive) == 0) {
        number = IPPROTO_TCP;
    } else if (text.compare(QLatin1String("udp"), Qt::CaseInsensitive) == 0) {
        number = IPPROTO_UDP;
    } else {
        const protoent* pe = getprotobyname(text.toLatin1().constData());
        if (!pe) {
            SocketError(QStringLiteral("SetProto: Cannot convert protocol '%1'").arg(value), WSAEINVAL);
            return;
        }
        number = pe->p_proto;
    }
    FProtoStr = text;
    FProtoAssigned = true;
    FProtoNum = static_cast<int>(number);
    FType = FProtoNum == IPPROTO_UDP ? SOCK_DGRAM : SOCK_STREAM;
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags value)
{
    if (value != wsSendNormal && value != wsSendUrgent) {
        RaiseException(QStringLiteral("Invalid SendFlags"));
        return;
    }
    FSendFlags = value;
}

void TCustomWSocket::TriggerDnsLookupDone(std::uint16_t error)
{
    if (OnDnsLookupDone)
        OnDnsLookupDone(this, error);
}

void TCustomWSocket::DropPendingLookup()
{
    if (!FPendingLookup)
        return;
    {
        std::lock_guard<std::mutex> guard(FPendingLookup->Lock);
        FPendingLookup->Owner = nullptr;
    }
    FPendingLookup.reset();
}

void TCustomWSocket::LookupHost(const QString& HostName)
{
    if (HostName.isEmpty()) {
        RaiseException(QStringLiteral("DNS lookup: invalid host name."));
        TriggerDnsLookupDone(WSAEINVAL);
        return;
    }
    DropPendingLookup();
    FDnsResult.clear();
    FDnsResultList.clear();

    in_addr numeric{};
    if (ParseIPv4(HostName, &numeric)) {
        FDnsResult = DottedForm(numeric);
        TriggerDnsLookupDone(0);
        return;
    }

    auto request = std::make_shared<TWSocketLookup>();
    request->Owner = this;
    const QByteArray name = HostName.toUtf8();
    try {
        std::thread([request, name] {
            QStringList addresses;
            const int error = name.contains('\0') ? WSAHOST_NOT_FOUND : ResolveHost(name, &addresses, nullptr);
            std::lock_guard<std::mutex> guard(request->Lock);
            if (!request->Owner)
                return;
            TCustomWSocket* owner = request->Owner;
            QMetaObject::invokeMethod(
                owner,
                [owner, request, error, addresses] { owner->LookupAnswered(request, error, addresses); },
                Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error& e) {
        request->Owner = nullptr;
        RaiseException(QStringLiteral("%1: can't start DNS lookup, error #%2")
                           .arg(HostName)
                           .arg(WSocketErrorFromErrno(e.code().value())));
        return;
    }
    FPendingLookup = std::move(request);
}

void TCustomWSocket::LookupAnswered(const std::shared_ptr<TWSocketLookup>& request, int error,
                                    const QStringList& addresses)
{
    if (request != FPendingLookup)
        return; // cancelled or replaced by a newer lookup
    FPendingLookup.reset();
    if (error == 0) {
        FDnsResultList = addresses;
        FDnsResult = addresses.value(0);
    }
    Dispatch([&] { TriggerDnsLookupDone(static_cast<std::uint16_t>(error)); });
}

void TCustomWSocket::CancelLookup()
{
    if (!FPendingLookup)
        return;
    DropPendingLookup();
    if (!FDestroying)
        TriggerDnsLookupDone(WSAEINTR);
}

void TCustomWSocket::PostForConnection(std::function<void()> work)
{
    const unsigned serial = FConnSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial, work = std::move(work)] {
            if (serial == FConnSerial && FState != wsClosed)
                Dispatch(work);
        },
        Qt::QueuedConnection);
}

void TCustomWSocket::ReleaseNotifiers()
{
    // Notifiers may be released from inside their own activation: let the loop delete them.
    if (FReadNotifier) {
        FReadNotifier->setEnabled(false);
        FReadNotifier->deleteLater();
        FReadNotifier = nullptr;
    }
    if (FWriteNotifier) {
        FWriteNotifier->setEnabled(false);
        FWriteNotifier->deleteLater();
        FWriteNotifier = nullptr;
    }
}

void TCustomWSocket::Connect()
{
    if (FHSocket >= 0 && FState != wsClosed) {
        RaiseException(QStringLiteral("Connect: Socket already in use"));
        return;
    }
    if (!FPortAssigned) {
        RaiseException(QStringLiteral("Connect: No Port Specified"));
        return;
    }
    if (!FAddrAssigned) {
        RaiseException(QStringLiteral("Connect: No IP Address Specified"));
        return;
    }
    if (!FProtoAssigned) {
        RaiseException(QStringLiteral("Connect: No Protocol Specified"));
        return;
    }
    if (!FAddrResolved) {
        in_addr a{};
        if (!ParseIPv4(FAddrStr, &a)) {
            const QByteArray name = FAddrStr.toUtf8();
            if (name.contains('\0') || ResolveHost(name, nullptr, &a) != 0)
                throw ESocketException(QStringLiteral("SetAddr: Cannot convert host address '%1'").arg(FAddrStr));
        }
        FSin.sin_family = AF_INET;
        FSin.sin_addr = a;
        FAddrResolved = true;
    }

    FBufList.clear();
    FAllSent = true;
    const int fd = ::socket(AF_INET, FType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProtoNum);
    if (fd < 0) {
        SocketError(QStringLiteral("Connect (socket)"), WSocketErrorFromErrno(errno));
        return;
    }
    FHSocket = fd;
    ++FConnSerial;
    FCloseInvoked = false;
    ChangeState(wsOpened);

    if (FType == SOCK_STREAM) {
        if (FLingerOnOff != wsLingerNoSet) {
            linger l{};
            l.l_onoff = FLingerOnOff == wsLingerOn ? 1 : 0;
            l.l_linger = FLingerTimeout;
            if (setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l) != 0) {
                SocketError(QStringLiteral("setsockopt(SO_LINGER)"), WSocketErrorFromErrno(errno));
                return;
            }
        }
        const int one = 1;
        if (setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one) != 0) {
            SocketError(QStringLiteral("setsockopt(SO_KEEPALIVE)"), WSocketErrorFromErrno(errno));
            return;
        }
        if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
            SocketError(QStringLiteral("setsockopt(SO_REUSEADDR)"), WSocketErrorFromErrno(errno));
            return;
        }
    }

    FReadNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    FReadNotifier->setEnabled(false);
    connect(FReadNotifier, &QSocketNotifier::activated, this, [this] { Dispatch([this] { SocketActivated(); }); });
    FWriteNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    FWriteNotifier->setEnabled(false);
    connect(FWriteNotifier, &QSocketNotifier::activated, this, [this] { Dispatch([this] { WriteActivated(); }); });

    int rc;
    do
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&FSin), sizeof FSin);
    while (rc != 0 && errno == EINTR);
    if (rc == 0 || errno == EINPROGRESS || errno == EAGAIN) {
        // Even a connection made at once is reported by the next write readiness.
        ChangeState(wsConnecting);
        FWriteNotifier->setEnabled(true);
        return;
    }
    const int err = errno;
    if (err == ECONNREFUSED || err == ETIMEDOUT || err == ENETUNREACH || err == EHOSTUNREACH) {
        // Failures the system may report before connect returns still arrive as the
        // connection's event, as they do when they take a while.
        ChangeState(wsConnecting);
        const std::uint16_t code = static_cast<std::uint16_t>(WSocketErrorFromErrno(err));
        PostForConnection([this, code] { HandleConnectEvent(code); });
        return;
    }
    SocketError(QStringLiteral("Connect"), WSocketErrorFromErrno(err));
}

void TCustomWSocket::WriteActivated()
{
    if (FHSocket < 0)
        return;
    if (FState == wsConnecting) {
        int soError = 0;
        socklen_t len = sizeof soError;
        if (getsockopt(FHSocket, SOL_SOCKET, SO_ERROR, &soError, &len) != 0)
            soError = errno;
        HandleConnectEvent(static_cast<std::uint16_t>(WSocketErrorFromErrno(soError)));
        return;
    }
    HandleWriteEvent(0);
}

void TCustomWSocket::SocketActivated()
{
    if (FHSocket < 0 || FState == wsConnecting)
        return;
    pollfd p{};
    p.fd = FHSocket;
    p.events = POLLIN | POLLRDHUP;
    if (::poll(&p, 1, 0) <= 0)
        return;
    if (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) {
        int soError = 0;
        socklen_t len = sizeof soError;
        if (getsockopt(FHSocket, SOL_SOCKET, SO_ERROR, &soError, &len) != 0)
            soError = 0;
        HandleCloseEvent(static_cast<std::uint16_t>(WSocketErrorFromErrno(soError)));
    } else if (p.revents & POLLIN) {
        HandleReadEvent();
    }
}

void TCustomWSocket::HandleConnectEvent(std::uint16_t error)
{
    ChangeState(wsConnected);
    if (error == 0) {
        if (FWriteNotifier)
            FWriteNotifier->setEnabled(!SendQueueEmpty());
        if (FReadNotifier)
            FReadNotifier->setEnabled(true);
    } else if (FWriteNotifier) {
        FWriteNotifier->setEnabled(false);
    }
    QPointer<TCustomWSocket> self(this);
    if (OnSessionConnected)
        OnSessionConnected(this, error);
    if (self && error != 0 && FState != wsClosed)
        Close();
}

void TCustomWSocket::HandleReadEvent()
{
    ReceiveLoop();
}

void TCustomWSocket::ReceiveLoop()
{
    QPointer<TCustomWSocket> self(this);
    for (;;) {
        FLastError = 0;
        const qint64 before = FReadCount;
        if (OnDataAvailable) {
            try {
                OnDataAvailable(this, 0);
            } catch (...) {
                // The handler's error ends the handling of what was received so far.
                HandleApplicationException(std::current_exception());
                return;
            }
        } else {
            char scratch[1024];
            Receive(scratch, sizeof scratch);
        }
        if (!self || FLastError != 0 || FState == wsClosed)
            return;
        if (RcvdCount() <= 0)
            return;
        if (FReadCount == before)
            return; // a handler that reads nothing is called again by the next notification
    }
}

void TCustomWSocket::HandleWriteEvent(std::uint16_t error)
{
    TryToSend();
    if (FState == wsClosed && FHSocket < 0)
        return;
    if (SendQueueEmpty()) {
        if (FWriteNotifier)
            FWriteNotifier->setEnabled(false);
        if (OnDataSent)
            OnDataSent(this, error);
    } else if (FWriteNotifier) {
        FWriteNotifier->setEnabled(true);
    }
}

void TCustomWSocket::HandleCloseEvent(std::uint16_t error)
{
    if (FState == wsConnecting)
        return;
    QPointer<TCustomWSocket> self(this);
    const unsigned serial = FConnSerial;
    if (FState == wsConnected)
        ReceiveLoop();
    if (!self)
        return;
    if (serial != FConnSerial || FState == wsClosed)
        return; // a handler closed the connection while draining it, and that was reported
    if (!FCloseInvoked) {
        FCloseInvoked = true;
        if (OnSessionClosed)
            OnSessionClosed(this, error);
    }
    if (self && FState != wsClosed)
        Close();
    else if (self && FReadNotifier)
        FReadNotifier->setEnabled(false);
}

void TCustomWSocket::RaiseSessionClosedOnce(std::uint16_t error)
{
    if (FCloseInvoked)
        return;
    FCloseInvoked = true;
    if (OnSessionClosed)
        OnSessionClosed(this, error);
}

bool TCustomWSocket::SendQueueEmpty() const
{
    for (const auto& b : FBufList)
        if (b->Pending(nullptr) > 0)
            return false;
    return true;
}

int TCustomWSocket::Send(const void* Data, int Length)
{
    if (FState != wsConnected) {
        SocketError(QStringLiteral("Send"), WSAENOTCONN);
        return -1;
    }
    if (Length < 0 || (Length > 0 && !Data))
        Length = 0;
    FAllSent = false;
    const char* p = static_cast<const char*>(Data);
    int left = Length;
    if (!FBufList.empty() && left > 0) {
        const int taken = FBufList.back()->Append(p, left);
        p += taken;
        left -= taken;
    }
    while (left > 0) {
        FBufList.push_back(std::make_unique<TBuffer>(FBufSize));
        const int taken = FBufList.back()->Append(p, left);
        p += taken;
        left -= taken;
    }
    TryToSend();
    if (FHSocket >= 0 && FState == wsConnected) {
        if (SendQueueEmpty())
            PostForConnection([this] { HandleWriteEvent(0); });
        else if (FWriteNotifier)
            FWriteNotifier->setEnabled(true);
    }
    return Length;
}

void TCustomWSocket::TryToSend()
{
    if (FHSocket < 0 || FBufList.empty())
        return;
    const int flags = MSG_NOSIGNAL | (FSendFlags == wsSendUrgent ? MSG_OOB : 0);
    while (!FBufList.empty()) {
        TBuffer& front = *FBufList.front();
        const char* data = nullptr;
        const int pending = front.Pending(&data);
        if (pending <= 0) {
            if (FBufList.size() > 1) {
                FBufList.pop_front();
                continue;
            }
            FAllSent = true;
            return;
        }
        const ssize_t sent = ::send(FHSocket, data, static_cast<std::size_t>(pending), flags);
        if (sent < 0) {
            const int err = errno;
            if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR)
                return;
            const int code = WSocketErrorFromErrno(err);
            if (code == WSAEINVAL || code == WSAENOTSOCK || code == WSAECONNRESET || code == WSAENOTCONN) {
                FLastError = code;
                FCloseInvoked = true;
                Close();
                if (OnSessionClosed)
                    OnSessionClosed(this, static_cast<std::uint16_t>(code));
                return;
            }
            SocketError(QStringLiteral("TryToSend failed"), code);
            return;
        }
        front.Consume(static_cast<int>(sent));
        if (sent < pending)
            return;
    }
}

int TCustomWSocket::Receive(void* Buffer, int BufferSize)
{
    if (FHSocket < 0) {
        FLastError = WSAENOTSOCK;
        return -1;
    }
    if (BufferSize <= 0 || !Buffer)
        return 0;
    ssize_t n;
    do
        n = ::recv(FHSocket, Buffer, static_cast<std::size_t>(BufferSize), 0);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        FLastError = WSocketErrorFromErrno(errno);
        return -1;
    }
    FReadCount += n;
    return static_cast<int>(n);
}

int TCustomWSocket::RcvdCount()
{
    if (FHSocket < 0)
        return -1;
    int waiting = 0;
    if (ioctl(FHSocket, FIONREAD, &waiting) != 0)
        return -1;
    return waiting;
}

void TCustomWSocket::Close()
{
    if (FHSocket < 0) {
        if (FState != wsClosed) {
            ChangeState(wsClosed);
            AssignDefaultValue();
        }
        return;
    }
    const int fd = FHSocket;
    ReleaseNotifiers();
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
    FHSocket = -1;
    const unsigned serial = FConnSerial;
    QPointer<TCustomWSocket> self(this);
    ChangeState(wsClosed);
    if (self && !FDestroying)
        RaiseSessionClosedOnce(0);
    // A handler may already have started the next connection: leave that one alone.
    if (self && serial == FConnSerial && FHSocket < 0)
        AssignDefaultValue();
}
