#include "build/BuildRun.h"

#include "build/Directive.h"
#include "convert/Sfx.h"
#include "platform/Environment.h"
#include "platform/Paths.h"
#include "settings/Settings.h"
#include "tools/CabTools.h"

#include <cstdio>

namespace corvex {

namespace {

void AppendSeparator(std::string& dir) {
    if (dir.empty() || dir.back() != platform::kSeparator)
        dir.push_back(platform::kSeparator);
}

} // namespace

void EnsureTrailingBackslash() {
    AppendSeparator(AppSettings.TemporaryDir);
    AppendSeparator(AppSettings.InstallDir);
}

platform::ProcessOutcome RunBuilder() {
    const std::optional<std::string> previous = platform::GetEnvironment("TMP");
    platform::SetEnvironment("TMP", AppSettings.TemporaryDir);
    const platform::ProcessOutcome outcome =
        platform::RunAndWait(BuilderProgram(), BuilderArguments());
    platform::SetEnvironment("TMP", previous);
    return outcome;
}

std::string FirstCabinetPath(const std::string& cabinetPath) {
    return CabinetDirectory(cabinetPath) + CabinetBaseName(cabinetPath) + ".cab";
}

bool MakeSelfExtracting(const std::string& cabinetPath) {
    const std::string first = FirstCabinetPath(cabinetPath);
    if (!CabToSfx(first))
        return false;
    std::remove(first.c_str());
    return true;
}

} // namespace corvex
