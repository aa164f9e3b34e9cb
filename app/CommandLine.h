// Start-up steps that decide without asking anyone: the command-line text and whether the
// cabinet builder is where the program expects it.
#pragma once

#include <string>

namespace corvex {

// The builder's file name in InstallDir.
inline constexpr const char* kBuilderName = "makecab";

// The arguments after the program's name joined by single blanks: the one text the program
// takes as a cabinet path. Blanks alone make an empty text.
std::string CommandLineTextFrom(int argc, const char* const* argv);

// True when installDir (ending in the separator) followed by the builder's name can be opened
// for reading.
bool BuilderPresent(const std::string& installDir);

} // namespace corvex
