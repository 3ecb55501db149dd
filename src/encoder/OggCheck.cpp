// The Ogg page walk: capture pattern, checksum, page sequence and end-of-stream marks.
#include "OggCheck.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <unistd.h>
#include <vector>

namespace bladeenc {

namespace {

constexpr size_t kHeaderBytes = 27;  // up to and including the segment count
constexpr unsigned char kFirstPage = 0x02, kLastPage = 0x04;

const std::array<unsigned long, 256>& CrcTable()
{
    static const std::array<unsigned long, 256> table = [] {
        std::array<unsigned long, 256> t{};
        for (unsigned long i = 0; i < 256; ++i) {
            unsigned long r = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 0x80000000ul) ? (r << 1) ^ 0x04C11DB7ul : r << 1;
            t[i] = r & 0xFFFFFFFFul;
        }
        return t;
    }();
    return table;
}

unsigned long Le32(const unsigned char* p)
{
    return p[0] | (unsigned long)p[1] << 8 | (unsigned long)p[2] << 16 | (unsigned long)p[3] << 24;
}

std::string At(long long pos)
{
    return " at byte " + std::to_string(pos);
}

struct StreamState {
    unsigned long nextSequence = 0;
    bool ended = false;
};

} // namespace

unsigned long OggPageCrc(const unsigned char* page, size_t size)
{
    const auto& table = CrcTable();
    unsigned long crc = 0;
    for (size_t i = 0; i < size; ++i) {
        unsigned char byte = (i >= 22 && i < 26) ? 0 : page[i];
        crc = ((crc << 8) ^ table[((crc >> 24) ^ byte) & 0xFF]) & 0xFFFFFFFFul;
    }
    return crc;
}

std::string OggProblem(int fd, long long size)
{
    std::map<unsigned long, StreamState> streams;
    std::vector<unsigned char> page;
    long long pos = 0;
    while (pos < size) {
        unsigned char head[kHeaderBytes + 255];
        ssize_t got = pread(fd, head, sizeof head, pos);
        if (got < 0)
            return std::string("cannot read: ") + std::strerror(errno);
        if (got < ssize_t(kHeaderBytes) && got == size - pos)
            return "is cut short: its last Ogg page" + At(pos) + " breaks off after " +
                   std::to_string(got) + " bytes";
        if (got < ssize_t(kHeaderBytes) || head[0] != 'O' || head[1] != 'g' || head[2] != 'g' ||
            head[3] != 'S' || head[4] != 0)
            return "is damaged: no Ogg page begins" + At(pos);
        const size_t segments = head[26];
        if (size_t(got) < kHeaderBytes + segments)
            return "is cut short: its last Ogg page" + At(pos) + " breaks off in its header";
        size_t length = kHeaderBytes + segments;
        for (size_t i = 0; i < segments; ++i)
            length += head[kHeaderBytes + i];
        if (pos + (long long)length > size)
            return "is cut short: its last Ogg page" + At(pos) + " needs " + std::to_string(length) +
                   " bytes, the file ends after " + std::to_string(size - pos);
        page.resize(length);
        if (pread(fd, page.data(), length, pos) != ssize_t(length))
            return std::string("cannot read: ") + std::strerror(errno);
        if (OggPageCrc(page.data(), length) != Le32(page.data() + 22))
            return "is damaged: the Ogg page" + At(pos) + " fails its checksum";

        const unsigned char flags = page[5];
        const unsigned long serial = Le32(page.data() + 14), sequence = Le32(page.data() + 18);
        auto [it, fresh] = streams.try_emplace(serial);
        StreamState& stream = it->second;
        if (fresh ? !(flags & kFirstPage) : (stream.ended || sequence != stream.nextSequence))
            return "is damaged: pages of its stream are missing before byte " + std::to_string(pos);
        stream.nextSequence = sequence + 1;
        stream.ended = flags & kLastPage;
        pos += (long long)length;
    }
    if (streams.empty())
        return "is damaged: it holds no Ogg page";
    for (const auto& [serial, stream] : streams)
        if (!stream.ended)
            return "is cut short: its Ogg stream ends without its last page";
    return {};
}

} // namespace bladeenc
