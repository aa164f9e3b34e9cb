#include "cabinet/Listing.h"

#include "cabinet/Cabinet.h"
#include "common/Helpers.h"

#include <cstdio>

namespace corvex {

namespace {
// Every field a cabinet can hold fits two digits except the year, which fits four; the
// general printf path is kept for callers that pass anything else.
bool TwoDigits(int32_t v) {
    return v >= 0 && v <= 99;
}
void PutTwoDigits(char* out, int32_t v) {
    out[0] = char('0' + v / 10);
    out[1] = char('0' + v % 10);
}
} // namespace

std::string FormatDate(int32_t day, int32_t month, int32_t year) {
    if (TwoDigits(day) && TwoDigits(month) && year >= 1000 && year <= 9999) {
        std::string text(10, '/');
        PutTwoDigits(&text[0], day);
        PutTwoDigits(&text[3], month);
        PutTwoDigits(&text[6], year / 100);
        PutTwoDigits(&text[8], year % 100);
        return text;
    }
    char buffer[40];
    const int n = std::snprintf(buffer, sizeof buffer, "%02d/%02d/%4d", day, month, year);
    return std::string(buffer, size_t(n));
}

std::string FormatTime(int32_t hours, int32_t minutes, int32_t seconds) {
    if (TwoDigits(hours) && TwoDigits(minutes) && TwoDigits(seconds)) {
        std::string text(8, ':');
        PutTwoDigits(&text[0], hours);
        PutTwoDigits(&text[3], minutes);
        PutTwoDigits(&text[6], seconds);
        return text;
    }
    char buffer[40];
    const int n = std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hours, minutes, seconds);
    return std::string(buffer, size_t(n));
}

std::string FormatAttributes(int bits) {
    return std::string{(bits & 0x01) ? 'r' : '-', (bits & 0x20) ? 'a' : '-',
                       (bits & 0x02) ? 'h' : '-', (bits & 0x04) ? 's' : '-'};
}

std::optional<CabinetListing> ReadCabinetListing(const std::string& path) {
    TCabinet cabinet;
    cabinet.SetPath(path);
    if (!cabinet.Open())
        return std::nullopt;
    CabinetListing listing;
    const unsigned n = cabinet.FileCount();
    listing.Rows.reserve(n);
    for (unsigned i = 0; i < n; ++i) {
        cabinet.ReadNextFile();
        ExtractRow& row = listing.Rows.emplace_back();
        row.FileName = cabinet.FileName();
        row.Directory = cabinet.Directory();
        const int32_t size = cabinet.FileSize();
        row.SizeText = FormatGrouped(size);
        listing.TotalBytes = AddWrapped(listing.TotalBytes, size);
        cabinet.DecodeDate();
        row.DateText = FormatDate(cabinet.Day(), cabinet.Month(), cabinet.Year());
        cabinet.DecodeTime();
        row.TimeText = FormatTime(cabinet.Hours(), cabinet.Minutes(), cabinet.Seconds());
        row.AttributesText = FormatAttributes(cabinet.Attributes());
    }
    cabinet.Close();
    return listing;
}

} // namespace corvex
