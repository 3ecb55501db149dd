// The proof -DELETE waits for before it removes a source: the MP3, flushed to disk and read back
// from the file system under its final name, decodes to its end into exactly as many samples as
// the source holds. It needs only the MP3's path and that count, so it serves any output folder
// and any source format the encoder reads.
#pragma once

#include <string>

namespace bladeenc {

struct FileReport;

// Flushes the MP3 and its folder to disk, then decodes it back by its path. Empty when it decodes
// to exactly expectedSamples per channel; otherwise what was found, as "the MP3 read back is 610
// of 766 frames (701615 of 882000 samples)".
std::string Mp3ReadBackProblem(const std::string& mp3Path, long long expectedSamples);

// -DELETE's step after a successful encode: the source is removed only when its MP3 reads back
// whole and the source is unchanged since it was opened. Empty when removed, otherwise why not.
std::string RemoveSourceOnceMp3IsWhole(const std::string& source, const FileReport& encoded);

} // namespace bladeenc
