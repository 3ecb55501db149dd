// Source checks: the sample rate range and the data chunk's promise against the file's length.
#include "SourceChecks.h"

#include <cstdio>
#include <cstring>
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

} // namespace

std::string SampleRateProblem(long long rate)
{
    if (rate >= kMinSampleRate && rate <= kMaxSampleRate)
        return {};
    return "unsupported sample rate " + std::to_string(rate) + " Hz (" + std::to_string(kMinSampleRate) +
           " to " + std::to_string(kMaxSampleRate) + " Hz)";
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
        unsigned char chunk[16];
        ssize_t got = pread(fd, chunk, sizeof chunk, pos);
        if (got < 8)
            return result;
        unsigned long size = size32(chunk + 4);
        if (std::memcmp(chunk, wanted, 4) == 0) {
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
                result.declared = size >= 8 + skip ? size - 8 - skip : 0;
            }
            return result;
        }
        if (size == 0xFFFFFFFFul)
            return result;
        pos += 8 + (long long)size + (size & 1);  // chunks are padded to an even length
    }
    return result;
}

std::string CutShortProblem(const DeclaredData& data, long long fileSize, long long heldFrames,
                            int sampleRate, int bytesPerFrame)
{
    if (!data.found || data.sizeUnknown || sampleRate <= 0)
        return {};
    long long held = fileSize > data.offset ? fileSize - data.offset : 0;
    if ((long long)data.declared <= held)
        return {};
    double heldSeconds = double(heldFrames) / sampleRate;
    double promisedSeconds;
    if (bytesPerFrame > 0)
        promisedSeconds = double(data.declared) / bytesPerFrame / sampleRate;
    else if (held > 0)
        promisedSeconds = heldSeconds * double(data.declared) / double(held);
    else
        return "is cut short: its header promises " + std::to_string(data.declared) +
               " bytes of audio, the file holds none";
    return "is cut short: its header promises " + Seconds(promisedSeconds) +
           " of audio, the file holds " + Seconds(heldSeconds);
}

} // namespace bladeenc
