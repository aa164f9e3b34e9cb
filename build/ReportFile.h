// The six figures of makecab's report file.
#pragma once

#include <array>
#include <string>

namespace corvex {

// Files, bytes before, bytes after, ratio, seconds, throughput: words 3, 6, 9, 11, 14 and 24
// after the report's first line, exactly as written there.
using TReportValues = std::array<std::string, 6>;

// The report in directory (ending in the separator). The directive names it "Corvex.RPT" and
// the report has always been opened as "CORVEX.RPT"; file names here tell case apart, so the
// file is looked for under any letter case, the newest one winning when there are several.
// Gives an empty text when there is none.
std::string FindReportFile(const std::string& directory);

// Reads the six words of the report in directory. A missing report, or one that ends before a
// word, gives empty values for what it does not hold: never the figures of an earlier build.
TReportValues ReadBuildReportFile(const std::string& directory);

} // namespace corvex
