// Every cabinet under the shared fixtures lists as its .listing.txt says (names compared as the
// raw bytes the cabinet holds), and every broken one gives no listing or a whole one.
#include "cabinet/Cabinet.h"
#include "cabinet/Listing.h"
#include "common/Helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace corvex {
namespace {

namespace fs = std::filesystem;

const fs::path kCabDir = fs::path(CORVEX_FIXTURES_DIR) / "cab";

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

struct ExpectedListing {
    long cFiles = -1;
    std::vector<std::vector<std::string>> records; // name, size, date, time, attributes
};

ExpectedListing ReadExpected(const fs::path& listingFile) {
    ExpectedListing expected;
    std::ifstream in(listingFile, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("# cFiles: ", 0) == 0)
            expected.cFiles = std::stol(line.substr(10));
        else if (line.rfind("# ", 0) != 0)
            expected.records.push_back(Split(line, '\t'));
    }
    return expected;
}

std::vector<std::string> FixtureCabinets() {
    std::vector<std::string> cabinets;
    for (const auto& entry : fs::recursive_directory_iterator(kCabDir)) {
        const fs::path& p = entry.path();
        if (p.extension() == ".cab" && p.parent_path().filename() != "bad")
            cabinets.push_back(fs::relative(p, kCabDir).string());
    }
    std::sort(cabinets.begin(), cabinets.end());
    return cabinets;
}

class FixtureListing : public ::testing::TestWithParam<std::string> {};

TEST_P(FixtureListing, MatchesItsListingFile) {
    const fs::path cab = kCabDir / GetParam();
    const ExpectedListing expected = ReadExpected(cab.string() + ".listing.txt");
    ASSERT_GE(expected.cFiles, 0) << "no cFiles line beside " << cab;
    ASSERT_EQ(expected.records.size(), size_t(expected.cFiles));

    TCabinet cabinet;
    cabinet.SetPath(cab.string());
    ASSERT_TRUE(cabinet.Open());
    ASSERT_EQ(cabinet.FileCount(), expected.cFiles);
    int32_t total = 0;
    for (const auto& record : expected.records) {
        ASSERT_EQ(record.size(), 5u);
        cabinet.ReadNextFile();
        EXPECT_EQ(cabinet.Directory() + cabinet.FileName(), record[0]);
        EXPECT_EQ(cabinet.FileSize(), std::stol(record[1])) << record[0];
        cabinet.DecodeDate();
        cabinet.DecodeTime();
        EXPECT_EQ(FormatDate(cabinet.Day(), cabinet.Month(), cabinet.Year()), record[2])
            << record[0];
        EXPECT_EQ(FormatTime(cabinet.Hours(), cabinet.Minutes(), cabinet.Seconds()), record[3])
            << record[0];
        EXPECT_EQ(FormatAttributes(cabinet.Attributes()), record[4]) << record[0];
        total += int32_t(std::stol(record[1]));
    }
    cabinet.Close();

    // The rows the window shows say the same.
    const auto listing = ReadCabinetListing(cab.string());
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->Rows.size(), expected.records.size());
    for (size_t i = 0; i < expected.records.size(); ++i) {
        const ExtractRow& row = listing->Rows[i];
        const auto& record = expected.records[i];
        EXPECT_EQ(row.Directory + row.FileName, record[0]);
        EXPECT_TRUE(row.FileName.find('\\') == std::string::npos);
        EXPECT_EQ(row.SizeText, FormatGrouped(int32_t(std::stol(record[1]))));
        EXPECT_EQ(row.DateText, record[2]);
        EXPECT_EQ(row.TimeText, record[3]);
        EXPECT_EQ(row.AttributesText, record[4]);
    }
    EXPECT_EQ(listing->TotalBytes, total);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureListing, ::testing::ValuesIn(FixtureCabinets()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(FixtureListing, CoversTheSpannedSets) {
    const auto cabinets = FixtureCabinets();
    EXPECT_GE(cabinets.size(), 30u);
    EXPECT_NE(std::find(cabinets.begin(), cabinets.end(), "cabextract-split/split-4.cab"),
              cabinets.end());
    EXPECT_NE(std::find(cabinets.begin(), cabinets.end(),
                        "libarchive-multi/test_read_format_cab_multi.p2.cab"),
              cabinets.end());
}

// Broken cabinets: no listing or one row per announced file; never a crash, hang or over-read
// (the sanitizer build runs this too).
TEST(BrokenCabinets, EveryOneGivesNoListingOrAWholeOne) {
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(kCabDir / "bad")) {
        if (entry.path().extension() != ".cab")
            continue;
        ++seen;
        SCOPED_TRACE(entry.path().filename().string());
        TCabinet cabinet;
        cabinet.SetPath(entry.path().string());
        const bool opened = cabinet.Open();
        const unsigned count = opened ? cabinet.FileCount() : 0;
        cabinet.Close();
        const auto listing = ReadCabinetListing(entry.path().string());
        EXPECT_EQ(bool(listing), opened);
        if (listing) {
            EXPECT_EQ(listing->Rows.size(), count);
        }
    }
    EXPECT_GE(seen, 12);
}

TEST(BrokenCabinets, WhatEachOneLists) {
    struct Case {
        const char* file;
        bool opens;
        std::vector<std::string> names; // directory + file name of each row
    } const cases[] = {
        {"libmspack-bad_signature.cab", false, {}},
        {"libmspack-partial_shortheader.cab", false, {}},
        {"libmspack-bad_nofiles.cab", true, {}},
        {"libmspack-bad_nofolders.cab", true, {"hello.c", "welcome.c"}},
        {"libmspack-partial_nofiles.cab", true, {"", ""}},
        {"libmspack-partial_str_nofname.cab", true, {""}},
        {"libmspack-cve-2015-4471-lzx-under-read.cab", true, {"", ""}},
        {"gcab-test-ncbytes-overflow.cab", true, {"", "", ""}},
        // Two sets of records: the reader follows coffFiles like the format says.
        {"libmspack-hidden-files.cab", true, {"hidden1.txt", "hidden2.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto listing = ReadCabinetListing((kCabDir / "bad" / c.file).string());
        ASSERT_EQ(bool(listing), c.opens);
        if (!listing)
            continue;
        ASSERT_EQ(listing->Rows.size(), c.names.size());
        for (size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(listing->Rows[i].Directory + listing->Rows[i].FileName, c.names[i]);
            if (c.names[i].empty()) {
                EXPECT_EQ(listing->Rows[i].SizeText, "0");
            }
        }
    }
}

} // namespace
} // namespace corvex
