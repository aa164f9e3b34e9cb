// The command line: extrac32 [/Y] [/D] [/L dir] cabinet [name]
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cabtools {

// Exit statuses. A run that could not do everything it was asked ends with kExitFailed.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Options {
    bool help = false;
    bool overwrite = false; // /Y
    bool list = false;      // /D
    std::optional<std::string> destination; // /L dir
    // Everything that is not a switch, in order: the cabinet and the file name, or, when the
    // program carries its own cabinet, only the file name.
    std::vector<std::string> operands;
};

struct ParsedOptions {
    Options options;
    std::string error; // empty when the command line was understood
};

// Switches are "/" or "-" and one letter, in any case, so that a path such as "/tmp/a.cab"
// is never taken for one; "--" ends the switches.
ParsedOptions ParseOptions(const std::vector<std::string>& args);

extern const char* const kUsageText;

} // namespace cabtools
