#include "HttpProt.h"

#include <QDate>
#include <QIODevice>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

TUrlParts SplitURL(const QString& url)
{
    TUrlParts parts;
    if (url.isEmpty())
        return parts;

    QString rest;
    const int scheme = url.indexOf(QLatin1String("://"));
    if (scheme >= 0) {
        parts.Proto = url.left(scheme);
        rest = url.mid(scheme + 3);
    } else if (url.startsWith(QLatin1Char('/'))) {
        parts.Proto = QStringLiteral("http");
        if (url.size() > 1 && url.at(1) != QLatin1Char('/')) {
            parts.Path = url;
            return parts;
        }
        rest = url.mid(1);
    } else if (url.left(5).toLower() == QLatin1String("http:")) {
        parts.Proto = QStringLiteral("http");
        if (url.size() > 6 && url.at(6) != QLatin1Char('/')) {
            parts.Path = url.mid(5);
            return parts;
        }
        rest = url.mid(6);
    } else if (url.left(7).toLower() == QLatin1String("mailto:")) {
        parts.Proto = QStringLiteral("mailto");
        rest = url.mid(url.indexOf(QLatin1Char(':')) + 1);
    } else {
        rest = url;
    }

    const int slash = rest.indexOf(QLatin1Char('/'));
    QString authority = rest;
    if (slash >= 0) {
        parts.Path = rest.mid(slash);
        authority = rest.left(slash);
    }

    const int colon = authority.lastIndexOf(QLatin1Char(':'));
    const int at = authority.lastIndexOf(QLatin1Char('@'));
    if (colon < 0 && at < 0) {
        parts.Host = authority;
    } else if (colon > at) {
        parts.Port = authority.mid(colon + 1);
        parts.Host = authority.mid(at + 1, colon - at - 1);
    } else {
        parts.Host = authority.mid(at + 1);
    }
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        const int sep = userInfo.indexOf(QLatin1Char(':'));
        if (sep < 0) {
            parts.User = userInfo;
        } else {
            parts.User = userInfo.left(sep);
            parts.Pass = userInfo.mid(sep + 1);
        }
    }
    return parts;
}

QString DocumentNameFromPath(const QString& path)
{
    if (path.isEmpty() || path == QLatin1String("/"))
        return QStringLiteral("document.htm");
    QString p = path;
    if (p.endsWith(QLatin1Char('/')))
        p.chop(1);
    QString name = p.mid(p.lastIndexOf(QLatin1Char('/')) + 1, 255);
    const int query = name.indexOf(QLatin1Char('?'));
    if (query >= 0)
        name.truncate(query);
    return name;
}

QString DocumentNameForContent(const QString& documentName, const QString& contentType)
{
    if (contentType == QLatin1String("text/html") && documentName.right(4).toLower() == QLatin1String(".exe"))
        return documentName.left(documentName.size() - 4) + QStringLiteral(".htm");
    return documentName;
}

QByteArray Base64Encode(const QByteArray& data)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QByteArray out;
    out.reserve((data.size() + 2) / 3 * 4);
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype n = data.size();
    qsizetype i = 0;
    for (; i + 2 < n; i += 3) {
        const unsigned v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (i < n) {
        const unsigned v = (p[i] << 16) | (i + 1 < n ? p[i + 1] << 8 : 0);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < n ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

QString HttpDateText(double dateTime)
{
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3.0e6)
        dateTime = 0;
    const auto wholeDays = static_cast<qint64>(std::trunc(dateTime));
    const QDate date = QDate(1899, 12, 30).addDays(wholeDays);
    auto ms = static_cast<qint64>(std::llround(std::fabs(dateTime - static_cast<double>(wholeDays)) * 86400000.0));
    if (ms >= 86400000)
        ms = 86399999;
    const qint64 secs = ms / 1000;
    const int weekday = static_cast<int>(((wholeDays - 2) % 7 + 7) % 7);
    return QStringLiteral("%1, %2 %3 %4 %5:%6:%7")
        .arg(QLatin1String(days[weekday]))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(months[date.month() - 1]))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(secs / 3600, 2, 10, QLatin1Char('0'))
        .arg(secs / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(secs % 60, 2, 10, QLatin1Char('0'));
}

qint64 HttpHeaderNumber(const QString& headerText)
{
    const QString text = headerText.trimmed();
    int i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    const int start = i;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10)
            throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
        value = value * 10 + (c - u'0');
    }
    if (i == start || i != text.size())
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return negative ? -value : value;
}

QString ResolveLocation(const QString& currentUrl, const QString& location)
{
    const QUrl target = QUrl(currentUrl).resolved(QUrl(location.trimmed()));
    return target.adjusted(QUrl::RemoveFragment).toString(QUrl::FullyEncoded);
}

THttpCli::THttpCli(QObject* parent) : THttpCli(parent, nullptr) {}

THttpCli::THttpCli(QObject* parent, std::unique_ptr<TWSocket> socket)
    : QObject(parent), FCtrlSocket(socket ? std::move(socket) : std::make_unique<TWSocket>())
{
    Init();
}

void THttpCli::Init()
{
    FTimer = new QTimer(this);
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, [this] {
        try {
            TimedOut();
        } catch (...) {
            HandleApplicationException(std::current_exception());
        }
    });
    TWSocket* s = FCtrlSocket.get();
    s->OnDnsLookupDone = [this](QObject*, std::uint16_t error) { SocketDnsLookupDone(error); };
    s->OnSessionConnected = [this](QObject*, std::uint16_t error) { SocketSessionConnected(error); };
    s->OnDataAvailable = [this](QObject*, std::uint16_t) { SocketDataAvailable(); };
    s->OnDataSent = [this](QObject*, std::uint16_t) { SocketDataSent(); };
    s->OnSessionClosed = [this](QObject*, std::uint16_t error) { SocketSessionClosed(error); };
}

THttpCli::~THttpCli()
{
    // The socket goes first: it raises nothing while it is destroyed, and nothing it still
    // holds may call back into a half-destroyed client.
    FCtrlSocket.reset();
}

void THttpCli::SetMultiThreaded(bool value)
{
    FMultiThreaded = value;
    FCtrlSocket->SetMultiThreaded(value);
}

bool THttpCli::SetState(THttpState newState)
{
    if (FState == newState)
        return true;
    FState = newState;
    if (OnStateChange && !RunHandler([this] { OnStateChange(this); }))
        return false;
    return FState == newState;
}

bool THttpCli::RunHandler(const std::function<void()>& handler)
{
    QPointer<THttpCli> self(this);
    try {
        handler();
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        if (self) {
            try {
                FailWithCurrentException();
            } catch (...) {
                // A handler that throws again while the request ends: the first error counts.
            }
        }
        HandleApplicationException(error);
        return false;
    }
    return !self.isNull();
}

void THttpCli::SetClientFailure(const QString& reason)
{
    FStatusCode = 404;
    m_statusFromServer = false;
    FReasonPhrase = reason;
}

void THttpCli::Fail(const QString& reason, std::uint16_t error)
{
    if (FState == httpReady || FState == httpAborting)
        return;
    AbortWith(reason, error);
}

void THttpCli::FailWithCurrentException()
{
    QString message;
    try {
        throw;
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    FSending = false;
    Fail(message);
}

void THttpCli::RestartTimer()
{
    if (FTimeout > 0 && FState != httpReady)
        FTimer->start(FTimeout * 1000);
    else
        FTimer->stop();
}

void THttpCli::StartRequest(THttpRequest RequestType)
{
    if (FState != httpReady)
        throw EHttpException(QStringLiteral("HTTP component is busy"), 1);
    if (RequestType == httpPOST && !FSendStream)
        throw EHttpException(QStringLiteral("HTTP component has nothing to post"), 2);

    FReceivedHeaders.clear();
    FRequestType = RequestType;
    FRequestDoneError = 0;
    FCtrlSocket->OnSessionClosed = [this](QObject*, std::uint16_t error) { SocketSessionClosed(error); };
    ++FSerial;
    FCompletionPosted = false;
    FRelocationCount = 0;
    FRelocationPending = false;
    FLengthInResponse = false;
    FReceiveError = 0;
    FReceiveLen = 0;
    FConnected = false;
    FDocName.clear();
    FStatusCode = 0;
    FReasonPhrase.clear();
    FReceivedCount = 0;
    FSentCount = 0;
    FHeaderLineCount = 0;
    FBodyLineCount = 0;
    FSending = false;
    m_statusFromServer = false;
    m_insecureRedirect = false;
    m_headerBytes = 0;
    m_lengthConflict = false;
    m_chunked = false;
    m_chunks.Reset();

    const TUrlParts url = SplitURL(FURL);
    m_secure = url.Proto.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    if (!url.User.isEmpty())
        FUsername = url.User;
    if (!url.Pass.isEmpty())
        FPassword = url.Pass;
    FTargetHost = url.Host;
    FDocName = url.Path;
    if (!FProxy.isEmpty()) {
        const QString scheme = url.Proto.isEmpty() ? QStringLiteral("http") : url.Proto;
        FRequestPath = scheme + QStringLiteral("://") + url.Host + url.Path;
        const TUrlParts proxy = SplitURL(FProxy);
        FConnectHost = proxy.Host;
        FConnectPort = proxy.Port.isEmpty() ? FProxyPort : proxy.Port;
    } else {
        FRequestPath = url.Path;
        FConnectHost = url.Host;
        FConnectPort = url.Port.isEmpty() ? (m_secure ? QStringLiteral("443") : QStringLiteral("80")) : url.Port;
    }
    if (FRequestPath.isEmpty())
        FRequestPath = QStringLiteral("/");
    FDocName = DocumentNameFromPath(FDocName);

    // A handler of the state change may abort at once.
    if (!SetState(httpNotConnected))
        return;
    if (m_secure && !FProxy.isEmpty()) {
        Fail(ReasonSecureProxy);
        return;
    }
    StartLookup();
}

void THttpCli::StartLookup()
{
    if (!SetState(httpDnsLookup))
        return;
    RestartTimer();
    try {
        FCtrlSocket->LookupHost(FConnectHost);
    } catch (const ESocketException&) {
        // No name to look up (an empty host): the same end as a name that is not found,
        // reported later like every other end.
        if (FState == httpDnsLookup) {
            FStatusCode = 404;
            m_statusFromServer = false;
            FReasonPhrase = QStringLiteral("can't resolve hostname to IP address");
            EndRequest();
        }
    }
}

void THttpCli::EndRequest()
{
    if (FState == httpReady || FCompletionPosted)
        return;
    FCompletionPosted = true;
    FTimer->stop();
    const unsigned serial = FSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (serial != FSerial || FState == httpReady)
                return;
            const THttpRequest type = FRequestType;
            const std::uint16_t error = FRequestDoneError;
            QPointer<THttpCli> self(this);
            SetState(httpReady);
            if (!self)
                return;
            QMetaObject::invokeMethod(
                this,
                [this, type, error] {
                    try {
                        if (OnRequestDone)
                            OnRequestDone(this, type, error);
                    } catch (...) {
                        HandleApplicationException(std::current_exception());
                    }
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void THttpCli::Abort()
{
    if (FState == httpReady) {
        if (FCtrlSocket->State() != wsClosed)
            FCtrlSocket->Close();
        return;
    }
    AbortWith(QStringLiteral("Connection aborted on request"), 3);
}

void THttpCli::AbortWith(const QString& reason, std::uint16_t error)
{
    const THttpState old = FState;
    QPointer<THttpCli> self(this);
    SetState(httpAborting);
    if (!self)
        return;
    if (old == httpDnsLookup) {
        try {
            FCtrlSocket->CancelLookup();
        } catch (...) {
        }
    }
    FStatusCode = 404;
    m_statusFromServer = false;
    FReasonPhrase = reason;
    FRequestDoneError = error;
    FSending = false;
    if (old == httpDnsLookup || FCtrlSocket->State() == wsClosed) {
        // Nothing is left that would report a closure (a lookup, or the pause between a
        // relocation and its new lookup): end now.
        EndRequest();
        return;
    }
    FCtrlSocket->Close();
    EndRequest(); // in case the closure was reported already for this connection
}

void THttpCli::TimedOut()
{
    if (FState == httpReady || FState == httpAborting)
        return;
    AbortWith(QStringLiteral("Connection timed out"), WSAETIMEDOUT);
}

void THttpCli::SocketDnsLookupDone(std::uint16_t error)
{
    if (FState != httpDnsLookup)
        return; // a cancelled lookup, or an answer after an abort
    RestartTimer();
    if (error != 0) {
        FStatusCode = 404;
        m_statusFromServer = false;
        FReasonPhrase = QStringLiteral("can't resolve hostname to IP address");
        EndRequest();
        return;
    }
    if (!SetState(httpDnsLookupDone))
        return; // aborted by the handler
    try {
        FCtrlSocket->SetAddr(FCtrlSocket->DnsResult());
        FCtrlSocket->SetPort(FConnectPort);
        FCtrlSocket->SetProto(QStringLiteral("tcp"));
        if (m_secure && !m_tlsContext)
            m_tlsContext = TTlsContext::SystemDefault();
        FCtrlSocket->SetTls(m_secure ? m_tlsContext : nullptr, FTargetHost);
        FCtrlSocket->Connect();
    } catch (const std::exception&) {
        const int code = FCtrlSocket->LastError();
        FRequestDoneError = static_cast<std::uint16_t>(code);
        FStatusCode = 404;
        m_statusFromServer = false;
        FReasonPhrase = QStringLiteral("can't connect: %1 (Error #%2)").arg(WSocketErrorDesc(code)).arg(code);
        try {
            FCtrlSocket->Close();
        } catch (...) {
        }
        EndRequest();
    }
}

void THttpCli::SocketSessionConnected(std::uint16_t error)
{
    if (FState == httpAborting || FState == httpReady)
        return;
    RestartTimer();
    if (error != 0) {
        if (error == WSAESECUREFAILED)
            SetClientFailure(QStringLiteral("Secure connection to %1 failed: %2").arg(FTargetHost, FCtrlSocket->TlsError()));
        else
            SetClientFailure(QStringLiteral("%1 (Error #%2)").arg(WSocketErrorDesc(error)).arg(error));
        if (error == WSAESECUREFAILED)
            FRequestDoneError = error;
        EndRequest();
        return;
    }
    FConnected = true;
    if (!SetState(httpConnected))
        return;
    QPointer<THttpCli> self(this);
    if (OnSessionConnected && !RunHandler([this] { OnSessionConnected(this); }))
        return;
    if (!self || FState != httpConnected)
        return; // aborted by the handler
    if (!SetState(httpWaitingHeader))
        return;
    try {
        const QString method = FRequestType == httpPOST   ? QStringLiteral("POST")
                               : FRequestType == httpHEAD ? QStringLiteral("HEAD")
                                                          : QStringLiteral("GET");
        if (!SendRequest(method, QStringLiteral("1.0")))
            return;
        if (FRequestType == httpPOST && FState == httpWaitingHeader) {
            FSending = true;
            if (FSendStream)
                FSendStream->seek(0);
            if (OnSendBegin)
                OnSendBegin(this);
            SendNextBlock();
        }
    } catch (...) {
        if (self)
            FailWithCurrentException();
        throw;
    }
}

bool THttpCli::SendRequest(const QString& method, const QString& version)
{
    QByteArray request;
    QPointer<THttpCli> self(this);
    // After a handler destroyed the client nothing more is touched: each line below reads the
    // client's fields only while it lives.
    auto add = [&](QString line) {
        if (!self)
            return;
        if (OnCommand)
            OnCommand(this, line);
        if (!self)
            return;
        request += line.toLatin1();
        request += "\r\n";
    };
    if (OnRequestHeaderBegin)
        OnRequestHeaderBegin(this);
    if (!self)
        return false;
    add(method + QLatin1Char(' ') + FRequestPath + QStringLiteral(" HTTP/") + version);
    if (self && !FSender.isEmpty())
        add(QStringLiteral("From: ") + FSender);
    if (self && !FReference.isEmpty())
        add(QStringLiteral("Referer: ") + FReference);
    if (self && FRequestType == httpPOST && !FContentTypePost.isEmpty())
        add(QStringLiteral("Content-Type: ") + FContentTypePost);
    if (self && !FAgent.isEmpty())
        add(QStringLiteral("User-Agent: ") + FAgent);
    if (self)
        add(QStringLiteral("Host: ") + FTargetHost);
    if (self && FNoCache)
        add(QStringLiteral("Pragma: no-cache"));
    if (self && FRequestType == httpPOST)
        add(QStringLiteral("Content-Length: ") + QString::number(FSendStream ? FSendStream->size() : 0));
    if (self && FModifiedSince != 0)
        add(QStringLiteral("If-Modified-Since: ") + HttpDateText(FModifiedSince) + QStringLiteral(" GMT"));
    if (self && !FUsername.isEmpty())
        add(QStringLiteral("Authorization: Basic ") +
            QString::fromLatin1(Base64Encode((FUsername + QLatin1Char(':') + FPassword).toLatin1())));
    if (self && !FProxy.isEmpty() && !FProxyUsername.isEmpty())
        add(QStringLiteral("Proxy-Authorization: Basic ") +
            QString::fromLatin1(Base64Encode((FProxyUsername + QLatin1Char(':') + FProxyPassword).toLatin1())));
    if (self && !FCookie.isEmpty())
        add(QStringLiteral("Cookie: ") + FCookie);
    if (self && OnRequestHeaderEnd)
        OnRequestHeaderEnd(this);
    add(QString());
    if (!self)
        return false;
    if (FState != httpWaitingHeader)
        return true; // aborted by a handler
    FCtrlSocket->Send(request.constData(), static_cast<int>(request.size()));
    return true;
}

void THttpCli::SendNextBlock()
{
    if (!FSending)
        return;
    char block[SendBlockSize];
    const qint64 n = FSendStream ? FSendStream->read(block, SendBlockSize) : 0;
    if (n <= 0) {
        FSending = false;
        if (OnSendEnd)
            OnSendEnd(this);
        return;
    }
    FSentCount += n;
    if (OnSendData)
        OnSendData(this, block, static_cast<int>(n));
    FCtrlSocket->Send(block, static_cast<int>(n));
}

void THttpCli::SocketDataSent()
{
    if (FState == httpReady || FState == httpAborting)
        return;
    RestartTimer();
    if (!FSending)
        return;
    QPointer<THttpCli> self(this);
    try {
        SendNextBlock();
    } catch (...) {
        if (self)
            FailWithCurrentException();
        throw;
    }
}

void THttpCli::SocketDataAvailable()
{
    const int n = FCtrlSocket->Receive(FReceiveBuffer + FReceiveLen, ReceiveBufferSize - FReceiveLen);
    if (n < 0 && FCtrlSocket->LastError() != WSAEWOULDBLOCK)
        FReceiveError = FCtrlSocket->LastError();
    if (n <= 0)
        return;
    RestartTimer();
    if (FState == httpReady)
        return;
    FReceiveLen += n;
    FReceiveBuffer[FReceiveLen] = '\0';
    QPointer<THttpCli> self(this);
    try {
        if (!ProcessReceiveBuffer())
            return;
    } catch (...) {
        // A handler's error: the request cannot go on with half-handled data.
        if (self)
            FailWithCurrentException();
        throw;
    }
    // Only a header line can fill the buffer (the body is passed on as it comes): it has no
    // end in sight, whatever more arrives.
    if (FReceiveLen >= ReceiveBufferSize && FState == httpWaitingHeader)
        Fail(ReasonLineTooLong);
}

void THttpCli::ConsumeReceived(int count)
{
    if (count >= FReceiveLen) {
        FReceiveLen = 0;
    } else {
        std::memmove(FReceiveBuffer, FReceiveBuffer + count, static_cast<std::size_t>(FReceiveLen - count));
        FReceiveLen -= count;
    }
    FReceiveBuffer[FReceiveLen] = '\0';
}

bool THttpCli::ProcessReceiveBuffer()
{
    if (FState == httpWaitingBody) {
        const QByteArray block(FReceiveBuffer, FReceiveLen);
        ConsumeReceived(FReceiveLen);
        return BodyBlock(block.constData(), static_cast<int>(block.size()));
    }
    const unsigned serial = FSerial;
    while (FReceiveLen > 0) {
        const char* lf = static_cast<const char*>(std::memchr(FReceiveBuffer, '\n', static_cast<std::size_t>(FReceiveLen)));
        if (!lf)
            return true;
        const int lineLen = static_cast<int>(lf - FReceiveBuffer);
        int textLen = lineLen;
        if (textLen > 0 && FReceiveBuffer[textLen - 1] == '\r')
            --textLen;
        const QByteArray line(FReceiveBuffer, textLen);
        const QByteArray lineEnd(FReceiveBuffer + textLen, lineLen + 1 - textLen);
        ConsumeReceived(lineLen + 1);

        if (FState == httpWaitingHeader && !HeaderLine(line, lineEnd))
            return false;
        // else: a line arriving while aborting or connecting is dropped

        if (serial != FSerial || (FState != httpWaitingHeader && FState != httpWaitingBody))
            return true;
        if (FCtrlSocket->State() == wsClosed)
            return true; // closed after an error status or for a relocation: the rest is not read
        if (FState == httpWaitingBody) {
            // The header has ended: what follows in the buffer is the body, line ends and all.
            if (FReceiveLen > 0) {
                const QByteArray block(FReceiveBuffer, FReceiveLen);
                ConsumeReceived(FReceiveLen);
                return BodyBlock(block.constData(), static_cast<int>(block.size()));
            }
            return true;
        }
    }
    return true;
}

namespace {
// "HTTP/1.0 200 OK" or "HTTP/1.1 404 Not Found": the code's three digits, or -1.
int StatusLineCode(const QString& text)
{
    if (!text.startsWith(QLatin1String("HTTP/1.0")) && !text.startsWith(QLatin1String("HTTP/1.1")))
        return -1;
    if (text.size() < 12 || text.at(8) != QLatin1Char(' ') || (text.size() > 12 && text.at(12) != QLatin1Char(' ')))
        return -1;
    int code = 0;
    for (int i = 9; i < 12; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        code = code * 10 + (c - u'0');
    }
    return code;
}
} // namespace

bool THttpCli::HeaderLine(const QByteArray& line, const QByteArray& lineEnd)
{
    QPointer<THttpCli> self(this);
    const QString text = QString::fromLatin1(line);
    const bool first = FHeaderLineCount == 0;
    if (first && OnHeaderBegin) {
        OnHeaderBegin(this);
        if (!self)
            return false;
        if (FState != httpWaitingHeader)
            return true;
    }
    ++FHeaderLineCount;
    m_headerBytes += static_cast<int>(line.size() + lineEnd.size());
    if (FHeaderLineCount > MaxHeaderLines || m_headerBytes > MaxHeaderBytes) {
        Fail(ReasonHeaderTooLarge);
        return !self.isNull();
    }

    if (text.left(6).toUpper() == QLatin1String("<HTML>")) {
        // A document without a header: this line is already the body.
        if (FContentType.isEmpty())
            FContentType = QStringLiteral("text/html");
        if (!SetState(httpWaitingBody))
            return !self.isNull();
        if (OnHeaderEnd) {
            OnHeaderEnd(this);
            if (!self)
                return false;
        }
        if (FState == httpWaitingBody) {
            const QByteArray block = line + lineEnd;
            return BodyBlock(block.constData(), static_cast<int>(block.size()));
        }
        return true;
    }

    const int code = first ? StatusLineCode(text) : -1;
    if (first && code < 0) {
        // Nothing to tell success from failure: no status is taken for one.
        FReceivedHeaders.append(text);
        Fail(ReasonNoStatusLine);
        return !self.isNull();
    }

    if (text.isEmpty()) {
        HeaderEnded();
        return !self.isNull();
    }

    FReceivedHeaders.append(text);
    if (code >= 0) {
        FStatusCode = code;
        m_statusFromServer = true;
        FReasonPhrase = text.mid(13);
    } else if (!text.startsWith(QLatin1String("HTTP/1.0")) && !text.startsWith(QLatin1String("HTTP/1.1"))) {
        const int colon = text.indexOf(QLatin1Char(':'));
        if (colon >= 0)
            HeaderValue(text.left(colon).toLower(), text.mid(colon + 2));
    }
    if (OnHeaderData) {
        OnHeaderData(this);
        if (!self)
            return false;
    }
    if (FStatusCode >= 400 && FState == httpWaitingHeader)
        FCtrlSocket->Close();
    return !self.isNull();
}

void THttpCli::HeaderValue(const QString& name, const QString& value)
{
    if (name == QLatin1String("location")) {
        FRelocationPending = true;
        SetRelocation(value);
    } else if (name == QLatin1String("content-length")) {
        try {
            const qint64 length = HttpHeaderNumber(value);
            if (length >= 0) {
                if (FLengthInResponse && length != FContentLength)
                    m_lengthConflict = true;
                FContentLength = length;
                FLengthInResponse = true;
            }
        } catch (const Exception&) {
            // An unreadable length is no length: the body ends when the server closes.
        }
    } else if (name == QLatin1String("transfer-encoding")) {
        // The last coding applied is the one that frames the body.
        const QStringList codings = value.split(QLatin1Char(','));
        m_chunked = codings.last().trimmed().compare(QLatin1String("chunked"), Qt::CaseInsensitive) == 0;
    } else if (name == QLatin1String("content-type")) {
        FContentType = value.toLower();
    } else if (name == QLatin1String("www-authenticate")) {
        FAuthenticateHeaders.append(value);
    }
}

void THttpCli::SetRelocation(const QString& location)
{
    // The current request's URL: through a proxy the request path is one already.
    const QString scheme = m_secure ? QStringLiteral("https") : QStringLiteral("http");
    const QString current = !FProxy.isEmpty()
                                ? FRequestPath
                                : scheme + QStringLiteral("://") + FTargetHost + QLatin1Char(':') + FConnectPort + FRequestPath;
    QUrl to(ResolveLocation(current, location));
    if (to.path().isEmpty())
        to.setPath(QStringLiteral("/"));
    const QString toScheme = to.scheme().toLower();
    // From http to https is followed; from https to anything else never.
    if (toScheme != scheme && (m_secure || toScheme == QLatin1String("https"))) {
        if (m_secure || !FProxy.isEmpty()) {
            m_insecureRedirect = true;
            return;
        }
        m_secure = true;
        if (to.port() <= 0)
            to.setPort(443);
    }
    m_insecureRedirect = false;
    if (!FProxy.isEmpty()) {
        // The proxy stays the connection's end and the host line stays.
        FRequestPath = to.toString(QUrl::FullyEncoded);
        return;
    }
    FRequestPath = to.path(QUrl::FullyEncoded);
    if (to.hasQuery())
        FRequestPath += QLatin1Char('?') + to.query(QUrl::FullyEncoded);
    FConnectHost = to.host(QUrl::FullyEncoded);
    FTargetHost = FConnectHost;
    // A new host without a port keeps the old port.
    if (to.port() > 0)
        FConnectPort = QString::number(to.port());
}

void THttpCli::HeaderEnded()
{
    QPointer<THttpCli> self(this);
    if (FRelocationPending) {
        if (OnHeaderEnd)
            OnHeaderEnd(this);
        if (!self || FState != httpWaitingHeader)
            return; // destroyed or aborted by the handler
        if (m_insecureRedirect) {
            Fail(!FProxy.isEmpty() ? ReasonSecureProxy : ReasonInsecureRedirect);
            return;
        }
        FReceiveLen = 0;
        m_headerBytes = 0;
        m_lengthConflict = false;
        m_chunked = false;
        m_chunks.Reset();
        FHeaderLineCount = 0;
        FBodyLineCount = 0;
        if (FRelocationCount >= MaxRelocations) {
            FRelocationPending = false;
            FStatusCode = 404;
            m_statusFromServer = false;
            FReasonPhrase = QStringLiteral("Too many redirections");
            FCtrlSocket->Close();
            return;
        }
        ++FRelocationCount;
        FReceiveError = 0;
        FLengthInResponse = false;
        FCtrlSocket->OnSessionClosed = [this](QObject*, std::uint16_t) { LocationSessionClosed(); };
        FCtrlSocket->Close();
        return;
    }
    if (m_lengthConflict) {
        Fail(ReasonConflictingLength);
        return;
    }
    if (m_chunked)
        FLengthInResponse = false; // the chunks frame the body, whatever length is announced
    if (m_maxBodySize > 0 && FLengthInResponse && FContentLength > m_maxBodySize) {
        Fail(ReasonBodyTooLarge.arg(m_maxBodySize));
        return;
    }
    FDocName = DocumentNameForContent(FDocName, FContentType);
    if (!SetState(httpWaitingBody))
        return;
    if (OnHeaderEnd)
        OnHeaderEnd(this);
}

bool THttpCli::BodyBlock(const char* data, int length)
{
    if (length <= 0)
        return true;
    if (m_chunked) {
        QByteArray decoded;
        const TChunkedDecoder::Result result = m_chunks.Feed(data, length, &decoded);
        QPointer<THttpCli> self(this);
        if (!decoded.isEmpty() && !DeliverBody(decoded.constData(), static_cast<int>(decoded.size())))
            return false;
        if (FState != httpWaitingBody)
            return true;
        if (result == TChunkedDecoder::Malformed)
            Fail(ReasonBadChunk);
        else if (result == TChunkedDecoder::Finished)
            FCtrlSocket->Close(); // the whole body is here: what follows is not read
        return !self.isNull();
    }
    if (FLengthInResponse && FReceivedCount + length > FContentLength && FRequestType != httpHEAD) {
        const int fits = static_cast<int>(std::max<qint64>(0, FContentLength - FReceivedCount));
        if (fits > 0 && !DeliverBody(data, fits))
            return false;
        if (FState == httpWaitingBody)
            Fail(ReasonBodyTooLong);
        return true;
    }
    return DeliverBody(data, length);
}

bool THttpCli::DeliverBody(const char* data, int length)
{
    if (m_maxBodySize > 0 && FReceivedCount + length > m_maxBodySize) {
        Fail(ReasonBodyTooLarge.arg(m_maxBodySize));
        return true;
    }
    QPointer<THttpCli> self(this);
    if (FBodyLineCount == 0 && OnDocBegin) {
        OnDocBegin(this);
        if (!self)
            return false;
        if (FState != httpWaitingBody)
            return true; // aborted by the handler
    }
    ++FBodyLineCount;
    FReceivedCount += length;
    if (OnDocData) {
        OnDocData(this, data, length);
        if (!self)
            return false;
    }
    if (FReceiveStream && FReceiveStream->write(data, length) != length) {
        // A full disk or a closed file: what is stored is not the document.
        const QString why = FReceiveStream->errorString();
        Fail(why.isEmpty() || why == QLatin1String("Unknown error") ? ReasonWriteFailed : why);
    }
    return !self.isNull();
}

QString THttpCli::CutShortReason(std::uint16_t error) const
{
    if (FState != httpWaitingHeader && FState != httpWaitingBody)
        return {};
    if (FStatusCode >= 400)
        return {}; // the server's error is the answer, whatever followed it
    if (FState == httpWaitingHeader)
        return FHeaderLineCount == 0 && FReceiveLen == 0 && error == 0 ? ReasonNoResponse : ReasonTruncated;
    if (m_chunked)
        return m_chunks.IsFinished() ? QString() : ReasonTruncated;
    const bool bodyExpected = FRequestType != httpHEAD && FStatusCode != 204 && FStatusCode != 304;
    const bool lengthKnown = FLengthInResponse && bodyExpected;
    if (lengthKnown && FReceivedCount >= FContentLength)
        return {}; // whole, even when the connection ended with an error afterwards
    if (lengthKnown && FReceivedCount < FContentLength)
        return ReasonTruncated;
    if (error != 0)
        return QStringLiteral("%1 (Error #%2)").arg(WSocketErrorDesc(error)).arg(error);
    return {};
}

void THttpCli::SocketSessionClosed(std::uint16_t error)
{
    FConnected = false;
    if (FState == httpReady)
        return;
    const QString cut = CutShortReason(error != 0 ? error : static_cast<std::uint16_t>(FReceiveError));
    if (!cut.isEmpty()) {
        FStatusCode = 404;
        m_statusFromServer = false;
        FReasonPhrase = cut;
    }
    if (FBodyLineCount > 0 && OnDocEnd && !RunHandler([this] { OnDocEnd(this); }))
        return;
    EndRequest();
}

void THttpCli::LocationSessionClosed()
{
    FConnected = false;
    FRelocationPending = false;
    FCtrlSocket->OnSessionClosed = [this](QObject*, std::uint16_t error) { SocketSessionClosed(error); };
    QPointer<THttpCli> self(this);
    if (OnLocationChange)
        OnLocationChange(this);
    if (!self)
        return;
    const unsigned serial = FSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (serial != FSerial || FState == httpReady || FState == httpAborting)
                return;
            try {
                StartLookup();
            } catch (...) {
                HandleApplicationException(std::current_exception());
            }
        },
        Qt::QueuedConnection);
}
