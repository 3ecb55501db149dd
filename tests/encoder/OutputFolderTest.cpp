// MP3s away from their sources: -OUTDIR= and "input output.mp3" pairs, the folders made on the
// way, and the promises of a run (complete or nothing, -DELETE only after a safe MP3, one MP3
// per source, a read-only MP3 kept) where the MP3 lands elsewhere.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace enctest;
using Strings = std::vector<std::string>;

TEST(OutputFolder, ArgumentsNameTheFolderAndEachInputsMp3)
{
    struct Case {
        Strings args;
        Strings files, outputs;
        std::string outDir;
        size_t errors;
    } cases[] = {
        {{"-OUTDIR=/Out Dir/MiXed", "a.wav", "b.flac"}, {"a.wav", "b.flac"}, {"", ""}, "/Out Dir/MiXed", 0},
        {{"-outdir=o", "a.wav", "x.MP3", "b.wav", "c.mp3", "d.mp3"}, {"a.wav", "b.wav", "d.mp3"},
         {"x.MP3", "c.mp3", ""}, "o", 0},
        {{"a.mp3", "b.mp3", "c.mp3"}, {"a.mp3", "c.mp3"}, {"b.mp3", ""}, "", 0},
        {{"--", "-OUTDIR=x", "y.mp3"}, {"-OUTDIR=x"}, {"y.mp3"}, "", 0},
        {{"-OUTDIR=", "a.wav", "mp3", "b/.mp3"}, {"a.wav", "mp3", "b/.mp3"}, {"", "", ""}, "", 1},
    };
    for (const Case& c : cases) {
        bladeenc::CommandLine cmd = bladeenc::ParseCommandLine(c.args);
        EXPECT_EQ(cmd.files, c.files) << c.args[0];
        EXPECT_EQ(cmd.outputs, c.outputs) << c.args[0];
        EXPECT_EQ(cmd.outDir, c.outDir) << c.args[0];
        EXPECT_EQ(cmd.errors.size(), c.errors) << c.args[0];
    }
}

TEST(OutputFolder, MissingFoldersAreMadeAndDeleteWaitsForTheMp3)
{
    ScratchFolder dir;
    ASSERT_EQ(mkdir((dir / "src").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "src/cd2").c_str(), 0755), 0);
    const std::string a = dir / "src/a.wav", b = dir / "src/cd2/b.aiff", c = dir / "src/c.wav";
    ASSERT_TRUE(WriteSine(a, kWav16, 44100, 1, 0.2));
    ASSERT_TRUE(WriteSine(b, kAiff16, 48000, 2, 0.2));
    ASSERT_TRUE(WriteSine(c, kWav16, 32000, 1, 0.2));

    // A relative folder counts from the current one, as the files do.
    ProcessResult r = RunProcess("/bin/sh", {"-c", "cd \"$0\" && exec \"$@\"", dir.path(), kEncoder,
                                             "-quit", "-DELETE", "-OUTDIR=out/new/deeper", a, b, c,
                                             dir / "pairs/Artist/Album/c.mp3"});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(ErrorLines(r.output).empty()) << r.output;
    EXPECT_EQ(FirstFrameHeader(dir / "out/new/deeper/a.mp3").value_or(FrameHeader{}).sampleRate, 44100);
    EXPECT_EQ(FirstFrameHeader(dir / "out/new/deeper/b.mp3").value_or(FrameHeader{}).sampleRate, 48000);
    EXPECT_EQ(FirstFrameHeader(dir / "pairs/Artist/Album/c.mp3").value_or(FrameHeader{}).sampleRate, 32000);
    EXPECT_FALSE(Exists(a) || Exists(b) || Exists(c)) << "deleted once their MP3s were safe";
    EXPECT_FALSE(Exists(dir / "out/new/deeper/c.mp3"));
    EXPECT_EQ(dir.Entries(), (Strings{"out", "pairs", "src"}));
    struct stat st;
    ASSERT_EQ(stat((dir / "out/new").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0777u & ~umask(umask(022)));
}

TEST(OutputFolder, RefusedOutputsKeepTheirSources)
{
    ScratchFolder dir;
    for (const char* sub : {"one", "two"})
        ASSERT_EQ(mkdir((dir / sub).c_str(), 0755), 0);
    WriteFile(dir / "blocker", "a file where a folder should be");
    const std::string first = dir / "one/t.wav", second = dir / "two/t.flac", third = dir / "one/u.wav",
                      fourth = dir / "two/v.wav", fifth = dir / "two/w.wav";
    ASSERT_TRUE(WriteSine(first, kWav16, 44100, 1, 0.2));
    ASSERT_TRUE(WriteSine(second, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 1, 0.2));
    for (const std::string& s : {third, fourth, fifth})
        ASSERT_TRUE(WriteSine(s, kWav16, 22050, 1, 0.2));

    ProcessResult r = RunProcess(kEncoder, {"-quit", "-DELETE", "-OUTDIR=" + dir / "out", first, second,
                                            third, dir / "out/u2.mp3", fourth, dir / "out/u2.mp3",
                                            fifth, dir / "blocker/sub/w.mp3"});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_EQ(FirstFrameHeader(dir / "out/t.mp3").value_or(FrameHeader{}).sampleRate, 44100)
        << "the first of two sources with one MP3 wins";
    EXPECT_GT(CountFrames(dir / "out/u2.mp3"), 5);
    EXPECT_FALSE(Exists(first) || Exists(third));
    EXPECT_TRUE(Exists(second) && Exists(fourth) && Exists(fifth)) << "refused sources stay";
    EXPECT_EQ(ReadFile(dir / "blocker"), "a file where a folder should be");
    Strings errors = ErrorLines(r.output);
    ASSERT_EQ(errors.size(), 3u) << r.output;
    EXPECT_TRUE(StartsWith(errors[0], "Error: \"" + second + "\" would replace")) << errors[0];
    EXPECT_TRUE(StartsWith(errors[1], "Error: \"" + fourth + "\" would replace")) << errors[1];
    EXPECT_EQ(errors[2], "Error: \"" + fifth + "\" cannot create the folder \"" + dir / "blocker" +
                             "\": a file of that name is in the way");
}

TEST(OutputFolder, ASourceFolderNobodyMayWriteIsEncodedElsewhereAndAReadOnlyMp3Stays)
{
    // Root may write anything: the encoder runs as nobody, reading a folder root owns.
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ScratchFolder dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "src").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "out").c_str(), 0755), 0);
    const std::string fresh = dir / "src/fresh.wav", kept = dir / "src/kept.wav";
    ASSERT_TRUE(WriteSine(fresh, kWav16, 44100, 1, 0.2));
    ASSERT_TRUE(WriteSine(kept, kWav16, 44100, 1, 0.2));
    WriteFile(dir / "out/kept.mp3", "protected by its owner");
    for (const char* name : {"out", "out/kept.mp3"})
        ASSERT_EQ(chown((dir / name).c_str(), nobody->pw_uid, nobody->pw_gid), 0) << name;
    ASSERT_EQ(chmod((dir / "out/kept.mp3").c_str(), 0444), 0);

    for (const char* temp : {"BLADEENC_NO_O_TMPFILE=", "BLADEENC_NO_O_TMPFILE=1"}) {
        SCOPED_TRACE(temp);
        unlink((dir / "out/fresh.mp3").c_str());
        ProcessResult r = RunProcess("/usr/bin/setpriv",
                                     {"--reuid=" + std::to_string(nobody->pw_uid),
                                      "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", "--",
                                      kEncoder, "-quit", "-OUTDIR=" + dir / "out", fresh, kept},
                                     {temp});
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_GT(CountFrames(dir / "out/fresh.mp3"), 5) << r.output;
        EXPECT_EQ(ReadFile(dir / "out/kept.mp3"), "protected by its owner");
        Strings errors = ErrorLines(r.output);
        ASSERT_EQ(errors.size(), 1u) << r.output;
        EXPECT_NE(errors[0].find("kept.mp3\", which may not be written"), std::string::npos) << errors[0];
    }
}
