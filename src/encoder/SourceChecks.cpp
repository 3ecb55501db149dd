// Source checks: the sample rate, and the header's promises against the file's length.
#include "SourceChecks.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unistd.h>

namespace bladeenc {

namespace {

unsigned long Le32(const unsigned char* p)
{
    return p[0] | (unsigned long)p[1] << 8 | (unsigned long)p[2] << 16 | (unsigned long)p[3] << 24;
}

unsigned long Be32(const unsigned char* p)
{
    return (unsigned long)p[0] << 24 | (unsigned long)p[1] << 16 | (unsigned long)p[2] << 8 | p[3];
}

std::string Seconds(double seconds)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f s", seconds);
    return buffer;
}

std::string Number(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    return buffer;
}

bool IsAiffText(const unsigned char* id)
{
    return std::memcmp(id, "NAME", 4) == 0 || std::memcmp(id, "AUTH", 4) == 0 ||
           std::memcmp(id, "(c) ", 4) == 0 || std::memcmp(id, "ANNO", 4) == 0;
}

// "promises <a> of audio, the file holds <b>": in seconds, or in the unit's count where the
// seconds round to the same text (a file a few bytes short).
std::string CutShort(double promisedSeconds, double heldSeconds, unsigned long long promised,
                     unsigned long long held, const char* unit)
{
    std::string a = Seconds(promisedSeconds), b = Seconds(heldSeconds);
    if (a == b) {
        a = std::to_string(promised) + " " + unit;
        b = std::to_string(held) + " " + unit;
    }
    return "is cut short: its header promises " + a + " of audio, the file holds " + b;
}

} // namespace

double Extended80(const unsigned char bytes[10])
{
    const int exponent = (bytes[0] & 0x7F) << 8 | bytes[1];
    unsigned long long mantissa = 0;
    for (int i = 2; i < 10; ++i)
        mantissa = mantissa << 8 | bytes[i];
    const bool negative = bytes[0] & 0x80;
    double value;
    if (exponent == 0x7FFF)
        value = (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::quiet_NaN();
    else
        value = std::ldexp(double(mantissa), exponent - 16383 - 63);
    return negative ? -value : value;
}

std::string SampleRateProblem(const DeclaredData& data, long long rate)
{
    if (data.hasHeaderRate) {
        const double header = data.headerRate;
        if (std::isnan(header))
            return "its header's sample rate is invalid (not a number)";
        if (std::isinf(header))
            return "its header's sample rate is invalid (infinite)";
        if (!(header >= 1) || header > INT_MAX)
            return "its header's sample rate is invalid (" + Number(header) + " Hz)";
    }
    if (rate < 1)
        return "its header's sample rate is invalid (" + std::to_string(rate) + " Hz)";
    return {};
}

DeclaredData FindDeclaredData(int fd)
{
    DeclaredData result;
    unsigned char head[12];
    if (pread(fd, head, sizeof head, 0) != ssize_t(sizeof head))
        return result;
    bool riff = std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    bool rifx = std::memcmp(head, "RIFX", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    bool form = std::memcmp(head, "FORM", 4) == 0 &&
                (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0);
    if (!riff && !rifx && !form)
        return result;
    auto size32 = [&](const unsigned char* p) { return riff ? Le32(p) : Be32(p); };
    const char* wanted = form ? "SSND" : "data";

    long long pos = 12;
    for (int chunks = 0; chunks < 10000; ++chunks) {
        unsigned char chunk[26];
        ssize_t got = pread(fd, chunk, sizeof chunk, pos);
        if (got < 8)
            return result;
        unsigned long size = size32(chunk + 4);
        if (form && std::memcmp(chunk, "COMM", 4) == 0 && got >= 26 && size >= 18) {
            // channels (2), frames (4), bits (2), rate (80-bit extended)
            result.commFrames = (long long)Be32(chunk + 10);
            result.headerRate = Extended80(chunk + 16);
            result.hasHeaderRate = true;
        }
        if (form && IsAiffText(chunk))
            result.texts.push_back({std::string(reinterpret_cast<char*>(chunk), 4), pos + 8, (long long)size});
        if (!result.found && std::memcmp(chunk, wanted, 4) == 0) {
            result.found = true;
            result.wav = !form;
            result.sizeField = pos + 4;
            result.offset = pos + 8;
            result.sizeUnknown = size == 0 || size == 0xFFFFFFFFul;
            result.declared = size;
            if (form) {
                // SSND starts with an offset and a block size ahead of the samples.
                if (got < 16)
                    return result;
                unsigned long skip = Be32(chunk + 8);
                result.offset += 8 + (long long)skip;
                result.offsetBeyondChunk = !result.sizeUnknown && (unsigned long long)skip + 8 > size;
                result.declared = size >= 8 + skip ? size - 8 - skip : 0;
            }
            // An AIFF's text chunks may follow the sound data: the walk goes on for them.
            if (!form || result.sizeUnknown)
                return result;
        }
        if (size == 0xFFFFFFFFul)
            return result;  // also the end of an AIFF's walk
        pos += 8 + (long long)size + (size & 1);  // chunks are padded to an even length
    }
    return result;
}

std::string CutShortProblem(const DeclaredData& data, long long fileSize, long long heldFrames,
                            int sampleRate, int bytesPerFrame)
{
    if (!data.found || sampleRate <= 0)
        return {};
    if (data.offsetBeyondChunk || data.offset > fileSize)
        return "is cut short: its header puts the audio at byte " + std::to_string(data.offset) +
               ", past the end of its " + (data.offset > fileSize ? "file (" : "chunk (file of ") +
               std::to_string(fileSize) + " bytes)";
    const long long held = fileSize > data.offset ? fileSize - data.offset : 0;
    const double heldSeconds = double(heldFrames) / sampleRate;
    if (!data.sizeUnknown && (long long)data.declared > held) {
        if (bytesPerFrame > 0)
            return CutShort(double(data.declared) / bytesPerFrame / sampleRate, heldSeconds,
                            data.declared, (unsigned long long)held, "bytes");
        if (held > 0)
            return CutShort(heldSeconds * double(data.declared) / double(held), heldSeconds,
                            data.declared, (unsigned long long)held, "bytes");
        return "is cut short: its header promises " + std::to_string(data.declared) +
               " bytes of audio, the file holds none";
    }
    // An AIFF's COMM chunk counts the frames on its own; SSND must hold them all.
    if (data.commFrames > 0 && bytesPerFrame > 0) {
        long long available = data.sizeUnknown ? held : std::min(held, (long long)data.declared);
        long long framesThere = available / bytesPerFrame;
        if (data.commFrames > framesThere)
            return CutShort(double(data.commFrames) / sampleRate, double(framesThere) / sampleRate,
                            (unsigned long long)data.commFrames, (unsigned long long)framesThere, "frames");
    }
    return {};
}

} // namespace bladeenc
