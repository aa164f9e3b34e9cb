// extrac32 run as a program, against cabextract (an independent decoder) and real cabinets.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace extrac32test;

namespace {

// Every cabinet under the fixtures that cabextract accepts, set members included.
std::vector<std::string> GoodFixtures() {
    std::vector<std::string> cabs;
    for (const auto& entry : fs::recursive_directory_iterator(FixturesDir())) {
        const std::string path = entry.path().string();
        if (entry.path().extension() == ".cab" && path.find("/bad/") == std::string::npos &&
            path.find("dirwalk") == std::string::npos) {
            cabs.push_back(path);
        }
    }
    std::sort(cabs.begin(), cabs.end());
    return cabs;
}

size_t LineCount(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

size_t FileCount(const std::map<std::string, Entry>& tree) {
    return std::count_if(tree.begin(), tree.end(),
                         [](const auto& e) { return e.second.type == 'f'; });
}

std::string Occurrences(const std::string& text, const std::string& word) {
    size_t count = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return std::to_string(count);
}

TEST(Extrac32, FixturesExtractLikeCabextract) {
    const std::vector<std::string> cabs = GoodFixtures();
    ASSERT_GE(cabs.size(), 29u);
    for (const std::string& cab : cabs) {
        SCOPED_TRACE(cab);
        TempDir work;
        ASSERT_EQ(RunProgram({"cabextract", "-q", "-d", work / "peer", cab}, work.path()).status,
                  0);
        const RunResult ours =
            RunProgram({Extrac32Binary(), "/Y", "/L", work / "ours", cab}, work.path());
        EXPECT_EQ(ours.status, 0) << ours.err;
        EXPECT_EQ(ours.err, "");
        const auto expected = Tree(work / "peer");
        const auto got = Tree(work / "ours");
        EXPECT_EQ(got, expected); // names, bytes, modification times
        EXPECT_EQ(FileCount(got), LineCount(ReadFile(cab + ".md5.txt")));
    }
}

TEST(Extrac32, HostileNamesWriteNothingOutside) {
    TempDir root;
    fs::create_directories(root / "a/b/dest");
    const std::string cab = FixturesDir() + "/cabextract-dirwalk-vulns.cab";
    // Run from inside the tree so that a relative escape would land in it, not elsewhere.
    const RunResult run = RunProgram({Extrac32Binary(), "/Y", "/L", "dest", cab}, root / "a/b");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Occurrences(run.err, "refused"), "29") << run.err;
    Entry directory;
    directory.type = 'd';
    const std::map<std::string, Entry> expected = {
        {"a", directory}, {"a/b", directory}, {"a/b/dest", directory}};
    EXPECT_EQ(Tree(root.path()), expected);
}

TEST(Extrac32, LinksInTheDestinationAreNotFollowed) {
    TempDir root;
    fs::create_directories(root / "outside");
    fs::create_directories(root / "dest");
    WriteFile(root / "outside/target.txt", "keep");
    fs::create_directory_symlink(root / "outside", root / "dest/link");
    fs::create_symlink(root / "outside/target.txt", root / "dest/leaf.txt");
    WriteFile(root / "links.cab", StoredCabinet({{"link\\evil.txt", "evil"}, {"leaf.txt", "new"}}));

    const RunResult run =
        RunProgram({Extrac32Binary(), "/Y", "/L", "dest", "links.cab"}, root.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("link\\evil.txt: refused"), std::string::npos) << run.err;
    const auto outside = Tree(root / "outside");
    ASSERT_EQ(outside.size(), 1u);
    EXPECT_EQ(outside.at("target.txt").content, "keep");
    // With /Y the link itself is replaced by the file; its target is untouched.
    struct stat info;
    ASSERT_EQ(lstat((root / "dest/leaf.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(ReadFile(root / "dest/leaf.txt"), "new");
}

TEST(Extrac32, BadCabinetsFailCleanly) {
    for (const auto& entry : fs::directory_iterator(FixturesDir() + "/bad")) {
        if (entry.path().extension() != ".cab") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        TempDir work;
        const RunResult run =
            RunProgram({Extrac32Binary(), "/Y", "/L", "out", entry.path().string()}, work.path());
        EXPECT_EQ(run.status, 1) << run.err; // not a crash, not a sanitizer report
        EXPECT_NE(run.err, "");
        for (const auto& [name, item] : Tree(work.path())) {
            EXPECT_NE(item.type, 'f') << name << " left behind";
        }
    }
}

TEST(Extrac32, AttributesAndTimesAreRestored) {
    TempDir work;
    WriteFile(work / "attr.cab", StoredCabinet({{"ro.txt", "read only", 0x21},
                                                {"run.sh", "#!/bin/sh\n", 0x60},
                                                {"sub\\plain.txt", "plain", 0x20}}));
    const RunResult run = RunProgram({Extrac32Binary(), "/L", "out", "attr.cab"}, work.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const mode_t mask = umask(0);
    umask(mask);
    const auto tree = Tree(work / "out");
    EXPECT_EQ(tree.at("ro.txt").mode, 0444u & ~mask);
    EXPECT_EQ(tree.at("run.sh").mode, 0777u & ~mask);
    EXPECT_EQ(tree.at("sub/plain.txt").mode, 0666u & ~mask);
    EXPECT_EQ(tree.at("sub/plain.txt").content, "plain");
    struct tm when {};
    when.tm_year = 101, when.tm_mon = 1, when.tm_mday = 3;
    when.tm_hour = 4, when.tm_min = 5, when.tm_sec = 6, when.tm_isdst = -1;
    EXPECT_EQ(tree.at("ro.txt").mtime, static_cast<int64_t>(mktime(&when)));

    // Extracting again over the read-only file with /Y replaces it.
    WriteFile(work / "attr2.cab", StoredCabinet({{"ro.txt", "second", 0x21}}));
    EXPECT_EQ(RunProgram({Extrac32Binary(), "/Y", "/L", "out", "attr2.cab"}, work.path()).status,
              0);
    EXPECT_EQ(ReadFile(work / "out/ro.txt"), "second");
}

TEST(Extrac32, ListsInsteadOfExtracting) {
    TempDir work;
    WriteFile(work / "list.cab", StoredCabinet({{"dir\\big.bin", std::string(1234567, 'x'), 0x27},
                                                {"a.txt", "12345", 0x20}}));
    const RunResult run = RunProgram({Extrac32Binary(), "/D", "list.cab"}, work.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "02-03-2001 04:05:06  AHRS     1,234,567  dir\\big.bin\n"
                       "02-03-2001 04:05:06  A---             5  a.txt\n"
                       "2 files, 1,234,572 bytes\n");
    EXPECT_EQ(Tree(work.path()).size(), 1u); // only the cabinet
}

TEST(Extrac32, NameFilterPicksByFileNameInAnyCase) {
    struct Case {
        const char* cab;
        const char* name;
        int exitCode;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"cabextract-dir.cab", "4.C", 0, {"1/2/3/4.c"}},
        {"libarchive-test_read_format_cab_2.cab", "FILE1", 0, {"dir1/file1"}},
        {"libarchive-test_read_format_cab_2.cab", "dir1\\file1", 1, {}}, // names carry no directory
        {"libarchive-test_read_format_cab_2.cab", "nosuch", 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cab) + " " + c.name);
        TempDir work;
        const RunResult run =
            RunProgram({Extrac32Binary(), "/Y", "/L", "out", FixturesDir() + "/" + c.cab, c.name},
                       work.path());
        EXPECT_EQ(run.status, c.exitCode) << run.err;
        std::vector<std::string> files;
        for (const auto& [name, entry] : Tree(work / "out")) {
            if (entry.type == 'f') {
                files.push_back(name);
            }
        }
        EXPECT_EQ(files, c.files);
    }
}

TEST(Extrac32, ExistingFilesWithoutATerminal) {
    const std::string cab = FixturesDir() + "/libarchive-test_read_format_cab_2.cab";
    for (const bool replace : {true, false}) {
        SCOPED_TRACE(replace ? "/Y" : "no /Y");
        TempDir work;
        ASSERT_EQ(RunProgram({Extrac32Binary(), "/L", "out", cab}, work.path()).status, 0);
        const std::string original = ReadFile(work / "out/dir1/file1");
        WriteFile(work / "out/dir1/file1", "changed");
        std::vector<std::string> args = {Extrac32Binary(), "/L", "out", cab};
        if (replace) {
            args.insert(args.begin() + 1, "/Y");
        }
        const RunResult run = RunProgram(args, work.path());
        if (replace) {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(ReadFile(work / "out/dir1/file1"), original);
        } else {
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(ReadFile(work / "out/dir1/file1"), "changed");
            EXPECT_NE(run.err.find("dir1\\file1: exists, not replaced"), std::string::npos)
                << run.err;
        }
        EXPECT_EQ(FileCount(Tree(work / "out")), 4u); // no temporary file left beside them
    }
}

TEST(Extrac32, ExistingFilesOnATerminalAreAskedAbout) {
    if (!TerminalAvailable())
        GTEST_SKIP() << "no pseudo-terminal on this machine";
    struct Case {
        const char* answers;
        const char* expected; // content of "old.txt" afterwards
    };
    // Control-D at the start of a line ends the input: every later question reads no answer.
    for (const Case& c : {Case{"n\n\x04", "old"}, Case{"y\n\x04", "new"}, Case{"a\n\x04", "new"}}) {
        SCOPED_TRACE(c.answers);
        TempDir work;
        WriteFile(work / "one.cab", StoredCabinet({{"old.txt", "new"}, {"other.txt", "new"}}));
        fs::create_directories(work / "out");
        WriteFile(work / "out/old.txt", "old");
        WriteFile(work / "out/other.txt", "old");
        const RunResult run =
            RunOnTerminal({Extrac32Binary(), "/L", "out", "one.cab"}, work.path(), c.answers);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("old.txt exists. Replace it?"), std::string::npos) << run.out;
        EXPECT_EQ(ReadFile(work / "out/old.txt"), c.expected);
        // "All" answers for the second file too; otherwise it is asked about and, with no
        // answer left, kept.
        EXPECT_EQ(ReadFile(work / "out/other.txt"), c.answers[0] == 'a' ? "new" : "old");
    }
}

TEST(Extrac32, SpannedSetWithAMissingMemberFails) {
    TempDir work;
    for (int i = 1; i <= 3; ++i) {
        const std::string name = "split-" + std::to_string(i) + ".cab";
        fs::copy_file(FixturesDir() + "/cabextract-split/" + name, work / name);
    }
    const RunResult run =
        RunProgram({Extrac32Binary(), "/Y", "/L", "out", "split-2.cab"}, work.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("\"Split-4.CAB\""), std::string::npos) << run.err;
}

TEST(Extrac32, CommandLineMistakes) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* inOutput; // expected in stdout
    };
    const Case cases[] = {
        {{}, 2, ""},
        {{"/Q", "a.cab"}, 2, ""},
        {{"a.cab", "b", "c"}, 2, ""},
        {{"/?"}, 0, "Usage: extrac32"},
        {{"missing.cab"}, 1, ""},
    };
    TempDir work;
    for (const Case& c : cases) {
        std::vector<std::string> argv = {Extrac32Binary()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const RunResult run = RunProgram(argv, work.path());
        SCOPED_TRACE(run.err);
        EXPECT_EQ(run.status, c.exitCode);
        EXPECT_NE(run.out.find(c.inOutput), std::string::npos);
    }
}

// The self-extracting file: the program with a cabinet appended, run as it is.
class SelfExtracting : public ::testing::Test {
  protected:
    std::string MakeSfx(const std::string& cab, const std::string& where) {
        WriteFile(where, ReadFile(Extrac32Binary()) + ReadFile(cab));
        fs::permissions(where, fs::perms::owner_all);
        return where;
    }
};

TEST_F(SelfExtracting, ProgramHoldsNoSignatureAndNoSharedDecoder) {
    const std::string program = ReadFile(Extrac32Binary());
    ASSERT_GT(program.size(), 10000u);
    EXPECT_EQ(program.find(std::string("MSCF\0\0\0\0", 8)), std::string::npos);
    EXPECT_EQ(program.find("libmspack.so"), std::string::npos); // linked in, not loaded
}

TEST_F(SelfExtracting, ExtractsItsCabinetHereOrIntoL) {
    const std::string cab = FixturesDir() + "/libarchive-test_read_format_cab_2.cab";
    TempDir work;
    ASSERT_EQ(RunProgram({"cabextract", "-q", "-d", work / "peer", cab}, work.path()).status, 0);
    const std::string sfx = MakeSfx(cab, work / "setup.exe");
    fs::create_directories(work / "here");
    RunResult run = RunProgram({sfx}, work / "here");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Tree(work / "here"), Tree(work / "peer"));

    run = RunProgram({sfx, "/L", work / "there"}, work.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Tree(work / "there"), Tree(work / "peer"));

    run = RunProgram({sfx, "/D"}, work.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("33,000  zero"), std::string::npos) << run.out;
}

TEST_F(SelfExtracting, FirstCabinetOfASetFindsTheOthersBesideIt) {
    TempDir work;
    const std::string dir = FixturesDir() + "/cabextract-split/";
    ASSERT_EQ(
        RunProgram({"cabextract", "-q", "-d", work / "peer", dir + "split-1.cab"}, work.path())
            .status,
        0);
    fs::create_directories(work / "media");
    for (int i = 2; i <= 5; ++i) {
        const std::string name = "split-" + std::to_string(i) + ".cab";
        fs::copy_file(dir + name, work / ("media/" + name));
    }
    const std::string sfx = MakeSfx(dir + "split-1.cab", work / "media/setup");
    fs::create_directories(work / "out");
    const RunResult run = RunProgram({sfx}, work / "out");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Tree(work / "out"), Tree(work / "peer"));
}

} // namespace
