// The proof -DELETE waits for before it removes a source: the MP3, flushed to disk and read back
// from the file system under its final name, decodes to its end into exactly as many samples as
// the source holds. It needs only the MP3's path and that count, so it serves any output folder
// and any source format the encoder reads.
#pragma once

#include <string>

namespace bladeenc {

struct FileReport;

// What decoding a whole MP3 found. Counted from the decoded sound, never from the length the
// MP3's Info frame claims (a stream that lost a write in the middle still claims its full length).
struct DecodedLength {
    std::string error;       // why it could not be opened or decoding broke off; empty otherwise
    long long samples = 0;   // per channel, decoded before the end (or the break)
    int sampleRate = 0;      // of the stream, 0 when none was found
    int samplesPerFrame = 0; // 1152 for MPEG-1, 576 for MPEG-2 and 2.5; 0 when none was found
};
// Decodes the MP3 read from fd to its end (fd is not closed).
DecodedLength DecodeToEnd(int fd);

// Flushes the MP3 and its folder to disk, then decodes it back by its path. Empty when it decodes
// to exactly expectedSamples per channel; otherwise what was found, as "the MP3 read back is 610
// of 766 frames (701615 of 882000 samples)".
std::string Mp3ReadBackProblem(const std::string& mp3Path, long long expectedSamples);

// -DELETE's step after a successful encode: the source is removed only when its MP3 reads back
// whole and the source is unchanged since it was opened. Empty when removed, otherwise why not.
std::string RemoveSourceOnceMp3IsWhole(const std::string& source, const FileReport& encoded);

} // namespace bladeenc
