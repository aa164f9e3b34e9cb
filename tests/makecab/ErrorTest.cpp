// A failed run says what failed and where, exits non-zero and leaves nothing behind.
#include "Codecs.h"
#include "Harness.h"

#include <gtest/gtest.h>

using namespace makecab_test;

namespace {

TEST(ErrorTest, BadDirectivesLeaveNothing) {
    std::string error;
    bool lzx = cabtools::MakeCodec({cabtools::CompressionType::Lzx, 21}, error) != nullptr;
    struct Case {
        const char* name;
        std::vector<std::string> lines; // after the common options; "@" stands for the source dir
        int line;                       // the line the message must name
        const char* expected;
    };
    std::vector<Case> cases = {
        {"missing source", {"\"@/a.txt\" a.txt", "\"@/missing.txt\" missing.txt"}, 6, "missing.txt"},
        {"unknown variable", {".Set MaxDiskSise=0", "\"@/a.txt\" a.txt"}, 5, "MaxDiskSise"},
        {"negative disk size", {".Set MaxDiskSize=-10240", "\"@/a.txt\" a.txt"}, 5, "negative"},
        {"directory as source", {"\"@/a.txt\" a.txt", "\"@\" dir"}, 6, "not a regular file"},
        {"duplicate name", {".Set UniqueFiles=ON", "\"@/a.txt\" a.txt", "\"@/a.txt\" A.TXT"}, 7, "already"},
        {"name leaving the cabinet", {"\"@/a.txt\" ..\\a.txt"}, 5, "\"..\""},
    };
    if (!lzx)
        cases.push_back({"LZX before it is built in", {".Set CompressionType=LZX", "\"@/a.txt\" a.txt"}, 5, "LZX"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir / "src/a.txt", TextBytes(100000, 3));
        std::vector<std::string> lines = {".OPTION EXPLICIT", ".Set RptFileName=" + (dir / "out/r.rpt"),
                                          ".Set InfFileName=" + (dir / "out/i.inf"),
                                          ".Set DiskDirectoryTemplate=" + (dir / "out/disk*")};
        for (std::string line : c.lines) {
            for (size_t at; (at = line.find('@')) != std::string::npos;)
                line.replace(at, 1, dir / "src");
            lines.push_back(line);
        }
        WriteFile(dir / "bad.ddf", Directive(lines, {}));
        Outcome run = RunMakecab(dir / "bad.ddf");
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find("bad.ddf, line " + std::to_string(c.line) + ":"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
        EXPECT_FALSE(Exists(dir / "out")) << "something was written";
    }
}

// A failure after cabinets were already complete: none of them may appear, nor the
// directories made for them.
TEST(ErrorTest, LateFailureRemovesFinishedCabinets) {
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> lines;
    for (int i = 0; i < 8; ++i) {
        WriteFile(dir / (std::string("src/n").append(std::to_string(i))), NoiseBytes(60000, unsigned(i)));
        lines.push_back({dir / (std::string("src/n").append(std::to_string(i))), std::string("n").append(std::to_string(i))});
    }
    WriteFile(dir / "out/disk4", "in the way of the fourth disk's directory");
    WriteFile(dir / "late.ddf", Directive({".Set InfFileName=NUL", ".Set RptFileName=" + (dir / "out/r.rpt"),
                                           ".Set DiskDirectoryTemplate=" + (dir / "out/disk*"),
                                           ".Set MaxDiskSize=100000"},
                                          lines));
    Outcome run = RunMakecab(dir / "late.ddf");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("disk4"), std::string::npos) << run.err;
    EXPECT_EQ(ListTree(dir / "out"), std::vector<std::string>{"disk4"});
}

TEST(ErrorTest, TemporaryFilesGoToTmp) {
    TempDir dir, tmp;
    // Large enough that the cabinet's data is staged in a temporary file rather than memory.
    WriteFile(dir / "big", NoiseBytes(70u << 20, 5));
    WriteFile(dir / "t.ddf", Directive({".Set InfFileName=NUL", ".Set RptFileName=NUL", ".Set MaxDiskSize=0",
                                        ".Set Compress=off", ".Set DiskDirectoryTemplate=" + (dir / "out")},
                                       {{dir / "big", "big"}}));
    Outcome run = RunMakecab(dir / "t.ddf", "", {"TMP=" + (tmp / "missing")});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find(tmp / "missing"), std::string::npos) << run.err;
    EXPECT_FALSE(Exists(dir / "out"));
    run = RunMakecab(dir / "t.ddf", "", {"TMP=" + tmp.path().string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ListTree(tmp.path()), std::vector<std::string>{}); // unnamed, gone with the run
    EXPECT_EQ(ReadCabinet(dir / "out/1.cab").files.size(), 1u);
}

} // namespace
