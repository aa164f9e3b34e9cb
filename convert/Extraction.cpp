#include "convert/Extraction.h"

#include "app/State.h"
#include "platform/Process.h"
#include "settings/Settings.h"

namespace corvex {

std::vector<std::string> ExtractionArguments(const std::string& destination,
                                             const std::string& cabinet) {
    return {"/Y", "/L", destination, cabinet};
}

std::vector<std::string> ExtractionArguments(const std::string& destination,
                                             const std::string& cabinet,
                                             const std::string& name) {
    return {"/Y", "/L", destination, cabinet, name};
}

bool StartExtrac32(const std::vector<std::string>& arguments) {
    const auto program = platform::FindProgram("extrac32", AppSettings.InstallDir);
    if (!program)
        return false;
    return platform::StartDetached(*program, arguments);
}

void ExtractAllTo(const std::string& destination) {
    StartExtrac32(ExtractionArguments(destination, CurrentCabinetPath));
}

void ExtractNamesTo(const std::string& destination, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        StartExtrac32(ExtractionArguments(destination, CurrentCabinetPath, name));
}

} // namespace corvex
