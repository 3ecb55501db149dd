// TagLib, opened by the format libsndfile recognised, so a file's name never decides how it is read.
#include "TagReader.h"

#include <sndfile.h>  // the SF_FORMAT_ codes
#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/opusfile.h>
#include <taglib/tdebuglistener.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <cstdio>

namespace bladeenc {

namespace {

// TagLib reports oddities of a file on stderr; the console carries only the encoder's own lines.
class SilentListener : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

void SilenceTagLib()
{
    static SilentListener listener;
    static const bool once = (TagLib::setDebugListener(&listener), true);
    (void)once;
}

std::string Utf8(const TagLib::String& s)
{
    return s.to8Bit(true);
}

// The values of the first key that has any, several joined with "; ".
std::string Value(const TagLib::PropertyMap& map, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        auto it = map.find(key);
        if (it == map.end() || it->second.isEmpty())
            continue;
        std::string joined;
        for (const TagLib::String& value : it->second) {
            std::string text = Utf8(value);
            if (text.empty())
                continue;
            joined += (joined.empty() ? "" : "; ") + text;
        }
        if (!joined.empty())
            return CutTagText(joined);
    }
    return {};
}

void AddFlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& list, std::vector<Picture>& out)
{
    for (const TagLib::FLAC::Picture* p : list) {
        const TagLib::ByteVector data = p->data();
        out.push_back({int(p->type()), Utf8(p->mimeType()), std::string(data.data(), data.size())});
    }
}

void AddId3Pictures(const TagLib::ID3v2::Tag* tag, std::vector<Picture>& out)
{
    if (!tag)
        return;
    const auto& frames = tag->frameListMap();
    auto it = frames.find("APIC");
    if (it == frames.end())
        return;
    for (const TagLib::ID3v2::Frame* frame : it->second)
        if (auto* p = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame)) {
            const TagLib::ByteVector data = p->picture();
            out.push_back({int(p->type()), Utf8(p->mimeType()), std::string(data.data(), data.size())});
        }
}

// What TagLib reads of the file: its properties and pictures. Nothing for formats it is not
// asked to read (W64, RF64, CAF) or files it cannot parse.
void ReadWithTagLib(const std::string& path, int sfFormat, TagLib::PropertyMap& properties,
                    std::vector<Picture>& pictures)
{
    const char* name = path.c_str();
    const bool noAudioProperties = false;
    switch (sfFormat & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_FLAC: {
        TagLib::FLAC::File file(name, noAudioProperties);
        if (!file.isValid())
            return;
        properties = file.properties();
        AddFlacPictures(file.pictureList(), pictures);
        if (file.hasID3v2Tag())
            AddId3Pictures(file.ID3v2Tag(), pictures);
        return;
    }
    case SF_FORMAT_OGG: {
        auto read = [&](auto& file) {
            if (!file.isValid())
                return;
            properties = file.properties();
            if (TagLib::Ogg::XiphComment* xiph = file.tag())
                AddFlacPictures(xiph->pictureList(), pictures);
        };
        if ((sfFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS) {
            TagLib::Ogg::Opus::File file(name, noAudioProperties);
            read(file);
        } else {
            TagLib::Ogg::Vorbis::File file(name, noAudioProperties);
            read(file);
        }
        return;
    }
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX: {
        TagLib::RIFF::WAV::File file(name, noAudioProperties);
        if (!file.isValid() || !file.hasID3v2Tag())
            return;  // the INFO chunk comes through libsndfile
        properties = file.ID3v2Tag()->properties();
        AddId3Pictures(file.ID3v2Tag(), pictures);
        return;
    }
    case SF_FORMAT_AIFF: {
        TagLib::RIFF::AIFF::File file(name, noAudioProperties);
        if (!file.isValid() || !file.hasID3v2Tag())
            return;
        properties = file.tag()->properties();
        AddId3Pictures(file.tag(), pictures);
        return;
    }
    default:
        return;
    }
}

std::string Trimmed(const std::string& s)
{
    size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string SniffedMime(const std::string& data)
{
    if (data.compare(0, 3, "\xFF\xD8\xFF") == 0)
        return "image/jpeg";
    if (data.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0)
        return "image/png";
    if (data.compare(0, 4, "GIF8") == 0)
        return "image/gif";
    return {};
}

std::string MiB(size_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", double(bytes) / (1 << 20));
    return text;
}

} // namespace

std::string NumberOfTotal(const std::string& number, const std::string& total)
{
    std::string n = Trimmed(number), of = Trimmed(total);
    if (size_t slash = n.find('/'); slash != std::string::npos) {
        if (of.empty())
            of = Trimmed(n.substr(slash + 1));
        n = Trimmed(n.substr(0, slash));
    }
    if (n.empty())
        return {};
    return of.empty() ? n : n + "/" + of;
}

void TakeCover(SourceTags& tags, const std::vector<Picture>& pictures)
{
    const Picture* chosen = nullptr;
    for (int type : {3, 0}) {
        for (const Picture& p : pictures)
            if (p.type == type && !p.data.empty()) {
                chosen = &p;
                break;
            }
        if (chosen)
            break;
    }
    if (!chosen)
        return;
    if (chosen->data.size() > kMaxCoverBytes) {
        tags.notes.push_back("its cover picture (" + MiB(chosen->data.size()) + ") is larger than " +
                             MiB(kMaxCoverBytes) + " and was left out of the MP3");
        return;
    }
    tags.cover = *chosen;
    if (tags.cover->mime.empty())
        tags.cover->mime = SniffedMime(chosen->data);
}

SourceTags ReadTags(const std::string& path, int sfFormat, SourceTags tags)
{
    SilenceTagLib();
    TagLib::PropertyMap map;
    std::vector<Picture> pictures;
    ReadWithTagLib(path, sfFormat, map, pictures);

    auto take = [&](std::string& field, std::initializer_list<const char*> keys) {
        if (std::string value = Value(map, keys); !value.empty())
            field = value;
    };
    take(tags.title, {"TITLE"});
    take(tags.artist, {"ARTIST"});
    take(tags.album, {"ALBUM"});
    take(tags.albumArtist, {"ALBUMARTIST", "ALBUM ARTIST"});
    take(tags.genre, {"GENRE"});
    take(tags.comment, {"COMMENT", "DESCRIPTION"});
    take(tags.composer, {"COMPOSER"});
    take(tags.copyright, {"COPYRIGHT"});
    if (std::string year = YearOf(Value(map, {"DATE", "YEAR"})); !year.empty())
        tags.year = year;
    // A WAV's INFO chunk may hold the track number and its ID3 chunk the total.
    const std::string trackNumber = Value(map, {"TRACKNUMBER"});
    tags.track = NumberOfTotal(trackNumber.empty() ? tags.track : trackNumber,
                               Value(map, {"TRACKTOTAL", "TOTALTRACKS"}));
    tags.disc = NumberOfTotal(Value(map, {"DISCNUMBER"}), Value(map, {"DISCTOTAL", "TOTALDISCS"}));
    for (const auto& [key, values] : map) {
        std::string name = Utf8(key);
        if (name.rfind("REPLAYGAIN_", 0) == 0 && !values.isEmpty())
            tags.replayGain.emplace_back(name, CutTagText(Trimmed(Utf8(values.front()))));
    }
    TakeCover(tags, pictures);
    return tags;
}

} // namespace bladeenc
