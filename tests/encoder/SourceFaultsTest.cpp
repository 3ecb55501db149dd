// Sources and names the landed encoder got wrong: files cut short, sample rates LAME cannot take,
// MP3 names at the file system's limit, and hidden copies a killed run left behind.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"
#include "OutputFile.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace enctest;

namespace {

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

TEST(SourceFaults, LowSampleRatesAreResampledNotRefused)
{
    // libmp3lame resamples any rate below 8 kHz to the lowest one MPEG 2.5 allows.
    ScratchFolder dir;
    for (auto [rate, shown] : {std::pair{5512, "5.512"}, std::pair{2000, "2"}, std::pair{1, "0.001"}}) {
        SCOPED_TRACE(rate);
        std::string src = dir / (std::to_string(rate) + "Hz.wav");
        ASSERT_TRUE(WriteSine(src, kWav16, rate, 1, rate == 1 ? 3 : 1));
        ProcessResult r = RunProcess(kEncoder, {"-quit", "-DELETE", src});
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_NE(r.output.find(std::string("Input: ") + shown + " kHz mono\n"), std::string::npos) << r.output;
        auto header = FirstFrameHeader(bladeenc::OutputPathFor(src));
        ASSERT_TRUE(header);
        EXPECT_EQ(header->sampleRate, 8000);
        EXPECT_EQ(header->mpegVersion, 25);
        EXPECT_GT(CountFrames(bladeenc::OutputPathFor(src)), 5);
    }
}

TEST(SourceFaults, HeadersThatPromiseWhatTheFileCannotHoldAreRefusedAndKept)
{
    auto be32 = [](unsigned v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    struct Case {
        const char* name;
        int format;
        const char* marker;  // where the patch goes: at marker + skip
        size_t skip;
        std::string bytes;
        long long cut;  // bytes taken off the end
        std::vector<std::string> said;
    } cases[] = {
        // A WAV two bytes short: the seconds round equal, so the bytes are named.
        {"short.wav", kWav16, "data", 0, "data", 2, {"1764000 bytes", "1763998 bytes"}},
        {"frames.aiff", kAiff16, "COMM", 10, be32(0x7FFFFFFF), 0, {"cut short", "48695.8 s", "20.0 s"}},
        {"offset.aiff", kAiff16, "SSND", 8, be32(0x7FFFFF00), 0, {"cut short", "past the end"}},
        {"rate0.aiff", kAiff16, "COMM", 16, std::string(10, '\0'), 0, {"sample rate is invalid (0 Hz)"}},
        {"nan.aiff", kAiff16, "COMM", 16, "\x7F\xFF\xC0" + std::string(7, '\0'), 0,
         {"sample rate is invalid (not a number)"}},
        {"inf.aiff", kAiff16, "COMM", 16, "\x7F\xFF\x80" + std::string(7, '\0'), 0,
         {"sample rate is invalid (infinite)"}},
        {"huge.aiff", kAiff16, "COMM", 16, "\x43\xE2\x80" + std::string(7, '\0'), 0,
         {"sample rate is invalid (", "e+299 Hz)"}},
    };
    ScratchFolder dir;
    std::vector<std::string> args = {"-quit", "-DELETE"}, before;
    for (const Case& c : cases) {
        std::string src = dir / c.name;
        ASSERT_TRUE(WriteSine(src, c.format, 44100, 1, 20));
        Patch(src, c.marker, c.skip, c.bytes);
        std::string bytes = ReadFile(src);
        bytes.resize(bytes.size() - size_t(c.cut));
        ASSERT_TRUE(WriteFile(src, bytes));
        args.push_back(src);
        before.push_back(bytes);
    }
    ProcessResult r = RunProcess(kEncoder, args);
    EXPECT_EQ(r.exitCode, 1) << r.output;
    std::vector<std::string> errors = ErrorLines(r.output);
    ASSERT_EQ(errors.size(), std::size(cases)) << r.output;
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_NE(errors[i].find(cases[i].name), std::string::npos) << errors[i];
        for (const std::string& part : cases[i].said)
            EXPECT_NE(errors[i].find(part), std::string::npos) << errors[i];
        EXPECT_EQ(errors[i].find("67108864"), std::string::npos) << errors[i];
        EXPECT_TRUE(ReadFile(dir / cases[i].name) == before[i]) << "the source stays";
    }
    EXPECT_EQ(dir.Entries().size(), std::size(cases)) << "no MP3";
}

TEST(SourceFaults, LongTagTextIsCutAndTheSourceEncoded)
{
    ScratchFolder dir;
    // Both written by hand: libsndfile writes neither a sound NAME chunk of 100 KB nor a WAV
    // title of 200 KB.
    std::string aiff = dir / "name.aiff";
    ASSERT_TRUE(WriteSine(aiff, kAiff16, 44100, 1, 0.5, {{SF_STR_ARTIST, "Somebody"}}));
    auto be32 = [](size_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    std::string sound = ReadFile(aiff);
    sound.insert(sound.find("SSND"), "NAME" + be32(100000) + std::string(100000, 't'));
    sound += "ANNO" + be32(20001) + std::string(20001, 'a') + '\0';  // after the sound, padded
    sound.replace(4, 4, be32(sound.size() - 8));
    ASSERT_TRUE(WriteFile(aiff, sound));
    std::string wav = dir / "title.wav";
    ASSERT_TRUE(WriteSine(wav, kWav16, 44100, 1, 0.5));
    std::string bytes = ReadFile(wav);
    auto le32 = [](size_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    std::string title = std::string(200000, 'w') + '\0';
    std::string info = "INFO" + std::string("INAM") + le32(title.size()) + title;
    bytes += "LIST" + le32(info.size()) + info;
    bytes.replace(4, 4, le32(bytes.size() - 8));
    ASSERT_TRUE(WriteFile(wav, bytes));

    ProcessResult r = RunProcess(kEncoder, {"-quit", aiff, wav});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    auto tag = ReadId3v2(dir / "name.mp3");
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->text["TIT2"], std::string(1024, 't'));
    EXPECT_EQ(tag->text["TPE1"], "Somebody");
    EXPECT_EQ(tag->text["COMM"], std::string(1024, 'a'));
    EXPECT_GT(CountFrames(dir / "name.mp3"), 10);
    EXPECT_GT(CountFrames(dir / "title.mp3"), 10);
}

TEST(SourceFaults, FloatSamplesBeyondFullScaleAreHeldThereAndTheBatchGoesOn)
{
    // libmp3lame aborts the process on any of these; each file now encodes, and so does the rest.
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        int format;
        double odd;
    } cases[] = {
        {"nan.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, nan},
        {"inf.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, inf},
        {"minusinf.aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, -inf},
        {"huge.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1e10},
        {"double.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1e300},
        {"doublenan.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, -nan},
    };
    ScratchFolder dir;
    std::vector<std::string> args = {"-quit"};
    for (const Case& c : cases) {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = c.format;
        SNDFILE* f = sf_open((dir / c.name).c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr) << c.name;
        std::vector<double> samples(2 * 22050);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = 0.5 * std::sin(double(i) * 0.05);
        samples[20001] = c.odd;
        sf_writef_double(f, samples.data(), 22050);
        sf_close(f);
        args.push_back(dir / c.name);
    }
    ASSERT_TRUE(WriteSine(dir / "plain.wav", kWav16, 44100, 2, 0.5));
    args.push_back(dir / "plain.wav");

    ProcessResult r = RunProcess(kEncoder, args, {"BLADEENC_THREADS=1"});
    ASSERT_EQ(r.exitCode, 0) << "signal " << r.signal << ": " << r.output;
    for (const Case& c : cases)
        EXPECT_GT(CountFrames(bladeenc::OutputPathFor(dir / c.name)), 15) << c.name;
    EXPECT_GT(CountFrames(dir / "plain.mp3"), 15);
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
