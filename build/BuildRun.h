// The parts of a build that decide and run things: paths, the builder's command line, TMP
// around it, and the self-extracting follow-up.
#pragma once

#include "platform/Process.h"
#include "tools/CabTools.h"

#include <string>
#include <vector>

namespace corvex {

// Gives AppSettings.TemporaryDir and AppSettings.InstallDir a final separator (an empty text
// becomes the separator alone). Memory only.
void EnsureTrailingBackslash();

// Runs the builder and waits for it, with TMP set to AppSettings.TemporaryDir while it runs.
// TMP is put back afterwards exactly as it was (removed again when it had not been set),
// whether or not the builder could be started.
platform::ProcessOutcome RunBuilder();

// The first cabinet as the builder names it: the chosen path's directory, its base name and
// ".cab" in lower case. Names here tell case apart, so this, not the chosen path as typed, is
// the cabinet that becomes self-extracting.
std::string FirstCabinetPath(const std::string& cabinetPath);

// Turns the first cabinet into a self-extracting file and deletes the plain cabinet, but only
// when the self-extracting file is complete. Gives whether it was made.
bool MakeSelfExtracting(const std::string& cabinetPath);

} // namespace corvex
