// The source's metadata read back from the MP3's ID3v2.3 tag, parsed here by the format's rules.
#include "EncoderTestSupport.h"
#include "Id3Tags.h"

#include <gtest/gtest.h>

#include <sndfile.h>

using namespace enctest;

TEST(Tags, WavInfoAndAiffNamesReachTheMp3)
{
    ScratchFolder dir;
    std::string wav = dir / "info.wav", aiff = dir / "names.aiff";
    ASSERT_TRUE(WriteSine(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 0.5,
                          {{SF_STR_TITLE, "Night Train"}, {SF_STR_ARTIST, "The Sleepers"},
                           {SF_STR_ALBUM, "Tracks"}, {SF_STR_DATE, "1987-05-02"},
                           {SF_STR_COMMENT, "first take"}, {SF_STR_GENRE, "Blues"},
                           {SF_STR_TRACKNUMBER, "7"}}));
    ASSERT_TRUE(WriteSine(aiff, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 1, 0.5,
                          {{SF_STR_TITLE, "Field Recording"}, {SF_STR_ARTIST, "Somebody"},
                           {SF_STR_COPYRIGHT, "(c) 2020 Somebody"}}));
    ProcessResult r = RunProcess(kEncoder, {"-quit", wav, aiff});
    ASSERT_EQ(r.exitCode, 0) << r.output;

    auto fromWav = ReadId3v2(dir / "info.mp3");
    ASSERT_TRUE(fromWav);
    EXPECT_EQ(fromWav->version, 3);
    std::map<std::string, std::string> expected = {{"TIT2", "Night Train"}, {"TPE1", "The Sleepers"},
                                                   {"TALB", "Tracks"}, {"TYER", "1987"},
                                                   {"COMM", "first take"}, {"TCON", "Blues"}, {"TRCK", "7"}};
    for (const auto& [id, text] : expected) {
        EXPECT_EQ(fromWav->text[id], text) << id;
        EXPECT_EQ(fromWav->encoding[id], 0) << id << ": plain ASCII stays Latin-1";
    }

    auto fromAiff = ReadId3v2(dir / "names.mp3");
    ASSERT_TRUE(fromAiff);
    EXPECT_EQ(fromAiff->text["TIT2"], "Field Recording");
    EXPECT_EQ(fromAiff->text["TPE1"], "Somebody");
    EXPECT_EQ(fromAiff->text["TCOP"], "(c) 2020 Somebody");

    for (const char* mp3 : {"info.mp3", "names.mp3"}) {
        // No ID3v1 at the end, and after the tag an unbroken run of frames that starts with the
        // Info frame, which gives players the exact length.
        std::string bytes = ReadFile(dir / mp3);
        EXPECT_NE(bytes.substr(bytes.size() - 128, 3), "TAG") << mp3;
        EXPECT_GT(CountFrames(dir / mp3), 15) << mp3;
        size_t tagEnd = (mp3 == std::string("info.mp3") ? fromWav : fromAiff)->size;
        std::string firstFrame = bytes.substr(tagEnd, 200);
        EXPECT_TRUE(firstFrame.find("Info") != std::string::npos) << mp3;
    }
}

TEST(Tags, NonAsciiTextIsUtf16WithByteOrderMark)
{
    ScratchFolder dir;
    std::string title = "Grüße aus 東京 \xF0\x9F\x8E\xB5";  // with a character beyond 16 bits
    std::string src = dir / "u.wav";
    ASSERT_TRUE(WriteSine(src, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.3,
                          {{SF_STR_TITLE, title}, {SF_STR_ARTIST, "Plain"}}));
    ProcessResult r = RunProcess(kEncoder, {src});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    auto tag = ReadId3v2(dir / "u.mp3");
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->encoding["TIT2"], 1);
    EXPECT_EQ(tag->text["TIT2"], title);
    EXPECT_EQ(tag->encoding["TPE1"], 0);
    EXPECT_EQ(tag->text["TPE1"], "Plain");
}

TEST(Tags, SourceWithoutMetadataGetsNoTag)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteSine(dir / "bare.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.3));
    ASSERT_EQ(RunProcess(kEncoder, {dir / "bare.wav"}).exitCode, 0);
    EXPECT_FALSE(ReadId3v2(dir / "bare.mp3"));
    EXPECT_TRUE(FirstFrameHeader(dir / "bare.mp3"));
}

TEST(Tags, TextConversions)
{
    using bladeenc::ToUtf16;
    EXPECT_EQ(ToUtf16("abc"), u"abc");
    EXPECT_EQ(ToUtf16("Gr\xC3\xBC\xC3\x9F" "e"), u"Grüße");
    EXPECT_EQ(ToUtf16("\xF0\x9F\x8E\xB5"), u"\U0001F3B5");
    // Not UTF-8 (an older tool's Latin-1): every byte is its own character.
    EXPECT_EQ(ToUtf16("Gr\xFC\xDF" "e"), u"Grüße");
    EXPECT_EQ(ToUtf16("\xC3"), u"\u00C3");
    EXPECT_EQ(ToUtf16("\xE0\x80\xAF"), u"\u00E0\u0080\u00AF") << "overlong form is not UTF-8";
    EXPECT_EQ(bladeenc::YearOf("1987-05-02"), "1987");
    EXPECT_EQ(bladeenc::YearOf("2001"), "2001");
    EXPECT_EQ(bladeenc::YearOf("May 1987"), "");
    EXPECT_EQ(bladeenc::YearOf("19870"), "");
}
