#include "MakeCab.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace cabtools;

namespace {

// The words a reader takes after the first line: 3, 6, 9, 11, 14 and 24.
std::vector<std::string> ReadWords(const std::string& report) {
    std::istringstream in(report.substr(report.find('\n') + 1));
    std::vector<std::string> words, picked;
    std::string w;
    while (in >> w)
        words.push_back(w);
    for (size_t n : {3, 6, 9, 11, 14, 24})
        picked.push_back(n <= words.size() ? words[n - 1] : "<missing>");
    return picked;
}

TEST(ReportTest, SixWordsInPlace) {
    struct Case {
        size_t files;
        uint64_t before, after;
        double seconds;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {2, 12345, 6789, 0.5, {"2", "12,345", "6,789", "54.99%", "0.50", "24.11"}},
        {1389, 32792659, 11019568, 2.0, {"1,389", "32,792,659", "11,019,568", "33.60%", "2.00", "16012.04"}},
        // Ten hours and more must not run into the "(" before them.
        {70000, 4000000000ull, 4000000000ull, 40000.25, {"70,000", "4,000,000,000", "4,000,000,000", "100.00%",
                                                         "40000.25", "97.66"}},
        // Nothing to measure: no division by zero, still six numbers.
        {1, 0, 80, 0.0, {"1", "0", "80", "0.00%", "0.00", "0.00"}},
    };
    for (const Case& c : cases) {
        std::string report = FormatReport(c.files, c.before, c.after, c.seconds, "Mon Jan 01 12:00:00 2024");
        EXPECT_EQ(report.rfind("MakeCAB Report: Mon Jan 01 12:00:00 2024\n\n", 0), 0u) << report;
        EXPECT_LT(report.find('\n'), 80u);
        EXPECT_EQ(ReadWords(report), c.expected) << report;
    }
}

TEST(ReportTest, TimeBreakdown) {
    std::string report = FormatReport(1, 1, 1, 3725.5, "d");
    EXPECT_NE(report.find("seconds ( 1 hr  2 min  5.50 sec)"), std::string::npos) << report;
}

} // namespace
