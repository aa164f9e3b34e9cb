// The cabinet listing as data: the six texts of each file record, in the records' order, and
// the sum of their sizes. The main window shows these rows; extraction works from them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvex {

// "%02d/%02d/%4d", day first: 7 March 1998 is 07/03/1998.
std::string FormatDate(int32_t day, int32_t month, int32_t year);
// "%02d:%02d:%02d", hours first.
std::string FormatTime(int32_t hours, int32_t minutes, int32_t seconds);
// Four characters "rahs": read-only 0x01, archive 0x20, hidden 0x02, system 0x04, else "-".
std::string FormatAttributes(int bits);

// One row of the extract list. FileName and Directory are the bytes the cabinet holds.
struct ExtractRow {
    std::string FileName;
    std::string Directory;
    std::string SizeText;
    std::string DateText;
    std::string TimeText;
    std::string AttributesText;
};

struct CabinetListing {
    std::vector<ExtractRow> Rows;
    int32_t TotalBytes = 0; // signed 32-bit sum; wraps like the counter it feeds
};

// Reads the cabinet at path into rows. Empty when the file cannot be opened, is shorter than
// the header or lacks the signature.
std::optional<CabinetListing> ReadCabinetListing(const std::string& path);

} // namespace corvex
