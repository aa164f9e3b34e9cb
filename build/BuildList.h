// The rows of files for a new cabinet.
#pragma once

#include <string>
#include <vector>

namespace corvex {

// One row of the build list: the file SourceDir + EntryName is stored in the cabinet as
// TargetDir + EntryName. All four are byte strings; SourceDir ends in the separator, TargetDir
// is empty (the cabinet's root) or a relative path ending in a backslash.
struct BuildEntry {
    std::string EntryName;
    std::string SourceDir;
    std::string TargetDir;
    std::string SizeText; // FormatGrouped of the size, "0" for a placeholder
};

using TBuildList = std::vector<BuildEntry>;

} // namespace corvex
