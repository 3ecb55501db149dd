// -DELETE never loses a recording: a second source that reaches the first one's MP3 under
// another name, a source that changed while it was encoded and an MP3 the user made read-only
// are all errors that keep the source.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"
#include "FileEncoder.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <fcntl.h>
#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace enctest;

TEST(DeleteSafety, TwoSourcesReachingOneMp3ThroughASymlinkedFolderKeepTheSecond)
{
    for (const char* threads : {"BLADEENC_THREADS=1", "BLADEENC_THREADS=2"}) {
        SCOPED_TRACE(threads);
        ScratchFolder dir;
        ASSERT_EQ(mkdir((dir / "real").c_str(), 0755), 0);
        ASSERT_EQ(symlink("real", (dir / "link").c_str()), 0);
        std::string first = dir / "real/take.wav", second = dir / "link/take.aiff";
        ASSERT_TRUE(WriteSine(first, kWav16, 44100, 1, 0.3));
        ASSERT_TRUE(WriteSine(second, kAiff16, 48000, 1, 0.3));

        ProcessResult r = RunProcess(kEncoder, {"-quit", "-DELETE", first, second}, {threads});
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_FALSE(Exists(first)) << "the first source's MP3 is complete";
        EXPECT_TRUE(Exists(second)) << "the second would have replaced the first one's MP3";
        EXPECT_EQ(FirstFrameHeader(dir / "real/take.mp3").value_or(FrameHeader{}).sampleRate, 44100)
            << "the MP3 is the first source's";
        EXPECT_EQ(ErrorLines(r.output).size(), 1u) << r.output;
    }
}

TEST(DeleteSafety, ASourceThatChangedWhileItWasEncodedIsKept)
{
    // The change lands while the source is open and being encoded: the formats call comes after
    // the open and before the first sample is read.
    struct Case {
        const char* what;
        bool unfinishedHeader;  // a recorder still writing: data size 0 and growing
        std::function<void(const std::string& source, const ScratchFolder& dir)> change;
        bool kept;
    } cases[] = {
        {"unchanged", false, [](const std::string&, const ScratchFolder&) {}, false},
        {"renamed over", false,
         [](const std::string& source, const ScratchFolder& dir) {
             ASSERT_TRUE(WriteSine(dir / "other.wav", kWav16, 44100, 1, 0.2));
             ASSERT_EQ(rename((dir / "other.wav").c_str(), source.c_str()), 0);
         },
         true},
        {"still being recorded", true,
         [](const std::string& source, const ScratchFolder&) {
             ASSERT_TRUE(WriteFile(source, ReadFile(source) + std::string(44100, '\x10')));
         },
         true},
        {"rewritten in place", false,
         [](const std::string& source, const ScratchFolder&) {
             struct stat st;
             ASSERT_EQ(stat(source.c_str(), &st), 0);
             timespec times[2] = {st.st_atim, st.st_mtim};
             times[1].tv_sec += 5;
             ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder dir;
        std::string source = dir / "take.wav";
        ASSERT_TRUE(WriteSine(source, kWav16, 44100, 1, 0.5));
        if (c.unfinishedHeader) {
            std::string bytes = ReadFile(source);
            size_t data = bytes.find("data");
            ASSERT_NE(data, std::string::npos);
            bytes.replace(data + 4, 4, std::string(4, '\0'));
            ASSERT_TRUE(WriteFile(source, bytes));
        }
        bladeenc::FileProgress progress;
        progress.formats = [&](const std::string&, const std::string&) { c.change(source, dir); };
        bladeenc::FileReport report = bladeenc::EncodeFile(source, {}, {}, progress);
        ASSERT_TRUE(report.ok) << report.error;
        std::string why = bladeenc::RemoveSourceIfUnchanged(source, report.opened);
        EXPECT_EQ(Exists(source), c.kept) << why;
        EXPECT_EQ(why.empty(), !c.kept) << why;
        EXPECT_GT(CountFrames(dir / "take.mp3"), 5);
    }
}

TEST(DeleteSafety, AReadOnlyMp3IsNotReplacedAndItsSourceIsKept)
{
    // Root may write anything: the encoder runs as nobody, in a folder nobody owns.
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ScratchFolder dir;
    std::string ro = dir / "kept.wav", rw = dir / "fresh.wav";
    ASSERT_TRUE(WriteSine(ro, kWav16, 44100, 1, 0.2));
    ASSERT_TRUE(WriteSine(rw, kWav16, 44100, 1, 0.2));
    WriteFile(dir / "kept.mp3", "protected by its owner");
    WriteFile(dir / "fresh.mp3", "an older encode");
    for (const char* name : {"", "kept.wav", "fresh.wav", "kept.mp3", "fresh.mp3"})
        ASSERT_EQ(chown((dir / name).c_str(), nobody->pw_uid, nobody->pw_gid), 0) << name;
    ASSERT_EQ(chmod((dir / "kept.mp3").c_str(), 0444), 0);

    ProcessResult r = RunProcess("/usr/bin/setpriv",
                                 {"--reuid=" + std::to_string(nobody->pw_uid),
                                  "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", "--",
                                  kEncoder, "-quit", "-DELETE", ro, rw});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_EQ(ReadFile(dir / "kept.mp3"), "protected by its owner");
    EXPECT_TRUE(Exists(ro));
    EXPECT_GT(CountFrames(dir / "fresh.mp3"), 5) << "a writable MP3 is replaced as before";
    EXPECT_FALSE(Exists(rw));
}
