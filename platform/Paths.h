// Where the program runs from, and the process's current directory.
#pragma once

#include <string>

namespace corvex::platform {

// The directory separator on disk ('/' here, '\\' on Windows). Names inside a cabinet always
// use the backslash, whatever the system.
constexpr char kSeparator = '/';

// Full path of the running executable.
std::string ExecutablePath();

// Its directory, ending in the separator (the InstallDir of the settings).
std::string ExecutableDirectory();

// The process's current directory, without a trailing separator except at the root.
std::string CurrentDirectory();

// Makes path the current directory; gives the system's error number on failure, 0 on success.
int SetCurrentDirectory(const std::string& path);

// Lets tests pretend the program runs from another directory (empty text: the real one).
void OverrideExecutableDirectory(const std::string& directoryWithSeparator);

} // namespace corvex::platform
