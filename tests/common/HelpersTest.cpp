#include "common/Helpers.h"

#include <gtest/gtest.h>

namespace corvex {
namespace {

TEST(FormatGrouped, GroupsThousandsWithDots) {
    const struct {
        int32_t value;
        const char* text;
    } cases[] = {
        {0, "0"},          {999, "999"},           {1000, "1.000"},
        {12345, "12.345"}, {1234567, "1.234.567"}, {-5, "-5"},
        {-123456, "-123456"}, {2147483647, "2.147.483.647"}, {100000, "100.000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatGrouped(c.value), c.text) << c.value;
}

TEST(ParseGrouped, ReadsBackGroupedText) {
    EXPECT_EQ(ParseGrouped("1.234.567"), 1234567);
    EXPECT_EQ(ParseGrouped("999"), 999);
    EXPECT_EQ(ParseGrouped("0"), 0);
    EXPECT_EQ(ParseGrouped(FormatGrouped(2147483647)), 2147483647);
}

TEST(StrToInt, AcceptsTheClassicForms) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"42", 42}, {"  42", 42}, {"-5", -5}, {"+7", 7}, {"$1F", 31}, {"0x10", 16},
        {"-2147483648", -2147483647 - 1}, {"2147483647", 2147483647}, {"$FFFFFFFF", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
}

TEST(StrToInt, RejectsWithTheConversionMessage) {
    for (const char* bad : {"abc", "", " ", "12 ", "1a", "2147483648", "-", "$", "0x", "1.5"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(QuoteText, WrapsWithoutEscaping) {
    EXPECT_EQ(QuoteText("C:\\My Temp\\Corvex.ddf"), "\"C:\\My Temp\\Corvex.ddf\"");
    EXPECT_EQ(QuoteText(""), "\"\"");
    EXPECT_EQ(QuoteText("a\"b"), "\"a\"b\"");
}

} // namespace
} // namespace corvex
