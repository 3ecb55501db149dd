// The program's own command line: which arguments are files, which go on to Qt, which are refused,
// and that --help and --version answer whatever else the line holds.
#include "ProgramArguments.h"

#include <gtest/gtest.h>

namespace {
struct ArgumentsCase {
    const char* why;
    QStringList arguments;
    TProgramAction action;
    QStringList files;
    QStringList qtOptions;
    QString errorHas;
};
} // namespace

TEST(ProgramArguments, FilesQtOptionsSwitchesAndRefusals)
{
    const auto L = [](std::initializer_list<const char*> items) {
        QStringList list;
        for (const char* item : items)
            list << QString::fromUtf8(item);
        return list;
    };
    const ArgumentsCase cases[] = {
        {"nothing", {}, paStart, {}, {}, {}},
        {"files in order", L({"b.wav", "a song.aiff"}), paStart, L({"b.wav", "a song.aiff"}), {}, {}},
        {"a lone dash is a file", L({"-"}), paStart, L({"-"}), {}, {}},
        {"after -- every argument is a file", L({"a.wav", "--", "-x.wav", "--help", "--"}), paStart,
         L({"a.wav", "-x.wav", "--help", "--"}), {}, {}},
        {"Qt option with its value, files around it", L({"a.wav", "-style", "fusion", "b.wav"}), paStart,
         L({"a.wav", "b.wav"}), L({"-style", "fusion"}), {}},
        {"Qt options with two dashes and with =", L({"--platform", "offscreen", "-stylesheet=x.qss", "-reverse"}),
         paStart, {}, L({"--platform", "offscreen", "-stylesheet=x.qss", "-reverse"}), {}},
        {"a Qt option's value may begin with a dash", L({"-qwindowtitle", "-odd-", "a.wav"}), paStart,
         L({"a.wav"}), L({"-qwindowtitle", "-odd-"}), {}},
        {"--help", L({"--help"}), paHelp, {}, {}, {}},
        {"-h", L({"a.wav", "-h"}), paHelp, {}, {}, {}},
        {"--version after files", L({"a.wav", "--version"}), paVersion, {}, {}, {}},
        {"--help answers also after a refused option", L({"--bogus", "--help"}), paHelp, {}, {}, {}},
        {"unknown long option", L({"--frobnicate"}), paRefused, {}, {}, QStringLiteral("unknown option --frobnicate")},
        {"unknown option is never a file", L({"a.wav", "-x", "b.wav"}), paRefused, {}, {},
         QStringLiteral("unknown option -x")},
        {"the first fault is reported", L({"-x", "-y"}), paRefused, {}, {}, QStringLiteral("unknown option -x")},
        {"one dash too few for ours", L({"-help"}), paRefused, {}, {}, QStringLiteral("-help")},
        {"Qt's names only as a whole", L({"-styles", "a"}), paRefused, {}, {}, QStringLiteral("-styles")},
        {"= only where Qt takes it", L({"-platform=xcb"}), paRefused, {}, {}, QStringLiteral("-platform=xcb")},
        {"a Qt option without its value", L({"a.wav", "-platform"}), paRefused, {}, {},
         QStringLiteral("-platform needs a value")},
    };
    for (const ArgumentsCase& c : cases) {
        SCOPED_TRACE(c.why);
        const TProgramArguments parsed = ParseProgramArguments(c.arguments);
        EXPECT_EQ(parsed.Action, c.action);
        EXPECT_EQ(parsed.Files, c.action == paStart ? c.files : parsed.Files);
        EXPECT_EQ(parsed.QtOptions, c.action == paStart ? c.qtOptions : parsed.QtOptions);
        if (c.action == paRefused) {
            EXPECT_TRUE(parsed.Error.contains(c.errorHas)) << parsed.Error.toStdString();
            EXPECT_FALSE(parsed.Error.contains(QLatin1Char('\n'))) << "one line on standard error";
        }
    }
}
