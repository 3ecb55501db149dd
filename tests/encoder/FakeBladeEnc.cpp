// fake_bladeenc: a scripted stand-in for the encoder, for tests that need exact console lines,
// exact timing and misbehaving children.
//
// Command line: the same as BladeEnc (options, then files). It is ignored, except that when the
// environment variable FAKE_BLADEENC_ARGS_OUT names a file, argv[1..] are written there, each
// argument followed by one NUL byte (an empty file for no arguments), before the script runs.
//
// Script: read from the file named by FAKE_BLADEENC_SCRIPT, or, when that variable is unset or
// empty, taken inline from FAKE_BLADEENC_SCRIPT_TEXT. Lines are separated by "\n" (a "\r" before
// it is dropped). Empty lines and lines beginning with "#" are skipped. The command word ends at
// the first blank; its argument is everything after that one blank, unchanged.
//   print <text>     writes text + "\r\n" to stdout
//   eprint <text>    writes text + "\r\n" to stderr
//   raw <text>       writes text to stdout with \r \n \t \0 \\ \xHH decoded, nothing added
//   sleep <ms>       sleeps that many milliseconds
//   exit <code>      exits at once with that status
//   ignore-term      ignores SIGTERM, SIGINT and SIGHUP from here on
//   spawn-holder <ms> forks a grandchild that keeps stdout (and stderr) open and sleeps that
//                    long; it stays in the fake's process group
//   signal <n>       kills itself with signal n (default action), e.g. "signal 11" for a crash
// Each command's bytes go out with one write() call, unbuffered. At the end of the script the
// fake exits 0. The whole script is parsed before anything runs: a missing or unreadable script,
// neither variable set, an unknown command or a bad number is a message on stderr and exit 2.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {

enum class Op { Print, EPrint, Raw, Sleep, Exit, IgnoreTerm, SpawnHolder, Signal };

struct Command {
    Op op;
    std::string bytes;  // Print, EPrint, Raw: what to write
    long number = 0;    // Sleep, Exit, SpawnHolder
};

[[noreturn]] void fail(const std::string& message)
{
    std::string text = "fake_bladeenc: " + message + "\n";
    (void)!write(STDERR_FILENO, text.data(), text.size());
    _exit(2);
}

void writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            _exit(3);  // the reader went away
        }
        done += size_t(n);
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> decodeEscapes(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        switch (text[i]) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '0': out += '\0'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            if (i + 2 >= text.size())
                return std::nullopt;
            int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out += char(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::optional<long> parseNumber(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return value;
}

std::vector<Command> parseScript(const std::string& script)
{
    std::vector<Command> commands;
    std::istringstream in(script);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        size_t blank = line.find(' ');
        std::string word = line.substr(0, blank);
        std::string arg = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        auto where = [&] { return "script line " + std::to_string(lineNo) + ": "; };
        auto number = [&](long min) {
            auto n = parseNumber(arg);
            if (!n || *n < min)
                fail(where() + "bad number \"" + arg + "\"");
            return *n;
        };
        if (word == "print") {
            commands.push_back({Op::Print, arg + "\r\n"});
        } else if (word == "eprint") {
            commands.push_back({Op::EPrint, arg + "\r\n"});
        } else if (word == "raw") {
            auto bytes = decodeEscapes(arg);
            if (!bytes)
                fail(where() + "bad escape in \"" + arg + "\"");
            commands.push_back({Op::Raw, *bytes});
        } else if (word == "sleep") {
            commands.push_back({Op::Sleep, {}, number(0)});
        } else if (word == "exit") {
            commands.push_back({Op::Exit, {}, number(0)});
        } else if (word == "ignore-term") {
            commands.push_back({Op::IgnoreTerm, {}});
        } else if (word == "signal") {
            long sig = number(1);
            if (sig >= NSIG)
                fail(where() + "bad signal \"" + arg + "\"");
            commands.push_back({Op::Signal, {}, sig});
        } else if (word == "spawn-holder") {
            commands.push_back({Op::SpawnHolder, {}, number(0)});
        } else {
            fail(where() + "unknown command \"" + word + "\"");
        }
    }
    return commands;
}

void sleepMs(long ms)
{
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void recordArguments(int argc, char* argv[])
{
    const char* path = std::getenv("FAKE_BLADEENC_ARGS_OUT");
    if (!path || !*path)
        return;
    std::string bytes;
    for (int i = 1; i < argc; ++i) {
        bytes += argv[i];
        bytes += '\0';
    }
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(std::string("cannot write ") + path + ": " + std::strerror(errno));
    writeAll(fd, bytes);
    close(fd);
}

std::string loadScript()
{
    const char* path = std::getenv("FAKE_BLADEENC_SCRIPT");
    if (path && *path) {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            fail(std::string("cannot read script ") + path + ": " + std::strerror(errno));
        std::ostringstream text;
        text << file.rdbuf();
        if (file.bad())
            fail(std::string("cannot read script ") + path);
        return text.str();
    }
    const char* inline_ = std::getenv("FAKE_BLADEENC_SCRIPT_TEXT");
    if (!inline_)
        fail("neither FAKE_BLADEENC_SCRIPT nor FAKE_BLADEENC_SCRIPT_TEXT is set");
    return inline_;
}

} // namespace

int main(int argc, char* argv[])
{
    recordArguments(argc, argv);
    std::vector<Command> commands = parseScript(loadScript());
    for (const Command& c : commands) {
        switch (c.op) {
        case Op::Print:
        case Op::Raw:
            writeAll(STDOUT_FILENO, c.bytes);
            break;
        case Op::EPrint:
            writeAll(STDERR_FILENO, c.bytes);
            break;
        case Op::Sleep:
            sleepMs(c.number);
            break;
        case Op::Exit:
            _exit(int(c.number));
        case Op::IgnoreTerm:
            signal(SIGTERM, SIG_IGN);
            signal(SIGINT, SIG_IGN);
            signal(SIGHUP, SIG_IGN);
            break;
        case Op::Signal:
            signal(int(c.number), SIG_DFL);
            raise(int(c.number));
            _exit(2);  // a signal that does not end the process (SIGCHLD, say)
        case Op::SpawnHolder: {
            pid_t pid = fork();
            if (pid < 0)
                fail(std::string("fork failed: ") + std::strerror(errno));
            if (pid == 0) {
                sleepMs(c.number);
                _exit(0);
            }
            break;
        }
        }
    }
    return 0;
}
