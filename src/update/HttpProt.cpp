#include "HttpProt.h"

#include <QDate>
#include <QIODevice>
#include <QMetaObject>
#include <QTimer>

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

qint64 HttpHeaderNumber(const QString& text)
{
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
        }
    });
    TWSocket* s = FCtrlSocket.get();
    s->OnDnsLookupDone = [this](QObject*, std::uint16_t error) { SocketDnsLookupDone(error); };
    s->OnSessionConnected = [this](QObject*, std::uint16_t error) { SocketSessionConnected(error); };
    s->OnDataAvailable = [this](QObject*, std::uint16_t) { SocketDataAvailable(); };
    s->OnDataSent = [this](QObject*, std::uint16_t) { SocketDataSent(); };
    s->OnSessionClosed = [this](QObject*, std::uint16_t) { SocketSessionClosed(); };
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

void THttpCli::SetState(THttpState newState)
{
    if (FState == newState)
        return;
    FState = newState;
    if (OnStateChange)
        OnStateChange(this);
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
    FCtrlSocket->OnSessionClosed = [this](QObject*, std::uint16_t) { SocketSessionClosed(); };
    ++FSerial;
    FCompletionPosted = false;
    FRelocationCount = 0;
    FRelocationPending = false;
    FDiscardRest = false;
    FReceiveLen = 0;
    FConnected = false;
    SetState(httpNotConnected);
    FDocName.clear();
    FStatusCode = 0;
    FReceivedCount = 0;
    FSentCount = 0;
    FHeaderLineCount = 0;
    FBodyLineCount = 0;
    FSending = false;

    const TUrlParts url = SplitURL(FURL);
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
        FConnectPort = url.Port.isEmpty() ? QStringLiteral("80") : url.Port;
    }
    if (FRequestPath.isEmpty())
        FRequestPath = QStringLiteral("/");
    FDocName = DocumentNameFromPath(FDocName);

    StartLookup();
}

void THttpCli::StartLookup()
{
    SetState(httpDnsLookup);
    RestartTimer();
    try {
        FCtrlSocket->LookupHost(FConnectHost);
    } catch (const std::exception&) {
        // No name to look up (an empty host): the same end as a name that is not found,
        // reported later like every other end.
        if (FState == httpDnsLookup) {
            FStatusCode = 404;
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
            try {
                SetState(httpReady);
            } catch (...) {
            }
            QMetaObject::invokeMethod(
                this,
                [this, type, error] {
                    try {
                        if (OnRequestDone)
                            OnRequestDone(this, type, error);
                    } catch (...) {
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
    SetState(httpAborting);
    if (old == httpDnsLookup) {
        try {
            FCtrlSocket->CancelLookup();
        } catch (...) {
        }
    }
    FStatusCode = 404;
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
        FReasonPhrase = QStringLiteral("can't resolve hostname to IP address");
        EndRequest();
        return;
    }
    SetState(httpDnsLookupDone);
    try {
        FCtrlSocket->SetAddr(FCtrlSocket->DnsResult());
        FCtrlSocket->SetPort(FConnectPort);
        FCtrlSocket->SetProto(QStringLiteral("tcp"));
        FCtrlSocket->Connect();
    } catch (const std::exception&) {
        const int code = FCtrlSocket->LastError();
        FRequestDoneError = static_cast<std::uint16_t>(code);
        FStatusCode = 404;
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
        FStatusCode = 404;
        FReasonPhrase = QStringLiteral("%1 (Error #%2)").arg(WSocketErrorDesc(error)).arg(error);
        EndRequest();
        return;
    }
    FConnected = true;
    SetState(httpConnected);
    if (OnSessionConnected)
        OnSessionConnected(this);
    if (FState != httpConnected)
        return; // aborted by the handler
    SetState(httpWaitingHeader);
    try {
        const QString method = FRequestType == httpPOST   ? QStringLiteral("POST")
                               : FRequestType == httpHEAD ? QStringLiteral("HEAD")
                                                          : QStringLiteral("GET");
        SendRequest(method, QStringLiteral("1.0"));
        if (FRequestType == httpPOST && FState == httpWaitingHeader) {
            FSending = true;
            if (FSendStream)
                FSendStream->seek(0);
            if (OnSendBegin)
                OnSendBegin(this);
            SendNextBlock();
        }
    } catch (...) {
        FSending = false;
        FCtrlSocket->Close();
    }
}

void THttpCli::SendRequest(const QString& method, const QString& version)
{
    QByteArray request;
    auto add = [&](QString line) {
        if (OnCommand)
            OnCommand(this, line);
        request += line.toLatin1();
        request += "\r\n";
    };
    if (OnRequestHeaderBegin)
        OnRequestHeaderBegin(this);
    add(method + QLatin1Char(' ') + FRequestPath + QStringLiteral(" HTTP/") + version);
    if (!FSender.isEmpty())
        add(QStringLiteral("From: ") + FSender);
    if (!FReference.isEmpty())
        add(QStringLiteral("Referer: ") + FReference);
    if (FRequestType == httpPOST && !FContentTypePost.isEmpty())
        add(QStringLiteral("Content-Type: ") + FContentTypePost);
    if (!FAgent.isEmpty())
        add(QStringLiteral("User-Agent: ") + FAgent);
    add(QStringLiteral("Host: ") + FTargetHost);
    if (FNoCache)
        add(QStringLiteral("Pragma: no-cache"));
    if (FRequestType == httpPOST)
        add(QStringLiteral("Content-Length: ") + QString::number(FSendStream ? FSendStream->size() : 0));
    if (FModifiedSince != 0)
        add(QStringLiteral("If-Modified-Since: ") + HttpDateText(FModifiedSince) + QStringLiteral(" GMT"));
    if (!FUsername.isEmpty())
        add(QStringLiteral("Authorization: Basic ") +
            QString::fromLatin1(Base64Encode((FUsername + QLatin1Char(':') + FPassword).toLatin1())));
    if (!FProxy.isEmpty() && !FProxyUsername.isEmpty())
        add(QStringLiteral("Proxy-Authorization: Basic ") +
            QString::fromLatin1(Base64Encode((FProxyUsername + QLatin1Char(':') + FProxyPassword).toLatin1())));
    if (!FCookie.isEmpty())
        add(QStringLiteral("Cookie: ") + FCookie);
    if (OnRequestHeaderEnd)
        OnRequestHeaderEnd(this);
    add(QString());
    FCtrlSocket->Send(request.constData(), static_cast<int>(request.size()));
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
    try {
        SendNextBlock();
    } catch (...) {
        FSending = false;
        FCtrlSocket->Close();
    }
}

void THttpCli::SocketDataAvailable()
{
    if (FDiscardRest) {
        char scratch[ReceiveBufferSize];
        if (FCtrlSocket->Receive(scratch, sizeof scratch) > 0)
            RestartTimer();
        return;
    }
    if (FReceiveLen >= ReceiveBufferSize) {
        // A line that does not fit: the rest of this response is read and dropped, so the
        // socket never spins on data nobody takes, and the request ends when the server closes.
        FDiscardRest = true;
        FReceiveLen = 0;
        throw EHttpException(QStringLiteral("HTTP line too long"), 4);
    }
    const int n = FCtrlSocket->Receive(FReceiveBuffer + FReceiveLen, ReceiveBufferSize - FReceiveLen);
    if (n <= 0)
        return;
    RestartTimer();
    if (FState == httpReady)
        return;
    FReceiveLen += n;
    FReceiveBuffer[FReceiveLen] = '\0';
    ProcessReceiveBuffer();
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

void THttpCli::ProcessReceiveBuffer()
{
    if (FState == httpWaitingBody) {
        const QByteArray block(FReceiveBuffer, FReceiveLen);
        ConsumeReceived(FReceiveLen);
        BodyBlock(block.constData(), static_cast<int>(block.size()));
        return;
    }
    const unsigned serial = FSerial;
    while (FReceiveLen > 0) {
        const char* lf = static_cast<const char*>(std::memchr(FReceiveBuffer, '\n', static_cast<std::size_t>(FReceiveLen)));
        if (!lf)
            return;
        const int lineLen = static_cast<int>(lf - FReceiveBuffer);
        int textLen = lineLen;
        if (textLen > 0 && FReceiveBuffer[textLen - 1] == '\r')
            --textLen;
        const QByteArray line(FReceiveBuffer, textLen);
        const QByteArray lineEnd(FReceiveBuffer + textLen, lineLen + 1 - textLen);
        ConsumeReceived(lineLen + 1);

        if (FState == httpWaitingHeader)
            HeaderLine(line, lineEnd);
        // else: a line arriving while aborting or connecting is dropped

        if (serial != FSerial || (FState != httpWaitingHeader && FState != httpWaitingBody))
            return;
        if (FCtrlSocket->State() == wsClosed)
            return; // closed after an error status or for a relocation: the rest is not read
        if (FState == httpWaitingBody) {
            // The header has ended: what follows in the buffer is the body, line ends and all.
            if (FReceiveLen > 0) {
                const QByteArray block(FReceiveBuffer, FReceiveLen);
                ConsumeReceived(FReceiveLen);
                BodyBlock(block.constData(), static_cast<int>(block.size()));
            }
            return;
        }
    }
}

void THttpCli::HeaderLine(const QByteArray& line, const QByteArray& lineEnd)
{
    const QString text = QString::fromLatin1(line);
    if (FHeaderLineCount == 0 && OnHeaderBegin)
        OnHeaderBegin(this);
    ++FHeaderLineCount;

    if (text.left(6).toUpper() == QLatin1String("<HTML>")) {
        // A document without a header: this line is already the body.
        if (FContentType.isEmpty())
            FContentType = QStringLiteral("text/html");
        SetState(httpWaitingBody);
        if (OnHeaderEnd)
            OnHeaderEnd(this);
        if (FState == httpWaitingBody) {
            const QByteArray block = line + lineEnd;
            BodyBlock(block.constData(), static_cast<int>(block.size()));
        }
        return;
    }

    if (text.isEmpty()) {
        HeaderEnded();
        return;
    }

    FReceivedHeaders.append(text);
    if (text.startsWith(QLatin1String("HTTP/1.0")) || text.startsWith(QLatin1String("HTTP/1.1"))) {
        FStatusCode = static_cast<int>(std::clamp<qint64>(HttpHeaderNumber(text.mid(9, 3)), -999, 999));
        FReasonPhrase = text.mid(13);
    } else {
        const int colon = text.indexOf(QLatin1Char(':'));
        if (colon >= 0)
            HeaderValue(text.left(colon).toLower(), text.mid(colon + 2));
    }
    if (OnHeaderData)
        OnHeaderData(this);
    if (FStatusCode >= 400 && FState == httpWaitingHeader)
        FCtrlSocket->Close();
}

void THttpCli::HeaderValue(const QString& name, const QString& value)
{
    if (name == QLatin1String("location")) {
        FRelocationPending = true;
        SetRelocation(value);
    } else if (name == QLatin1String("content-length")) {
        FContentLength = HttpHeaderNumber(value);
    } else if (name == QLatin1String("content-type")) {
        FContentType = value.toLower();
    } else if (name == QLatin1String("www-authenticate")) {
        FAuthenticateHeaders.append(value);
    }
}

void THttpCli::SetRelocation(const QString& location)
{
    const auto root = [this](const QString& scheme) { return scheme + QStringLiteral("://") + FTargetHost; };
    if (!FProxy.isEmpty()) {
        const TUrlParts to = SplitURL(location);
        const QString scheme = to.Proto.isEmpty() ? QStringLiteral("http") : to.Proto;
        if (to.Path.isEmpty())
            FRequestPath = root(scheme) + QLatin1Char('/') + to.Host;
        else if (to.Host.isEmpty())
            FRequestPath = root(scheme) + to.Path;
        else
            FRequestPath = location;
        return;
    }
    if (location.startsWith(QLatin1Char('/'))) {
        FRequestPath = location;
        return;
    }
    const TUrlParts to = SplitURL(location);
    const QString scheme = to.Proto.isEmpty() ? QStringLiteral("http") : to.Proto;
    FConnectHost = to.Host;
    FRequestPath = to.Path;
    if (!to.Port.isEmpty())
        FConnectPort = to.Port;
    if (to.Path.isEmpty()) {
        // A bare name is a file on the current server.
        FRequestPath = root(scheme) + QLatin1Char('/') + to.Host;
        FConnectHost = FTargetHost;
    } else if (to.Host.isEmpty()) {
        FRequestPath = root(scheme) + to.Path;
        FConnectHost = FTargetHost;
    } else {
        FTargetHost = FConnectHost;
    }
}

void THttpCli::HeaderEnded()
{
    if (FRelocationPending) {
        if (OnHeaderEnd)
            OnHeaderEnd(this);
        if (FState != httpWaitingHeader)
            return; // aborted by the handler
        FReceiveLen = 0;
        FHeaderLineCount = 0;
        FBodyLineCount = 0;
        if (FRelocationCount >= MaxRelocations) {
            FRelocationPending = false;
            FStatusCode = 404;
            FReasonPhrase = QStringLiteral("Too many redirections");
            FCtrlSocket->Close();
            return;
        }
        ++FRelocationCount;
        FCtrlSocket->OnSessionClosed = [this](QObject*, std::uint16_t) { LocationSessionClosed(); };
        FCtrlSocket->Close();
        return;
    }
    FDocName = DocumentNameForContent(FDocName, FContentType);
    SetState(httpWaitingBody);
    if (OnHeaderEnd)
        OnHeaderEnd(this);
}

void THttpCli::BodyBlock(const char* data, int length)
{
    if (length <= 0)
        return;
    if (FBodyLineCount == 0 && OnDocBegin)
        OnDocBegin(this);
    ++FBodyLineCount;
    FReceivedCount += length;
    if (OnDocData)
        OnDocData(this, data, length);
    if (FReceiveStream)
        FReceiveStream->write(data, length);
}

void THttpCli::SocketSessionClosed()
{
    FConnected = false;
    if (FState == httpReady)
        return;
    if (FBodyLineCount > 0 && OnDocEnd)
        OnDocEnd(this);
    EndRequest();
}

void THttpCli::LocationSessionClosed()
{
    FConnected = false;
    FRelocationPending = false;
    FCtrlSocket->OnSessionClosed = [this](QObject*, std::uint16_t) { SocketSessionClosed(); };
    if (OnLocationChange)
        OnLocationChange(this);
    const unsigned serial = FSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (serial != FSerial || FState == httpReady || FState == httpAborting)
                return;
            try {
                StartLookup();
            } catch (...) {
            }
        },
        Qt::QueuedConnection);
}
