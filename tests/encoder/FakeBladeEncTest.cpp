// The scripted fake encoder must replay exactly what its script says, since the runner and batch
// tests build on its bytes and exit codes.
#include "EncoderTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace enctest;
using namespace std::string_literals;

namespace {

const std::string kFake = TW_FAKE_BLADEENC;

ProcessResult RunScript(const std::string& script, const std::vector<std::string>& args = {},
                        std::vector<std::string> env = {})
{
    env.push_back("FAKE_BLADEENC_SCRIPT_TEXT=" + script);
    env.push_back("FAKE_BLADEENC_SCRIPT=");
    return RunProcess(kFake, args, env);
}

} // namespace

TEST(FakeBladeEnc, PrintAndRawWriteExactBytes)
{
    ProcessResult r = RunScript("print Files to encode: 1\n"
                                "print \n"
                                "raw a\\tb\\x41\\x7e\\0z\\\\\\r\\n\n"
                                "print  leading blank\r\n"
                                "# a comment\n"
                                "\n"
                                "raw Status:   1.0");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output, "Files to encode: 1\r\n\r\na\tbA~\0z\\\r\n leading blank\r\nStatus:   1.0"s);
}

TEST(FakeBladeEnc, ExitStopsAtOnceWithItsCode)
{
    ProcessResult r = RunScript("print before\nexit 7\nprint after");
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.output, "before\r\n");
}

TEST(FakeBladeEnc, SignalEndsItLikeACrash)
{
    ProcessResult r = RunScript("print going\nsignal 11\nprint after");
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_EQ(r.signal, SIGSEGV);
    EXPECT_EQ(r.output, "going\r\n");
}

TEST(FakeBladeEnc, RecordsArgumentsNulTerminated)
{
    ScratchFolder dir;
    std::string out = dir / "args";
    ProcessResult r = RunScript("print x", {"-quit", "-128", "/a b/\"c\".wav", "", "-x"},
                                {"FAKE_BLADEENC_ARGS_OUT=" + out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFile(out), "-quit\0-128\0/a b/\"c\".wav\0\0-x\0"s);

    RunScript("print x", {}, {"FAKE_BLADEENC_ARGS_OUT=" + out});
    EXPECT_EQ(ReadFile(out), "");
}

TEST(FakeBladeEnc, ScriptFileWinsOverInlineText)
{
    ScratchFolder dir;
    WriteFile(dir / "script", "print from file\r\nexit 3\r\n");
    ProcessResult r = RunProcess(kFake, {}, {"FAKE_BLADEENC_SCRIPT=" + (dir / "script"),
                                      "FAKE_BLADEENC_SCRIPT_TEXT=print inline"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.output, "from file\r\n");
}

TEST(FakeBladeEnc, BadScriptsAreRefusedBeforeAnyOutput)
{
    ScratchFolder dir;
    ProcessResult missing = RunProcess(kFake, {}, {"FAKE_BLADEENC_SCRIPT=" + (dir / "nope")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.output.find("cannot read script"), std::string::npos);

    for (const char* script : {"print ok\nfrobnicate", "print ok\nsleep x", "print ok\nraw \\q",
                               "print ok\nraw \\x4", "print ok\nexit",
                               "print ok\nsignal 0", "print ok\nsignal 999"}) {
        ProcessResult r = RunScript(script);
        EXPECT_EQ(r.exitCode, 2) << script;
        EXPECT_EQ(r.output.find("ok\r\n"), std::string::npos) << script;
    }

    ProcessResult none = RunProcess(kFake, {}, {"FAKE_BLADEENC_SCRIPT=", "FAKE_BLADEENC_SCRIPT_TEXT"});
    EXPECT_EQ(none.exitCode, 2);
}

TEST(FakeBladeEnc, IgnoreTermSurvivesSigterm)
{
    Child child(kFake, {}, {"FAKE_BLADEENC_SCRIPT=", "FAKE_BLADEENC_SCRIPT_TEXT=ignore-term\nprint ready\nsleep 600\nprint survived"});
    ASSERT_TRUE(child.WaitForLineStartingWith("ready"));
    child.Kill(SIGTERM);
    ProcessResult r = child.Finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("survived"), std::string::npos);

    Child plain(kFake, {}, {"FAKE_BLADEENC_SCRIPT=", "FAKE_BLADEENC_SCRIPT_TEXT=print ready\nsleep 5000\nprint survived"});
    ASSERT_TRUE(plain.WaitForLineStartingWith("ready"));
    plain.Kill(SIGTERM);
    ProcessResult p = plain.Finish();
    EXPECT_EQ(p.signal, SIGTERM);
    EXPECT_EQ(p.output.find("survived"), std::string::npos);
}

TEST(FakeBladeEnc, SpawnHolderKeepsThePipeOpenAfterExit)
{
    // The fake itself ends at once; the pipe only reaches end-of-file when the holder is gone.
    Child child(kFake, {}, {"FAKE_BLADEENC_SCRIPT=", "FAKE_BLADEENC_SCRIPT_TEXT=spawn-holder 600000\nprint parent done\nexit 0"});
    ASSERT_TRUE(child.WaitForLineStartingWith("parent done"));
    EXPECT_EQ(child.Reap(), 0);
    EXPECT_FALSE(child.OutputEnded()) << "the holder keeps the pipe open";
    child.KillGroup(SIGKILL);
    ProcessResult r = child.Finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output, "parent done\r\n");
    EXPECT_TRUE(child.OutputEnded());
}
