// The encoder's command line (what the front-end sends), its paths and its priority levels.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <pwd.h>
#include <unistd.h>

using namespace bladeenc;

TEST(EncoderCommandLine, FrontEndLineWithEveryOption)
{
    CommandLine c = ParseCommandLine({"-quit", "-160", "-MONO", "-CRC", "-DELETE", "-ORIGINAL",
                                      "-COPY", "-PRIVATE", "-COPYRIGHT", "-PRIO=NORMAL",
                                      "/music/Track 1.wav", "/rec/b.aif"});
    EXPECT_TRUE(c.errors.empty());
    EXPECT_EQ(c.settings.bitrate, 160);
    EXPECT_TRUE(c.settings.mono);
    EXPECT_TRUE(c.settings.crc);
    EXPECT_TRUE(c.settings.deleteSource);
    EXPECT_TRUE(c.settings.privateBit);
    EXPECT_TRUE(c.settings.copyright);
    EXPECT_FALSE(c.settings.originalBit()) << "-COPY clears the original bit";
    EXPECT_EQ(c.settings.priority, PriorityLevel::Normal);
    EXPECT_EQ(c.files, (std::vector<std::string>{"/music/Track 1.wav", "/rec/b.aif"}));
}

TEST(EncoderCommandLine, DefaultsAndCaseInsensitiveOptions)
{
    CommandLine plain = ParseCommandLine({"a.wav"});
    EXPECT_EQ(plain.settings.bitrate, 128);
    EXPECT_FALSE(plain.settings.mono || plain.settings.crc || plain.settings.deleteSource ||
                 plain.settings.originalBit() || plain.settings.privateBit || plain.settings.copyright);
    EXPECT_FALSE(plain.settings.priority.has_value());

    CommandLine c = ParseCommandLine({"-Quit", "-mono", "-Crc", "-original", "-Private", "-copyRIGHT",
                                      "-prio=Lowest", "a.wav"});
    EXPECT_TRUE(c.errors.empty());
    EXPECT_TRUE(c.settings.mono && c.settings.crc && c.settings.originalBit() &&
                c.settings.privateBit && c.settings.copyright);
    EXPECT_EQ(c.settings.priority, PriorityLevel::Lowest);

    const char* names[] = {"IDLE", "lowest", "Lower", "normal", "HIGHER", "highest"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ParseCommandLine({std::string("-PRIO=") + names[i], "x"}).settings.priority,
                  PriorityLevel(i));
}

TEST(EncoderCommandLine, AllFourteenBitratesAndNoOthers)
{
    for (int rate : kBitrates) {
        std::string option = "-";
        option += std::to_string(rate);
        CommandLine c = ParseCommandLine({option, "x.wav"});
        EXPECT_TRUE(c.errors.empty()) << rate;
        EXPECT_EQ(c.settings.bitrate, rate);
    }
    for (const char* bad : {"-0", "-100", "-8", "-144", "-3200", "-99999999999999999999"}) {
        CommandLine c = ParseCommandLine({"-192", bad, "x.wav"});
        ASSERT_EQ(c.errors.size(), 1u) << bad;
        EXPECT_NE(c.errors[0].find(bad), std::string::npos);
        EXPECT_EQ(c.settings.bitrate, 192) << "a bad bitrate keeps the previous one";
        EXPECT_EQ(c.files, std::vector<std::string>{"x.wav"});
    }
}

TEST(EncoderCommandLine, UnknownOptionsAreReportedAndTheFilesStillCome)
{
    CommandLine c = ParseCommandLine({"-quit", "-fast", "-PRIO=TURBO", "-PRIO=", "-128", "a.wav"});
    ASSERT_EQ(c.errors.size(), 3u);
    EXPECT_NE(c.errors[0].find("-fast"), std::string::npos);
    EXPECT_NE(c.errors[1].find("-PRIO=TURBO"), std::string::npos);
    EXPECT_EQ(c.settings.bitrate, 128);
    EXPECT_FALSE(c.settings.priority.has_value());
    EXPECT_EQ(c.files, std::vector<std::string>{"a.wav"});
}

TEST(EncoderCommandLine, FilesMayBeginWithADash)
{
    // After the first file, and after "--", everything is a file.
    CommandLine c = ParseCommandLine({"-mono", "a.wav", "-CRC", "-b.wav", "--"});
    EXPECT_TRUE(c.errors.empty());
    EXPECT_FALSE(c.settings.crc);
    EXPECT_EQ(c.files, (std::vector<std::string>{"a.wav", "-CRC", "-b.wav", "--"}));

    CommandLine d = ParseCommandLine({"-mono", "--", "-CRC.wav", "-"});
    EXPECT_TRUE(d.errors.empty());
    EXPECT_EQ(d.files, (std::vector<std::string>{"-CRC.wav", "-"}));

    EXPECT_TRUE(ParseCommandLine({"-quit"}).files.empty());
}

TEST(EncoderPaths, OutputReplacesOnlyTheLastExtension)
{
    EXPECT_EQ(OutputPathFor("/m/Track 1.wav"), "/m/Track 1.mp3");
    EXPECT_EQ(OutputPathFor("/m/b.AIFF"), "/m/b.mp3");
    EXPECT_EQ(OutputPathFor("/m/live.2024.wav"), "/m/live.2024.mp3");
    EXPECT_EQ(OutputPathFor("/m.d/noext"), "/m.d/noext.mp3");
    EXPECT_EQ(OutputPathFor("/m/.hidden"), "/m/.hidden.mp3");
    EXPECT_EQ(OutputPathFor("x.wav"), "x.mp3");
    EXPECT_EQ(OutputPathFor("/m/trailing."), "/m/trailing.mp3");
}

TEST(EncoderPaths, AbsolutePathIsLexical)
{
    EXPECT_EQ(AbsolutePath("/a/./b//c/../d.wav"), "/a/b/d.wav");
    EXPECT_EQ(AbsolutePath("/../x"), "/x");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string here = cwd;
    EXPECT_EQ(AbsolutePath("-x.wav"), (here == "/" ? "" : here) + "/-x.wav");
}

namespace {

// Runs body in a forked child (optionally as an unprivileged user) and returns its exit code.
template <typename F>
int InChild(bool dropPrivileges, F body)
{
    pid_t pid = fork();
    if (pid == 0) {
        if (dropPrivileges && getuid() == 0) {
            passwd* nobody = getpwnam("nobody");
            if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)
                _exit(99);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

int Nice()
{
    errno = 0;
    return getpriority(PRIO_PROCESS, 0);
}

} // namespace

TEST(EncoderPriority, LevelsMapToNiceValues)
{
    // Start from normal; the test process itself may run niced, so compare offsets only there.
    int rc = InChild(false, [] {
        if (setpriority(PRIO_PROCESS, 0, 0) != 0)
            return 0;  // already niced and unprivileged: nothing to learn here
        ApplyPriority(PriorityLevel::Lower);
        if (Nice() != 10)
            return 1;
        ApplyPriority(PriorityLevel::Idle);
        return Nice() == 19 ? 0 : 2;
    });
    EXPECT_EQ(rc, 0);
}

TEST(EncoderPriority, RefusedRaiseStaysWithoutFailing)
{
    int rc = InChild(true, [] {
        if (getuid() == 0)
            return 0;  // could not drop privileges; covered where tests run unprivileged
        int before = Nice();
        ApplyPriority(PriorityLevel::Highest);  // refused: stays where it was
        if (Nice() != before)
            return 1;
        ApplyPriority(PriorityLevel::Lowest);
        if (Nice() != std::max(before, 15))
            return 2;
        ApplyPriority(PriorityLevel::Normal);  // cannot go back up: keeps 15
        return Nice() == std::max(before, 15) ? 0 : 3;
    });
    EXPECT_NE(rc, 99) << "could not become nobody";
    EXPECT_EQ(rc, 0);
}
