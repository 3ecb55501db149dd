// FileEncoder: one source to one MP3. Reads the source with libsndfile in chunks, encodes with
// its own libmp3lame instance and puts the MP3 in place only when complete. Writes nothing to the
// console: it hands its formats and progress to whoever runs it, so several can run at once on
// worker threads while one thread tells the story.
#pragma once

#include "BladeEnc.h"

#include <atomic>
#include <ctime>
#include <functional>
#include <string>
#include <vector>
#include <sys/types.h>

namespace bladeenc {

// What a running encode shares with the reporting thread. The counters are written by the
// encoding thread and may be read from any thread.
struct FileProgress {
    std::atomic<long long> frames{0};      // frames of the source, once it is open
    std::atomic<long long> framesRead{0};  // frames encoded so far
    // Called once on the encoding thread with the "Input:" and "Output:" lines, before encoding.
    std::function<void(const std::string& input, const std::string& output)> formats;
};

class OutputRegistry;

// The source file as it was when it was opened for encoding.
struct SourceIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
};

struct FileReport {
    bool ok = false;
    std::string error;  // why the file failed, to follow its quoted path
    std::vector<std::string> notes;  // what of the source the MP3 lacks (a cover too large)
    SourceIdentity opened;  // when ok: the file that was encoded
    std::string mp3;             // when ok: where its MP3 now stands ...
    long long mp3Samples = 0;    // ... and the samples per channel it must decode to
};

// Encodes source into target, by default "<source without extension>.mp3", creating the missing
// folders of target. With outputs, the MP3 name is checked and taken through that registry,
// shared by every encode of the run.
FileReport EncodeFile(const std::string& source, const EncoderSettings& settings,
                      const BatchOptions& options, FileProgress& progress,
                      OutputRegistry* outputs = nullptr, const std::string& target = {});

// -DELETE's last step: removes the encoded source only when its path still names the file that
// was opened, with the size and modification time it had then; a file renamed over it or a
// recording still being written stays. Empty when removed, otherwise why not.
std::string RemoveSourceIfUnchanged(const std::string& path, const SourceIdentity& opened);

// Frames of a readable source, 0 otherwise: the batch's total is counted up front with it.
long long FramesOf(const std::string& path);

} // namespace bladeenc
