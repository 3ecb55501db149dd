#include "EncoderTestSupport.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace enctest {

ScratchFolder::ScratchFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tw-encoder-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        std::abort();
    FPath = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
}

std::vector<std::string> ScratchFolder::Entries() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FPath))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool WriteSine(const std::string& path, int format, int rate, int channels, double seconds,
               const std::vector<std::pair<int, std::string>>& strings)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    for (const auto& [which, text] : strings)
        if (sf_set_string(f, which, text.c_str()) != 0) {
            sf_close(f);
            return false;
        }
    const long long frames = std::llround(seconds * rate);
    std::vector<double> chunk;
    const double step = 2 * M_PI * 440.0 / rate;
    long long written = 0;
    while (written < frames) {
        long long n = std::min<long long>(4096, frames - written);
        chunk.resize(size_t(n * channels));
        for (long long i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                chunk[size_t(i * channels + c)] = 0.5 * std::sin(step * double(written + i) * (1 + c));
        sf_writef_double(f, chunk.data(), n);
        written += n;
    }
    return sf_close(f) == 0;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out);
}

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

namespace {

pid_t Spawn(const std::string& exe, const std::vector<std::string>& args,
            const std::vector<std::string>& env, int& readFd)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attr, &all);
    // Its own process group, so that a test can end whatever the child leaves behind.
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<std::string> argStrings{exe};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        bool replaced = std::any_of(env.begin(), env.end(), [&](const std::string& x) {
            return x.substr(0, x.find('=')) == name;
        });
        if (!replaced)
            envStrings.push_back(entry);
    }
    for (const std::string& e : env)
        if (e.find('=') != std::string::npos)
            envStrings.push_back(e);
    std::vector<char*> envp;
    for (auto& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = -1;
    if (posix_spawn(&pid, exe.c_str(), &actions, &attr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(fds[1]);
    readFd = fds[0];
    return pid;
}

void Decode(int status, ProcessResult& r)
{
    if (WIFEXITED(status)) {
        r.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.exitCode = -1;
        r.signal = WTERMSIG(status);
    }
}

} // namespace

ProcessResult RunProcess(const std::string& exe, const std::vector<std::string>& args,
                  const std::vector<std::string>& env)
{
    Child child(exe, args, env);
    return child.Finish();
}

Child::Child(const std::string& exe, const std::vector<std::string>& args,
             const std::vector<std::string>& env)
{
    FPid = Spawn(exe, args, env, FFd);
}

Child::~Child()
{
    if (FPid > 0)
        kill(-FPid, SIGKILL);
    if (FPid > 0 && !FReaped) {
        int status;
        waitpid(FPid, &status, 0);
    }
    if (FFd >= 0)
        close(FFd);
}

bool Child::ReadSome(int timeoutMs)
{
    if (FFd < 0)
        return false;
    pollfd p{FFd, POLLIN, 0};
    int ready = poll(&p, 1, timeoutMs);
    if (ready <= 0)
        return ready == 0;  // nothing yet: keep waiting
    char buffer[4096];
    ssize_t n = read(FFd, buffer, sizeof buffer);
    if (n <= 0) {
        close(FFd);
        FFd = -1;
        return false;
    }
    FOutput.append(buffer, size_t(n));
    return true;
}

bool Child::WaitForLineStartingWith(const std::string& prefix, double timeoutSeconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const std::string& line : Lines(FOutput))
            if (line.rfind(prefix, 0) == 0)
                return true;
        if (!ReadSome(100))
            return false;
    }
    return false;
}

void Child::Kill(int sig)
{
    if (FPid > 0 && !FReaped)
        kill(FPid, sig);
}

void Child::KillGroup(int sig)
{
    if (FPid > 0)
        kill(-FPid, sig);
}

int Child::Reap()
{
    if (FPid <= 0)
        return -1;
    if (!FReaped) {
        int status = 0;
        while (waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
        }
        FReaped = true;
        Decode(status, FResult);
    }
    return FResult.exitCode;
}

bool Child::OutputEnded()
{
    while (FFd >= 0) {
        pollfd p{FFd, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0)
            return false; // nothing waiting and a writer still holds the pipe
        ReadSome(0);      // takes what waits, or closes the pipe at its end
    }
    return true;
}

ProcessResult Child::Finish()
{
    if (FPid <= 0) {
        FResult.exitCode = 127;
        return FResult;
    }
    while (ReadSome(1000)) {
    }
    Reap();
    FResult.output = FOutput;
    return FResult;
}

std::vector<std::string> Lines(const std::string& output)
{
    std::vector<std::string> lines;
    std::string current;
    for (char c : output) {
        if (c == '\r' || c == '\n') {
            if (!current.empty())
                lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

std::vector<std::string> LinesStartingWith(const std::string& output, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : Lines(output))
        if (StartsWith(line, prefix))
            found.push_back(line);
    return found;
}

std::vector<std::string> ErrorLines(const std::string& output)
{
    return LinesStartingWith(output, "Error:");
}

std::string Columns(const std::string& line, size_t first, size_t last)
{
    if (line.size() < first)
        return {};
    std::string field = line.substr(first - 1, last - first + 1);
    auto blank = [](unsigned char c) { return c <= ' '; };
    while (!field.empty() && blank(field.front()))
        field.erase(field.begin());
    while (!field.empty() && blank(field.back()))
        field.pop_back();
    return field;
}

namespace {

struct RawHeader {
    FrameHeader h;
    int frameBytes = 0;
};

std::optional<RawHeader> ParseHeader(const unsigned char* b)
{
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
        return std::nullopt;
    RawHeader r;
    int versionBits = (b[1] >> 3) & 3;
    int layerBits = (b[1] >> 1) & 3;
    if (versionBits == 1 || layerBits == 0)
        return std::nullopt;
    r.h.mpegVersion = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    r.h.layer = 4 - layerBits;
    r.h.crc = (b[1] & 1) == 0;
    int bitrateIndex = b[2] >> 4;
    int rateIndex = (b[2] >> 2) & 3;
    if (bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    static const int v1l3[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int v2l3[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int rates1[] = {44100, 48000, 32000};
    if (r.h.layer != 3)
        return std::nullopt;
    r.h.bitrate = r.h.mpegVersion == 1 ? v1l3[bitrateIndex] : v2l3[bitrateIndex];
    int divisor = r.h.mpegVersion == 1 ? 1 : r.h.mpegVersion == 2 ? 2 : 4;
    r.h.sampleRate = rates1[rateIndex] / divisor;
    bool padding = (b[2] >> 1) & 1;
    r.h.privateBit = b[2] & 1;
    r.h.mono = (b[3] >> 6) == 3;
    r.h.copyright = (b[3] >> 3) & 1;
    r.h.original = (b[3] >> 2) & 1;
    int coefficient = r.h.mpegVersion == 1 ? 144 : 72;
    r.frameBytes = coefficient * r.h.bitrate * 1000 / r.h.sampleRate + (padding ? 1 : 0);
    return r;
}

size_t SkipId3(const std::string& data)
{
    if (data.size() >= 10 && data.compare(0, 3, "ID3") == 0) {
        size_t size = (size_t(data[6] & 0x7F) << 21) | (size_t(data[7] & 0x7F) << 14) |
                      (size_t(data[8] & 0x7F) << 7) | size_t(data[9] & 0x7F);
        return 10 + size;
    }
    return 0;
}

// The first frame's header and where that frame starts.
std::optional<std::pair<RawHeader, size_t>> FirstFrame(const std::string& data)
{
    size_t pos = SkipId3(data);
    if (data.size() < pos + 4)
        return std::nullopt;
    auto r = ParseHeader(reinterpret_cast<const unsigned char*>(data.data() + pos));
    if (!r)
        return std::nullopt;
    return std::pair{*r, pos};
}

} // namespace

std::optional<FrameHeader> FirstFrameHeader(const std::string& path)
{
    auto first = FirstFrame(ReadFile(path));
    if (!first)
        return std::nullopt;
    return first->first.h;
}

namespace {

std::string Utf8Of(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    return out;
}

// A string of the given ID3 encoding up to its terminator; pos moves past the terminator.
std::string Id3String(const std::string& b, size_t& pos, int encoding)
{
    std::string out;
    if (encoding == 0) {
        while (pos < b.size() && b[pos] != '\0')
            out += Utf8Of((unsigned char)b[pos++]);
        ++pos;
        return out;
    }
    bool little = true;
    if (pos + 1 < b.size() && (unsigned char)b[pos] == 0xFE && (unsigned char)b[pos + 1] == 0xFF) {
        little = false;
        pos += 2;
    } else if (pos + 1 < b.size() && (unsigned char)b[pos] == 0xFF && (unsigned char)b[pos + 1] == 0xFE) {
        pos += 2;
    } else {
        return "<no BOM>";
    }
    char32_t high = 0;
    while (pos + 1 < b.size()) {
        unsigned a = (unsigned char)b[pos], c = (unsigned char)b[pos + 1];
        pos += 2;
        char32_t unit = little ? (a | c << 8) : (a << 8 | c);
        if (unit == 0)
            break;
        if (unit >= 0xD800 && unit < 0xDC00) {
            high = unit;
            continue;
        }
        if (unit >= 0xDC00 && unit < 0xE000 && high) {
            unit = 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00);
            high = 0;
        }
        out += Utf8Of(unit);
    }
    return out;
}

} // namespace

std::optional<Id3Tag> ReadId3v2(const std::string& path)
{
    std::string data = ReadFile(path);
    if (data.size() < 10 || data.compare(0, 3, "ID3") != 0)
        return std::nullopt;
    Id3Tag tag;
    tag.version = data[3];
    tag.size = SkipId3(data);
    size_t pos = 10;
    while (pos + 10 <= tag.size && data[pos] != '\0') {
        std::string id = data.substr(pos, 4);
        size_t size = size_t((unsigned char)data[pos + 4]) << 24 | size_t((unsigned char)data[pos + 5]) << 16 |
                      size_t((unsigned char)data[pos + 6]) << 8 | size_t((unsigned char)data[pos + 7]);
        std::string body = data.substr(pos + 10, size);
        pos += 10 + size;
        if (body.empty() || (id[0] != 'T' && id != "COMM"))
            continue;
        int encoding = (unsigned char)body[0];
        size_t at = 1;
        if (id == "COMM") {
            at += 3;  // language
            Id3String(body, at, encoding);  // description
        }
        tag.encoding[id] = encoding;
        tag.text[id] = Id3String(body, at, encoding);
    }
    return tag;
}

int CountFrames(const std::string& path)
{
    std::string data = ReadFile(path);
    size_t pos = SkipId3(data);
    int count = 0;
    while (pos + 4 <= data.size()) {
        auto r = ParseHeader(reinterpret_cast<const unsigned char*>(data.data() + pos));
        if (!r || r->frameBytes <= 0)
            return 0;
        pos += size_t(r->frameBytes);
        ++count;
    }
    return pos == data.size() ? count : 0;
}

std::optional<XingHeader> ReadXing(const std::string& path)
{
    std::string data = ReadFile(path);
    auto first = FirstFrame(data);
    if (!first)
        return std::nullopt;
    const FrameHeader& h = first->first.h;
    size_t sideInfo = h.mpegVersion == 1 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
    // Where LAME writes it and every reader looks, the CRC bytes not counted.
    size_t at = first->second + 4 + sideInfo;
    auto u32 = [&](size_t offset) {
        const auto* b = reinterpret_cast<const unsigned char*>(data.data() + offset);
        return unsigned(b[0]) << 24 | unsigned(b[1]) << 16 | unsigned(b[2]) << 8 | unsigned(b[3]);
    };
    if (data.size() < at + 8)
        return std::nullopt;
    XingHeader x;
    x.id = data.substr(at, 4);
    if (x.id != "Xing" && x.id != "Info")
        return std::nullopt;
    unsigned flags = u32(at + 4);
    at += 8;
    if (flags & 1) {
        x.frames = u32(at);
        at += 4;
    }
    if (flags & 2) {
        x.bytes = u32(at);
        at += 4;
    }
    if (flags & 4) {
        x.seekTable = true;
        at += 100;
    }
    if (flags & 8)
        at += 4;  // quality indicator
    if (data.size() >= at + 9)
        x.lameTag = data.substr(at, 9);
    return x;
}

} // namespace enctest
