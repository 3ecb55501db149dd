#include "Usage.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <unistd.h>

#ifndef TONEWRIGHT_VERSION
#error "TONEWRIGHT_VERSION is set by the build"
#endif

namespace bladeenc {

namespace {

struct Switch {
    const char* name;
    const char* text;  // lines after the first start with "\n"
};

constexpr Switch kSwitches[] = {
    {"-<kbit>", "bitrate in kbit/s: 32, 40, 48, 56, 64, 80, 96, 112,\n128 (the default), 160, 192, 224, 256 or 320"},
    {"-VBR=<0-9>", "variable bitrate at LAME's level (0 best, 9 smallest)"},
    {"-MONO", "mix the channels down to one"},
    {"-CRC", "protect the frames with a checksum"},
    {"-DELETE", "delete each source once its MP3 is on disk and read back whole"},
    {"-ORIGINAL", "set the original bit (-COPY clears it again)"},
    {"-PRIVATE", "set the private bit"},
    {"-COPYRIGHT", "set the copyright bit"},
    {"-PRIO=<level>", "IDLE, LOWEST, LOWER, NORMAL, HIGHER or HIGHEST"},
    {"-OUTDIR=<dir>", "save the MP3s in this folder, not beside the sources"},
    {"-QUIT", "accepted; the encoder never waits for a key"},
    {"--", "every later argument is a file"},
    {"--help", "print this screen and exit"},
    {"--version", "print the version and exit"},
};
constexpr size_t kNameColumn = 17;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

std::string UsageScreen()
{
    std::string text = "BladeEnc " TONEWRIGHT_VERSION
                       ", Tonewright's BladeEnc-compatible MP3 encoder\n"
                       "\n"
                       "Usage: BladeEnc [option...] [--] file [output.mp3]...\n"
                       "Encodes each WAV, AIFF, FLAC, Ogg Vorbis or Opus file to <name>.mp3\n"
                       "beside it, or to the output.mp3 given right after it.\n"
                       "\n"
                       "Options, in any letter case:\n";
    for (const Switch& s : kSwitches) {
        std::string name = std::string("  ") + s.name;
        name.resize(std::max(kNameColumn, name.size() + 1), ' ');
        text += name;
        for (const char* c = s.text; *c; ++c) {
            text += *c;
            if (*c == '\n')
                text += std::string(kNameColumn, ' ');
        }
        text += '\n';
    }
    text += "\n"
            "BLADEENC_THREADS sets the number of files encoded at once.\n"
            "See BladeEnc(1).\n";
    return text;
}

std::string VersionText()
{
    return "BladeEnc (Tonewright) " TONEWRIGHT_VERSION "\n"
           "Copyright (C) 2026 The Tonewright developers\n"
           "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

std::optional<int> AnswerInfoRequest(const std::vector<std::string>& args, int outFd)
{
    if (args.empty()) {
        WriteAll(outFd, UsageScreen());
        return 2;
    }
    for (const std::string& arg : args) {
        if (arg == "--" || arg.size() < 2 || arg[0] != '-')
            break;
        const std::string option = Lower(arg);
        if (option == "--help" || option == "--version")
            return WriteAll(outFd, option == "--help" ? UsageScreen() : VersionText()) ? 0 : 1;
    }
    return std::nullopt;
}

} // namespace bladeenc
