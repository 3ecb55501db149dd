// Source metadata to ID3v2.3 frames through libmp3lame's id3tag API.
#include "Id3Tags.h"

#include <lame/lame.h>
#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace bladeenc {

namespace {

// Fixed-size INFO fields often carry trailing blanks or NULs.
std::string Trimmed(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

std::string StringOf(SNDFILE* file, int which)
{
    const char* text = sf_get_string(file, which);
    return CutTagText(Trimmed(text ? text : ""));
}

// Decodes one UTF-8 sequence at i; false when the bytes there are not valid UTF-8.
bool NextUtf8(const std::string& s, size_t& i, char32_t& out)
{
    auto byte = [&](size_t k) { return (unsigned char)s[k]; };
    unsigned char b = byte(i);
    int extra;
    char32_t value;
    if (b < 0x80) {
        out = b;
        ++i;
        return true;
    } else if ((b & 0xE0) == 0xC0) {
        extra = 1;
        value = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2;
        value = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3;
        value = b & 0x07;
    } else {
        return false;
    }
    if (i + size_t(extra) >= s.size())
        return false;  // cut off at the end
    for (int k = 1; k <= extra; ++k) {
        unsigned char c = byte(i + size_t(k));
        if ((c & 0xC0) != 0x80)
            return false;
        value = value << 6 | (c & 0x3F);
    }
    static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (value < least[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return false;  // overlong, beyond Unicode or a surrogate
    out = value;
    i += size_t(extra) + 1;
    return true;
}

bool ValidUtf8(const std::string& s)
{
    char32_t c = 0;
    for (size_t i = 0; i < s.size();)
        if (!NextUtf8(s, i, c))
            return false;
    return true;
}

// `text` as LAME's UTF-16 setters take it: a byte order mark first, a zero unit last.
std::vector<unsigned short> Utf16WithBom(const std::string& text)
{
    const std::u16string utf16 = ToUtf16(text);
    std::vector<unsigned short> units{0xFEFF};
    units.insert(units.end(), utf16.begin(), utf16.end());
    units.push_back(0);
    return units;
}

void SetText(lame_global_flags* g, const char* id, const std::string& text)
{
    if (text.empty())
        return;
    if (IsPlainAscii(text)) {
        id3tag_set_textinfo_latin1(g, id, text.c_str());
        return;
    }
    id3tag_set_textinfo_utf16(g, id, Utf16WithBom(text).data());
}

void SetComment(lame_global_flags* g, const std::string& text)
{
    if (text.empty())
        return;
    if (IsPlainAscii(text)) {
        id3tag_set_comment_latin1(g, "eng", "", text.c_str());
        return;
    }
    const unsigned short noDescription[] = {0xFEFF, 0};
    id3tag_set_comment_utf16(g, "eng", noDescription, Utf16WithBom(text).data());
}

// value into four bytes at out, most significant first, bitsPerByte of each byte used.
void PutBigEndian(unsigned char* out, size_t value, int bitsPerByte)
{
    const size_t mask = (size_t(1) << bitsPerByte) - 1;
    for (int i = 3; i >= 0; --i, value >>= bitsPerByte)
        out[i] = (unsigned char)(value & mask);
}

} // namespace

bool SourceTags::empty() const
{
    return title.empty() && artist.empty() && album.empty() && year.empty() && comment.empty() &&
           genre.empty() && track.empty() && copyright.empty() && albumArtist.empty() && disc.empty() &&
           composer.empty() && !cover && replayGain.empty();
}

std::string CutTagText(std::string text)
{
    if (text.size() <= kMaxTagText)
        return text;
    size_t cut = kMaxTagText;
    // Back to the start of a UTF-8 sequence, so the cut leaves no half character.
    while (cut > 0 && ((unsigned char)text[cut] & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    return text;
}

void AddAiffText(SourceTags& tags, const std::string& chunkId, const std::string& text)
{
    std::string* field = chunkId == "NAME" ? &tags.title
                       : chunkId == "AUTH" ? &tags.artist
                       : chunkId == "(c) " ? &tags.copyright
                       : chunkId == "ANNO" ? &tags.comment
                                           : nullptr;
    if (field && field->empty())
        *field = CutTagText(Trimmed(text.substr(0, text.find('\0'))));
}

SourceTags ReadSourceTags(SNDFILE* file)
{
    SourceTags tags;
    tags.title = StringOf(file, SF_STR_TITLE);
    tags.artist = StringOf(file, SF_STR_ARTIST);
    tags.album = StringOf(file, SF_STR_ALBUM);
    tags.year = YearOf(StringOf(file, SF_STR_DATE));
    tags.comment = StringOf(file, SF_STR_COMMENT);
    tags.genre = StringOf(file, SF_STR_GENRE);
    tags.track = StringOf(file, SF_STR_TRACKNUMBER);
    tags.copyright = StringOf(file, SF_STR_COPYRIGHT);
    return tags;
}

bool IsPlainAscii(const std::string& bytes)
{
    for (unsigned char c : bytes)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

std::u16string ToUtf16(const std::string& bytes)
{
    std::u16string out;
    if (!ValidUtf8(bytes)) {
        for (unsigned char c : bytes)
            out += char16_t(c);
        return out;
    }
    char32_t c = 0;
    for (size_t i = 0; i < bytes.size();) {
        NextUtf8(bytes, i, c);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

std::string YearOf(const std::string& date)
{
    size_t start = date.find_first_not_of(' ');
    if (start == std::string::npos || date.size() < start + 4)
        return {};
    std::string year = date.substr(start, 4);
    for (char c : year)
        if (c < '0' || c > '9')
            return {};
    if (date.size() > start + 4 && date[start + 4] >= '0' && date[start + 4] <= '9')
        return {};  // five digits are no year
    return year;
}

void ApplyTags(lame_global_flags* g, const SourceTags& tags)
{
    if (tags.empty())
        return;
    id3tag_init(g);
    id3tag_v2_only(g);
    SetText(g, "TIT2", tags.title);
    SetText(g, "TPE1", tags.artist);
    SetText(g, "TALB", tags.album);
    SetText(g, "TYER", tags.year);
    SetText(g, "TCON", tags.genre);
    SetText(g, "TRCK", tags.track);
    SetText(g, "TCOP", tags.copyright);
    SetText(g, "TPE2", tags.albumArtist);
    SetText(g, "TPOS", tags.disc);
    SetText(g, "TCOM", tags.composer);
    SetComment(g, tags.comment);
    for (const auto& [name, value] : tags.replayGain)
        if (!value.empty())
            SetText(g, "TXXX", name + "=" + value);  // LAME splits description and value at "="
}

std::vector<unsigned char> PictureFrame(const Picture& picture)
{
    std::vector<unsigned char> frame{'A', 'P', 'I', 'C', 0, 0, 0, 0, 0, 0};
    frame.push_back(0);  // Latin-1 for the MIME type and the (empty) description
    frame.insert(frame.end(), picture.mime.begin(), picture.mime.end());
    frame.push_back(0);
    frame.push_back((unsigned char)picture.type);
    frame.push_back(0);
    frame.insert(frame.end(), picture.data.begin(), picture.data.end());
    PutBigEndian(frame.data() + 4, frame.size() - 10, 8);  // ID3v2.3 frame sizes are plain numbers
    return frame;
}

std::vector<unsigned char> Id3v2Tag(lame_global_flags* g, const SourceTags& tags)
{
    std::vector<unsigned char> tag;
    if (tags.empty())
        return tag;
    tag.resize(lame_get_id3v2_tag(g, nullptr, 0));
    if (!tag.empty())
        tag.resize(lame_get_id3v2_tag(g, tag.data(), tag.size()));
    if (!tags.cover)
        return tag;

    // LAME's frames, without its padding, then the picture: the header's size is set anew.
    size_t framesEnd = 10;
    while (tag.size() >= framesEnd + 10 && tag[framesEnd] != 0)
        framesEnd += 10 + (size_t(tag[framesEnd + 4]) << 24 | size_t(tag[framesEnd + 5]) << 16 |
                           size_t(tag[framesEnd + 6]) << 8 | tag[framesEnd + 7]);
    tag.resize(std::min(framesEnd, tag.size()));
    if (tag.size() < 10)
        tag = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0};
    const std::vector<unsigned char> picture = PictureFrame(*tags.cover);
    tag.insert(tag.end(), picture.begin(), picture.end());
    PutBigEndian(tag.data() + 6, tag.size() - 10, 7);  // the tag's size: 7 bits a byte
    return tag;
}

} // namespace bladeenc
