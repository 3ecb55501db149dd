// One running program per settings file: a later start hands its files over and ends.
#include "SingleInstance.h"

#include "Spin.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {
class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", oldRuntime); }

    // Processes events until `count` hand-overs arrived (a hang guard ends the wait).
    bool WaitForHandOvers(size_t count)
    {
        SpinUntil([&] { return received.size() >= count; }, 10000);
        return received.size() == count;
    }
    void Collect(TSingleInstance& running)
    {
        running.OnFiles = [this](TSingleInstance*, const QStringList& files) { received.push_back(files); };
    }

    QTemporaryDir runtime;
    QByteArray oldRuntime;
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

    const QStringList files = {QStringLiteral("/m/b.wav"), QStringLiteral("/m/with blank\nand break.aiff"),
                               QString::fromUtf8("/m/\xC3\xA4.wav")};
    {
        TSingleInstance later(settings);
        EXPECT_FALSE(later.Start(files)) << "the later start ends";
        EXPECT_FALSE(later.Listening());
    }
    {
        TSingleInstance again(settings);
        EXPECT_FALSE(again.Start({})) << "a start without files only brings the window forward";
    }
    ASSERT_TRUE(WaitForHandOvers(2));
    EXPECT_EQ(received[0], files);
    EXPECT_TRUE(received[1].isEmpty());
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
    TSingleInstance later(settings);
    EXPECT_FALSE(later.Start({QStringLiteral("/y.wav")}));
    ASSERT_TRUE(WaitForHandOvers(1));
    EXPECT_EQ(received[0], QStringList{QStringLiteral("/y.wav")});
}

TEST(SingleInstanceMessage, OnlyACompleteMessageIsRead)
{
    const QStringList files = {QStringLiteral("/a.wav"), QStringLiteral("/b\n.wav")};
    const QByteArray message = TSingleInstance::EncodeFiles(files);
    QStringList read;
    ASSERT_TRUE(TSingleInstance::DecodeFiles(message, read));
    EXPECT_EQ(read, files);
    // Cut anywhere (a later start that died while writing), or not ours at all: nothing is added.
    for (qsizetype cut = 0; cut < message.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_FALSE(TSingleInstance::DecodeFiles(message.left(cut), read));
        EXPECT_TRUE(read.isEmpty());
    }
    EXPECT_FALSE(TSingleInstance::DecodeFiles("GET / HTTP/1.0\r\n\r\n", read));
}
