// BladeEnc: our BladeEnc-compatible MP3 encoder. Reads WAV/AIFF with libsndfile, encodes with
// libmp3lame at a constant bitrate or at one of LAME's variable-bitrate levels (-VBR=, ours), writes "<source without extension>.mp3" beside each source,
// and reports on the console in the line layout Tonewright's output interpreter reads.
// Plain C++20 and POSIX. Encodes several files at once on a pool of worker threads, one per CPU
// the process may use; one thread writes the console, as one sequential story.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bladeenc {

// The six priority levels of the -PRIO= option, lowest first.
enum class PriorityLevel { Idle, Lowest, Lower, Normal, Higher, Highest };

// The fourteen constant bitrates the encoder accepts as "-<kbit/s>".
inline constexpr int kBitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
inline constexpr int kDefaultBitrate = 128;
// LAME's variable-bitrate quality levels, as "lame -V n": 0 best and largest, 9 smallest.
inline constexpr int kBestVbrLevel = 0;
inline constexpr int kSmallestVbrLevel = 9;

struct EncoderSettings {
    int bitrate = kDefaultBitrate;  // kbit/s, one of kBitrates
    std::optional<int> vbrLevel;    // -VBR=n: variable bitrate at LAME's level n; bitrate unused
    bool mono = false;              // -MONO: downmix to a single channel
    bool crc = false;               // -CRC: error protection
    bool deleteSource = false;      // -DELETE: remove the source once its MP3 is complete
    bool original = false;          // -ORIGINAL sets the original bit ...
    bool copy = false;              // ... -COPY clears it, whatever the order
    bool privateBit = false;        // -PRIVATE
    bool copyright = false;         // -COPYRIGHT
    std::optional<PriorityLevel> priority;  // -PRIO=...; empty: leave the inherited priority
    bool originalBit() const { return original && !copy; }
};

struct CommandLine {
    EncoderSettings settings;
    std::vector<std::string> files;
    std::vector<std::string> outputs;  // beside files: the MP3 named after it, or empty
    std::string outDir;                // -OUTDIR=: the folder of every MP3 not named; empty: beside
    std::vector<std::string> errors;  // one message per rejected option, without "Error: "
    std::vector<std::string> notes;   // options taken but ignored, without "Warning: "
    bool encodeNothing = false;       // an error that leaves no sound choice of what to encode
};

// Options come first, matched without regard to case; the first argument that does not begin
// with "-" (or everything after "--") starts the files, so later arguments are files even when
// they begin with "-". A lone "-" is taken as a file name too. A file argument ending in ".mp3"
// (any letter case) right after an input names that input's MP3.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Nice value for each level; a raise above normal that the system refuses falls back to normal,
// and a refused normal leaves the inherited value. Never fails. Nice values belong to threads on
// Linux: ApplyPriority sets the calling thread's, and every worker calls it.
int NiceValueFor(PriorityLevel level);
void ApplyPriority(PriorityLevel level);

// Worker threads: the CPUs the process may run on (sched_getaffinity, so taskset and CPU limits
// count), unless BLADEENC_THREADS holds a whole number from 1 to kMaxThreads.
inline constexpr int kMaxThreads = 64;
int AvailableCpus();
// The value of BLADEENC_THREADS, if it is one; nullopt for anything else (empty included).
std::optional<int> ParseThreadCount(const char* text);

// "<source without its extension>.mp3" in the source's folder. Only the last path component's
// extension is dropped, and a leading dot (hidden file) is not an extension.
std::string OutputPathFor(const std::string& source);
// Where a source's MP3 goes: the named output if there is one, else OutputPathFor's name in
// outDir, else beside the source.
std::string TargetFor(const std::string& source, const std::string& namedOutput, const std::string& outDir);
// Creates the missing folders of path, each with the umask's permissions (mkdir -p). Empty when
// the folder is there, otherwise why not.
std::string MakeFolders(const std::string& path);
// The path made absolute against the current directory (no symlinks resolved), "." and ".."
// components removed lexically.
std::string AbsolutePath(const std::string& path);

// --- console lines ---------------------------------------------------------------------------
// h:mm:ss, rounded to the second; negative or not-a-number gives 0:00:00, capped at 999:59:59.
std::string FormatClock(double seconds);
// Sample rate in kHz without trailing zeros: 44100 -> "44.1", 48000 -> "48", 22050 -> "22.05".
std::string FormatKHz(int rate);
// "Status:" with the file's percentage (one decimal) right-aligned in columns 8-14, its
// remaining time in 26-34, the batch percentage in 51-55 and the batch's remaining time in 67-75.
std::string StatusLine(double filePercent, double fileRemaining, double batchPercent,
                       double batchRemaining);
// Control characters (a line break in a file name, say) become "?", so one message stays one line.
std::string Printable(const std::string& text);
std::string FilesToEncodeLine(size_t count);
std::string EncodingLine(const std::string& fullPath);
std::string InputLine(int sampleRate, int channels);
std::string OutputLine(int bitrate, bool mono);
std::string VbrOutputLine(int level, bool mono);  // "Output: VBR quality 2 stereo"
std::string WarningLine(const std::string& message);
// "Completed. Encoding time:" with the time in columns 26-34.
std::string CompletedLine(double seconds);
std::string ErrorLine(const std::string& message);

// Where the batch writes its lines. Each call is one whole line without terminator.
struct Console {
    std::function<void(const std::string&)> line;    // ordinary lines
    std::function<void(const std::string&)> status;  // "Status:" lines
    std::function<void(const std::string&)> error;   // error lines
};
// Writes lines straight to file descriptors, one write() per line ("\n" ended). On a terminal the
// status lines overwrite each other ("\r" ended) instead of scrolling.
Console FdConsole(int outFd, int errFd);

// --- the batch -------------------------------------------------------------------------------
struct BatchOptions {
    double statusInterval = 0.25;  // seconds between two status lines at least
    bool allowUnnamedTemp = true;  // O_TMPFILE where the file system has it
    int threads = 0;               // workers; 0: BLADEENC_THREADS, else AvailableCpus()
};

// Runs the whole command line: options, priority, then every file, several at once. The console
// tells the files in command-line order, each one's lines together, as a one-thread run would.
// Returns the exit status: 0 when every file was encoded and every option understood, 1
// otherwise, 2 when no file was given. Options taken but ignored give a warning line only; an
// unknown -VBR= level encodes nothing.
int RunBladeEnc(const std::vector<std::string>& args, const Console& console,
                const BatchOptions& options = {});

} // namespace bladeenc
