#include "build/ReportFile.h"

#include "tests/support/TestFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace corvex {
namespace {

using test::TempTree;

std::string Numbers(int from, int to, int perLine, const std::string& gap = " ",
                    const std::string& eol = "\n") {
    std::string out;
    for (int i = from; i <= to; ++i)
        out += std::to_string(i) + ((i - from + 1) % perLine == 0 ? eol : gap);
    return out;
}

TEST(ReportFileTest, SixWordsAfterTheFirstLine) {
    const std::string longWord(100, 'w');
    struct Case {
        std::string name;
        std::string text;
        TReportValues expected;
    };
    const Case cases[] = {
        {"five a line", "MakeCAB Report\n" + Numbers(1, 30, 5), {"3", "6", "9", "11", "14", "24"}},
        {"one a line, CR LF",
         "head\r\n" + Numbers(1, 30, 1, " ", "\r\n"),
         {"3", "6", "9", "11", "14", "24"}},
        {"blanks and tabs",
         "head\n \t " + Numbers(1, 30, 7, " \t  ", "\n\n\t"),
         {"3", "6", "9", "11", "14", "24"}},
        // The rest of a first line past 79 characters is read as a word and shifts every value.
        {"long first line",
         std::string(100, 'X') + "\n" + Numbers(1, 30, 5),
         {"2", "5", "8", "10", "13", "23"}},
        {"first line of exactly 79",
         std::string(79, 'X') + "\n" + Numbers(1, 30, 5),
         {"3", "6", "9", "11", "14", "24"}},
        // Words are read in pieces of at most 79 characters.
        {"long word",
         "head\n1 2 " + longWord + " " + Numbers(4, 30, 5),
         {std::string(79, 'w'), "5", "8", "10", "13", "23"}},
        {"words as written",
         "head\n a b 1,234 c d -5.5% e f 0x10 g 2.50 h i 0:01 j k l m n o p q r 99.9KB/s",
         {"1,234", "-5.5%", "0x10", "2.50", "0:01", "99.9KB/s"}},
        {"fewer than 24 words", "head\n" + Numbers(1, 12, 5), {"3", "6", "9", "11", "", ""}},
        {"first line only", "only a first line without words after it\n", {"", "", "", "", "", ""}},
        {"empty", "", {"", "", "", "", "", ""}},
    };
    for (const Case& c : cases) {
        TempTree t;
        t.File("Corvex.RPT", c.text);
        EXPECT_EQ(ReadBuildReportFile(t.root()), c.expected) << c.name;
    }
}

TEST(ReportFileTest, AMissingReportGivesEmptyValues) {
    TempTree t;
    t.File("Corvex.RPT.old", "head\n" + Numbers(1, 30, 5));
    EXPECT_EQ(ReadBuildReportFile(t.root()), TReportValues{});
    EXPECT_EQ(ReadBuildReportFile(t / "no-such-dir/"), TReportValues{});
}

TEST(ReportFileTest, TheReportIsFoundUnderAnyLetterCaseNewestFirst) {
    for (const char* name : {"Corvex.RPT", "CORVEX.RPT", "corvex.rpt"}) {
        TempTree t;
        t.File(name, "head\n" + Numbers(1, 30, 5));
        EXPECT_EQ(FindReportFile(t.root()), t / name);
        EXPECT_EQ(ReadBuildReportFile(t.root())[0], "3") << name;
    }

    TempTree t;
    const std::string stale = t.File("CORVEX.RPT", "old\n" + Numbers(101, 130, 5));
    t.File("Corvex.RPT", "new\n" + Numbers(1, 30, 5));
    const struct timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, stale.c_str(), past, 0), 0);
    EXPECT_EQ(ReadBuildReportFile(t.root())[5], "24");
}

} // namespace
} // namespace corvex
