// Checks of a source before it is encoded, for what libsndfile lets pass quietly: a WAV or AIFF
// whose header promises more audio than the file holds, and sample rates LAME cannot take.
#pragma once

#include <string>

namespace bladeenc {

inline constexpr int kMinSampleRate = 8000;
inline constexpr int kMaxSampleRate = 192000;

// Empty when LAME can take the rate, else "unsupported sample rate N Hz (8000 to 192000 Hz)".
std::string SampleRateProblem(long long rate);

// Where the audio data of a RIFF (WAV) or FORM (AIFF/AIFC) file lies by its header.
struct DeclaredData {
    bool found = false;
    long long offset = 0;            // first byte of the audio data
    unsigned long long declared = 0; // its size as the header gives it
    bool sizeUnknown = false;        // 0 or 0xFFFFFFFF: a recorder that never finished the header
    bool wav = false;                // RIFF/RIFX rather than FORM
    long long sizeField = 0;         // where the chunk's size field lies
};
// Walks the container's chunks to its "data" (WAV) or "SSND" (AIFF) chunk. Not found for
// other formats or a broken chunk list.
DeclaredData FindDeclaredData(int fd);

// Empty when the file holds all the audio its header promises (or the header does not say);
// otherwise why it is refused, naming both lengths. heldFrames is what libsndfile found to read,
// bytesPerFrame 0 when the encoding is not a fixed number of bytes per frame.
std::string CutShortProblem(const DeclaredData& data, long long fileSize, long long heldFrames,
                            int sampleRate, int bytesPerFrame);

} // namespace bladeenc
