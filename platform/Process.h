// Starting other programs: always an argument vector, never through a shell.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvex::platform {

struct ProcessOutcome {
    bool started = false; // false: the program could not be started at all
    int exitStatus = -1;  // its exit status, or 128 + signal number when a signal ended it
    int error = 0;        // the system's error number when it could not be started
};

// Starts program (a path) with args (not including argv[0]), inheriting environment and
// current directory, and waits without a time limit until it ends.
ProcessOutcome RunAndWait(const std::string& program, const std::vector<std::string>& args);

// Starts program with args and returns at once. The child is detached from us, so nothing
// is left to reap: finished children never pile up as zombies. Gives false when it could
// not be started (the program is missing or not executable).
bool StartDetached(const std::string& program, const std::vector<std::string>& args);

// A bare program name looked up first in firstDirectory (ending in a separator), then along
// PATH. Gives the full path of the first executable file found.
std::optional<std::string> FindProgram(const std::string& name, const std::string& firstDirectory);

} // namespace corvex::platform
