// BladeEnc: command line, priority, paths and the console line layout.
#include "BladeEnc.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bladeenc {

namespace {

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

bool AllDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Puts text into line so that it starts at the 1-based column, padding with blanks.
void PlaceAt(std::string& line, size_t column, const std::string& text)
{
    size_t start = column - 1;
    if (line.size() < start)
        line.append(start - line.size(), ' ');
    line.replace(start, std::min(text.size(), line.size() - start), text);
}

std::string RightAligned(const std::string& text, size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string OneDecimal(double percent)
{
    if (!std::isfinite(percent) || percent < 0)
        percent = 0;
    if (percent > 999.9)
        percent = 999.9;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", percent);  // the C locale: "." as point
    return buffer;
}

bool IsMp3Name(const std::string& arg)
{
    return arg.size() > 4 && Upper(arg.substr(arg.size() - 4)) == ".MP3" && arg[arg.size() - 5] != '/';
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    CommandLine result;
    EncoderSettings& s = result.settings;
    std::string bitrateSwitches;  // the valid ones, as given: -VBR= overrides them
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg.size() < 2 || arg[0] != '-')
            break;
        std::string option = Upper(arg.substr(1));
        if (option == "QUIT") {
            // The original waits for a key at the end without it; we never wait.
        } else if (option == "MONO") {
            s.mono = true;
        } else if (option == "CRC") {
            s.crc = true;
        } else if (option == "DELETE") {
            s.deleteSource = true;
        } else if (option == "ORIGINAL") {
            s.original = true;
        } else if (option == "COPY") {
            s.copy = true;
        } else if (option == "PRIVATE") {
            s.privateBit = true;
        } else if (option == "COPYRIGHT") {
            s.copyright = true;
        } else if (option.rfind("OUTDIR=", 0) == 0) {
            result.outDir = arg.substr(8);  // the folder's own letter case
            if (result.outDir.empty())
                result.errors.push_back("Option " + arg + " names no folder; the MP3s go beside their sources");
        } else if (option.rfind("PRIO=", 0) == 0) {
            static const char* const names[] = {"IDLE", "LOWEST", "LOWER", "NORMAL", "HIGHER", "HIGHEST"};
            std::string level = option.substr(5);
            auto found = std::find_if(std::begin(names), std::end(names),
                                      [&](const char* n) { return level == n; });
            if (found == std::end(names))
                result.errors.push_back("Unknown priority in option " + arg +
                                        " (use IDLE, LOWEST, LOWER, NORMAL, HIGHER or HIGHEST)");
            else
                s.priority = PriorityLevel(found - std::begin(names));
        } else if (option == "VBR" || option.rfind("VBR=", 0) == 0) {
            std::string level = option.substr(std::min<size_t>(option.size(), 4));
            if (level.size() == 1 && AllDigits(level)) {
                s.vbrLevel = level[0] - '0';
            } else {
                // Falling back to a constant bitrate would make files the user did not ask for.
                result.errors.push_back("Unknown VBR level in option " + arg +
                                        " (use -VBR=0 to -VBR=9, 0 the best sound); nothing was encoded");
                result.encodeNothing = true;
            }
        } else if (AllDigits(option)) {
            int value = option.size() <= 4 ? std::stoi(option) : -1;
            if (std::find(std::begin(kBitrates), std::end(kBitrates), value) == std::end(kBitrates))
                result.errors.push_back("Unsupported bitrate in option " + arg +
                                        " (use 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, "
                                        "224, 256 or 320); keeping " + std::to_string(s.bitrate) +
                                        " kBit");
            else {
                s.bitrate = value;
                bitrateSwitches += (bitrateSwitches.empty() ? "" : " ") + arg;
            }
        } else {
            result.errors.push_back("Unknown option " + arg);
        }
    }
    if (s.vbrLevel && !bitrateSwitches.empty())
        result.notes.push_back("The bitrate option " + bitrateSwitches + " is ignored: -VBR=" +
                               std::to_string(*s.vbrLevel) + " encodes at a variable bitrate");
    for (bool afterInput = false; i < args.size(); ++i) {
        if (afterInput && IsMp3Name(args[i])) {
            result.outputs.back() = args[i];
            afterInput = false;
        } else {
            result.files.push_back(args[i]);
            result.outputs.emplace_back();
            afterInput = true;
        }
    }
    return result;
}

int NiceValueFor(PriorityLevel level)
{
    switch (level) {
    case PriorityLevel::Idle: return 19;
    case PriorityLevel::Lowest: return 15;
    case PriorityLevel::Lower: return 10;
    case PriorityLevel::Normal: return 0;
    case PriorityLevel::Higher: return -5;
    case PriorityLevel::Highest: return -10;
    }
    return 0;
}

void ApplyPriority(PriorityLevel level)
{
    int nice = NiceValueFor(level);
    const id_t thread = id_t(gettid());
    if (setpriority(PRIO_PROCESS, thread, nice) == 0)
        return;
    if (nice < 0)
        (void)setpriority(PRIO_PROCESS, thread, 0);
    // Refused: stay where we are. The batch is worth more than the priority.
}

int AvailableCpus()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return std::clamp(CPU_COUNT(&set), 1, kMaxThreads);
}

std::optional<int> ParseThreadCount(const char* text)
{
    if (!text || !AllDigits(text) || std::strlen(text) > 3)
        return std::nullopt;
    int value = std::atoi(text);
    if (value < 1 || value > kMaxThreads)
        return std::nullopt;
    return value;
}

std::string OutputPathFor(const std::string& source)
{
    size_t slash = source.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = source.rfind('.');
    std::string stem = source;
    if (dot != std::string::npos && dot > nameStart)
        stem = source.substr(0, dot);
    return stem + ".mp3";
}

std::string TargetFor(const std::string& source, const std::string& namedOutput, const std::string& outDir)
{
    if (!namedOutput.empty())
        return namedOutput;
    if (outDir.empty())
        return OutputPathFor(source);
    std::string name = OutputPathFor(source);
    name.erase(0, name.rfind('/') + 1);
    return outDir + (outDir.back() == '/' ? "" : "/") + name;
}

std::string MakeFolders(const std::string& path)
{
    // Each component from the top: mkdir, and EEXIST is fine when a folder (or a link to one)
    // stands there, so workers creating the same tree at once do not trip over each other.
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        if (!folder.empty() && mkdir(folder.c_str(), 0777) != 0) {
            const int err = errno;
            struct stat st;
            if (err != EEXIST || stat(folder.c_str(), &st) != 0)
                return "cannot create the folder \"" + folder + "\": " + std::strerror(err);
            if (!S_ISDIR(st.st_mode))
                return "cannot create the folder \"" + folder + "\": a file of that name is in the way";
        }
        if (end == std::string::npos)
            return {};
    }
}

std::string AbsolutePath(const std::string& path)
{
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        std::string cwd;
        std::vector<char> buffer(4096);
        while (!getcwd(buffer.data(), buffer.size())) {
            if (errno != ERANGE)
                return path;
            buffer.resize(buffer.size() * 2);
        }
        cwd = buffer.data();
        full = cwd + (cwd.size() > 1 ? "/" : "") + path;
    }
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= full.size()) {
        size_t next = full.find('/', pos);
        if (next == std::string::npos)
            next = full.size();
        std::string part = full.substr(pos, next - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = next + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

std::string FormatClock(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    long long total = std::llround(std::min(seconds, 999.0 * 3600 + 59 * 60 + 59));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    return buffer;
}

std::string FormatKHz(int rate)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d", rate / 1000);
    std::string text = buffer;
    int rest = rate % 1000;
    if (rest != 0) {
        std::snprintf(buffer, sizeof buffer, "%03d", rest);
        std::string fraction = buffer;
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        text += "." + fraction;
    }
    return text;
}

std::string StatusLine(double filePercent, double fileRemaining, double batchPercent,
                       double batchRemaining)
{
    std::string line = "Status:";
    PlaceAt(line, 8, RightAligned(OneDecimal(filePercent), 7));
    PlaceAt(line, 15, "% done, ETA");
    PlaceAt(line, 26, RightAligned(FormatClock(fileRemaining), 9));
    PlaceAt(line, 41, "BATCH:");
    PlaceAt(line, 51, RightAligned(OneDecimal(std::min(batchPercent, 100.0)), 5));
    PlaceAt(line, 56, "% done, ETA");
    PlaceAt(line, 67, RightAligned(FormatClock(batchRemaining), 9));
    return line;
}

std::string FilesToEncodeLine(size_t count)
{
    return "Files to encode: " + std::to_string(count);
}

std::string Printable(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if ((unsigned char)c < 0x20 || c == 0x7F)
            c = '?';
    return out;
}

std::string EncodingLine(const std::string& fullPath)
{
    return "Encoding: " + Printable(fullPath);
}

std::string InputLine(int sampleRate, int channels)
{
    return "Input: " + FormatKHz(sampleRate) + " kHz " + (channels == 1 ? "mono" : "stereo");
}

std::string OutputLine(int bitrate, bool mono)
{
    return "Output: " + std::to_string(bitrate) + " kBit " + (mono ? "mono" : "stereo");
}

std::string VbrOutputLine(int level, bool mono)
{
    return "Output: VBR quality " + std::to_string(level) + (mono ? " mono" : " stereo");
}

std::string CompletedLine(double seconds)
{
    std::string line = "Completed. Encoding time:";
    PlaceAt(line, 26, RightAligned(FormatClock(seconds), 9));
    return line;
}

std::string ErrorLine(const std::string& message)
{
    return "Error: " + Printable(message);
}

std::string WarningLine(const std::string& message)
{
    return "Warning: " + Printable(message);
}

Console FdConsole(int outFd, int errFd)
{
    struct State {
        int out, err;
        bool tty;
        bool statusPending = false;  // a "\r" status line waits for its newline
    };
    auto state = std::make_shared<State>(State{outFd, errFd, isatty(outFd) == 1});
    auto put = [](int fd, const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return;  // nobody listens any more; the encode itself goes on
            }
            done += size_t(n);
        }
    };
    auto endStatus = [state, put] {
        if (state->statusPending) {
            put(state->out, "\n");
            state->statusPending = false;
        }
    };
    Console console;
    console.line = [state, put, endStatus](const std::string& text) {
        endStatus();
        put(state->out, text + "\n");
    };
    console.status = [state, put](const std::string& text) {
        if (state->tty) {
            put(state->out, "\r" + text);
            state->statusPending = true;
        } else {
            put(state->out, text + "\n");
        }
    };
    console.error = [state, put, endStatus](const std::string& text) {
        endStatus();
        put(state->err, text + "\n");
    };
    return console;
}

} // namespace bladeenc
