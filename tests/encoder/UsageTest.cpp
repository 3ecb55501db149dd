// BladeEnc's usage screen and version: when the command line asks for them, what it prints, and
// that they never take the place of an encoding run.
#include "Usage.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace bladeenc;

namespace {
// What AnswerInfoRequest printed and returned for `args`.
struct Answer {
    std::optional<int> status;
    std::string printed;
};
Answer Ask(const std::vector<std::string>& args)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    Answer answer;
    answer.status = AnswerInfoRequest(args, fds[1]);  // the texts are far below a pipe's buffer
    close(fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        answer.printed.append(buffer, size_t(n));
    close(fds[0]);
    return answer;
}
bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }
} // namespace

TEST(EncoderUsage, WhichCommandLinesAskForTheUsageScreenOrTheVersion)
{
    struct Case {
        std::vector<std::string> args;
        std::optional<int> status;
        std::string printedStart;  // empty: nothing printed
    };
    const Case cases[] = {
        {{}, 2, "BladeEnc "},  // no arguments: the usage screen, and nothing was encoded
        {{"--help"}, 0, "BladeEnc "},
        {{"-MONO", "-192", "--help", "a.wav"}, 0, "BladeEnc "},
        {{"--version"}, 0, "BladeEnc (Tonewright) "},
        {{"-quit", "--Version"}, 0, "BladeEnc (Tonewright) "},
        // files and what follows "--" stay files
        {{"a.wav", "--help"}, std::nullopt, ""},
        {{"--", "--version"}, std::nullopt, ""},
        {{"-MONO"}, std::nullopt, ""},
        {{"--helpme", "a.wav"}, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        const Answer answer = Ask(c.args);
        EXPECT_EQ(answer.status, c.status);
        if (c.printedStart.empty())
            EXPECT_EQ(answer.printed, "");
        else
            EXPECT_TRUE(StartsWith(answer.printed, c.printedStart)) << answer.printed;
    }
}

TEST(EncoderUsage, TheUsageScreenFitsATerminal)
{
    const std::string screen = UsageScreen();
    size_t start = 0;
    while (start < screen.size()) {
        const size_t end = screen.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "the screen ends with a line break";
        EXPECT_LE(end - start, 79u) << screen.substr(start, end - start);
        start = end + 1;
    }
}
