#include "build/BuildList.h"

#include "app/State.h"
#include "build/Directive.h"
#include "common/Helpers.h"
#include "settings/Settings.h"
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvex {
namespace {

using test::ReadFile;
using test::TempTree;

BuildEntry Row(std::string name, std::string source, std::string target, std::string size) {
    return {std::move(name), std::move(source), std::move(target), std::move(size)};
}

std::string Describe(const TBuildList& list) {
    std::string out;
    for (const BuildEntry& r : list)
        out += r.EntryName + " | " + r.SourceDir + " | " + r.TargetDir + " | " + r.SizeText + "\n";
    return out;
}

class BuildListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TotalBytes = 0;
        AppSettings = TAppSettings{};
    }
    void TearDown() override {
        TotalBytes = 0;
        AppSettings = TAppSettings{};
    }
};

TEST_F(BuildListTest, FindDuplicateComparesNamesWithoutCaseAndTargetsByteForByte) {
    const TBuildList list = {
        Row("README.TXT", "/a/", "", "1"),
        Row("x.c", "/src/lib/", "lib\\", "1"),
        Row("dup", "/p/", "one\\", "1"),
        Row("dup", "/q/", "two\\", "1"),
    };
    struct Case {
        const char* path;
        const char* target;
        bool expected;
    };
    const Case cases[] = {
        {"/b/readme.txt", "", true},    // only the name part counts, in any letter case
        {"readme.txt", "", true},       // a bare name
        {"README.TXT", "lib\\", false}, // same name, other directory in the cabinet
        {"README.TX", "", false},       // a prefix is not the name
        {"README.TXT.bak", "", false},
        {"/dir/X.C", "lib\\", true},
        {"x.c", "LIB\\", false}, // targets are compared byte for byte
        {"x.c", "lib", false},
        {"DUP", "two\\", true}, // the search goes on past a row with the name but not the target
        {"dup", "three\\", false},
        {"", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindDuplicate(list, c.path, c.target), c.expected) << c.path << " / " << c.target;
    EXPECT_FALSE(FindDuplicate({}, "a", ""));
}

TEST_F(BuildListTest, AddFilesKeepsTheFirstOfTwoFilesStoredUnderOneName) {
    TempTree t;
    const std::string first = t.File("a/readme.txt", "12345");
    const std::string second = t.File("b/README.TXT", "1234567890");
    TBuildList list;
    EXPECT_TRUE(AddFileToList(list, first));
    EXPECT_FALSE(AddFileToList(list, second));
    EXPECT_EQ(Describe(list), "readme.txt | " + t.root() + "a/ |  | 5\n");
    EXPECT_EQ(TotalBytes, 5);
}

TEST_F(BuildListTest, SizesAreGroupedAndRemovingARowTakesItsSizeBackOff) {
    TempTree t;
    const std::string big = t.File("big.bin", "");
    ASSERT_EQ(truncate(big.c_str(), 1234567), 0);
    const std::string small = t.File("small.bin", "abc");
    TBuildList list;
    AddFileToList(list, small);
    AddFileToList(list, big);
    EXPECT_EQ(list[1].SizeText, "1.234.567");
    EXPECT_EQ(TotalBytes, 1234570);

    RemoveRow(list, 1);
    EXPECT_EQ(TotalBytes, 3);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].EntryName, "small.bin");
}

TEST_F(BuildListTest, RemovingARowWithANonNumericSizeKeepsIt) {
    TBuildList list = {Row("a", "/", "", "x")};
    TotalBytes = 7;
    EXPECT_THROW(RemoveRow(list, 0), ConvertError);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(TotalBytes, 7);
}

// src: x.c, B.txt, _u, lib/y.c, empty/, deep/inner/ (empty), only/null (duplicated below).
class DirectoryWalkTest : public BuildListTest {
  protected:
    void SetUp() override {
        BuildListTest::SetUp();
        t.File("src/x.c", "x");
        t.File("src/B.txt", "bb");
        t.File("src/_u", "");
        t.File("src/lib/y.c", "yyyy");
        t.Dir("src/empty");
        t.Dir("src/deep/inner");
        base = t / "src/";
    }
    TempTree t;
    std::string base;
};

TEST_F(DirectoryWalkTest, RecursiveWalkGivesRowsInByteOrderOfNames) {
    TBuildList list;
    const int32_t count = AddDirectoryTree(base, "", list, true);
    EXPECT_EQ(Describe(list), "B.txt | " + base + " |  | 2\n" + "_u | " + base + " |  | 0\n" +
                                  "y.c | " + base + "lib/ | lib\\ | 4\n" + "x.c | " + base +
                                  " |  | 1\n");
    EXPECT_EQ(count, 6); // three files at the top, three subdirectories
    EXPECT_EQ(TotalBytes, 7);
    EXPECT_FALSE(test::Exists(base + "empty/null"));
}

TEST_F(DirectoryWalkTest, WithoutRecursionOnlyTheTopFilesAreAdded) {
    AppSettings.IncludeEmptyDirectories = true; // has no effect without recursion
    TBuildList list;
    EXPECT_EQ(AddDirectoryTree(base, "", list, false), 3);
    EXPECT_EQ(list.size(), 3u);
    for (const BuildEntry& r : list)
        EXPECT_EQ(r.TargetDir, "");
    EXPECT_FALSE(test::Exists(base + "empty/null"));
    EXPECT_FALSE(test::Exists(base + "deep/inner/null"));
}

TEST_F(DirectoryWalkTest, EmptyDirectoriesGetPlaceholdersWhenAsked) {
    AppSettings.IncludeEmptyDirectories = true;
    TBuildList list;
    AddDirectoryTree(base, "", list, true);
    // deep holds only an empty directory, so deep itself is not empty.
    EXPECT_EQ(Describe(list), "B.txt | " + base + " |  | 2\n" + "_u | " + base + " |  | 0\n" +
                                  "null | " + base + "deep/inner/ | deep\\inner\\ | 0\n" +
                                  "null | " + base + "empty/ | empty\\ | 0\n" + "y.c | " + base +
                                  "lib/ | lib\\ | 4\n" + "x.c | " + base + " |  | 1\n");
    EXPECT_TRUE(test::Exists(base + "empty/null"));
    EXPECT_TRUE(test::Exists(base + "deep/inner/null"));
    EXPECT_FALSE(test::Exists(base + "deep/null"));
    EXPECT_EQ(TotalBytes, 7);
}

TEST_F(DirectoryWalkTest, TheChosenDirectoryNeverGetsAPlaceholder) {
    AppSettings.IncludeEmptyDirectories = true;
    const std::string top = t.Dir("nothing") + "/";
    TBuildList list;
    EXPECT_EQ(AddDirectoryTree(top, "", list, true), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(test::Exists(top + "null"));
}

// A directory whose files are all passed over as duplicates counts as empty, so the second
// walk gives every subdirectory a placeholder row; no file is added twice.
TEST_F(DirectoryWalkTest, ASecondAddOfTheSameTreeAddsOnlyPlaceholderRows) {
    AppSettings.IncludeEmptyDirectories = true;
    TBuildList list;
    AddDirectoryTree(base, "", list, true);
    const TBuildList firstRows = list;
    const int32_t firstTotal = TotalBytes;

    AddDirectoryTree(base, "", list, true);
    EXPECT_EQ(TotalBytes, firstTotal);
    EXPECT_EQ(Describe(TBuildList(list.begin() + firstRows.size(), list.end())),
              "null | " + base + "deep/inner/ | deep\\inner\\ | 0\n" + "null | " + base +
                  "empty/ | empty\\ | 0\n" + "null | " + base + "lib/ | lib\\ | 0\n");
    EXPECT_EQ(test::ReadFile(base + "lib/y.c"), "yyyy");
}

TEST_F(DirectoryWalkTest, AUsersFileNamedNullIsNeverTruncated) {
    // The second walk passes over keep/null as a duplicate, finds keep "empty" and would make
    // a placeholder there: the file the user keeps under that name must survive.
    AppSettings.IncludeEmptyDirectories = true;
    t.File("src/keep/null", "precious");
    TBuildList list;
    AddDirectoryTree(base, "", list, true);
    AddDirectoryTree(base, "", list, true);
    EXPECT_EQ(ReadFile(base + "keep/null"), "precious");
    int keepRows = 0;
    for (const BuildEntry& r : list)
        keepRows += r.TargetDir == "keep\\" && r.EntryName == "null";
    EXPECT_EQ(keepRows, 2); // the file itself, then the placeholder row that names it
    EXPECT_EQ(list.back().TargetDir, "lib\\");
}

TEST_F(DirectoryWalkTest, AFileUnderAnotherTargetIsNotADuplicate) {
    t.File("src/lib/x.c", "xx");
    TBuildList list;
    AddDirectoryTree(base, "", list, true);
    EXPECT_TRUE(FindDuplicate(list, "x.c", ""));
    EXPECT_TRUE(FindDuplicate(list, "x.c", "lib\\"));
    EXPECT_EQ(list.size(), 5u);
}

TEST_F(DirectoryWalkTest, DuplicatesAreFoundAcrossAddFilesAndTheWalk) {
    TBuildList list;
    AddFileToList(list, t.File("other/X.C", "zzz"));
    AddDirectoryTree(base, "", list, false);
    EXPECT_EQ(list.size(), 3u); // X.C, B.txt, _u: src/x.c is stored under the same name
    EXPECT_EQ(TotalBytes, 5);
}

TEST_F(DirectoryWalkTest, LinksToDirectoriesAreNotFollowedAndSpecialFilesArePassedOver) {
    ASSERT_EQ(symlink((base + "lib").c_str(), (base + "loop").c_str()), 0);
    ASSERT_EQ(symlink((base + "x.c").c_str(), (base + "xlink").c_str()), 0);
    ASSERT_EQ(symlink((base + "gone").c_str(), (base + "dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((base + "pipe").c_str(), 0600), 0);
    TBuildList list;
    AddDirectoryTree(base, "", list, true);
    std::string names;
    for (const BuildEntry& r : list)
        names += r.TargetDir + r.EntryName + " ";
    EXPECT_EQ(names, "B.txt _u lib\\y.c x.c xlink ");
    EXPECT_EQ(list.back().SizeText, "1");
}

TEST_F(DirectoryWalkTest, NamesThatAreNotUtf8ReachTheDirectiveByteForByte) {
    const std::string latin1 = "caf\xe9.txt";
    const std::string dir = "\xff\xfe dir";
    t.File("odd/" + latin1, "abc");
    t.File("odd/" + dir + "/n\x80.bin", "d");
    AppSettings.TemporaryDir = t.root();
    TBuildList list;
    AddDirectoryTree(t / "odd/", "", list, true);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].EntryName, latin1);
    EXPECT_EQ(list[1].TargetDir, dir + "\\");

    const TDirectiveResult written =
        WriteDirectiveFile(list, t / "out.cab", DiskSizeUnlimited, CompressionNone, 21);
    ASSERT_TRUE(written.written);
    const std::string text = ReadFile(written.path);
    const std::string odd = t / "odd/";
    EXPECT_NE(text.find("\"" + odd + latin1 + "\" \"" + latin1 + "\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"" + odd + dir + "/n\x80.bin\" \"" + dir + "\\n\x80.bin\"\r\n"),
              std::string::npos);
}

TEST_F(DirectoryWalkTest, AnUnreadableDirectoryCountsAsEmpty) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every directory";
    AppSettings.IncludeEmptyDirectories = true;
    t.File("src/locked/secret", "s");
    ASSERT_EQ(chmod((base + "locked").c_str(), 0), 0);
    TBuildList list;
    AddDirectoryTree(base, "", list, true);
    chmod((base + "locked").c_str(), 0700);
    EXPECT_TRUE(FindDuplicate(list, "null", "locked\\"));
    EXPECT_FALSE(FindDuplicate(list, "secret", "locked\\"));
}

} // namespace
} // namespace corvex
