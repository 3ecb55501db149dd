// -DELETE removes a source only after its MP3, read back from disk, decodes to the source's whole
// length: a write lost on the way keeps the source and fails the run, whichever temporary file
// the MP3 was written through.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"
#include "FileEncoder.h"
#include "OutputFile.h"
#include "ReadBack.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <set>

using namespace enctest;

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

} // namespace

TEST(ReadBack, ALostWriteKeepsTheSourceAndFailsTheRunInBothTemporaryFileWays)
{
    for (bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary file" : "unnamed temporary file");
        if (named)
            setenv("BLADEENC_NO_O_TMPFILE", "1", 1);
        ScratchFolder dir;
        std::string broken = dir / "broken.wav", sound = dir / "sound.wav";
        // 10 s at 128 kBit are some 160 KB: the encoder writes them in three parts.
        ASSERT_TRUE(WriteSine(broken, kWav16, 44100, 2, 10));
        ASSERT_TRUE(WriteSine(sound, kWav16, 44100, 2, 10));
        std::mutex mutex;  // the two files are written by two workers
        std::set<bool> unnamedSeen;
        bladeenc::SetLostWriteHookForTests([&](const bladeenc::OutputFile& file, int index) {
            std::lock_guard<std::mutex> lock(mutex);
            unnamedSeen.insert(file.unnamed());
            return index == 1 && file.finalPath() == dir / "broken.mp3";
        });
        std::vector<std::string> errors;
        bladeenc::Console console;
        console.line = console.status = [](const std::string&) {};
        console.error = [&](const std::string& line) { errors.push_back(line); };
        bladeenc::BatchOptions options;
        options.threads = 2;
        int exitCode = bladeenc::RunBladeEnc({"-quit", "-DELETE", broken, sound}, console, options);
        bladeenc::SetLostWriteHookForTests({});
        unsetenv("BLADEENC_NO_O_TMPFILE");

        EXPECT_EQ(unnamedSeen, std::set<bool>{!named});
        EXPECT_EQ(exitCode, 1);
        EXPECT_TRUE(Exists(broken)) << "its MP3 lost a write";
        EXPECT_TRUE(Exists(dir / "broken.mp3")) << "left for the user to look at";
        EXPECT_FALSE(Exists(sound)) << "a sound MP3 still lets its source go";
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_TRUE(StartsWith(errors[0], "Error: \"" + broken + "\"")) << errors[0];
        // 441000 samples are 383 MPEG-1 frames; one write of 64 KB holds some 4 s of them.
        EXPECT_NE(errors[0].find(" of 383 frames (2"), std::string::npos) << errors[0];
        EXPECT_NE(errors[0].find(" of 441000 samples)"), std::string::npos) << errors[0];
        EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"broken.mp3", "broken.wav", "sound.mp3"}));
    }
}

TEST(ReadBack, CountsWhatDecodesToTheEndNotWhatTheHeaderClaims)
{
    // Whole MP3s of every kind the encoder makes read back whole: MPEG-1, MPEG-2 and 2.5 (576
    // samples a frame), mono, an empty source, and rates LAME resamples up or down (a 1 Hz source
    // gets seconds of LAME's padding; 7999 Hz is taken as 8000 without resampling).
    struct Sound {
        int rate, channels;
        double seconds;
    } sounds[] = {{44100, 2, 1.3}, {22050, 1, 0.77777}, {8000, 1, 0.0001}, {48000, 2, 0},
                  {96000, 2, 1.01}, {7000, 1, 2.33333}, {50000, 2, 0.77777}, {11000, 1, 1.01},
                  {1000, 1, 0.001}, {1, 1, 3}, {7999, 1, 10}};
    for (const Sound& s : sounds) {
        SCOPED_TRACE(std::to_string(s.rate) + " Hz, " + std::to_string(s.channels) + " channels, " +
                     std::to_string(s.seconds) + " s");
        ScratchFolder dir;
        bladeenc::FileProgress progress;
        ASSERT_TRUE(WriteSine(dir / "s.wav", kWav16, s.rate, s.channels, s.seconds));
        bladeenc::FileReport report = bladeenc::EncodeFile(dir / "s.wav", {}, {}, progress);
        ASSERT_TRUE(report.ok) << report.error;
        EXPECT_EQ(bladeenc::Mp3ReadBackProblem(report.mp3, report.mp3Samples), "");
    }

    // Damage that keeps the Info frame's full length claim, and files that are no MP3 at all.
    ScratchFolder dir;
    bladeenc::FileProgress progress;
    ASSERT_TRUE(WriteSine(dir / "s.wav", kWav16, 44100, 2, 10));
    bladeenc::FileReport report = bladeenc::EncodeFile(dir / "s.wav", {}, {}, progress);
    ASSERT_TRUE(report.ok) << report.error;
    const std::string whole = ReadFile(report.mp3);
    const size_t middle = whole.size() / 2;
    struct Case {
        const char* what;
        std::string bytes;
        const char* found;  // the start of the problem
    } cases[] = {
        {"whole", whole, ""},
        {"lost 64 KB in the middle", whole.substr(0, middle) + whole.substr(middle + 65536),
         "the MP3 read back is 2"},
        {"lost its last 500 bytes", whole.substr(0, whole.size() - 500), "the MP3 read back is 38"},
        {"without its Info frame's gapless length", Replaced(whole, "Info", "Xnfo"), "the MP3 read back is 38"},
        {"empty", "", "the MP3 read back does not decode"},
        {"not an MP3", std::string(4096, 'x'), "the MP3 read back does not decode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFile(dir / "s.mp3", c.bytes));
        std::string problem = bladeenc::Mp3ReadBackProblem(dir / "s.mp3", report.mp3Samples);
        EXPECT_TRUE(StartsWith(problem, c.found)) << problem;
        EXPECT_EQ(problem.empty(), !*c.found) << problem;
    }
    EXPECT_TRUE(StartsWith(bladeenc::Mp3ReadBackProblem(dir / "missing.mp3", 10),
                           "the MP3 cannot be read back: "));
}
