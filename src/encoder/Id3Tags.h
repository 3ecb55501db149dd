// The source's metadata, as libsndfile reports it from a WAV's LIST/INFO chunk or an AIFF's
// NAME/AUTH/(c)/ANNO chunks, carried into an ID3v2.3 tag at the start of the MP3 (no ID3v1).
#pragma once

#include <string>

struct sf_private_tag;
struct lame_global_struct;

namespace bladeenc {

struct SourceTags {
    std::string title, artist, album, year, comment, genre, track, copyright;  // as in the source
    bool empty() const;
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

} // namespace bladeenc
