// The socket against scripted loopback servers: lookups, connection, sending, receiving,
// closure and the error reports.
#include "ScriptedServer.h"
#include "WSocket.h"
#include "WSockbuf.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Records a socket's events as readable lines, in order.
struct SocketLog {
    std::vector<std::string> Events;
    QByteArray Received;
    int ReadPiece = 65536;

    void Attach(TWSocket& s)
    {
        s.OnDnsLookupDone = [this](QObject*, std::uint16_t e) { Events.push_back("DnsLookupDone " + std::to_string(e)); };
        s.OnSessionConnected = [this](QObject*, std::uint16_t e) { Events.push_back("SessionConnected " + std::to_string(e)); };
        s.OnSessionClosed = [this](QObject*, std::uint16_t e) { Events.push_back("SessionClosed " + std::to_string(e)); };
        s.OnDataSent = [this](QObject*, std::uint16_t e) { Events.push_back("DataSent " + std::to_string(e)); };
        s.OnDataAvailable = [this, &s](QObject*, std::uint16_t) {
            QByteArray piece(ReadPiece, '\0');
            const int n = s.Receive(piece.data(), ReadPiece);
            if (n > 0)
                Received.append(piece.constData(), n);
            if (Events.empty() || Events.back() != "DataAvailable")
                Events.push_back("DataAvailable");
        };
    }
    int Count(const std::string& e) const { return static_cast<int>(std::count(Events.begin(), Events.end(), e)); }
    bool Has(const std::string& e) const { return Count(e) > 0; }
};

void ConnectTo(TWSocket& s, int port)
{
    s.SetAddr(QStringLiteral("127.0.0.1"));
    s.SetPort(QString::number(port));
    s.Connect();
}

QString ThrownMessage(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ESocketException& e) {
        return e.Message();
    }
    return QStringLiteral("<nothing thrown>");
}

} // namespace

TEST(TBuffer, FillsReadsAndRefills)
{
    TBuffer defaulted(0);
    EXPECT_EQ(defaulted.Size(), 1514);
    EXPECT_EQ(TBuffer(-5).Size(), 1514);

    TBuffer b(10);
    EXPECT_EQ(b.Append("abcdef", 6), 6);
    EXPECT_EQ(b.Append("ghijkl", 6), 4); // only what fits
    EXPECT_EQ(b.Append("x", 1), 0);      // full
    const char* data = nullptr;
    ASSERT_EQ(b.Pending(&data), 10);
    EXPECT_EQ(std::string(data, 10), "abcdefghij");

    b.Consume(3);
    ASSERT_EQ(b.Pending(&data), 7);
    EXPECT_EQ(std::string(data, 7), "defghij");
    EXPECT_EQ(b.Append("x", 1), 0); // still full until everything is read

    b.Consume(100); // more than is unread
    EXPECT_EQ(b.Pending(&data), 0);
    EXPECT_EQ(b.WrCount(), 0);
    EXPECT_EQ(b.Append("0123456789", 10), 10);

    b.SetSize(20);
    ASSERT_EQ(b.Pending(&data), 10);
    EXPECT_EQ(std::string(data, 10), "0123456789");
    EXPECT_EQ(b.Append("0123456789AB", 12), 10);
}

TEST(WSocketLookup, NumericAddressAnswersBeforeReturning)
{
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    s.LookupHost(QStringLiteral("127.0.0.1"));
    ASSERT_EQ(log.Events, std::vector<std::string>{"DnsLookupDone 0"});
    EXPECT_EQ(s.DnsResult(), QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(s.DnsResultList().isEmpty());

    log.Events.clear();
    s.LookupHost(QStringLiteral("127.1")); // the short numeric forms count as numeric too
    EXPECT_EQ(log.Events, std::vector<std::string>{"DnsLookupDone 0"});
    EXPECT_EQ(s.DnsResult(), QStringLiteral("127.0.0.1"));
}

TEST(WSocketLookup, NameIsAnsweredLaterOnTheOwningThread)
{
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    s.LookupHost(QStringLiteral("localhost"));
    EXPECT_TRUE(log.Events.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.Events.empty(); }, WaitGuardMs));
    EXPECT_EQ(log.Events, std::vector<std::string>{"DnsLookupDone 0"});
    EXPECT_EQ(s.DnsResult(), QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(s.DnsResultList().contains(QStringLiteral("127.0.0.1")));

    log.Events.clear();
    s.LookupHost(UnresolvableHost());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.Events.empty(); }, WaitGuardMs));
    ASSERT_EQ(log.Events.size(), 1u);
    EXPECT_NE(log.Events[0], "DnsLookupDone 0");
    EXPECT_TRUE(s.DnsResult().isEmpty());
}

TEST(WSocketLookup, CancelReportsInterruptionAndDropsTheAnswer)
{
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    s.LookupHost(QStringLiteral("localhost"));
    s.CancelLookup();
    EXPECT_EQ(log.Events, std::vector<std::string>{"DnsLookupDone 10004"});
    QTest::qWait(300); // the helper's answer, if it came, must not be reported
    EXPECT_EQ(log.Events, std::vector<std::string>{"DnsLookupDone 10004"});
    EXPECT_TRUE(s.DnsResult().isEmpty());

    s.CancelLookup(); // nothing pending: nothing happens
    EXPECT_EQ(log.Events.size(), 1u);
}

TEST(WSocketLookup, DestroyingWithALookupPendingIsSafe)
{
    for (int i = 0; i < 20; ++i) {
        auto s = std::make_unique<TWSocket>();
        int answers = 0;
        s->OnDnsLookupDone = [&](QObject*, std::uint16_t) { ++answers; };
        s->LookupHost(QStringLiteral("localhost"));
        s.reset();
        EXPECT_EQ(answers, 0);
    }
    QTest::qWait(200);
}

TEST(WSocketLookup, EmptyNameIsAnError)
{
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    EXPECT_EQ(ThrownMessage([&] { s.LookupHost(QString()); }), QStringLiteral("DNS lookup: invalid host name."));
    EXPECT_TRUE(log.Events.empty());

    int errors = 0;
    s.OnError = [&](QObject*) { ++errors; };
    s.LookupHost(QString());
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(log.Events, std::vector<std::string>{"DnsLookupDone 10022"});
}

TEST(WSocketConnect, RefusesMissingPropertiesInOrder)
{
    TWSocket s;
    EXPECT_EQ(ThrownMessage([&] { s.Connect(); }), QStringLiteral("Connect: No Port Specified"));
    s.SetPort(QStringLiteral("80"));
    EXPECT_EQ(ThrownMessage([&] { s.Connect(); }), QStringLiteral("Connect: No IP Address Specified"));
    s.SetProto(QString());
    s.SetAddr(QStringLiteral("127.0.0.1"));
    EXPECT_EQ(ThrownMessage([&] { s.Connect(); }), QStringLiteral("Connect: No Protocol Specified"));
    EXPECT_EQ(s.State(), wsClosed);

    EXPECT_EQ(ThrownMessage([&] { s.SetPort(QStringLiteral("no-such-service-here")); }),
              QStringLiteral("Error 10022 in function SetPort: Cannot convert port 'no-such-service-here'\r\n"
                             "Invalid argument"));
    s.SetProto(QStringLiteral("tcp"));
    s.SetPort(QStringLiteral("http")); // service names work
    EXPECT_EQ(s.Port(), QStringLiteral("http"));
}

TEST(WSocketConnect, ConnectsSendsAndClosesWithTheEventsInOrder)
{
    QByteArray got;
    ScriptedServer server({[&](ServerConnection& c) {
        got = c.ReadBytes(5);
        c.WaitPeerClose();
    }});
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    std::vector<std::pair<int, int>> states;
    s.OnChangeState = [&](QObject*, TSocketState o, TSocketState n) { states.emplace_back(o, n); };

    ConnectTo(s, server.Port());
    EXPECT_EQ(s.State(), wsConnecting);
    EXPECT_TRUE(log.Events.empty()); // even a connection made at once is reported later
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("SessionConnected 0"); }, WaitGuardMs));
    EXPECT_EQ(s.State(), wsConnected);
    EXPECT_EQ(states, (std::vector<std::pair<int, int>>{{wsClosed, wsOpened}, {wsOpened, wsConnecting}, {wsConnecting, wsConnected}}));

    // Closing resets the connection rather than lingering.
    linger l{};
    socklen_t len = sizeof l;
    ASSERT_EQ(getsockopt(s.HSocket(), SOL_SOCKET, SO_LINGER, &l, &len), 0);
    EXPECT_EQ(l.l_onoff, 1);
    EXPECT_EQ(l.l_linger, 0);

    EXPECT_EQ(ThrownMessage([&] { s.SetPort(QStringLiteral("81")); }), QStringLiteral("Cannot change Port if not closed"));
    EXPECT_EQ(ThrownMessage([&] { s.SetAddr(QStringLiteral("127.0.0.2")); }), QStringLiteral("Cannot change Addr if not closed"));
    EXPECT_EQ(ThrownMessage([&] { s.Connect(); }), QStringLiteral("Connect: Socket already in use"));

    EXPECT_EQ(s.Send("hello", 5), 5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("DataSent 0"); }, WaitGuardMs));
    s.Close();
    EXPECT_EQ(log.Count("SessionClosed 0"), 1);
    s.Close(); // a second close reports nothing more
    EXPECT_EQ(log.Count("SessionClosed 0"), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.ScriptsDone(); }, WaitGuardMs));
    EXPECT_EQ(got, QByteArray("hello"));

    // Address and port must be given again before the next connection.
    EXPECT_TRUE(s.Addr().isEmpty());
    EXPECT_TRUE(s.Port().isEmpty());
    EXPECT_EQ(s.Proto(), QStringLiteral("tcp"));
    EXPECT_EQ(ThrownMessage([&] { s.Connect(); }), QStringLiteral("Connect: No Port Specified"));
    EXPECT_EQ(ThrownMessage([&] { s.Send("x", 1); }),
              QStringLiteral("Error 10057 in function Send\r\nSocket is not connected"));
    EXPECT_EQ(s.LastError(), 10057);
}

TEST(WSocketConnect, RefusedConnectionReportsTheErrorThenTheClosure)
{
    int holder = -1;
    const int port = RefusingPort(&holder);
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    ConnectTo(s, port);
    EXPECT_TRUE(log.Events.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("SessionClosed 0"); }, WaitGuardMs));
    EXPECT_EQ(log.Events, (std::vector<std::string>{"SessionConnected 10061", "SessionClosed 0"}));
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(WSocketErrorDesc(10061), QStringLiteral("Connection refused"));
    ::close(holder);
}

TEST(WSocketSend, FourThousandBytesGoOutWithOneDataSentAfterSendReturns)
{
    QByteArray got;
    ScriptedServer server({[&](ServerConnection& c) {
        got = c.ReadBytes(4000);
        c.WaitPeerClose();
    }});
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    ConnectTo(s, server.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("SessionConnected 0"); }, WaitGuardMs));

    QByteArray data(4000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>('A' + i % 26 + (i / 1514));
    EXPECT_EQ(s.Send(data.constData(), data.size()), 4000);
    EXPECT_FALSE(log.Has("DataSent 0")); // never from inside Send
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("DataSent 0"); }, WaitGuardMs));
    QTest::qWait(100);
    EXPECT_EQ(log.Count("DataSent 0"), 1);
    s.Close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.ScriptsDone(); }, WaitGuardMs));
    EXPECT_EQ(got, data);
}

TEST(WSocketSend, DataTheSystemDoesNotTakeAtOnceFollowsOnWriteEvents)
{
    std::atomic<bool> clientSent{false};
    std::atomic<bool> serverGotAll{false};
    const int total = 24 * 1024 * 1024;
    QByteArray got;
    ScriptedServer server({[&](ServerConnection& c) {
        clientSent.wait(false);
        got = c.ReadBytes(total);
        serverGotAll = true;
        c.WaitPeerClose();
    }});
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    ConnectTo(s, server.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("SessionConnected 0"); }, WaitGuardMs));

    QByteArray data(total, '\0');
    for (int i = 0; i < total; ++i)
        data[i] = static_cast<char>((i * 7 + i / 4096) & 0xff);
    EXPECT_EQ(s.Send(data.constData(), total), total);
    clientSent = true;
    clientSent.notify_all();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("DataSent 0"); }, 60000));
    // Closing resets the connection and drops what the system still holds: wait first.
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverGotAll.load(); }, 60000));
    s.Close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.ScriptsDone(); }, WaitGuardMs));
    EXPECT_EQ(log.Count("DataSent 0"), 1);
    EXPECT_TRUE(got == data);
}

TEST(WSocketReceive, DataWaitingWhenThePeerClosesComesBeforeTheClosure)
{
    QByteArray data(100000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i % 251);
    std::atomic<bool> sent{false};
    ScriptedServer server({[&](ServerConnection& c) {
        c.Send(data);
        c.Close();
        sent = true;
        sent.notify_all();
    }});
    TWSocket s;
    SocketLog log;
    log.ReadPiece = 1000;
    log.Attach(s);
    ConnectTo(s, server.Port());
    // Not spinning until the server has sent everything and closed, so the closure is
    // already known when the first data is handled.
    sent.wait(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("SessionClosed 0"); }, WaitGuardMs));
    EXPECT_EQ(log.Received, data);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"SessionConnected 0", "DataAvailable", "SessionClosed 0"}));
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(s.ReadCount(), 0); // counts start again after a close
}

TEST(WSocketReceive, ReadCountAndWaitingBytes)
{
    std::atomic<bool> sent{false};
    ScriptedServer server({[&](ServerConnection& c) {
        c.Send(QByteArray(300, 'x'));
        sent = true;
        sent.notify_all();
        c.WaitPeerClose();
    }});
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    int waitingSeen = -2;
    s.OnDataAvailable = [&](QObject*, std::uint16_t) {
        waitingSeen = s.RcvdCount();
        char buf[100];
        s.Receive(buf, sizeof buf); // reads a third: the loop calls again while data waits
    };
    ConnectTo(s, server.Port());
    sent.wait(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.ReadCount() == 300; }, WaitGuardMs));
    EXPECT_EQ(waitingSeen, 100);
    char buf[10];
    EXPECT_LT(s.Receive(buf, sizeof buf), 0);
    EXPECT_EQ(s.LastError(), 10035);
    s.Close();
}

TEST(WSocketSend, SendingToAResetPeerEndsTheConnectionWithoutKillingTheProgram)
{
    std::atomic<bool> reset{false};
    ScriptedServer server({[&](ServerConnection& c) {
        c.ReadBytes(1);
        c.Reset();
        reset = true;
        reset.notify_all();
    }});
    TWSocket s;
    SocketLog log;
    log.Attach(s);
    ConnectTo(s, server.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("SessionConnected 0"); }, WaitGuardMs));
    s.Send("x", 1);
    reset.wait(false);
    // The reset has reached this side's socket once it reports an error or end of data.
    pollfd arrived{s.HSocket(), POLLIN, 0};
    ASSERT_EQ(poll(&arrived, 1, 15000), 1);
    // Without spinning the loop the socket has not seen the reset; reading takes the reset's
    // error away, so the sends below meet a broken pipe.
    char buf[16];
    EXPECT_LT(s.Receive(buf, sizeof buf), 0);
    EXPECT_EQ(s.LastError(), 10054);
    const QByteArray more(5000, 'y');
    for (int i = 0; i < 5 && s.State() == wsConnected; ++i)
        s.Send(more.constData(), more.size());
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.State() == wsClosed; }, WaitGuardMs));
    EXPECT_TRUE(log.Has("SessionClosed 10054")) << log.Events.back();
}

TEST(WSocketErrors, TextsAndMessageFormat)
{
    EXPECT_EQ(WSocketErrorDesc(0), QStringLiteral("No Error"));
    EXPECT_EQ(WSocketErrorDesc(10060), QStringLiteral("Connection timed out"));
    EXPECT_EQ(WSocketErrorDesc(11001), QStringLiteral("Host not found"));
    EXPECT_EQ(WSocketErrorDesc(10001), QStringLiteral("Not a WinSock error"));
    EXPECT_EQ(WSocketErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WSocketErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(WSocketErrorFromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(WSocketErrorFromErrno(EINPROGRESS), 10036);
    EXPECT_EQ(WSocketErrorMessage(10061, QStringLiteral("Connect")),
              QStringLiteral("Error 10061 in function Connect\r\nConnection refused"));
}

// IPv6: numeric addresses (with or without the URL's brackets) are looked up and connected to.
TEST(WSocketConnect, ReachesAnIPv6Address)
{
    const int listener = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 addr{};
    addr.sin6_family = AF_INET6;
    addr.sin6_addr = in6addr_loopback;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        GTEST_SKIP() << "no IPv6 loopback here";
    ::listen(listener, 1);
    socklen_t len = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);

    TWSocket s;
    SocketLog log;
    log.Attach(s);
    s.LookupHost(QStringLiteral("[::1]"));
    EXPECT_EQ(s.DnsResult(), QStringLiteral("::1"));
    s.SetAddr(s.DnsResult());
    s.SetPort(QString::number(ntohs(addr.sin6_port)));
    s.Connect();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("SessionConnected 0"); }, WaitGuardMs));
    const int peer = ::accept(listener, nullptr, nullptr);
    EXPECT_GE(peer, 0);
    s.Close();
    ::close(peer);
    ::close(listener);
}
