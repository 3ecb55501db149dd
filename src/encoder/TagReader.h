// Reads a source's tags with TagLib: Vorbis comments and pictures of FLAC, Ogg Vorbis and Opus,
// the ID3 chunk of a WAV or AIFF. libsndfile's strings (a WAV's INFO chunk, an AIFF's
// NAME/AUTH/(c)/ANNO) fill in what TagLib does not find. Safe to call from several threads at
// once for different files.
#pragma once

#include "Id3Tags.h"

#include <string>

namespace bladeenc {

// Covers larger than this are left out of the MP3 (with a note): players choke on huge tags.
inline constexpr size_t kMaxCoverBytes = 1 << 20;

// base holds what libsndfile and the encoder's own chunk reading found; TagLib's values replace
// it where TagLib has one. sfFormat is libsndfile's format of the source (SF_INFO::format).
SourceTags ReadTags(const std::string& path, int sfFormat, SourceTags base);

// "n/N" from a number and a total ("3", "12" -> "3/12"); a number given as "3/12" already keeps
// its total unless another is given. Empty without a number.
std::string NumberOfTotal(const std::string& number, const std::string& total);

// The picture to carry: the front cover, else a picture of type "other" (many taggers mark
// covers so); one larger than kMaxCoverBytes is left out with a note. An empty MIME type is
// taken from the image's first bytes where they tell.
void TakeCover(SourceTags& tags, const std::vector<Picture>& pictures);

} // namespace bladeenc
