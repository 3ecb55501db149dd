// One running program per settings file: a later start hands its files over and ends.
#include "SingleInstance.h"

#include "DesktopActivation.h"

#include "QtPrinters.h"
#include "Spin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    void TearDown() override
    {
        for (int fd : clients)
            ::close(fd);
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
    }

    // Processes events until `count` hand-overs arrived (a hang guard ends the wait).
    bool WaitForHandOvers(size_t count)
    {
        (void)QTest::qWaitFor([&] { return received.size() >= count; }, 10000);
        return received.size() == count;
    }
    void Collect(TSingleInstance& running)
    {
        running.OnFiles = [this](TSingleInstance*, const QStringList& files) { received.push_back(files); };
    }

    // A client of our own making, connected without blocking; -1 when the connection failed.
    int Connect(const QString& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        if (fd >= 0)
            clients.push_back(fd);
        return fd;
    }

    // A later start on `settings` hands over a new file `name`, which arrives as the first hand-over.
    void ExpectHandOver(const QString& settings, const QString& name)
    {
        const QString file = RealFile(name);
        TSingleInstance later(settings);
        EXPECT_FALSE(later.Start({file}));
        ASSERT_TRUE(WaitForHandOvers(1));
        EXPECT_EQ(received[0], QStringList{file});
    }

    // A file of `name` in a folder of the test's own, created; its path.
    QString RealFile(const QString& name)
    {
        QFile file(music.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return file.fileName();
    }

    QTemporaryDir runtime;
    QTemporaryDir music;
    QByteArray oldRuntime;
    std::vector<int> clients;
    std::vector<QStringList> received;
};
} // namespace

TEST_F(SingleInstance, ALaterStartHandsItsFilesToTheRunningProgramInOrder)
{
    const QString settings = QStringLiteral("/opt/tw/tonewright.ini");
    TSingleInstance running(settings);
    Collect(running);
    ASSERT_TRUE(running.Start({QStringLiteral("/own/first.wav")}));
    EXPECT_TRUE(running.Listening());
    EXPECT_TRUE(running.SocketPath().startsWith(runtime.path() + QStringLiteral("/tonewright-")));

    const QStringList files = {RealFile(QStringLiteral("b.wav")), RealFile(QStringLiteral("with blank\nand break.aiff")),
                               RealFile(QString::fromUtf8("\xC3\xA4.wav"))};
    {
        // What is neither a regular file nor a folder does not reach the list, however a later
        // start came by it.
        const QStringList sent = QStringList{files[0], music.filePath(QStringLiteral("missing.wav")), files[1],
                                             music.path(), music.path() + QStringLiteral("/./") + files[2].mid(music.path().size() + 1)};
        TSingleInstance later(settings);
        EXPECT_FALSE(later.Start(sent)) << "the later start ends";
        EXPECT_FALSE(later.Listening());
    }
    {
        TSingleInstance again(settings);
        EXPECT_FALSE(again.Start({})) << "a start without files only brings the window forward";
    }
    ASSERT_TRUE(WaitForHandOvers(2));
    EXPECT_EQ(received[0], (QStringList{files[0], files[1], music.path(), files[2]}));
    EXPECT_TRUE(received[1].isEmpty());
}

TEST_F(SingleInstance, ALaterStartPassesOnHowItWasLaunched)
{
    const QString settings = QStringLiteral("/opt/tw/tonewright.ini");
    TSingleInstance running(settings);
    std::vector<TLaunchActivation> launches;
    Collect(running);
    running.OnActivate = [&](TSingleInstance*, const TLaunchActivation& a) {
        EXPECT_EQ(received.size(), launches.size()) << "the launch comes before its files";
        launches.push_back(a);
    };
    ASSERT_TRUE(running.Start({}));
    const TLaunchActivation launch{"openbox-123-host-tonewright-0_TIME4711", "wl-token-1"};
    {
        TSingleInstance later(settings);
        EXPECT_FALSE(later.Start({RealFile(QStringLiteral("a.wav"))}, launch));
    }
    {
        TSingleInstance plain(settings);
        EXPECT_FALSE(plain.Start({}));
    }
    ASSERT_TRUE(WaitForHandOvers(2));
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0], launch);
    EXPECT_EQ(launches[1], TLaunchActivation{});
    EXPECT_EQ(received[0].size(), 1);
}

TEST(LaunchActivationRules, TheRemoveMessageAndTheLaunchTime)
{
    const struct {
        QByteArray Id, Message;
        quint32 Time;
    } cases[] = {
        {"kde-1_TIME1234", "remove: ID=kde-1_TIME1234", 1234},
        {"a b_TIME7", "remove: ID=\"a b_TIME7\"", 7},
        {"q\"uote\\x", "remove: ID=\"q\\\"uote\\\\x\"", 0},
        {"no-time", "remove: ID=no-time", 0},
        {"bad_TIMEx", "remove: ID=bad_TIMEx", 0},
        {"big_TIME99999999999", "remove: ID=big_TIME99999999999", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Id.toStdString());
        EXPECT_EQ(StartupRemoveMessage(c.Id), c.Message);
        EXPECT_EQ(StartupIdTime(c.Id), c.Time);
    }
}

TEST_F(SingleInstance, ProgramsOnDifferentSettingsFilesRunSideBySide)
{
    TSingleInstance a(QStringLiteral("/copy-a/tonewright.ini"));
    TSingleInstance b(QStringLiteral("/copy-b/tonewright.ini"));
    Collect(a);
    ASSERT_TRUE(a.Start({}));
    EXPECT_TRUE(b.Start({QStringLiteral("/x.wav")}));
    EXPECT_TRUE(b.Listening());
    EXPECT_NE(a.SocketPath(), b.SocketPath());
    QCoreApplication::processEvents();
    EXPECT_TRUE(received.empty());
}

TEST_F(SingleInstance, AProgramThatIsGoneLeavesNothingThatBlocksTheNextStart)
{
    const QString settings = QStringLiteral("/opt/tw/tonewright.ini");
    QString socketPath;
    {
        TSingleInstance first(settings);
        ASSERT_TRUE(first.Start({}));
        socketPath = first.SocketPath();
    }
    // As after a crash: a socket file is left behind, no one listens on it.
    QFile stale(socketPath);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    TSingleInstance next(settings);
    Collect(next);
    ASSERT_TRUE(next.Start({}));
    EXPECT_TRUE(next.Listening());
    ExpectHandOver(settings, QStringLiteral("y.wav"));
}

TEST_F(SingleInstance, ClientsThatSendGarbageTooMuchOrNothingAreDroppedWithoutHarm)
{
    const QString settings = QStringLiteral("/opt/tw/tonewright.ini");
    TSingleInstance running(settings);
    Collect(running);
    ASSERT_TRUE(running.Start({}));

    const int garbage = Connect(running.SocketPath());
    const int silent = Connect(running.SocketPath());
    const int flood = Connect(running.SocketPath());
    ASSERT_GE(garbage, 0);
    ASSERT_GE(silent, 0);
    ASSERT_GE(flood, 0);
    const QByteArray request = QByteArrayLiteral("GET / HTTP/1.0\r\n\r\n");
    ASSERT_EQ(::send(garbage, request.constData(), size_t(request.size()), MSG_NOSIGNAL), request.size());
    ::shutdown(garbage, SHUT_WR);
    // The running program reads the garbage to its end and closes the connection.
    char byte;
    EXPECT_TRUE(QTest::qWaitFor([&] { return ::recv(garbage, &byte, 1, 0) == 0; }, 10000));

    // A message without end larger than any list of file names: the running program hangs up.
    const QByteArray chunk(64 * 1024, 'x');
    qint64 sent = 0;
    bool hungUp = false;
    (void)QTest::qWaitFor([&] {
        const ssize_t n = ::send(flood, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL);
        sent += qMax<ssize_t>(n, 0);
        hungUp = n < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
        return hungUp || sent > 64 * 1024 * 1024;
    }, 20000);
    EXPECT_TRUE(hungUp);

    // With the silent client still connected, a later start is taken as usual.
    ExpectHandOver(settings, QStringLiteral("z.wav"));
    EXPECT_TRUE(running.Listening());
}

TEST_F(SingleInstance, ManyConnectionsAtOnceAreTakenAFewAtATime)
{
    const QString settings = QStringLiteral("/opt/tw/tonewright.ini");
    TSingleInstance running(settings);
    Collect(running);
    ASSERT_TRUE(running.Start({}));
    std::vector<int> idle;
    for (int i = 0; i < 40; ++i) {
        const int fd = Connect(running.SocketPath());
        ASSERT_GE(fd, 0) << i;
        idle.push_back(fd);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return running.OpenConnections() == 8; }, 10000));
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(running.OpenConnections(), 8) << "the rest wait in the queue";
    // As they end, the waiting ones are taken, and a real hand-over still arrives.
    for (int fd : idle)
        ::shutdown(fd, SHUT_WR);
    ExpectHandOver(settings, QStringLiteral("w.wav"));
}

TEST_F(SingleInstance, ALinkInPlaceOfTheLockFileIsNotFollowed)
{
    const QString settings = QStringLiteral("/opt/tw/tonewright.ini");
    QString lockPath;
    {
        TSingleInstance probe(settings);
        lockPath = probe.SocketPath() + QStringLiteral(".lock");
    }
    QFile::remove(lockPath);
    const QString target = music.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QFile::link(target, lockPath));
    TSingleInstance instance(settings);
    EXPECT_TRUE(instance.Start({})) << "it starts as usual";
    EXPECT_FALSE(instance.Listening());
    EXPECT_FALSE(QFileInfo::exists(target)) << "the link's target was created";
}

TEST_F(SingleInstance, ARuntimeFolderTooDeepForASocketAddressCountsAsNone)
{
    // A socket address holds about a hundred bytes; the runtime folder alone is longer here.
    const QString deep = runtime.path() + QStringLiteral("/") + QString(110, QLatin1Char('d'));
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(QFile::setPermissions(deep, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", deep.toUtf8());
    TSingleInstance instance(QStringLiteral("/opt/tw/tonewright.ini"));
    EXPECT_TRUE(instance.SocketPath().isEmpty());
    EXPECT_TRUE(instance.Start({QStringLiteral("/a.wav")})) << "it starts as usual";
    EXPECT_FALSE(instance.Listening());
}

TEST(SingleInstanceMessage, OnlyACompleteMessageIsRead)
{
    const QStringList files = {QStringLiteral("/a.wav"), QStringLiteral("/b\n.wav")};
    for (const TLaunchActivation& launch : {TLaunchActivation{}, TLaunchActivation{"id_TIME1", {}},
                                            TLaunchActivation{{}, "token"}}) {
        const QByteArray message = TSingleInstance::EncodeFiles(files, launch);
        QStringList read;
        TLaunchActivation readLaunch{"x", "y"};
        ASSERT_TRUE(TSingleInstance::DecodeFiles(message, read, &readLaunch));
        EXPECT_EQ(read, files);
        EXPECT_EQ(readLaunch, launch);
        // Cut anywhere (a later start that died while writing): nothing is added.
        for (qsizetype cut = 0; cut < message.size(); ++cut) {
            SCOPED_TRACE(cut);
            EXPECT_FALSE(TSingleInstance::DecodeFiles(message.left(cut), read));
            EXPECT_TRUE(read.isEmpty());
        }
    }
    QStringList read;
    EXPECT_FALSE(TSingleInstance::DecodeFiles("GET / HTTP/1.0\r\n\r\n", read));
}
