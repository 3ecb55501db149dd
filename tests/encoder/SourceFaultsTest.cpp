// Sources and names the landed encoder got wrong: files cut short, sample rates LAME cannot take,
// MP3 names at the file system's limit, and hidden copies a killed run left behind.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"
#include "OutputFile.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace enctest;

namespace {

const int kAiff16 = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;

std::vector<std::string> ErrorLines(const std::string& output)
{
    std::vector<std::string> errors;
    for (const std::string& line : Lines(output))
        if (line.rfind("Error:", 0) == 0)
            errors.push_back(line);
    return errors;
}

// Overwrites bytes of a file at the offset where marker first appears, plus skip.
void Patch(const std::string& path, const std::string& marker, size_t skip, const std::string& bytes)
{
    std::string data = ReadFile(path);
    size_t at = data.find(marker);
    ASSERT_NE(at, std::string::npos) << marker;
    data.replace(at + skip, bytes.size(), bytes);
    ASSERT_TRUE(WriteFile(path, data));
}

} // namespace

TEST(SourceFaults, SourceCutShortIsRefusedAndKept)
{
    ScratchFolder dir;
    for (auto [name, format] : {std::pair{"cut.wav", kWav16}, std::pair{"cut.aiff", kAiff16}}) {
        SCOPED_TRACE(name);
        std::string src = dir / name;
        ASSERT_TRUE(WriteSine(src, format, 44100, 1, 20));
        struct stat st;
        ASSERT_EQ(stat(src.c_str(), &st), 0);
        ASSERT_EQ(truncate(src.c_str(), st.st_size - 12 * 88200), 0);  // 8 of the 20 seconds stay
        std::string before = ReadFile(src);

        ProcessResult r = RunProcess(kEncoder, {"-quit", "-DELETE", src});
        EXPECT_EQ(r.exitCode, 1) << r.output;
        std::vector<std::string> errors = ErrorLines(r.output);
        ASSERT_EQ(errors.size(), 1u) << r.output;
        EXPECT_NE(errors[0].find("20.0 s"), std::string::npos) << errors[0];
        EXPECT_NE(errors[0].find("8.0 s"), std::string::npos) << errors[0];
        EXPECT_TRUE(ReadFile(src) == before) << "the source stays";
        EXPECT_FALSE(Exists(bladeenc::OutputPathFor(src)));
    }
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"cut.aiff", "cut.wav"}));
}

TEST(SourceFaults, UnfinishedHeaderStillEncodesWhatIsThere)
{
    // Recorders that never come back to the header leave its data size at 0xFFFFFFFF (or 0).
    ScratchFolder dir;
    for (char fill : {'\xFF', '\0'}) {
        std::string src = dir / "live.wav";
        ASSERT_TRUE(WriteSine(src, kWav16, 44100, 2, 2));
        Patch(src, "data", 4, std::string(4, fill));
        ProcessResult r = RunProcess(kEncoder, {"-quit", src});
        EXPECT_EQ(r.exitCode, 0) << r.output;
        EXPECT_GT(CountFrames(dir / "live.mp3"), 60) << int(fill) << ": two seconds are about 77 frames";
    }
}

TEST(SourceFaults, SampleRatesLameCannotTakeAreNamed)
{
    ScratchFolder dir;
    std::string low = dir / "low.wav", huge = dir / "huge.wav", zero = dir / "zero.aiff";
    ASSERT_TRUE(WriteSine(low, kWav16, 44100, 1, 0.5));
    ASSERT_TRUE(WriteSine(huge, kWav16, 44100, 1, 0.5));
    ASSERT_TRUE(WriteSine(zero, kAiff16, 44100, 1, 0.5));
    auto le32 = [](unsigned v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    Patch(low, "fmt ", 12, le32(1500) + le32(3000));
    Patch(huge, "fmt ", 12, le32(1000000000) + le32(2000000000));
    Patch(zero, "COMM", 16, std::string(10, '\0'));  // the 80-bit rate of the COMM chunk

    ProcessResult r = RunProcess(kEncoder, {"-quit", low, huge, zero});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    std::vector<std::string> errors = ErrorLines(r.output);
    ASSERT_EQ(errors.size(), 3u) << r.output;
    EXPECT_NE(errors[0].find("unsupported sample rate 1500 Hz (8000 to 192000 Hz)"), std::string::npos) << errors[0];
    EXPECT_NE(errors[1].find("unsupported sample rate 1000000000 Hz (8000 to 192000 Hz)"), std::string::npos) << errors[1];
    EXPECT_NE(errors[2].find("zero.aiff\" cannot be encoded: unsupported sample rate"), std::string::npos) << errors[2];
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"huge.wav", "low.wav", "zero.aiff"}));
}

TEST(SourceFaults, LongestNameIsEncodedAndReplacedInBothTemporaryModes)
{
    ScratchFolder dir;
    // 81 three-byte characters and ".mp3" (247 bytes), then a name at the 255-byte limit: the
    // temporary name must not be longer than the MP3 name.
    std::string japanese;
    for (int i = 0; i < 81; ++i)
        japanese += "\xE9\x9F\xB3";
    for (const std::string& stem : {japanese, std::string(251, 'x')}) {
        std::string src = dir / (stem + ".wav");
        ASSERT_TRUE(WriteSine(src, kWav16, 44100, 1, 0.1));
        for (const char* named : {"BLADEENC_NO_O_TMPFILE", "BLADEENC_NO_O_TMPFILE=1"}) {
            for (int run = 0; run < 2; ++run) {  // the second run replaces the first one's MP3
                ProcessResult r = RunProcess(kEncoder, {src}, {named});
                EXPECT_EQ(r.exitCode, 0) << named << " run " << run << ": " << r.output;
            }
        }
        EXPECT_GT(CountFrames(dir / (stem + ".mp3")), 2);
        EXPECT_EQ(dir.Entries().size(), stem == japanese ? 2u : 4u) << "no temporary file left";
    }
}

TEST(SourceFaults, NextRunRemovesOnlyStaleTemporaryFilesOfTheFolder)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteSine(dir / "a.wav", kWav16, 44100, 1, 0.1));
    WriteFile(dir / ".tw-Ab3xZ9", std::string("ID3\x03\x00", 5) + "left by a killed run");
    WriteFile(dir / ".tw-000000", "");
    WriteFile(dir / ".tw-live01", "\xFF\xFB\x90\x00 being written");
    WriteFile(dir / ".tw-notes1", "the user's own notes");
    WriteFile(dir / ".tw-short", "\xFF\xFB");
    WriteFile(dir / ".a.mp3.tw-12", "\xFF\xFB");
    // A living writer holds its file's lock.
    int live = open((dir / ".tw-live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(live, 0);
    ASSERT_EQ(flock(live, LOCK_EX), 0);

    ProcessResult r = RunProcess(kEncoder, {dir / "a.wav"});
    close(live);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{".a.mp3.tw-12", ".tw-live01", ".tw-notes1", ".tw-short",
                                                       "a.mp3", "a.wav"}));
    EXPECT_TRUE(bladeenc::IsTempName(".tw-Ab3xZ9"));
    EXPECT_FALSE(bladeenc::IsTempName(".tw-Ab3x_9"));
    EXPECT_FALSE(bladeenc::IsTempName(".tw-Ab3xZ99"));
}
