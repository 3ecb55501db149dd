// Checks of a source before it is encoded, for what libsndfile lets pass quietly: a WAV or AIFF
// whose header promises more audio than the file holds, an AIFF whose header contradicts itself,
// and sample rates no encoder can take. Also where an AIFF keeps its text chunks, for the ones
// too long for libsndfile.
#pragma once

#include <string>
#include <vector>

namespace bladeenc {

// One NAME, AUTH, "(c) " or ANNO chunk of an AIFF: its id, and where its text lies.
struct TextChunk {
    std::string id;
    long long offset = 0;  // first byte of the text
    long long size = 0;    // bytes of text
};

// Where the audio data of a RIFF (WAV) or FORM (AIFF/AIFC) file lies by its header.
struct DeclaredData {
    bool found = false;
    long long offset = 0;            // first byte of the audio data
    unsigned long long declared = 0; // its size as the header gives it
    bool sizeUnknown = false;        // 0 or 0xFFFFFFFF: a recorder that never finished the header
    bool wav = false;                // RIFF/RIFX rather than FORM
    long long sizeField = 0;         // where the chunk's size field lies
    bool offsetBeyondChunk = false;  // AIFF: the SSND offset points past the chunk's own end
    // AIFF only: the COMM chunk's frame count (-1 without COMM) and its 80-bit sample rate.
    long long commFrames = -1;
    bool hasHeaderRate = false;
    double headerRate = 0;
    std::vector<TextChunk> texts;    // AIFF text chunks, in file order
};
// Walks the container's chunks to its "data" (WAV) or "SSND" (AIFF) chunk, and on through an
// AIFF for its text chunks. Not found for other formats or a broken chunk list.
DeclaredData FindDeclaredData(int fd);

// The value of an 80-bit IEEE extended number (AIFF's sample rate), NaN and infinities included.
double Extended80(const unsigned char bytes[10]);

// Empty when the rate is one an encoder can take (libmp3lame resamples any positive rate to one
// MPEG allows); otherwise why not. headerRate is the AIFF header's own value when it has one:
// libsndfile shows 0 as 1 Hz and NaN or infinity as 67108864 Hz.
std::string SampleRateProblem(const DeclaredData& data, long long rate);

// Empty when the file holds all the audio its header promises (or the header does not say);
// otherwise why it is refused, naming both lengths. heldFrames is what libsndfile found to read,
// bytesPerFrame 0 when the encoding is not a fixed number of bytes per frame.
std::string CutShortProblem(const DeclaredData& data, long long fileSize, long long heldFrames,
                            int sampleRate, int bytesPerFrame);

} // namespace bladeenc
