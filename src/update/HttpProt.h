#pragma once
// THttpCli: an HTTP/1.0 client that performs one GET, POST or HEAD at a time over a TWSocket,
// plain (http://) or over TLS (https://), and reports progress and completion through events. Nothing blocks: every step after
// StartRequest happens in socket events or in the client's own queued calls. Every member
// belongs to the thread that created the client.
#include "ChunkedDecoder.h"
#include "WSocket.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;
class QTimer;

// The client's error class; codes 1 (busy) and 2 (nothing to post). A header line longer
// than the receive buffer ends the request as a failure ("Header line too long") instead.
class EHttpException : public Exception {
public:
    EHttpException(const QString& message, int errorCode) : Exception(message), FErrorCode(errorCode) {}
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

enum THttpState {
    httpReady,
    httpNotConnected,
    httpConnected,
    httpDnsLookup,
    httpDnsLookupDone,
    httpWaitingHeader,
    httpWaitingBody,
    httpAborting
};

enum THttpRequest { httpABORT, httpGET, httpPOST, httpHEAD };

using TOnCommand = std::function<void(QObject* Sender, QString& Line)>;
using TDocDataEvent = std::function<void(QObject* Sender, const char* Buffer, int Len)>;
using THttpRequestDone = std::function<void(QObject* Sender, THttpRequest RqType, std::uint16_t Error)>;

// The pieces of a URL; every piece empty for an empty URL.
struct TUrlParts {
    QString Proto;
    QString User;
    QString Pass;
    QString Host;
    QString Port;
    QString Path; // from the first "/" of the part after the scheme, query included
};
TUrlParts SplitURL(const QString& url);

// The local file name a request path suggests ("document.htm" for the server root).
QString DocumentNameFromPath(const QString& path);
// A name ending in ".exe" (any case) served as "text/html" gets the extension ".htm".
QString DocumentNameForContent(const QString& documentName, const QString& contentType);
// Base64 of RFC 2045, padded with "=".
QByteArray Base64Encode(const QByteArray& data);
// "Mon, 02 Jan 2006 15:04:05" for a date-time counted in days since 30 December 1899.
QString HttpDateText(double dateTime);
// A decimal number as a header carries it (surrounding blanks and a sign allowed); throws
// Exception when the text is not one.
qint64 HttpHeaderNumber(const QString& text);
// The target a Location header names, resolved against the URL of the current request
// (`currentUrl`, absolute): a path, a relative reference or a whole URL.
QString ResolveLocation(const QString& currentUrl, const QString& location);

class THttpCli : public QObject {
    Q_OBJECT

public:
    static constexpr int ReceiveBufferSize = 8192;
    static constexpr int SendBlockSize = 8193;
    static constexpr int MaxRelocations = 20;
    // A response's header may have this many lines and bytes at most.
    static constexpr int MaxHeaderLines = 200;
    static constexpr int MaxHeaderBytes = 64 * 1024;

    // The client's own reasons for a request that failed on the way.
    static inline const QString ReasonTruncated = QStringLiteral("Connection closed before the whole document arrived");
    static inline const QString ReasonNoResponse = QStringLiteral("Connection closed without a response");
    static inline const QString ReasonNoStatusLine = QStringLiteral("The server's response has no valid status line");
    static inline const QString ReasonLineTooLong = QStringLiteral("Header line too long");
    static inline const QString ReasonWriteFailed = QStringLiteral("The received document could not be stored");
    static inline const QString ReasonInsecureRedirect = QStringLiteral("The secure server redirected to an insecure address");
    static inline const QString ReasonSecureProxy = QStringLiteral("Secure addresses cannot be reached through a proxy");
    static inline const QString ReasonHeaderTooLarge = QStringLiteral("The server's response header is too large");
    static inline const QString ReasonBodyTooLong = QStringLiteral("The server sent more than the length it announced");
    static inline const QString ReasonConflictingLength = QStringLiteral("The server announced two different lengths");
    static inline const QString ReasonBadChunk = QStringLiteral("The server's chunked response is malformed");
    // %1: the limit in bytes.
    static inline const QString ReasonBodyTooLarge = QStringLiteral("The document is larger than the %1 bytes allowed");

    explicit THttpCli(QObject* parent = nullptr);
    // Uses `socket` (owned from now on) instead of a TWSocket of its own.
    THttpCli(QObject* parent, std::unique_ptr<TWSocket> socket);
    ~THttpCli() override;

    QString URL() const { return FURL; }
    void SetURL(const QString& value) { FURL = value; }
    // Proxy as host, host:port or a URL; empty for a direct connection.
    QString Proxy() const { return FProxy; }
    void SetProxy(const QString& value) { FProxy = value; }
    // Used when Proxy names no port.
    QString ProxyPort() const { return FProxyPort; }
    void SetProxyPort(const QString& value) { FProxyPort = value; }
    QString Sender() const { return FSender; }
    void SetSender(const QString& value) { FSender = value; }
    QString Agent() const { return FAgent; }
    void SetAgent(const QString& value) { FAgent = value; }
    QString Reference() const { return FReference; }
    void SetReference(const QString& value) { FReference = value; }
    QString Username() const { return FUsername; }
    void SetUsername(const QString& value) { FUsername = value; }
    QString Password() const { return FPassword; }
    void SetPassword(const QString& value) { FPassword = value; }
    QString ProxyUsername() const { return FProxyUsername; }
    void SetProxyUsername(const QString& value) { FProxyUsername = value; }
    QString ProxyPassword() const { return FProxyPassword; }
    void SetProxyPassword(const QString& value) { FProxyPassword = value; }
    bool NoCache() const { return FNoCache; }
    void SetNoCache(bool value) { FNoCache = value; }
    // Days since 30 December 1899; 0 sends no If-Modified-Since.
    double ModifiedSince() const { return FModifiedSince; }
    void SetModifiedSince(double value) { FModifiedSince = value; }
    QString Cookie() const { return FCookie; }
    void SetCookie(const QString& value) { FCookie = value; }
    QString ContentTypePost() const { return FContentTypePost; }
    void SetContentTypePost(const QString& value) { FContentTypePost = value; }
    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool value);
    // Seconds a request may go without any progress (resolved, connected, sent or received)
    // before it ends as "Connection timed out"; 0 means no limit.
    int Timeout() const { return FTimeout; }
    void SetTimeout(int seconds) { FTimeout = seconds < 0 ? 0 : seconds; }
    // The largest body a request takes (decoded bytes); 0 means no limit. Beyond it the
    // request fails (ReasonBodyTooLarge).
    qint64 MaxBodySize() const { return m_maxBodySize; }
    void SetMaxBodySize(qint64 bytes) { m_maxBodySize = bytes < 0 ? 0 : bytes; }
    // What https:// requests trust; the system's trust store unless set (tests set their own).
    void SetTlsContext(std::shared_ptr<TTlsContext> context) { m_tlsContext = std::move(context); }
    // Whether the current request goes over TLS.
    bool Secure() const { return m_secure; }
    // Whether StatusCode is the server's answer rather than the client's own failure (404 with
    // its reason: no connection, cancelled, cut short, refused).
    bool StatusFromServer() const { return m_statusFromServer; }

    int StatusCode() const { return FStatusCode; }
    QString ReasonPhrase() const { return FReasonPhrase; }
    qint64 ContentLength() const { return FContentLength; }
    // Whether the current response carried a Content-Length (ContentLength outlives responses).
    bool ContentLengthReceived() const { return FLengthInResponse; }
    QString ContentType() const { return FContentType; }
    qint64 ReceivedCount() const { return FReceivedCount; }
    qint64 SentCount() const { return FSentCount; }
    // Streams owned by the caller: the body goes to ReceiveStream, a POST body comes from
    // SendStream.
    QIODevice* ReceiveStream() const { return FReceiveStream; }
    void SetReceiveStream(QIODevice* stream) { FReceiveStream = stream; }
    QIODevice* SendStream() const { return FSendStream; }
    void SetSendStream(QIODevice* stream) { FSendStream = stream; }
    const QStringList& ReceivedHeaders() const { return FReceivedHeaders; }
    const QStringList& AuthenticateHeaders() const { return FAuthenticateHeaders; }
    QString DocumentName() const { return FDocName; }
    std::uint16_t RequestDoneError() const { return FRequestDoneError; }
    THttpState State() const { return FState; }
    bool Connected() const { return FConnected; }
    QString RequestPath() const { return FRequestPath; }
    QString TargetHost() const { return FTargetHost; }
    QString ConnectHost() const { return FConnectHost; }
    QString ConnectPort() const { return FConnectPort; }
    TWSocket* CtrlSocket() const { return FCtrlSocket.get(); }

    // Starts a request of URL and returns at once; OnRequestDone reports the end.
    void StartRequest(THttpRequest RequestType);
    void StartGet() { StartRequest(httpGET); }
    void StartPost() { StartRequest(httpPOST); }
    void StartHead() { StartRequest(httpHEAD); }
    // Abandons the running request ("Connection aborted on request").
    void Abort();

    TNotifyEvent OnTrace;
    TNotifyEvent OnSessionConnected;
    TNotifyEvent OnHeaderData;
    TOnCommand OnCommand;
    TNotifyEvent OnHeaderBegin;
    TNotifyEvent OnHeaderEnd;
    TNotifyEvent OnRequestHeaderBegin;
    TNotifyEvent OnRequestHeaderEnd;
    TNotifyEvent OnDocBegin;
    TDocDataEvent OnDocData;
    TNotifyEvent OnDocEnd;
    TNotifyEvent OnSendBegin;
    TDocDataEvent OnSendData;
    TNotifyEvent OnSendEnd;
    TNotifyEvent OnStateChange;
    THttpRequestDone OnRequestDone;
    TNotifyEvent OnLocationChange;

private:
    void Init();
    // Raises OnStateChange; false when a handler has moved the request on (an Abort), so the
    // caller must stop.
    bool SetState(THttpState newState);
    // Runs an application handler. An error it throws ends the request as a failure with its
    // message and goes to the application's handler; false then, or when the handler
    // destroyed the client.
    bool RunHandler(const std::function<void()>& handler);
    // The client's own failure: StatusCode 404 with `reason`.
    void SetClientFailure(const QString& reason);
    // Ends the running request as a client-side failure with `reason`.
    void Fail(const QString& reason, std::uint16_t error = 0);
    void StartLookup();
    void EndRequest();
    void AbortWith(const QString& reason, std::uint16_t error);
    void RestartTimer();
    void TimedOut();

    void SocketDnsLookupDone(std::uint16_t error);
    void SocketSessionConnected(std::uint16_t error);
    void SocketDataAvailable();
    void SocketDataSent();
    void SocketSessionClosed(std::uint16_t error);
    // The client's own reason when the connection closed before the response was whole;
    // empty when what arrived is the whole answer.
    QString CutShortReason(std::uint16_t error) const;
    // Ends the request with the message of the error being handled (a handler's or the
    // socket's); the caller rethrows it to the application's handler.
    void FailWithCurrentException();
    void LocationSessionClosed();

    // False when a handler destroyed the client.
    bool SendRequest(const QString& method, const QString& version);
    void SendNextBlock();
    // These three return false when a handler destroyed the client.
    bool ProcessReceiveBuffer();
    bool HeaderLine(const QByteArray& line, const QByteArray& lineEnd);
    bool BodyBlock(const char* data, int length);
    // Passes decoded body bytes on; false when a handler destroyed the client.
    bool DeliverBody(const char* data, int length);
    void HeaderValue(const QString& name, const QString& value);
    void SetRelocation(const QString& location);
    void HeaderEnded();
    void ConsumeReceived(int count);

    std::unique_ptr<TWSocket> FCtrlSocket;
    QTimer* FTimer = nullptr;

    QString FURL;
    QString FProxy;
    QString FProxyPort = QStringLiteral("80");
    QString FSender;
    QString FAgent;
    QString FReference;
    QString FUsername;
    QString FPassword;
    QString FProxyUsername;
    QString FProxyPassword;
    bool FNoCache = false;
    double FModifiedSince = 0;
    QString FCookie;
    QString FContentTypePost = QStringLiteral("application/x-www-form-urlencoded");
    bool FMultiThreaded = false;
    int FTimeout = 30;

    int FStatusCode = 0;
    QString FReasonPhrase;
    qint64 FContentLength = 0;
    QString FContentType;
    qint64 FReceivedCount = 0;
    qint64 FSentCount = 0;
    QIODevice* FReceiveStream = nullptr;
    QIODevice* FSendStream = nullptr;
    QStringList FReceivedHeaders;
    QStringList FAuthenticateHeaders;
    QString FDocName;
    std::uint16_t FRequestDoneError = 0;

    THttpState FState = httpReady;
    bool FConnected = false;
    THttpRequest FRequestType = httpGET;
    QString FRequestPath;
    QString FTargetHost;
    QString FConnectHost;
    QString FConnectPort;
    char FReceiveBuffer[ReceiveBufferSize + 1] = {};
    int FReceiveLen = 0;
    int FHeaderLineCount = 0;
    int FBodyLineCount = 0;
    bool FRelocationPending = false;
    // A Content-Length arrived in this response (ContentLength itself outlives requests).
    bool FLengthInResponse = false;
    // A receive error of this connection, kept for the report of its closure.
    int FReceiveError = 0;
    int FRelocationCount = 0;
    bool FSending = false;
    bool FCompletionPosted = false;
    unsigned FSerial = 0;

    std::shared_ptr<TTlsContext> m_tlsContext;
    bool m_secure = false;
    bool m_statusFromServer = false;
    bool m_insecureRedirect = false;
    qint64 m_maxBodySize = 0;
    int m_headerBytes = 0;
    bool m_lengthConflict = false;
    bool m_chunked = false;
    TChunkedDecoder m_chunks;
};
