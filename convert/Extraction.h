// Extraction: Corvex never decompresses; it hands the cabinet to extrac32 and goes on.
#pragma once

#include "tools/CabTools.h"

#include <string>
#include <vector>

namespace corvex {

// The two commands once the destination is known: every file of CurrentCabinetPath, or one
// extrac32 per name, in the order given, all running beside Corvex at once.
void ExtractAllTo(const std::string& destination);
void ExtractNamesTo(const std::string& destination, const std::vector<std::string>& names);

} // namespace corvex
