// Secure connections against loopback TLS servers with certificates made by the test's own
// authority: what verifies, what does not and why, and the redirect rules between http and
// https. No test trusts the system's store.
#include "HttpProt.h"
#include "ScriptedServer.h"
#include "TestTls.h"
#include "TlsContext.h"

#include <gtest/gtest.h>

#include <QBuffer>

namespace {

const TestCa& OurCa()
{
    static const TestCa ca = MakeTestCa("Tonewright test CA");
    return ca;
}

std::shared_ptr<TTlsContext> TrustOurCa()
{
    return TTlsContext::FromPem(OurCa().CertPem);
}

ScriptedServer::Script Answer(const QByteArray& response)
{
    return [response](ServerConnection& c) {
        c.ReadRequest();
        c.Send(response);
    };
}

struct Fetch {
    THttpCli Cli;
    QBuffer Body;
    int Done = 0;
    explicit Fetch(std::shared_ptr<TTlsContext> trust)
    {
        Body.open(QIODevice::ReadWrite);
        Cli.SetReceiveStream(&Body);
        Cli.SetTlsContext(std::move(trust));
        Cli.OnRequestDone = [this](QObject*, THttpRequest, std::uint16_t) { ++Done; };
    }
    bool Get(const QString& url)
    {
        Cli.SetURL(url);
        Cli.StartGet();
        return QTest::qWaitFor([&] { return Done > 0; }, 15000);
    }
};

} // namespace

TEST(TlsContext, ReadsOnlyCertificates)
{
    EXPECT_NE(TTlsContext::FromPem(OurCa().CertPem), nullptr);
    EXPECT_EQ(TTlsContext::FromPem("not a certificate"), nullptr);
    EXPECT_NE(TTlsContext::SystemDefault(), nullptr);
}

// The handshake verifies the chain and the name the client asked for; a failure names why.
TEST(TlsSocket, VerifiesTheChainAndTheName)
{
    const TestCa stranger = MakeTestCa("Someone else");
    struct Case {
        const char* Name;
        QStringList Dns;
        QStringList Ips;
        std::shared_ptr<TTlsContext> Trust;
        QString Peer;
        QString Error; // empty: connects
    } cases[] = {
        {"name", {QStringLiteral("update.tonewright.test")}, {}, TrustOurCa(), QStringLiteral("update.tonewright.test"), {}},
        {"address", {}, {QStringLiteral("127.0.0.1")}, TrustOurCa(), QStringLiteral("127.0.0.1"), {}},
        {"other name", {QStringLiteral("other.test")}, {}, TrustOurCa(), QStringLiteral("update.tonewright.test"),
         QStringLiteral("certificate verify failed: hostname mismatch")},
        {"other address", {}, {QStringLiteral("10.1.2.3")}, TrustOurCa(), QStringLiteral("127.0.0.1"),
         QStringLiteral("certificate verify failed: IP address mismatch")},
        {"untrusted", {}, {QStringLiteral("127.0.0.1")}, TTlsContext::FromPem(stranger.CertPem), QStringLiteral("127.0.0.1"),
         QStringLiteral("certificate verify failed: unable to get local issuer certificate")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedServer server({[](ServerConnection& conn) {
                                  conn.Send("hello");
                                  conn.WaitPeerClose();
                              }},
                              false, MakeServerContext(OurCa(), c.Dns, c.Ips));
        TWSocket s;
        int connected = -1;
        QByteArray received;
        s.OnSessionConnected = [&](QObject*, std::uint16_t e) { connected = e; };
        s.OnDataAvailable = [&](QObject*, std::uint16_t) {
            char buf[64];
            const int n = s.Receive(buf, sizeof buf);
            if (n > 0)
                received.append(buf, n);
        };
        s.SetTls(c.Trust, c.Peer);
        s.SetAddr(QStringLiteral("127.0.0.1"));
        s.SetPort(QString::number(server.Port()));
        s.Connect();
        ASSERT_TRUE(QTest::qWaitFor([&] { return connected >= 0; }, WaitGuardMs));
        if (c.Error.isEmpty()) {
            EXPECT_EQ(connected, 0) << s.TlsError().toStdString();
            ASSERT_TRUE(QTest::qWaitFor([&] { return received == "hello"; }, WaitGuardMs));
        } else {
            EXPECT_EQ(connected, WSAESECUREFAILED);
            EXPECT_EQ(s.TlsError(), c.Error);
            EXPECT_TRUE(QTest::qWaitFor([&] { return s.State() == wsClosed; }, WaitGuardMs));
            EXPECT_TRUE(received.isEmpty());
        }
        s.Close();
    }
}

TEST(Https, GetsADocumentAndRefusesAnUnverifiedServer)
{
    ScriptedServer server({Answer("HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\nsecret")}, true,
                          MakeServerContext(OurCa(), {}, {QStringLiteral("127.0.0.1")}));
    const QString url = QStringLiteral("https://127.0.0.1:%1/page").arg(server.Port());
    Fetch good(TrustOurCa());
    ASSERT_TRUE(good.Get(url));
    EXPECT_EQ(good.Cli.StatusCode(), 200);
    EXPECT_EQ(good.Body.data(), QByteArray("secret"));
    EXPECT_EQ(server.Requests().value(0), QByteArray("GET /page HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"));

    Fetch refused(TTlsContext::FromPem(MakeTestCa("Someone else").CertPem));
    ASSERT_TRUE(refused.Get(url));
    EXPECT_EQ(refused.Cli.StatusCode(), 404);
    EXPECT_EQ(refused.Cli.ReasonPhrase(),
              QStringLiteral("Secure connection to 127.0.0.1 failed: certificate verify failed: unable to get local issuer certificate"));
    EXPECT_EQ(refused.Cli.RequestDoneError(), WSAESECUREFAILED);
    EXPECT_TRUE(refused.Body.data().isEmpty());
}

// http may lead to https; https never leads back to plain http.
TEST(Https, RedirectsOnlyTowardsSecurity)
{
    ScriptedServer secure({Answer("HTTP/1.0 200 OK\r\n\r\nover tls")}, true,
                          MakeServerContext(OurCa(), {}, {QStringLiteral("127.0.0.1")}));
    ScriptedServer plain({Answer("HTTP/1.0 301 Moved\r\nLocation: https://127.0.0.1:"
                                 + QByteArray::number(secure.Port()) + "/new\r\n\r\n")},
                         true);
    Fetch up(TrustOurCa());
    ASSERT_TRUE(up.Get(QStringLiteral("http://127.0.0.1:%1/old").arg(plain.Port())));
    EXPECT_EQ(up.Cli.StatusCode(), 200);
    EXPECT_EQ(up.Body.data(), QByteArray("over tls"));
    EXPECT_EQ(secure.Requests().value(0), QByteArray("GET /new HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"));

    ScriptedServer down({Answer("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:" + QByteArray::number(plain.Port())
                                + "/x\r\n\r\n")},
                        true, MakeServerContext(OurCa(), {}, {QStringLiteral("127.0.0.1")}));
    const int plainBefore = plain.Accepted();
    Fetch back(TrustOurCa());
    ASSERT_TRUE(back.Get(QStringLiteral("https://127.0.0.1:%1/").arg(down.Port())));
    EXPECT_EQ(back.Cli.StatusCode(), 404);
    EXPECT_EQ(back.Cli.ReasonPhrase(), THttpCli::ReasonInsecureRedirect);
    EXPECT_EQ(plain.Accepted(), plainBefore);
}
