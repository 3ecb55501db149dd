// BladeEnc's own answers on the command line: the usage screen (run without arguments, or with
// --help) and the version (--version). Each switch is one row of a table, so a new one is a line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace bladeenc {

std::string UsageScreen();
std::string VersionText();

// When `args` asks for the usage screen or the version, its text goes to `outFd` and the exit
// status comes back: 0 for --help and --version, 2 for no arguments at all (nothing to encode).
// nullopt: the arguments are for the encoder. --help and --version count among the options only
// (any letter case, like the other options), never after "--" or the first file.
std::optional<int> AnswerInfoRequest(const std::vector<std::string>& args, int outFd);

} // namespace bladeenc
