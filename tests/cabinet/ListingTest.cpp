#include "cabinet/Listing.h"

#include "CabinetFile.h"

#include <gtest/gtest.h>

namespace corvex {
namespace {

using test::CraftedCabinet;
using test::CraftedHeader;
using test::TempFile;

TEST(Listing, FormatDate) {
    struct Case {
        int32_t day, month, year;
        const char* text;
    } const cases[] = {
        {7, 3, 1998, "07/03/1998"},  {0, 0, 1980, "00/00/1980"}, {31, 15, 2107, "31/15/2107"},
        {1, 12, 2024, "01/12/2024"}, {5, 6, 7, "05/06/   7"},    {100, 1, 12345, "100/01/12345"},
        {-1, 2, 1990, "-1/02/1990"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDate(c.day, c.month, c.year), c.text);
}

TEST(Listing, FormatTime) {
    struct Case {
        int32_t hours, minutes, seconds;
        const char* text;
    } const cases[] = {
        {14, 5, 8, "14:05:08"},  {0, 0, 0, "00:00:00"},    {31, 63, 62, "31:63:62"},
        {9, 59, 58, "09:59:58"}, {123, 4, 5, "123:04:05"}, {-3, 0, 0, "-3:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatTime(c.hours, c.minutes, c.seconds), c.text);
}

TEST(Listing, FormatAttributes) {
    struct Case {
        int bits;
        const char* text;
    } const cases[] = {
        {0x00, "----"}, {0x01, "r---"}, {0x20, "-a--"},   {0x02, "--h-"},
        {0x04, "---s"}, {0x21, "ra--"}, {0x27, "rahs"},   {0x80, "----"},
        {0x40, "----"}, {0x18, "----"}, {0xFFFF, "rahs"}, {0xA0, "-a--"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatAttributes(c.bits), c.text) << c.bits;
}

TEST(Listing, RowsHoldTheSixTextsInRecordOrder) {
    TempFile file(CraftedCabinet({
        {.size = 1234567,
         .date = (18 << 9) | (3 << 5) | 7,
         .time = (14 << 11) | (5 << 5) | 4,
         .attribs = 0x21,
         .name = "sub\\dir\\big.bin"},
        {.size = 999, .date = 0, .time = 0, .attribs = 0x80, .name = "small.txt"},
    }));
    const auto listing = ReadCabinetListing(file.path());
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->Rows.size(), 2u);
    const ExtractRow& big = listing->Rows[0];
    EXPECT_EQ(big.FileName, "big.bin");
    EXPECT_EQ(big.Directory, "sub\\dir\\");
    EXPECT_EQ(big.SizeText, "1.234.567");
    EXPECT_EQ(big.DateText, "07/03/1998");
    EXPECT_EQ(big.TimeText, "14:05:08");
    EXPECT_EQ(big.AttributesText, "ra--");
    const ExtractRow& small = listing->Rows[1];
    EXPECT_EQ(small.FileName, "small.txt");
    EXPECT_EQ(small.Directory, "");
    EXPECT_EQ(small.SizeText, "999");
    EXPECT_EQ(small.DateText, "00/00/1980");
    EXPECT_EQ(small.TimeText, "00:00:00");
    EXPECT_EQ(small.AttributesText, "----");
    EXPECT_EQ(listing->TotalBytes, 1234567 + 999);
}

TEST(Listing, TotalIsASigned32BitSumThatWraps) {
    // Two files of 2 GiB - 1 and 2 bytes: the counter wraps to the negative like a 32-bit int.
    TempFile file(CraftedCabinet({{.size = 0x7FFFFFFF, .name = "a"}, {.size = 2, .name = "b"}}));
    const auto listing = ReadCabinetListing(file.path());
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->TotalBytes, INT32_MIN + 1);
    EXPECT_EQ(listing->Rows[0].SizeText, "2.147.483.647");
}

TEST(Listing, SizesAboveTwoGigabytesShowAsNegative) {
    TempFile file(CraftedCabinet({{.size = 0xFFFFFC18u, .name = "x"}}));
    const auto listing = ReadCabinetListing(file.path());
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->Rows[0].SizeText, "-1000");
    EXPECT_EQ(listing->TotalBytes, -1000);
}

TEST(Listing, EmptyCabinetGivesNoRows) {
    TempFile file(CraftedHeader(0));
    const auto listing = ReadCabinetListing(file.path());
    ASSERT_TRUE(listing);
    EXPECT_TRUE(listing->Rows.empty());
    EXPECT_EQ(listing->TotalBytes, 0);
}

TEST(Listing, NonCabinetGivesNothing) {
    TempFile file("this is not a cabinet at all, but it is longer than the header is");
    EXPECT_FALSE(ReadCabinetListing(file.path()));
    EXPECT_FALSE(ReadCabinetListing(file.dir() + "/missing.cab"));
    // A quoted path is a different path: the quotes are part of the name.
    EXPECT_FALSE(ReadCabinetListing("\"" + file.path() + "\""));
}

TEST(Listing, TruncatedDirectoryStillGivesOneRowPerAnnouncedFile) {
    std::string bytes =
        CraftedCabinet({{.size = 10, .name = "kept.txt"}, {.size = 20, .name = "lost.txt"}});
    bytes.resize(bytes.size() - 3);
    TempFile file(bytes);
    const auto listing = ReadCabinetListing(file.path());
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->Rows.size(), 2u);
    EXPECT_EQ(listing->Rows[0].FileName, "kept.txt");
    EXPECT_EQ(listing->Rows[1].FileName, "");
    EXPECT_EQ(listing->Rows[1].SizeText, "0");
    EXPECT_EQ(listing->Rows[1].DateText, "00/00/1980");
    EXPECT_EQ(listing->TotalBytes, 10);
}

} // namespace
} // namespace corvex
