// Extraction: Corvex never decompresses; it hands the cabinet to extrac32 and goes on.
#pragma once

#include <string>
#include <vector>

namespace corvex {

// The arguments after the program name, in extrac32's order: "/Y", "/L", the destination,
// the cabinet and, for one file, its name. Each piece is its own argument, so blanks and
// any other bytes in paths and names reach extrac32 untouched.
std::vector<std::string> ExtractionArguments(const std::string& destination,
                                             const std::string& cabinet);
std::vector<std::string> ExtractionArguments(const std::string& destination,
                                             const std::string& cabinet,
                                             const std::string& name);

// Looks for extrac32 in AppSettings.InstallDir, then along PATH, and starts it without
// waiting. false when it is nowhere to be found or cannot be started; the commands do not
// tell the user (an extraction that fails inside extrac32 is not seen either).
bool StartExtrac32(const std::vector<std::string>& arguments);

// The two commands once the destination is known: every file of CurrentCabinetPath, or one
// extrac32 per name, in the order given, all running beside Corvex at once.
void ExtractAllTo(const std::string& destination);
void ExtractNamesTo(const std::string& destination, const std::vector<std::string>& names);

} // namespace corvex
