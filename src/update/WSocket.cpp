#include "WSocket.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <mutex>
#include <thread>
#include <utility>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
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
    {12001, "Secure connection failed"},
    {11001, "Host not found"},
    {11002, "Non-authoritative host not found"},
    {11003, "Non-recoverable error"},
    {11004, "No Data"},
};

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

// A numeric IPv4 address (the classic forms inet_aton takes) or IPv6 address, brackets
// allowed around the latter.
bool ParseNumeric(const QString& text, sockaddr_storage* out, socklen_t* len)
{
    QByteArray bytes = text.toLatin1();
    if (bytes.isEmpty() || bytes.contains('\0'))
        return false;
    *out = sockaddr_storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(out);
    if (inet_aton(bytes.constData(), &v4->sin_addr) != 0) {
        v4->sin_family = AF_INET;
        *len = sizeof(sockaddr_in);
        return true;
    }
    if (bytes.startsWith('[') && bytes.endsWith(']'))
        bytes = bytes.mid(1, bytes.size() - 2);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(out);
    if (inet_pton(AF_INET6, bytes.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        *len = sizeof(sockaddr_in6);
        return true;
    }
    return false;
}

QString NumericForm(const sockaddr* sa)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (sa->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr, text, sizeof text);
    else
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, text, sizeof text);
    return QString::fromLatin1(text);
}

// Blocking resolution to IPv6 and IPv4 addresses; returns 0 and the addresses in the
// resolver's order (the order to try them in), or the code.
int ResolveHost(const QByteArray& name, QStringList* addresses, sockaddr_storage* first, socklen_t* firstLen)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(name.constData(), nullptr, &hints, &list);
    if (rc != 0)
        return WSocketErrorFromResolver(rc, errno);
    bool any = false;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        if ((ai->ai_family != AF_INET && ai->ai_family != AF_INET6) || !ai->ai_addr)
            continue;
        const QString text = NumericForm(ai->ai_addr);
        if (!any && first) {
            *first = sockaddr_storage{};
            std::memcpy(first, ai->ai_addr, ai->ai_addrlen);
            *firstLen = ai->ai_addrlen;
        }
        any = true;
        if (addresses && !addresses->contains(text))
            addresses->append(text);
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

// TLS records go through send() with MSG_NOSIGNAL like plain data: writing to a peer that
// has gone must end the connection, not the program (OpenSSL's own socket BIO uses write()).
int TlsBioWrite(BIO* bio, const char* data, int length)
{
    BIO_clear_retry_flags(bio);
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    ssize_t n;
    do
        n = ::send(fd, data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        BIO_set_retry_write(bio);
    return static_cast<int>(n);
}

int TlsBioRead(BIO* bio, char* data, int length)
{
    BIO_clear_retry_flags(bio);
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    ssize_t n;
    do
        n = ::recv(fd, data, static_cast<std::size_t>(length), 0);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        BIO_set_retry_read(bio);
    return static_cast<int>(n);
}

long TlsBioCtrl(BIO*, int command, long, void*)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

BIO* NewTlsSocketBio(int fd)
{
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "tonewright socket");
        BIO_meth_set_write(m, TlsBioWrite);
        BIO_meth_set_read(m, TlsBioRead);
        BIO_meth_set_ctrl(m, TlsBioCtrl);
        return m;
    }();
    BIO* bio = BIO_new(method);
    if (bio) {
        BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
        BIO_set_init(bio, 1);
    }
    return bio;
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
    FreeTls();
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
    FSin = sockaddr_storage{};
    FSinLen = 0;
    FPortNum = 0;
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
    FPortNum = static_cast<std::uint16_t>(number);
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

    sockaddr_storage numeric{};
    socklen_t numericLen = 0;
    if (ParseNumeric(HostName, &numeric, &numericLen)) {
        FDnsResult = NumericForm(reinterpret_cast<const sockaddr*>(&numeric));
        TriggerDnsLookupDone(0);
        return;
    }

    auto request = std::make_shared<TWSocketLookup>();
    request->Owner = this;
    const QByteArray name = HostName.toUtf8();
    try {
        std::thread([request, name] {
            QStringList addresses;
            const int error = name.contains('\0') ? WSAHOST_NOT_FOUND : ResolveHost(name, &addresses, nullptr, nullptr);
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
        if (!ParseNumeric(FAddrStr, &FSin, &FSinLen)) {
            const QByteArray name = FAddrStr.toUtf8();
            if (name.contains('\0') || ResolveHost(name, nullptr, &FSin, &FSinLen) != 0)
                throw ESocketException(QStringLiteral("SetAddr: Cannot convert host address '%1'").arg(FAddrStr));
        }
        FAddrResolved = true;
    }
    if (FSin.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&FSin)->sin6_port = htons(FPortNum);
    else
        reinterpret_cast<sockaddr_in*>(&FSin)->sin_port = htons(FPortNum);

    FBufList.clear();
    FAllSent = true;
    const int fd = ::socket(FSin.ss_family, FType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProtoNum);
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
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&FSin), FSinLen);
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
    if (m_handshaking) {
        ContinueHandshake();
        return;
    }
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
    if (m_handshaking) {
        ContinueHandshake();
        return;
    }
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
    if (error == 0 && m_tls && !m_ssl) {
        StartHandshake();
        return;
    }
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
    if (ReceiveLoop())
        ContinueReadingLater([this] { HandleReadEvent(); });
}

void TCustomWSocket::ContinueReadingLater(std::function<void()> next)
{
    if (m_ssl && SSL_pending(m_ssl) > 0)
        PostForConnection(std::move(next));
}

bool TCustomWSocket::ReceiveLoop()
{
    QPointer<TCustomWSocket> self(this);
    const qint64 start = FReadCount;
    for (;;) {
        FLastError = 0;
        const qint64 before = FReadCount;
        if (OnDataAvailable) {
            try {
                OnDataAvailable(this, 0);
            } catch (...) {
                // The handler's error ends the handling of what was received so far.
                HandleApplicationException(std::current_exception());
                return false;
            }
        } else {
            char scratch[1024];
            Receive(scratch, sizeof scratch);
        }
        if (!self || FLastError != 0 || FState == wsClosed)
            return false;
        if (RcvdCount() <= 0)
            return false;
        if (FReadCount == before)
            return false; // a handler that reads nothing is called again by the next notification
        if (FReadCount - start >= MaxReadPerTurn)
            return true;
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
    if (FState == wsConnected && ReceiveLoop()) {
        // More is waiting than one turn takes: the closure is reported after the rest.
        if (self && serial == FConnSerial && FState != wsClosed) {
            if (FReadNotifier)
                FReadNotifier->setEnabled(false);
            PostForConnection([this, error] { HandleCloseEvent(error); });
        }
        return;
    }
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
        int code = 0;
        const qint64 sent = SendSome(data, pending, flags, &code);
        if (sent == 0)
            return;
        if (sent < 0) {
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
    if (m_ssl) {
        ERR_clear_error();
        const int n = SSL_read(m_ssl, Buffer, BufferSize);
        if (n > 0) {
            FReadCount += n;
            return n;
        }
        switch (SSL_get_error(m_ssl, n)) {
        case SSL_ERROR_WANT_READ:
        case SSL_ERROR_WANT_WRITE:
            FLastError = WSAEWOULDBLOCK;
            return -1;
        case SSL_ERROR_ZERO_RETURN:
            return 0; // the peer ended the secure session
        default:
            // A record that does not decrypt, or the connection cut without the session's end:
            // what arrived may be incomplete.
            m_tlsError = TlsErrorText(QStringLiteral("the connection ended without closing the secure session"));
            FLastError = WSAECONNRESET;
            return -1;
        }
    }
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
    return m_ssl ? waiting + SSL_pending(m_ssl) : waiting;
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
    FreeTls();
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

qint64 TCustomWSocket::SendSome(const char* data, int length, int flags, int* error)
{
    if (m_ssl) {
        if (m_handshaking)
            return 0;
        ERR_clear_error();
        const int n = SSL_write(m_ssl, data, length);
        if (n > 0)
            return n;
        const int e = SSL_get_error(m_ssl, n);
        if (e == SSL_ERROR_WANT_WRITE || e == SSL_ERROR_WANT_READ)
            return 0;
        m_tlsError = TlsErrorText(QStringLiteral("the secure session failed"));
        *error = WSAECONNRESET;
        return -1;
    }
    ssize_t n;
    do
        n = ::send(FHSocket, data, static_cast<std::size_t>(length), flags);
    while (n < 0 && errno == EINTR);
    if (n >= 0)
        return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return 0;
    *error = WSocketErrorFromErrno(errno);
    return -1;
}

void TCustomWSocket::SetTls(std::shared_ptr<TTlsContext> context, const QString& peerName)
{
    if (FState != wsClosed) {
        RaiseException(QStringLiteral("Cannot change TLS if not closed"));
        return;
    }
    m_tls = std::move(context);
    m_tlsPeer = peerName;
}

void TCustomWSocket::StartHandshake()
{
    m_tlsError.clear();
    m_ssl = SSL_new(m_tls->Native());
    BIO* bio = m_ssl ? NewTlsSocketBio(FHSocket) : nullptr;
    QByteArray peer = m_tlsPeer.toUtf8();
    if (peer.startsWith('[') && peer.endsWith(']'))
        peer = peer.mid(1, peer.size() - 2);
    bool named = false;
    if (bio) {
        SSL_set_bio(m_ssl, bio, bio);
        SSL_set_connect_state(m_ssl);
        sockaddr_storage numeric{};
        socklen_t len = 0;
        if (peer.isEmpty() || peer.contains('\0')) {
            named = false;
        } else if (ParseNumeric(QString::fromLatin1(peer), &numeric, &len)) {
            named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), peer.constData()) == 1;
        } else {
            SSL_set_hostflags(m_ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
            named = SSL_set_tlsext_host_name(m_ssl, peer.constData()) == 1 && SSL_set1_host(m_ssl, peer.constData()) == 1;
        }
    }
    if (!named) {
        // Without a name to check the certificate against, nothing would be verified.
        m_tlsError = QStringLiteral("no host name to verify the certificate against");
        FreeTls();
        HandleConnectEvent(WSAESECUREFAILED);
        return;
    }
    m_handshaking = true;
    ContinueHandshake();
}

void TCustomWSocket::ContinueHandshake()
{
    ERR_clear_error();
    const int r = SSL_do_handshake(m_ssl);
    if (r == 1) {
        m_handshaking = false;
        HandleConnectEvent(0);
        return;
    }
    const int e = SSL_get_error(m_ssl, r);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
        if (FReadNotifier)
            FReadNotifier->setEnabled(e == SSL_ERROR_WANT_READ);
        if (FWriteNotifier)
            FWriteNotifier->setEnabled(e == SSL_ERROR_WANT_WRITE);
        return;
    }
    const long verify = SSL_get_verify_result(m_ssl);
    if (verify != X509_V_OK)
        m_tlsError = QStringLiteral("certificate verify failed: %1").arg(QString::fromLatin1(X509_verify_cert_error_string(verify)));
    else
        m_tlsError = TlsErrorText(QStringLiteral("the connection closed during the secure handshake"));
    m_handshaking = false;
    FreeTls();
    HandleConnectEvent(WSAESECUREFAILED);
}

void TCustomWSocket::FreeTls()
{
    if (!m_ssl)
        return;
    // Tells the peer the session ends, when it was established; never waits for its answer.
    if (!m_handshaking && SSL_is_init_finished(m_ssl)) {
        ERR_clear_error();
        SSL_shutdown(m_ssl);
    }
    ERR_clear_error();
    SSL_free(m_ssl);
    m_ssl = nullptr;
    m_handshaking = false;
}
