// Cutting chunks of output into lines.
#include "ConsoleIO.h"
#include "LineSplitter.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<QByteArray> Feed(TLineSplitter& s, const QByteArray& chunk)
{
    std::vector<QByteArray> lines;
    s.Feed(chunk.constData(), chunk.size(), lines);
    return lines;
}

using Lines = std::vector<QByteArray>;

// A byte array of the whole literal, NULs included.
template <size_t N>
QByteArray B(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

}  // namespace

TEST(LineSplitter, EveryKindOfBreakEndsALine)
{
    TLineSplitter s;
    EXPECT_EQ(Feed(s, QByteArray("a\r\nb\r\n")), (Lines{"a", "b"}));
    EXPECT_FALSE(s.HasFragment());
    EXPECT_EQ(Feed(s, QByteArray("12\r13\r14")), (Lines{"12", "13"}));
    EXPECT_EQ(s.Fragment(), QByteArray("14"));
    EXPECT_EQ(Feed(s, QByteArray("5\nx\ry\n")), (Lines{"145", "x", "y"}));
    EXPECT_FALSE(s.HasFragment());
}

TEST(LineSplitter, EmptyLinesAndSplitBreaksYieldNothing)
{
    TLineSplitter s;
    EXPECT_EQ(Feed(s, QByteArray("\n\r\n\r\r\n")), Lines{});
    EXPECT_EQ(Feed(s, QByteArray("abc\r")), (Lines{"abc"}));
    EXPECT_EQ(Feed(s, QByteArray("\ndef\n")), (Lines{"def"}));
    // A fragment carried over several chunks without any break.
    EXPECT_EQ(Feed(s, QByteArray("gh")), Lines{});
    EXPECT_EQ(Feed(s, QByteArray("ij")), Lines{});
    EXPECT_EQ(s.Fragment(), QByteArray("ghij"));
    EXPECT_EQ(Feed(s, QByteArray("\r")), (Lines{"ghij"}));
    EXPECT_EQ(Feed(s, QByteArray("\n")), Lines{});
}

TEST(LineSplitter, NulEndsTheTextOfItsLineOnly)
{
    TLineSplitter s;
    EXPECT_EQ(Feed(s, B("ab\0cd\nef\n\0gone\nz\n")), (Lines{"ab", "ef", "z"}));
    // In a fragment too, also when the NUL arrived in an earlier chunk.
    EXPECT_EQ(Feed(s, B("Sta\0x")), Lines{});
    EXPECT_EQ(s.Fragment(), QByteArray("Sta"));
    EXPECT_TRUE(s.FragmentEndsWith("Sta"));
    EXPECT_EQ(Feed(s, QByteArray("tus:")), Lines{});
    EXPECT_FALSE(s.FragmentEndsWith("tus:"));
    EXPECT_EQ(Feed(s, QByteArray("\n")), (Lines{"Sta"}));
    EXPECT_TRUE(s.HasFragment() == false);
}

TEST(LineSplitter, PromptTestIsExactAndCaseSensitive)
{
    TLineSplitter s;
    Feed(s, QByteArray("Progress Status:"));
    EXPECT_TRUE(s.FragmentEndsWith("Status:"));
    EXPECT_FALSE(s.FragmentEndsWith("status:"));
    EXPECT_FALSE(s.FragmentEndsWith(""));
    EXPECT_FALSE(s.FragmentEndsWith("A long prompt: Progress Status:"));
    EXPECT_TRUE(EndsWithPrompt("Done Status:", "Status:"));
    EXPECT_TRUE(EndsWithPrompt("Status:", "Status:"));
    EXPECT_FALSE(EndsWithPrompt("Status: ", "Status:"));
    EXPECT_FALSE(EndsWithPrompt("tus:", "Status:"));
    EXPECT_FALSE(EndsWithPrompt("abc", ""));
}

TEST(LineSplitter, ChunkBoundariesDoNotChangeTheLines)
{
    // The same text cut at every possible pair of points gives the same lines.
    const QByteArray text("one\r\ntwo\rthree\n\nfour\r\r\nfive\r\n");
    const Lines expected{"one", "two", "three", "four", "five"};
    for (qsizetype a = 0; a <= text.size(); ++a) {
        for (qsizetype b = a; b <= text.size(); ++b) {
            TLineSplitter s;
            Lines all;
            for (const QByteArray& part : {text.left(a), text.mid(a, b - a), text.mid(b)}) {
                const Lines got = Feed(s, part);
                all.insert(all.end(), got.begin(), got.end());
            }
            ASSERT_EQ(all, expected) << a << " " << b;
        }
    }
}

TEST(ConsoleValueSets, SizesAndPriorities)
{
    EXPECT_EQ(PipeSizeBytes(ps1k), 1024);
    EXPECT_EQ(PipeSizeBytes(ps96K), 98304);
    EXPECT_EQ(PipeSizeBytes(ps256k), 262144);
    EXPECT_EQ(BufferSizeBytes(bs256), 256);
    EXPECT_EQ(BufferSizeBytes(bs8k), 8192);
    EXPECT_EQ(ThreadPriorityValue(tpIdle), -15);
    EXPECT_EQ(ThreadPriorityValue(tpLower), -1);
    EXPECT_EQ(ThreadPriorityValue(tpTimeCritical), 15);
    EXPECT_EQ(ThreadPriorityNiceOffset(tpLower), 1);
    // Each names its cause in the system's words, not only by number.
    const auto words = [](int code) { return QString::fromLocal8Bit(std::strerror(code)); };
    EXPECT_EQ(ProcessCreateMessage(7), QStringLiteral("Error Creating Process  Error Code :7 (%1)").arg(words(7)));
    EXPECT_EQ(PipeCreateMessage(24), QStringLiteral("Error Opening Pipe Error Code :24 (%1)").arg(words(24)));
    EXPECT_EQ(WaitErrorMessage(9), QStringLiteral("Process Error Error Code :9 (%1)").arg(words(9)));
    EXPECT_EQ(SystemErrorText(7), words(7));
    EXPECT_EQ(BuildConsoleCommandLine(QStringLiteral("app"), QStringLiteral("-x")), QStringLiteral("app -x"));
    EXPECT_EQ(BuildConsoleCommandLine(QString(), QStringLiteral("-x")), QStringLiteral("-x"));
    EXPECT_EQ(BuildConsoleCommandLine(QStringLiteral("app"), QString()), QString());

    TGUI2Console c;
    EXPECT_EQ(c.PipeSize(), ps128k);
    EXPECT_EQ(c.BufferSize(), bs1k);
    EXPECT_EQ(c.TimeOutDelay(), 50);
    EXPECT_EQ(c.Priority(), tpNormal);
    EXPECT_EQ(c.AppType(), at32bit);
    c.SetTimeOutDelay(3);
    EXPECT_EQ(c.TimeOutDelay(), 10);
    c.SetTimeOutDelay(70000);
    EXPECT_EQ(c.TimeOutDelay(), 10000);
    c.SetPrompt(QStringLiteral("Status:"));
    EXPECT_EQ(c.PromptLength(), 7);
}
