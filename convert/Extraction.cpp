#include "convert/Extraction.h"

#include "app/State.h"
#include "tools/CabTools.h"

namespace corvex {

void ExtractAllTo(const std::string& destination) {
    StartExtrac32(ExtractionArguments(destination, CurrentCabinetPath));
}

void ExtractNamesTo(const std::string& destination, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        StartExtrac32(ExtractionArguments(destination, CurrentCabinetPath, name));
}

} // namespace corvex
