#include "HttpFuzzDriver.h"

#include "FakeWSocket.h"
#include "HttpProt.h"

#include <QBuffer>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void RunPostedWork()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::sendPostedEvents();
}

} // namespace

HttpDriveResult DriveHttpResponse(const std::vector<HttpDriveStep>& steps, bool viaProxy)
{
    HttpDriveResult r;
    auto owned = std::make_unique<FakeWSocket>();
    FakeWSocket* socket = owned.get();
    THttpCli cli(nullptr, std::move(owned));
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    cli.SetReceiveStream(&stream);
    cli.SetURL(QStringLiteral("http://127.0.0.1:8080/dir/setup.exe?v=1"));
    if (viaProxy)
        cli.SetProxy(QStringLiteral("127.0.0.1:3128"));

    bool docEnded = false;
    bool inBody = false;
    cli.OnDocBegin = [&](QObject*) {
        if (inBody)
            r.Violations << QStringLiteral("DocBegin twice");
        inBody = true;
    };
    cli.OnDocData = [&](QObject*, const char* data, int len) {
        if (!inBody || docEnded)
            r.Violations << QStringLiteral("DocData outside the body");
        if (len <= 0 || !data)
            r.Violations << QStringLiteral("empty DocData");
        else
            r.Body.append(data, len);
    };
    cli.OnDocEnd = [&](QObject*) {
        if (!inBody || docEnded)
            r.Violations << QStringLiteral("DocEnd without a body");
        docEnded = true;
    };
    cli.OnLocationChange = [&](QObject*) {
        ++r.Relocations;
        if (inBody)
            r.Violations << QStringLiteral("relocation after the body began");
    };
    cli.OnRequestDone = [&](QObject*, THttpRequest type, std::uint16_t error) {
        ++r.Done;
        r.Error = error;
        if (type != httpGET)
            r.Violations << QStringLiteral("wrong request type");
        if (cli.State() != httpReady)
            r.Violations << QStringLiteral("done while not ready");
    };

    cli.StartGet();
    if (r.Done != 0)
        r.Violations << QStringLiteral("done inside StartGet");
    for (const HttpDriveStep& step : steps) {
        RunPostedWork();
        if (cli.State() == httpReady)
            break;
        if (step.What == HttpDriveStep::Abort) {
            cli.Abort();
            if (r.Done != 0)
                r.Violations << QStringLiteral("done inside Abort");
            continue;
        }
        if (socket->State() == wsConnected)
            socket->Arrive(step.Bytes);
    }
    for (int i = 0; i < 200 && cli.State() != httpReady; ++i) {
        RunPostedWork();
        if (socket->State() == wsConnected)
            socket->PeerClose();
    }
    RunPostedWork();

    if (cli.State() != httpReady)
        r.Violations << QStringLiteral("request never ended");
    if (r.Done != 1)
        r.Violations << QStringLiteral("OnRequestDone raised %1 times").arg(r.Done);
    if (r.Relocations > THttpCli::MaxRelocations)
        r.Violations << QStringLiteral("too many relocations followed");
    if (cli.ReceivedCount() != r.Body.size() || stream.data() != r.Body)
        r.Violations << QStringLiteral("body counts disagree");

    r.StatusCode = cli.StatusCode();
    r.ReasonPhrase = cli.ReasonPhrase();
    r.Sent = socket->Sent;
    r.Headers = cli.ReceivedHeaders();
    r.ContentType = cli.ContentType();
    r.ContentLength = cli.ContentLength();
    r.ReceivedCount = cli.ReceivedCount();
    r.Connects = socket->Connects;
    if (r.Connects > r.Relocations + 1)
        r.Violations << QStringLiteral("more connections than relocations");
    return r;
}

HttpDriveResult DriveHttpResponse(const QByteArray& response, int chunkSize, bool viaProxy)
{
    std::vector<HttpDriveStep> steps;
    for (qsizetype i = 0; i < response.size(); i += chunkSize)
        steps.push_back({HttpDriveStep::Data, response.mid(i, chunkSize)});
    return DriveHttpResponse(steps, viaProxy);
}

int HttpFuzzOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool viaProxy = (data[0] & 1) != 0;
    std::vector<HttpDriveStep> steps;
    std::size_t i = 1;
    while (i < size) {
        const std::uint8_t b = data[i++];
        if (b == 0xFF) {
            steps.push_back({HttpDriveStep::Abort, {}});
            continue;
        }
        std::size_t len = b < 0x80 ? std::size_t(b) + 1 : std::size_t(b - 0x7F) * 64;
        len = std::min(len, size - i);
        steps.push_back({HttpDriveStep::Data, QByteArray(reinterpret_cast<const char*>(data + i), static_cast<qsizetype>(len))});
        i += len;
    }
    const HttpDriveResult r = DriveHttpResponse(steps, viaProxy);
    if (!r.Violations.isEmpty()) {
        std::fprintf(stderr, "HTTP client invariant broken: %s\n", qPrintable(r.Violations.join(QStringLiteral("; "))));
        std::abort();
    }
    return 0;
}
