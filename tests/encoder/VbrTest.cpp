// -VBR=<level>: LAME's variable-bitrate levels, from the command line to the bytes of the MP3.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"

#include <gtest/gtest.h>

using namespace enctest;

TEST(VbrCommandLine, LevelsInAnyCaseAndWhatTheyOverride)
{
    struct Case {
        std::vector<std::string> args;
        int level;
        size_t notes;  // the one line about ignored bitrate switches
    } cases[] = {
        {{"-VBR=2", "a.wav"}, 2, 0},
        {{"-Vbr=9", "a.wav"}, 9, 0},
        {{"-VBR=4", "-VBR=6", "a.wav"}, 6, 0},
        {{"-quit", "-192", "-MONO", "-VBR=2", "-CRC", "-DELETE", "-PRIO=LOWER", "a.wav"}, 2, 1},
        {{"-320", "-VBR=0", "-64", "a.wav"}, 0, 1},
    };
    for (const Case& c : cases) {
        bladeenc::CommandLine cmd = bladeenc::ParseCommandLine(c.args);
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        EXPECT_TRUE(cmd.errors.empty());
        EXPECT_FALSE(cmd.encodeNothing);
        EXPECT_EQ(cmd.settings.vbrLevel, c.level);
        ASSERT_EQ(cmd.notes.size(), c.notes);
        EXPECT_EQ(cmd.files, std::vector<std::string>{"a.wav"});
    }
    EXPECT_FALSE(bladeenc::ParseCommandLine({"-192", "a.wav"}).settings.vbrLevel.has_value());
}

TEST(VbrCommandLine, UnknownLevelsEncodeNothing)
{
    for (const char* bad : {"-VBR=10", "-VBR=-1", "-vbr=", "-VBR", "-VBR=2.5", "-VBR=V2", "-VBR= 2"}) {
        bladeenc::CommandLine cmd = bladeenc::ParseCommandLine({"-192", bad, "a.wav"});
        SCOPED_TRACE(bad);
        EXPECT_TRUE(cmd.encodeNothing);
        ASSERT_EQ(cmd.errors.size(), 1u);
        EXPECT_NE(cmd.errors[0].find(bad), std::string::npos) << cmd.errors[0];
    }

    ScratchFolder dir;
    std::string src = dir / "a.wav";
    ASSERT_TRUE(WriteSine(src, kWav16, 44100, 2, 0.2));
    ProcessResult r = RunProcess(kEncoder, {"-quit", "-VBR=10", "-DELETE", src});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(ErrorLines(r.output).size(), 1u) << r.output;
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.wav"}) << "nothing encoded, nothing deleted";
}

TEST(VbrEncode, XingHeaderCountsTheFramesAndBytes)
{
    // The seek table and the counts are what players read for the length and for seeking; they
    // are written into the file after the last frame, so a count of 0 means that step was lost.
    ScratchFolder dir;
    for (auto [name, channels, args] :
         {std::tuple{"vbr.wav", 2, std::vector<std::string>{"-VBR=4"}},
          std::tuple{"crc.wav", 1, std::vector<std::string>{"-VBR=0", "-CRC"}},
          std::tuple{"cbr.wav", 2, std::vector<std::string>{"-128"}}}) {
        std::string src = dir / name;
        ASSERT_TRUE(WriteSine(src, kWav16, 44100, channels, 1.5));
        args.push_back(src);
        ASSERT_EQ(RunProcess(kEncoder, args).exitCode, 0);
        std::string mp3 = bladeenc::OutputPathFor(src);
        SCOPED_TRACE(mp3);
        std::optional<XingHeader> x = ReadXing(mp3);
        ASSERT_TRUE(x.has_value());
        EXPECT_EQ(x->id, args[0] == "-128" ? "Info" : "Xing");
        int frames = CountFrames(mp3);
        ASSERT_GT(frames, 50);
        EXPECT_EQ(x->frames, unsigned(frames - 1)) << "every frame after the header";
        EXPECT_EQ(x->bytes, unsigned(ReadFile(mp3).size()));
        EXPECT_TRUE(x->seekTable);
        EXPECT_EQ(x->lameTag.substr(0, 4), "LAME");
    }
}

TEST(VbrEncode, SameStreamAsLameDashV)
{
    // The level must mean what it means to lame: same library, same settings, same bytes.
    if (RunProcess("/bin/sh", {"-c", "command -v lame"}).exitCode != 0)
        GTEST_SKIP() << "the lame command is not installed";
    ScratchFolder dir;
    for (auto [name, channels, format, level] :
         {std::tuple{"st.wav", 2, kWav16, 2},
          std::tuple{"mo.wav", 1, kWav16, 9},
          std::tuple{"st24.wav", 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 0}}) {
        std::string src = dir / name;
        ASSERT_TRUE(WriteSine(src, format, 44100, channels, 1.0));
        const std::string v = std::to_string(level);
        ASSERT_EQ(RunProcess(kEncoder, {"-VBR=" + v, "-ORIGINAL", src}).exitCode, 0);
        std::string ref = dir / "reference.mp3";
        ProcessResult lame = RunProcess("/bin/sh", {"-c", "exec lame --silent -V \"$1\" --noreplaygain \"$2\" \"$3\"",
                                                    "sh", v, src, ref});
        ASSERT_EQ(lame.exitCode, 0) << lame.output;
        EXPECT_TRUE(ReadFile(bladeenc::OutputPathFor(src)) == ReadFile(ref)) << name << " at -V " << v;
    }
}
