// Where a stored name may lead: these cases decide whether a cabinet can write outside the
// destination, so each kind of trick is here once.
#include "Options.h"
#include "SafeName.h"

#include <gtest/gtest.h>

using cabtools::MakeSafeName;

namespace {

struct NameCase {
    const char* stored;
    bool utf8;
    std::vector<std::string> components; // empty: refused
};

TEST(SafeName, AcceptsOrRefuses) {
    const NameCase cases[] = {
        {"file.txt", false, {"file.txt"}},
        {"dir1\\dir2\\file", false, {"dir1", "dir2", "file"}},
        {"dir/file", false, {"dir", "file"}},
        {"a\\\\b\\.\\c", false, {"a", "b", "c"}},
        {".\\a", false, {"a"}},
        {"...", false, {"..."}},
        {"ab:c", false, {"ab:c"}},
        {"\x95\\\x82\xbe", false, {"\x95", "\x82\xbe"}},   // CP932 trail byte 0x5C separates, as in cabextract
        {"\xc0\xaf" "etc", false, {"\xc0\xaf" "etc"}},      // not UTF-8: bytes kept, no separator
        {"\xc3\xa9t\xc3\xa9\\\xe2\x82\xac", true, {"\xc3\xa9t\xc3\xa9", "\xe2\x82\xac"}},
        {"\xf0\x9f\x98\x80", true, {"\xf0\x9f\x98\x80"}},
        {"", false, {}},
        {"/etc/passwd", false, {}},
        {"\\windows\\x", false, {}},
        {"\\\\server\\share\\x", false, {}},
        {"C:\\x", false, {}},
        {"c:x", false, {}},
        {"..", false, {}},
        {"..\\x", false, {}},
        {"a/../../x", false, {}},
        {"a\\..", false, {}},
        {"dir\\", false, {}},
        {".", false, {}},
        {"\xc0\xaf" "etc", true, {}},             // overlong '/'
        {"x\xe0\x80\xae\xe0\x80\xae/y", true, {}}, // overlong '.' twice
        {"\xc1\x9c" "x", true, {}},               // overlong '\'
        {"\xed\xa0\x80", true, {}},               // surrogate
        {"\xf4\x90\x80\x80", true, {}},           // past U+10FFFF
        {"\xe2\x82", true, {}},                   // cut short
        {"\x80x", true, {}},                      // stray continuation byte
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(cabtools::Printable(c.stored) + (c.utf8 ? " (UTF-8)" : ""));
        const auto name = MakeSafeName(c.stored, c.utf8);
        EXPECT_EQ(name.ok(), !c.components.empty()) << name.refusal;
        EXPECT_EQ(name.components, c.components);
    }
}

TEST(SafeName, BaseNameAndCaseFreeMatch) {
    EXPECT_EQ(cabtools::BaseName("dir1\\sub/File.TXT"), "File.TXT");
    EXPECT_EQ(cabtools::BaseName("plain"), "plain");
    EXPECT_TRUE(cabtools::EqualsIgnoringAsciiCase("Split-2.CAB", "split-2.cab"));
    EXPECT_FALSE(cabtools::EqualsIgnoringAsciiCase("split-2.cab", "split-2.cab2"));
    EXPECT_FALSE(cabtools::EqualsIgnoringAsciiCase("\xc3\xa9", "\xc3\x89")); // only ASCII folds
}

TEST(Options, Switches) {
    struct Case {
        std::vector<std::string> args;
        bool overwrite, list;
        const char* destination; // nullptr: none
        std::vector<std::string> operands;
        bool error;
    };
    const Case cases[] = {
        {{"/Y", "/L", "out dir", "a.cab", "x.txt"}, true, false, "out dir", {"a.cab", "x.txt"}, false},
        {{"/y", "/d", "/tmp/a.cab"}, true, true, nullptr, {"/tmp/a.cab"}, false},
        {{"-l", "d", "--", "/Y"}, false, false, "d", {"/Y"}, false},
        {{"a.cab", "/L"}, false, false, nullptr, {"a.cab"}, true},
        {{"/Q", "a.cab"}, false, false, nullptr, {}, true},
    };
    for (const Case& c : cases) {
        const auto parsed = cabtools::ParseOptions(c.args);
        SCOPED_TRACE(c.args.front());
        EXPECT_EQ(!parsed.error.empty(), c.error);
        if (c.error) {
            continue;
        }
        EXPECT_EQ(parsed.options.overwrite, c.overwrite);
        EXPECT_EQ(parsed.options.list, c.list);
        EXPECT_EQ(parsed.options.destination.has_value(), c.destination != nullptr);
        if (c.destination) {
            EXPECT_EQ(*parsed.options.destination, c.destination);
        }
        EXPECT_EQ(parsed.options.operands, c.operands);
    }
}

} // namespace
