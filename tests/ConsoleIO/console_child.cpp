// A scripted console program for the runner's tests. Each argument is one step:
//   out:TEXT / err:TEXT   one write of TEXT to standard output / error; escapes \n \r \t \0
//                         \s (blank) \\ and \xHH
//   sleep:MS              pause
//   exit:CODE             end now
//   ignore                ignore SIGTERM, SIGINT, SIGHUP, SIGQUIT and SIGPIPE
//   hang                  sleep until killed
//   grandchild:MS         leave a process behind that holds the output for MS ms;
//                         prints "grandchild PID"
//   mixed:BYTES:SEED      lines of MixedLines, at least BYTES in all, in writes of mixed size
//   short:N               N lines "line NNNNNNN" through a buffered stream
//   pid                   prints "pid PID pgid PGID"
//   nice                  prints "nice N"
//   fds                   prints "fds N": the descriptors open in this process
//   pipesize              prints "pipesize N": the buffer size of standard output's pipe
//   stdin                 prints "stdin open" when standard input stays open without data
//   cwd                   prints "cwd PATH"
//   env:NAME              prints "env NAME=VALUE" or "env NAME unset"
//   args                  prints "argc N", then "arg I <TEXT>" for each argument after argv[0]
//   closeout              closes standard output and standard error
#include "MixedLines.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace {

void WriteAll(int fd, const std::string& text)
{
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void Print(const std::string& text) { WriteAll(1, text + "\n"); }

std::string Unescape(const char* s)
{
    std::string out;
    for (; *s; ++s) {
        if (*s != '\\' || !s[1]) {
            out += *s;
            continue;
        }
        ++s;
        switch (*s) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '0': out += '\0'; break;
        case 's': out += ' '; break;
        case 'x':
            if (s[1] && s[2]) {
                const char hex[3] = {s[1], s[2], 0};
                out += static_cast<char>(std::strtol(hex, nullptr, 16));
                s += 2;
            }
            break;
        default: out += *s; break;
        }
    }
    return out;
}

void SleepMs(long ms)
{
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

bool Starts(const char* arg, const char* prefix, const char*& rest)
{
    const std::size_t n = std::strlen(prefix);
    if (std::strncmp(arg, prefix, n) != 0)
        return false;
    rest = arg + n;
    return true;
}

int CountFds()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    while (dirent* e = readdir(dir))
        if (e->d_name[0] != '.')
            ++count;
    closedir(dir);
    return count - 1;  // the directory's own descriptor
}

}  // namespace

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* rest = nullptr;
        if (Starts(a, "out:", rest)) {
            WriteAll(1, Unescape(rest));
        } else if (Starts(a, "err:", rest)) {
            WriteAll(2, Unescape(rest));
        } else if (Starts(a, "sleep:", rest)) {
            SleepMs(std::atol(rest));
        } else if (Starts(a, "exit:", rest)) {
            return std::atoi(rest);
        } else if (std::strcmp(a, "ignore") == 0) {
            for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE})
                signal(sig, SIG_IGN);
        } else if (std::strcmp(a, "hang") == 0) {
            for (;;)
                pause();
        } else if (Starts(a, "grandchild:", rest)) {
            const long ms = std::atol(rest);
            const pid_t pid = fork();
            if (pid == 0) {
                SleepMs(ms);
                _exit(0);
            }
            Print("grandchild " + std::to_string(pid));
        } else if (Starts(a, "mixed:", rest)) {
            char* end = nullptr;
            const long long bytes = std::strtoll(rest, &end, 10);
            const unsigned long long seed = std::strtoull(end + 1, nullptr, 10);
            MixedLines lines(seed);
            std::string chunk, text;
            long long written = 0;
            std::uint64_t sizes = seed + 7;
            while (written < bytes) {
                const char* lineBreak = nullptr;
                lines.NextLine(text, lineBreak);
                chunk += text;
                chunk += lineBreak;
                written += static_cast<long long>(text.size() + std::strlen(lineBreak));
                sizes = sizes * 6364136223846793005ull + 1442695040888963407ull;
                if (chunk.size() >= 1 + (sizes >> 33) % 9000) {
                    WriteAll(1, chunk);
                    chunk.clear();
                }
            }
            WriteAll(1, chunk);
        } else if (Starts(a, "short:", rest)) {
            const long n = std::atol(rest);
            static char buffer[1 << 16];
            std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
            for (long k = 0; k < n; ++k)
                std::printf("line %07ld\n", k);
            std::fflush(stdout);
        } else if (std::strcmp(a, "pid") == 0) {
            Print("pid " + std::to_string(getpid()) + " pgid " + std::to_string(getpgrp()));
        } else if (std::strcmp(a, "nice") == 0) {
            errno = 0;
            Print("nice " + std::to_string(getpriority(PRIO_PROCESS, 0)));
        } else if (std::strcmp(a, "fds") == 0) {
            Print("fds " + std::to_string(CountFds()));
        } else if (std::strcmp(a, "pipesize") == 0) {
            Print("pipesize " + std::to_string(fcntl(1, F_GETPIPE_SZ)));
        } else if (std::strcmp(a, "stdin") == 0) {
            pollfd p{0, POLLIN, 0};
            const int r = poll(&p, 1, 100);
            Print(r == 0 ? "stdin open" : (p.revents & POLLNVAL) ? "stdin closed" : "stdin readable");
        } else if (std::strcmp(a, "cwd") == 0) {
            char buf[4096];
            Print(std::string("cwd ") + (getcwd(buf, sizeof buf) ? buf : "?"));
        } else if (Starts(a, "env:", rest)) {
            const char* v = std::getenv(rest);
            Print(v ? std::string("env ") + rest + "=" + v : std::string("env ") + rest + " unset");
        } else if (std::strcmp(a, "args") == 0) {
            Print("argc " + std::to_string(argc));
            for (int k = 1; k < argc; ++k)
                Print("arg " + std::to_string(k) + " <" + argv[k] + ">");
        } else if (std::strcmp(a, "closeout") == 0) {
            close(1);
            close(2);
        }
    }
    return 0;
}
