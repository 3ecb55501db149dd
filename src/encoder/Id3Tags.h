// The source's metadata (TagLib's reading of every format, libsndfile's WAV INFO and AIFF text
// chunks) carried into an ID3v2.3 tag at the start of the MP3 (no ID3v1).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct sf_private_tag;
struct lame_global_struct;

namespace bladeenc {

// A picture of the source, as its tag holds it.
struct Picture {
    int type = 0;      // the ID3v2/FLAC picture type: 3 front cover, 0 other
    std::string mime;  // "image/jpeg", ...; empty when the source does not say
    std::string data;
};

struct SourceTags {
    std::string title, artist, album, year, comment, genre, track, copyright;  // as in the source
    std::string albumArtist, disc, composer;  // track and disc: "n" or "n/N"
    std::optional<Picture> cover;
    std::vector<std::pair<std::string, std::string>> replayGain;  // REPLAYGAIN_* name and value
    std::vector<std::string> notes;  // what could not be carried over, one sentence each
    bool empty() const;              // nothing to write; notes do not count
};

// Longer tag text is cut to this many bytes (at a character's start): a title of 200 KB is a
// broken or hostile header, not a title.
inline constexpr size_t kMaxTagText = 1024;
std::string CutTagText(std::string text);

SourceTags ReadSourceTags(sf_private_tag* file);
// Puts the text of an AIFF chunk ("NAME", "AUTH", "(c) ", "ANNO") read by the encoder itself
// where libsndfile would have put it; a field libsndfile already filled stays.
void AddAiffText(SourceTags& tags, const std::string& chunkId, const std::string& text);

// The source's bytes as UTF-16: UTF-8 where they are valid UTF-8, else Latin-1 (older tools).
std::u16string ToUtf16(const std::string& bytes);
bool IsPlainAscii(const std::string& bytes);
// The leading four-digit year of a date ("2019-04-01" -> "2019"), or empty.
std::string YearOf(const std::string& date);

// Sets the tag's frames on a LAME encoder before lame_init_params; nothing for empty tags, so
// the stream stays what it was without metadata. Plain ASCII goes as Latin-1, the rest as
// UTF-16 with a byte order mark.
void ApplyTags(lame_global_struct* lame, const SourceTags& tags);

// The whole ID3v2.3 tag for the start of the MP3, after lame_init_params: LAME's frames from
// ApplyTags, then the cover as an APIC frame of its own (LAME's picture frame knows only three
// image types and marks every picture "other"). Empty for empty tags.
std::vector<unsigned char> Id3v2Tag(lame_global_struct* lame, const SourceTags& tags);
// The APIC frame (header included) of a picture: its MIME type, its type, no description.
std::vector<unsigned char> PictureFrame(const Picture& picture);

} // namespace bladeenc
