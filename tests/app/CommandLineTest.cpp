#include "app/CommandLine.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace corvex {
namespace {

TEST(CommandLine, TextIsTheArgumentsJoinedByBlanks) {
    struct Case {
        std::vector<const char*> argv;
        const char* text;
    } const cases[] = {
        {{"corvex"}, ""},
        {{"corvex", "a.cab"}, "a.cab"},
        {{"/usr/bin/corvex", "My", "Files.cab"}, "My Files.cab"},
        {{"corvex", "my files.cab"}, "my files.cab"},
        {{"corvex", "\"quoted.cab\""}, "\"quoted.cab\""},
        {{"corvex", " "}, ""},
        {{"corvex", "", "\t", " "}, ""},
        {{"corvex", "trailing.cab "}, "trailing.cab "},
        {{"corvex", "", "x"}, " x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandLineTextFrom(int(c.argv.size()), c.argv.data()), c.text);
}

TEST(CommandLine, BuilderIsLookedForInTheInstallDirectory) {
    const test::TempTree tree;
    const std::string& dir = tree.root();
    EXPECT_FALSE(BuilderPresent(dir));
    std::filesystem::create_directory(dir + "makecab"); // a directory of that name is no program
    EXPECT_FALSE(BuilderPresent(dir));
    std::filesystem::remove(dir + "makecab");
    std::ofstream(dir + "makecab") << "#!/bin/sh\n";
    EXPECT_TRUE(BuilderPresent(dir));
}

} // namespace
} // namespace corvex
