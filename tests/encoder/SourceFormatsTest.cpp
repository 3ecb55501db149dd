// FLAC, Ogg Vorbis and Opus sources: their tags and covers in the MP3's ID3v2 tag (read back with
// TagLib), damaged or cut-short files refused and kept, MP3 sources refused.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"
#include "TagReader.h"

#include <gtest/gtest.h>

#include <sndfile.h>
#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace enctest;

namespace {

const int kFlac16 = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
const int kVorbis = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
const int kOpus = SF_FORMAT_OGG | SF_FORMAT_OPUS;

// Image bytes that start like a PNG, padded to size.
std::string FakeImage(size_t size, const std::string& magic = "\x89PNG\r\n\x1A\n")
{
    std::string data = magic;
    data.resize(size, 'x');
    return data;
}

TagLib::FLAC::Picture* NewPicture(int type, const std::string& mime, const std::string& data)
{
    auto* p = new TagLib::FLAC::Picture;
    p->setType(TagLib::FLAC::Picture::Type(type));
    p->setMimeType(mime);
    p->setData(TagLib::ByteVector(data.data(), (unsigned)data.size()));
    return p;
}

void AddPictureFrame(TagLib::ID3v2::Tag* tag, const bladeenc::Picture& p)
{
    auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::Type(p.type));
    frame->setMimeType(p.mime);
    frame->setPicture(TagLib::ByteVector(p.data.data(), (unsigned)p.data.size()));
    tag->addFrame(frame);
}

// Adds tags and pictures as a tagger would: Vorbis comments to a FLAC, Ogg Vorbis or Opus file,
// an ID3 chunk to a WAV or AIFF.
bool AddTags(const std::string& path, const std::map<std::string, std::string>& fields,
             const std::vector<bladeenc::Picture>& pictures = {})
{
    TagLib::FileRef ref(path.c_str(), false);
    if (ref.isNull())
        return false;
    TagLib::PropertyMap map = ref.file()->properties();
    for (const auto& [key, value] : fields)
        map.replace(key, TagLib::StringList(TagLib::String(value, TagLib::String::UTF8)));
    ref.file()->setProperties(map);
    for (const auto& p : pictures) {
        if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(ref.file()))
            flac->addPicture(NewPicture(p.type, p.mime, p.data));
        else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(ref.file()->tag()))
            xiph->addPicture(NewPicture(p.type, p.mime, p.data));
        else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(ref.file()))
            AddPictureFrame(wav->ID3v2Tag(), p);
        else if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(ref.file()))
            AddPictureFrame(aiff->tag(), p);
        else
            return false;
    }
    return ref.save();
}

// The MP3's ID3v2 frames as TagLib reads them: text frames by id, TXXX by description.
struct Mp3Tag {
    int version = 0;
    std::map<std::string, std::string> text;
    std::map<std::string, std::string> userText;
    std::vector<bladeenc::Picture> pictures;
};

Mp3Tag ReadMp3Tag(const std::string& path)
{
    Mp3Tag result;
    TagLib::MPEG::File mp3(path.c_str(), false);
    if (!mp3.hasID3v2Tag())
        return result;
    TagLib::ID3v2::Tag* tag = mp3.ID3v2Tag();
    result.version = int(tag->header()->majorVersion());
    for (const auto& [id, frames] : tag->frameListMap())
        for (TagLib::ID3v2::Frame* frame : frames) {
            std::string key(id.data(), id.size());
            if (auto* user = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame))
                result.userText[user->description().to8Bit(true)] = user->fieldList().back().to8Bit(true);
            else if (auto* pic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
                result.pictures.push_back({int(pic->type()), pic->mimeType().to8Bit(true),
                                           std::string(pic->picture().data(), pic->picture().size())});
            else
                result.text[key] = frame->toString().to8Bit(true);
        }
    return result;
}

} // namespace

TEST(SourceFormats, EveryTagAndTheFrontCoverReachTheMp3)
{
    ScratchFolder dir;
    const std::string title = "Gr\xC3\xBC\xC3\x9F" "e aus Z\xC3\xBCrich";  // not ASCII: UTF-16
    const std::string cover = FakeImage(3000);
    for (auto [name, format, rate] : {std::tuple{"song.flac", kFlac16, 44100},
                                      std::tuple{"song.ogg", kVorbis, 44100},
                                      std::tuple{"song.opus", kOpus, 48000},
                                      std::tuple{"song.wav", kWav16, 44100},
                                      std::tuple{"song.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100}}) {
        SCOPED_TRACE(name);
        const std::string src = dir / name;
        ASSERT_TRUE(WriteSine(src, format, rate, 2, 0.5,
                              {{SF_STR_TITLE, title}, {SF_STR_ARTIST, "The Sleepers"},
                               {SF_STR_ALBUM, "Tracks"}, {SF_STR_DATE, "1987-05-02"},
                               {SF_STR_COMMENT, "first take"}, {SF_STR_TRACKNUMBER, "3"},
                               {SF_STR_GENRE, "Blues"}}));
        std::map<std::string, std::string> fields = {
            {"ALBUMARTIST", "Various"}, {"TRACKTOTAL", "12"}, {"DISCNUMBER", "1"}, {"DISCTOTAL", "2"},
            {"COMPOSER", "Anon"}, {"COPYRIGHT", "(c) 1987 Anon"}, {"REPLAYGAIN_TRACK_GAIN", "-6.48 dB"},
            {"REPLAYGAIN_ALBUM_PEAK", "0.988"}};
        if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_AIFF)  // its text chunks hold no album, genre, track or date
            fields.insert({{"ALBUM", "Tracks"}, {"GENRE", "Blues"}, {"TRACKNUMBER", "3"}, {"DATE", "1987-05-02"}});
        ASSERT_TRUE(AddTags(src, fields,
                            {{4, "image/jpeg", FakeImage(500, "\xFF\xD8\xFF")}, {3, "image/png", cover}}));

        ProcessResult r = RunProcess(kEncoder, {"-quit", src});
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const std::string mp3 = bladeenc::OutputPathFor(src);
        Mp3Tag tag = ReadMp3Tag(mp3);
        EXPECT_EQ(tag.version, 3);
        const std::map<std::string, std::string> expected = {
            {"TIT2", title}, {"TPE1", "The Sleepers"}, {"TALB", "Tracks"}, {"TPE2", "Various"},
            {"TRCK", "3/12"}, {"TPOS", "1/2"}, {"TCON", "Blues"},
            {"COMM", "first take"}, {"TCOM", "Anon"}, {"TCOP", "(c) 1987 Anon"}};
        for (const auto& [id, text] : expected)
            EXPECT_EQ(tag.text[id], text) << id;
        EXPECT_EQ(tag.userText, (std::map<std::string, std::string>{
                                    {"REPLAYGAIN_TRACK_GAIN", "-6.48 dB"}, {"REPLAYGAIN_ALBUM_PEAK", "0.988"}}));
        ASSERT_EQ(tag.pictures.size(), 1u) << "the front cover only";
        EXPECT_EQ(tag.pictures[0].type, 3);
        EXPECT_EQ(tag.pictures[0].mime, "image/png");
        EXPECT_TRUE(tag.pictures[0].data == cover);

        auto raw = ReadId3v2(mp3);
        ASSERT_TRUE(raw);
        EXPECT_EQ(raw->text["TYER"], "1987") << "TagLib shows ID3v2.3's year as TDRC";
        EXPECT_EQ(raw->encoding["TIT2"], 1) << "UTF-16 for text that is not ASCII";
        EXPECT_EQ(raw->encoding["TPE1"], 0);
        EXPECT_GT(CountFrames(mp3), 10) << "the stream follows the tag unbroken";
        EXPECT_TRUE(LinesStartingWith(r.output, "Warning:").empty()) << r.output;
    }
}

TEST(SourceFormats, CoverAboveOneMebibyteIsLeftOutWithAWarning)
{
    ScratchFolder dir;
    for (auto [name, size, carried] : {std::tuple{"fits.flac", bladeenc::kMaxCoverBytes, true},
                                       std::tuple{"huge.flac", bladeenc::kMaxCoverBytes + 1, false}}) {
        SCOPED_TRACE(name);
        const std::string src = dir / name;
        ASSERT_TRUE(WriteSine(src, kFlac16, 44100, 1, 0.2, {{SF_STR_TITLE, "Cover"}}));
        ASSERT_TRUE(AddTags(src, {}, {{3, "image/png", FakeImage(size)}}));
        ProcessResult r = RunProcess(kEncoder, {"-quit", src});
        ASSERT_EQ(r.exitCode, 0) << r.output;
        Mp3Tag tag = ReadMp3Tag(bladeenc::OutputPathFor(src));
        EXPECT_EQ(tag.text["TIT2"], "Cover");
        EXPECT_EQ(tag.pictures.size(), carried ? 1u : 0u);
        std::vector<std::string> warnings = LinesStartingWith(r.output, "Warning:");
        if (carried) {
            EXPECT_TRUE(warnings.empty()) << r.output;
        } else {
            ASSERT_EQ(warnings.size(), 1u) << r.output;
            EXPECT_NE(warnings[0].find(name), std::string::npos) << warnings[0];
        }
    }
}

TEST(SourceFormats, DamagedOrCutShortSourcesAreRefusedAndKept)
{
    ScratchFolder dir;
    auto cutAt = [](double share) {
        return [share](std::string& d) { d.resize(size_t(double(d.size()) * share)); };
    };
    auto flipAt = [](double share) {
        return [share](std::string& d) { d[size_t(double(d.size()) * share)] ^= 0x5A; };
    };
    // Cut right before the last page: every page whole, but the stream never ends.
    auto dropLastPage = [](std::string& d) { d.resize(d.rfind("OggS")); };
    const std::vector<std::tuple<const char*, int, std::function<void(std::string&)>, const char*>> cases = {
        {"cut.flac", kFlac16, cutAt(0.6), "cut short"},
        {"bad.flac", kFlac16, flipAt(0.5), "damaged"},
        {"cut.ogg", kVorbis, cutAt(0.7), "cut short"},
        {"bad.ogg", kVorbis, flipAt(0.6), "damaged"},
        {"unended.opus", kOpus, dropLastPage, "cut short"},
        {"bad.opus", kOpus, flipAt(0.5), "damaged"},
    };
    std::vector<std::string> args = {"-quit", "-DELETE"}, names;
    std::map<std::string, std::string> before;
    for (const auto& [name, format, harm, reason] : cases) {
        const std::string src = dir / name;
        ASSERT_TRUE(WriteSine(src, format, 48000, 2, 3.0)) << name;
        std::string data = ReadFile(src);
        harm(data);
        ASSERT_TRUE(WriteFile(src, data));
        before[name] = data;
        args.push_back(src);
        names.push_back(name);
    }
    ProcessResult r = RunProcess(kEncoder, args);
    EXPECT_EQ(r.exitCode, 1) << r.output;
    std::vector<std::string> errors = LinesStartingWith(r.output, "Error:");
    ASSERT_EQ(errors.size(), cases.size()) << r.output;
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [name, format, harm, reason] = cases[i];
        EXPECT_NE(errors[i].find(name), std::string::npos) << errors[i];
        EXPECT_NE(errors[i].find(reason), std::string::npos) << errors[i];
        EXPECT_TRUE(ReadFile(dir / name) == before[name]) << name << " is kept as it was";
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(dir.Entries(), names) << "no MP3 and no temporary file";
}

TEST(SourceFormats, Mp3SourceIsRefusedAndKept)
{
    ScratchFolder dir;
    ASSERT_TRUE(WriteSine(dir / "song.wav", kWav16, 44100, 1, 0.3));
    ASSERT_EQ(RunProcess(kEncoder, {"-quit", dir / "song.wav"}).exitCode, 0);
    ASSERT_EQ(rename((dir / "song.mp3").c_str(), (dir / "copy.MP3").c_str()), 0);
    const std::string before = ReadFile(dir / "copy.MP3");

    ProcessResult r = RunProcess(kEncoder, {"-quit", "-DELETE", dir / "copy.MP3"});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_EQ(LinesStartingWith(r.output, "Error:").size(), 1u) << r.output;
    EXPECT_TRUE(ReadFile(dir / "copy.MP3") == before);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"copy.MP3", "song.wav"}));
}
