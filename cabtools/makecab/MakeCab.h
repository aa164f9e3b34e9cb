// Carrying out a directive: from parsed lines to cabinets, the INF file and the report.
#pragma once

#include "CabinetWriter.h"
#include "Directive.h"

#include <functional>
#include <string>

namespace cabtools {

struct RunSummary {
    WriterResult written;
    double seconds = 0;
    std::string reportPath, infPath; // empty when not written
};

struct RunOptions {
    std::function<void(const WriterProgress&, const std::string& name)> progress;
};

// Everything is written or nothing is: on failure no output is left and `error` says what
// failed, starting with the directive line when there is one.
bool RunDirective(const Directive& directive, const RunOptions& options, RunSummary& summary, std::string& error);

// The report in MakeCAB's layout. After its first line, words 3, 6, 9, 11, 14 and 24 are the
// file count, bytes before, bytes after, the ratio, the seconds and the throughput.
std::string FormatReport(size_t files, uint64_t bytesBefore, uint64_t bytesAfter, double seconds,
                         const std::string& date);

// "1234567" -> "1,234,567".
std::string GroupThousands(uint64_t value);

// The cabinet name of a file line: slashes become backslashes, DestinationDir goes in front;
// names that could leave an extraction directory are refused (empty result, `error` set).
std::string CabinetNameFor(const FileLine& line, const std::string& destinationDir, std::string& error);

} // namespace cabtools
