// The command lines of the two cabinet tools Corvex starts: makecab for a build, extrac32 for
// an extraction. Arguments are passed one by one, never through a shell, so paths and names
// reach the tools byte for byte whatever blanks or other characters they hold.
#pragma once

#include <string>
#include <vector>

namespace corvex {

// The builder program, AppSettings.InstallDir + "makecab", and its arguments: "/f" and the
// directive file.
std::string BuilderProgram();
std::vector<std::string> BuilderArguments();

// extrac32's arguments in its order: "/Y", "/L", the destination, the cabinet and, for one
// file, its name as the cabinet holds it.
std::vector<std::string> ExtractionArguments(const std::string& destination,
                                             const std::string& cabinet);
std::vector<std::string> ExtractionArguments(const std::string& destination,
                                             const std::string& cabinet,
                                             const std::string& name);

// Looks for extrac32 in AppSettings.InstallDir, then along PATH, and starts it without
// waiting. false when it is nowhere to be found or cannot be started.
bool StartExtrac32(const std::vector<std::string>& arguments);

} // namespace corvex
