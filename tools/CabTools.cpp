#include "tools/CabTools.h"

#include "app/CommandLine.h"
#include "build/Directive.h"
#include "platform/Process.h"
#include "settings/Settings.h"

namespace corvex {

std::string BuilderProgram() {
    return AppSettings.InstallDir + kBuilderName;
}

std::vector<std::string> BuilderArguments() {
    return {"/f", DirectivePath()};
}

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

} // namespace corvex
