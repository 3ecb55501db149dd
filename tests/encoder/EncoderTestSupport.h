// Helpers of the encoder tests: a scratch folder, generated sine sources, child processes with
// captured output, the front-end's column rule and an MP3 frame header reader.
#pragma once

#include <sndfile.h>
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace enctest {

// The BladeEnc built beside the tests.
inline const std::string kEncoder = TW_BLADEENC;
// 16-bit PCM WAV: libsndfile's format code of the usual source.
inline constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
inline constexpr int kAiff16 = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;

inline bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// A fresh folder under the system temp folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::string& path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + "/" + name; }
    std::vector<std::string> Entries() const;  // names in the folder, sorted
private:
    std::string FPath;
};

// Writes a 440 Hz sine with libsndfile; format is an SF_FORMAT_* major|sub combination, strings
// are metadata (SF_STR_* and its text). Returns false when libsndfile refuses.
bool WriteSine(const std::string& path, int format, int rate, int channels, double seconds,
               const std::vector<std::pair<int, std::string>>& strings = {});

std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

struct ProcessResult {
    int exitCode = -1;  // -1 when it died of a signal
    int signal = 0;
    std::string output;  // stdout and stderr through one pipe, as the front-end reads them
};

// Runs exe with args (argv[1..]) and extra "NAME=value" environment entries (a bare "NAME"
// removes the variable), waits for its end.
ProcessResult RunProcess(const std::string& exe, const std::vector<std::string>& args,
                  const std::vector<std::string>& env = {});

// A running child whose output the test reads as it comes.
class Child {
public:
    Child(const std::string& exe, const std::vector<std::string>& args,
          const std::vector<std::string>& env = {});
    ~Child();
    // Reads until a line beginning with prefix has arrived (true) or the output ends (false).
    bool WaitForLineStartingWith(const std::string& prefix, double timeoutSeconds = 60);
    void Kill(int sig);
    // Signals the child's whole process group (it leads one), grandchildren included.
    void KillGroup(int sig);
    // Waits for the child's end without reading on; its exit code, -1 after a signal.
    int Reap();
    // Whether the output pipe has reached end-of-file: every writer has closed it.
    bool OutputEnded();
    ProcessResult Finish();  // reads the rest (until end-of-file) and reaps
    const std::string& output() const { return FOutput; }
    pid_t pid() const { return FPid; }
private:
    bool ReadSome(int timeoutMs);
    pid_t FPid = -1;
    int FFd = -1;
    std::string FOutput;
    bool FReaped = false;
    ProcessResult FResult;
};

std::vector<std::string> Lines(const std::string& output);  // split at \r and \n, empty dropped
std::vector<std::string> LinesStartingWith(const std::string& output, const std::string& prefix);
std::vector<std::string> ErrorLines(const std::string& output);  // the lines beginning "Error:"

// The front-end's field rule: 1-based columns [first, last], shorter when the line is, blanks
// and control characters trimmed.
std::string Columns(const std::string& line, size_t first, size_t last);

// The first MP3 frame header of a file (after an ID3v2 tag, if any).
struct FrameHeader {
    int mpegVersion = 0;  // 1, 2 or 25 (2.5)
    int layer = 0;
    bool crc = false;
    int bitrate = 0;  // kbit/s
    int sampleRate = 0;
    bool privateBit = false;
    bool mono = false;
    bool copyright = false;
    bool original = false;
};
std::optional<FrameHeader> FirstFrameHeader(const std::string& path);

// The ID3v2 tag at the start of a file, read by the format's rules: the text of each text frame
// and of COMM, as UTF-8, with the text encoding byte of each (0 Latin-1, 1 UTF-16 with BOM).
struct Id3Tag {
    int version = 0;  // 3 for ID3v2.3
    size_t size = 0;  // header and frames
    std::map<std::string, std::string> text;
    std::map<std::string, int> encoding;
};
std::optional<Id3Tag> ReadId3v2(const std::string& path);
// Counts frames by walking headers from the first one; 0 when the stream is broken on the way.
int CountFrames(const std::string& path);

// The Xing ("Xing" for VBR, "Info" for CBR) header in the first frame, read at the offset the
// format fixes (after the side information, CRC or not), with the fields its flags say are there.
struct XingHeader {
    std::string id;  // "Xing" or "Info"
    std::optional<unsigned> frames;  // frames of the stream, this one not counted
    std::optional<unsigned> bytes;   // bytes from this frame to the end of the stream
    bool seekTable = false;
    std::string lameTag;  // the 9-byte encoder version that follows, e.g. "LAME3.100"
};
std::optional<XingHeader> ReadXing(const std::string& path);

} // namespace enctest
