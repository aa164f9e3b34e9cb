#include "cabinet/Cabinet.h"

#include "CabinetFile.h"

#include <gtest/gtest.h>

namespace corvex {
namespace {

using test::CraftedCabinet;
using test::CraftedHeader;
using test::CraftedRecord;
using test::CraftedRecordBytes;
using test::TempFile;

struct HeaderCase {
    const char* what;
    std::string bytes;
    bool opens;
    uint16_t fileCount;
};

class HeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, OpenAndFileCount) {
    const HeaderCase& c = GetParam();
    TempFile file(c.bytes);
    TCabinet cabinet;
    cabinet.SetPath(file.path());
    ASSERT_EQ(cabinet.Open(), c.opens) << c.what;
    if (c.opens) {
        EXPECT_EQ(cabinet.FileCount(), c.fileCount) << c.what;
    }
    EXPECT_TRUE(cabinet.Close());
}

std::string WithByte(std::string bytes, size_t offset, char value) {
    bytes[offset] = value;
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cabinet, HeaderTest,
    ::testing::Values(
        HeaderCase{"plain", CraftedHeader(2), true, 2},
        HeaderCase{"odd version, flags and folder count",
                   WithByte(WithByte(WithByte(CraftedHeader(7, 36, 0xFFFF), 25, char(0x7F)), 24,
                                     char(0xEE)),
                            26, char(0xFF)),
                   true, 7},
        HeaderCase{"fifth byte 01", CraftedHeader(1, 36, 0, "MSCF", 1), false, 0},
        HeaderCase{"lower-case signature", CraftedHeader(1, 36, 0, "mscf"), false, 0},
        HeaderCase{"cFiles beside the reserve flag", CraftedHeader(3, 36, 0x0004), true, 3},
        HeaderCase{"no files", CraftedHeader(0), true, 0},
        HeaderCase{"largest count", CraftedHeader(0xFFFF), true, 0xFFFF},
        HeaderCase{"35 bytes", CraftedHeader(1).substr(0, 35), false, 0},
        HeaderCase{"empty file", std::string(), false, 0},
        HeaderCase{"not a cabinet", std::string(100, 'x'), false, 0}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(Cabinet, MissingFileDoesNotOpen) {
    TCabinet cabinet;
    cabinet.SetPath("/nonexistent/corvex/none.cab");
    EXPECT_FALSE(cabinet.Open());
}

TEST(Cabinet, NoFilesMeansNoRecordIsRead) {
    // The header stands alone: there is nothing after it to read.
    TempFile file(CraftedHeader(0));
    TCabinet cabinet;
    cabinet.SetPath(file.path());
    ASSERT_TRUE(cabinet.Open());
    EXPECT_EQ(cabinet.FileCount(), 0);
}

TEST(Cabinet, RecordsAreReadFromCoffFilesWhateverLiesBetween) {
    // Reserve area and previous/next cabinet names stand between the header and the records.
    std::string bytes = CraftedHeader(1, 80, 0x0007);
    bytes += std::string("\x04\x00\x00\x00", 4) + "AB" + "PREV.CAB" + '\0' + "disk" + '\0';
    bytes.resize(80, 'z');
    bytes += CraftedRecordBytes({.size = 5, .name = "DIR\\FILE.TXT"});
    TempFile file(bytes);
    TCabinet cabinet;
    cabinet.SetPath(file.path());
    ASSERT_TRUE(cabinet.Open());
    ASSERT_EQ(cabinet.FileCount(), 1);
    cabinet.ReadNextFile();
    EXPECT_EQ(cabinet.Directory(), "DIR\\");
    EXPECT_EQ(cabinet.FileName(), "FILE.TXT");
    EXPECT_EQ(cabinet.FileSize(), 5);
}

struct NameCase {
    std::string name;
    std::string directory;
    std::string fileName;
};

TEST(Cabinet, NamesSplitAtTheLastBackslash) {
    const std::string longest(511, 'n');
    const NameCase cases[] = {
        {"SUB\\DIR\\A.TXT", "SUB\\DIR\\", "A.TXT"},
        {"A\\B\\", "A\\B\\", ""},
        {"PLAIN.TXT", "", "PLAIN.TXT"},
        {"\\ROOT.TXT", "\\", "ROOT.TXT"},
        {"", "", ""},
        {"a/b/c.txt", "", "a/b/c.txt"},
        {"\x83\x5C.txt", "\x83\\", ".txt"}, // a double-byte name's trail byte is still a backslash
        {longest, "", longest},
        {"d\\" + std::string(509, 'x'), "d\\", std::string(509, 'x')},
    };
    std::vector<CraftedRecord> records;
    for (const auto& c : cases)
        records.push_back({.name = c.name});
    TempFile file(CraftedCabinet(records));
    TCabinet cabinet;
    cabinet.SetPath(file.path());
    ASSERT_TRUE(cabinet.Open());
    ASSERT_EQ(cabinet.FileCount(), std::size(cases));
    for (const auto& c : cases) {
        cabinet.ReadNextFile();
        EXPECT_EQ(cabinet.Directory(), c.directory) << c.name;
        EXPECT_EQ(cabinet.FileName(), c.fileName) << c.name;
    }
}

TEST(Cabinet, OverlongNameKeeps511BytesAndTheNextRecordStillReads) {
    const std::string overlong = "dir\\" + std::string(600, 'q');
    TempFile file(
        CraftedCabinet({{.size = 1, .name = overlong}, {.size = 2, .name = "next\\ok.txt"}}));
    TCabinet cabinet;
    cabinet.SetPath(file.path());
    ASSERT_TRUE(cabinet.Open());
    cabinet.ReadNextFile();
    EXPECT_EQ(cabinet.Directory(), "dir\\");
    EXPECT_EQ(cabinet.FileName(), std::string(507, 'q'));
    EXPECT_EQ(cabinet.FileSize(), 1);
    cabinet.ReadNextFile();
    EXPECT_EQ(cabinet.Directory(), "next\\");
    EXPECT_EQ(cabinet.FileName(), "ok.txt");
    EXPECT_EQ(cabinet.FileSize(), 2);
}

struct FieldCase {
    CraftedRecord record;
    int32_t day, month, year, hours, minutes, seconds;
    int32_t size;
    uint16_t attributes;
};

TEST(Cabinet, FieldsAreDecodedWithoutRangeChecks) {
    const FieldCase cases[] = {
        {{.size = 0, .date = 0, .time = 0, .attribs = 0, .name = "zero"},
         0,
         0,
         1980,
         0,
         0,
         0,
         0,
         0},
        {{.size = 0xFFFFFFFF, .date = 0xFFFF, .time = 0xFFFF, .attribs = 0xFFFF, .name = "ones"},
         31,
         15,
         2107,
         31,
         63,
         62,
         -1,
         0xFFFF},
        // 7 March 1998, 14:05:08
        {{.size = 1234567,
          .date = (18 << 9) | (3 << 5) | 7,
          .time = (14 << 11) | (5 << 5) | 4,
          .attribs = 0x21,
          .name = "d"},
         7,
         3,
         1998,
         14,
         5,
         8,
         1234567,
         0x21},
        {{.size = 0x80000000u, .date = 1 << 9, .time = 1, .attribs = 0x80, .name = "e"},
         0,
         0,
         1981,
         0,
         0,
         2,
         INT32_MIN,
         0x80},
    };
    std::vector<CraftedRecord> records;
    for (const auto& c : cases)
        records.push_back(c.record);
    TempFile file(CraftedCabinet(records));
    TCabinet cabinet;
    cabinet.SetPath(file.path());
    ASSERT_TRUE(cabinet.Open());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record.size);
        EXPECT_TRUE(cabinet.ReadNextFile());
        cabinet.DecodeDate();
        cabinet.DecodeTime();
        EXPECT_EQ(cabinet.Day(), c.day);
        EXPECT_EQ(cabinet.Month(), c.month);
        EXPECT_EQ(cabinet.Year(), c.year);
        EXPECT_EQ(cabinet.Hours(), c.hours);
        EXPECT_EQ(cabinet.Minutes(), c.minutes);
        EXPECT_EQ(cabinet.Seconds(), c.seconds);
        EXPECT_EQ(cabinet.FileSize(), c.size);
        EXPECT_EQ(cabinet.Attributes(), c.attributes);
    }
}

struct TruncationCase {
    const char* what;
    size_t keepBytes; // of the whole crafted file
};

// Three announced records; the file is cut somewhere in the second one, or before it. The first
// reads whole, the second and third come back empty with every field zero.
TEST(Cabinet, RecordCutOffByTheEndOfTheFileReadsEmptyFromThenOn) {
    const CraftedRecord first{
        .size = 77, .date = 0x2266, .time = 0x5A3A, .attribs = 0x27, .name = "a\\first.txt"};
    const CraftedRecord second{
        .size = 99, .date = 0x1111, .time = 0x2222, .attribs = 0x21, .name = "b\\second.txt"};
    const std::string whole = CraftedCabinet({first, second, first});
    const size_t secondStart = 36 + CraftedRecordBytes(first).size();
    const TruncationCase cases[] = {
        {"at the record's start", secondStart},
        {"inside the fixed bytes", secondStart + 10},
        {"before the name", secondStart + 16},
        {"inside the name", secondStart + 19},
        {"just before the name's zero", secondStart + CraftedRecordBytes(second).size() - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFile file(whole.substr(0, c.keepBytes));
        TCabinet cabinet;
        cabinet.SetPath(file.path());
        ASSERT_TRUE(cabinet.Open());
        ASSERT_EQ(cabinet.FileCount(), 3);
        cabinet.ReadNextFile();
        EXPECT_EQ(cabinet.FileName(), "first.txt");
        EXPECT_EQ(cabinet.FileSize(), 77);
        for (int round = 0; round < 2; ++round) {
            EXPECT_TRUE(cabinet.ReadNextFile());
            cabinet.DecodeDate();
            cabinet.DecodeTime();
            EXPECT_EQ(cabinet.FileName(), "");
            EXPECT_EQ(cabinet.Directory(), "");
            EXPECT_EQ(cabinet.FileSize(), 0);
            EXPECT_EQ(cabinet.Attributes(), 0);
            EXPECT_EQ(cabinet.Day() + cabinet.Month() + cabinet.Hours() + cabinet.Minutes() +
                          cabinet.Seconds(),
                      0);
            EXPECT_EQ(cabinet.Year(), 1980);
        }
    }
}

TEST(Cabinet, CoffFilesPastTheEndReadsEveryRoundEmpty) {
    TempFile file(CraftedHeader(2, 0xFFFFFFF0u));
    TCabinet cabinet;
    cabinet.SetPath(file.path());
    ASSERT_TRUE(cabinet.Open());
    for (int round = 0; round < 2; ++round) {
        cabinet.ReadNextFile();
        EXPECT_EQ(cabinet.FileName(), "");
        EXPECT_EQ(cabinet.FileSize(), 0);
    }
}

TEST(Cabinet, ReopeningStartsOverAndCloseIsRepeatable) {
    TempFile file(CraftedCabinet({{.name = "one"}, {.name = "two"}}));
    TCabinet cabinet;
    cabinet.SetPath(file.path());
    ASSERT_TRUE(cabinet.Open());
    cabinet.ReadNextFile();
    cabinet.ReadNextFile();
    EXPECT_EQ(cabinet.FileName(), "two");
    ASSERT_TRUE(cabinet.Open());
    cabinet.ReadNextFile();
    EXPECT_EQ(cabinet.FileName(), "one");
    EXPECT_TRUE(cabinet.Close());
    EXPECT_TRUE(cabinet.Close());
}

} // namespace
} // namespace corvex
