// Complete-or-nothing output: the final name shows nothing until Commit, an existing file stays
// until then, and a discarded file leaves no trace, with and without O_TMPFILE.
#include "OutputFile.h"
#include "OutputRegistry.h"
#include "EncoderTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace bladeenc;
using namespace enctest;

class OutputFileModes : public ::testing::TestWithParam<bool> {};

TEST_P(OutputFileModes, NothingUnderTheFinalNameBeforeCommit)
{
    ScratchFolder dir;
    std::string target = dir / "song.mp3";
    {
        OutputFile out;
        ASSERT_TRUE(out.Open(target, GetParam())) << out.error();
        ASSERT_TRUE(out.Write("abcdef", 6));
        ASSERT_TRUE(out.WriteAt("XY", 2, 0));
        EXPECT_FALSE(Exists(target));
        ASSERT_TRUE(out.Commit()) << out.error();
    }
    EXPECT_EQ(ReadFile(target), "XYcdef");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"song.mp3"});

    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
}

TEST_P(OutputFileModes, ExistingFileIsReplacedOnlyByCommit)
{
    ScratchFolder dir;
    std::string target = dir / "song.mp3";
    WriteFile(target, "old");
    {
        OutputFile out;
        ASSERT_TRUE(out.Open(target, GetParam()));
        out.Write("new content", 11);
        EXPECT_EQ(ReadFile(target), "old");
        // Abandoned: the old file stays, the temporary one goes.
    }
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"song.mp3"});

    OutputFile out;
    ASSERT_TRUE(out.Open(target, GetParam()));
    out.Write("new content", 11);
    ASSERT_TRUE(out.Commit()) << out.error();
    EXPECT_EQ(ReadFile(target), "new content");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"song.mp3"});
}

TEST_P(OutputFileModes, FailuresSayWhyAndLeaveNothing)
{
    ScratchFolder dir;
    OutputFile missing;
    EXPECT_FALSE(missing.Open(dir / "no such folder/x.mp3", GetParam()));
    EXPECT_NE(missing.error().find("no such folder"), std::string::npos) << missing.error();

    // A folder standing where the MP3 must go: the commit fails, the folder is untouched.
    ASSERT_EQ(mkdir((dir / "taken.mp3").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "taken.mp3/inner").c_str(), 0755), 0);
    OutputFile out;
    ASSERT_TRUE(out.Open(dir / "taken.mp3", GetParam()));
    out.Write("data", 4);
    EXPECT_FALSE(out.Commit());
    EXPECT_NE(out.error().find("taken.mp3"), std::string::npos) << out.error();
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"taken.mp3"});
    EXPECT_TRUE(Exists(dir / "taken.mp3/inner"));
}

INSTANTIATE_TEST_SUITE_P(Unnamed, OutputFileModes, ::testing::Values(true));
INSTANTIATE_TEST_SUITE_P(Named, OutputFileModes, ::testing::Values(false));

TEST(OutputFile, NamedFallbackIsAnnouncedForSignalCleanup)
{
    ScratchFolder dir;
    OutputFile out;
    ASSERT_TRUE(out.Open(dir / "a.mp3", false));
    EXPECT_EQ(PendingTempPaths(), std::vector<std::string>{out.tempPath()});
    EXPECT_TRUE(Exists(out.tempPath()));
    EXPECT_TRUE(IsTempName(NameOf(out.tempPath()))) << out.tempPath();
    out.Discard();
    EXPECT_TRUE(PendingTempPaths().empty());
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(OutputFile, TerminatedWriterRemovesItsNamedTempFile)
{
    ScratchFolder dir;
    pid_t pid = fork();
    if (pid == 0) {
        InstallTempCleanupOnSignals();
        OutputFile out;
        if (!out.Open(dir / "a.mp3", false))
            _exit(1);
        out.Write("partial", 7);
        raise(SIGTERM);
        _exit(2);  // not reached: the handler re-raises with the default action
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit code " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_P(OutputFileModes, AFileMadeInThisRunIsNeverReplacedWhateverTheName)
{
    // Two names for one file: a symlinked folder here; a folder that ignores letter case does
    // the same with "Track.mp3" and "track.mp3". Whichever writer comes second is refused.
    ScratchFolder dir;
    ASSERT_EQ(mkdir((dir / "real").c_str(), 0755), 0);
    ASSERT_EQ(symlink("real", (dir / "link").c_str()), 0);
    WriteFile(dir / "real/old.mp3", "from an earlier run");
    OutputRegistry registry;
    struct Step {
        std::string target, content, source;
        bool committed;
    } steps[] = {
        {dir / "real/a.mp3", "first", "real/a.wav", true},
        {dir / "link/a.mp3", "second", "link/a.aiff", false},
        {dir / "real/a.mp3", "third", "real/a.flac", false},
        {dir / "link/old.mp3", "replaces the earlier run's", "link/old.wav", true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.target);
        OutputFile out;
        ASSERT_TRUE(out.Open(step.target, GetParam())) << out.error();
        ASSERT_TRUE(out.Write(step.content.data(), step.content.size()));
        EXPECT_EQ(out.Commit(&registry, step.source), step.committed) << out.error();
        if (!step.committed) {
            EXPECT_NE(out.error().find("encoded from \"real/a.wav\" in this run"), std::string::npos) << out.error();
        }
    }
    EXPECT_EQ(ReadFile(dir / "real/a.mp3"), "first");
    EXPECT_EQ(ReadFile(dir / "real/old.mp3"), "replaces the earlier run's");
    EXPECT_EQ(ReadFile(dir / "link/a.mp3"), "first");
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "real"))
        entries += !entry.path().filename().string().empty();
    EXPECT_EQ(entries, 2u) << "a.mp3 and old.mp3, no temporary file";
}
