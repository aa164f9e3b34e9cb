// Sets of cabinets: disk size limits, links between the cabinets, files continued across them.
#include "Harness.h"

#include <gtest/gtest.h>

using namespace makecab_test;

namespace {

struct Tree {
    std::vector<std::pair<std::string, std::string>> lines; // source, name
    std::vector<std::pair<std::string, std::string>> files; // relative path, bytes
};

// A few MB: text files of many sizes, a large file of noise that must cross several disks,
// and empty files between them.
Tree MakeTree(const TempDir& dir) {
    Tree t;
    for (int i = 0; i < 60; ++i) {
        std::string rel = "docs/part" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".txt";
        t.files.push_back({rel, TextBytes(size_t(i * 7919 % 120000), unsigned(i))});
        if (i == 30)
            t.files.push_back({"big/noise.bin", NoiseBytes(1500000, 99)});
        if (i % 20 == 0)
            t.files.push_back({"docs/empty" + std::to_string(i), ""});
    }
    t.files.push_back({"docs/zz-empty-at-end", ""});
    for (auto& [rel, bytes] : t.files) {
        WriteFile(dir / ("src/" + rel), bytes);
        std::string name = rel;
        for (char& c : name)
            if (c == '/')
                c = '\\';
        t.lines.push_back({dir / ("src/" + rel), name});
    }
    return t;
}

TEST(SpanningTest, DiskSizesLinksAndContinuedFiles) {
    for (const char* compress : {".Set Compress=off", ".Set CompressionType=MSZIP"}) {
        SCOPED_TRACE(compress);
        TempDir dir;
        Tree tree = MakeTree(dir);
        WriteFile(dir / "s.ddf", Directive({".OPTION EXPLICIT", ".Set InfFileName=" + (dir / "s.inf"),
                                            ".Set RptFileName=NUL", ".Set CabinetName1=SET.cab",
                                            ".Set CabinetNameTemplate=SET*.cab",
                                            ".Set DiskDirectoryTemplate=" + (dir / "out/"),
                                            ".Set MaxDiskSize1=150000", ".Set MaxDiskSize=200000", compress},
                                           tree.lines));
        Outcome run = RunMakecab(dir / "s.ddf");
        ASSERT_EQ(run.status, 0) << run.err;

        std::vector<std::string> names = ListTree(dir / "out");
        ASSERT_GE(names.size(), 5u);
        std::vector<Cabinet> cabs;
        for (size_t n = 1; n <= names.size(); ++n) {
            std::string name = n == 1 ? "SET.cab" : "SET" + std::to_string(n) + ".cab";
            ASSERT_TRUE(Exists(dir / ("out/" + name))) << name;
            cabs.push_back(ReadCabinet(dir / ("out/" + name)));
            const Cabinet& cab = cabs.back();
            EXPECT_LE(cab.fileSize, n == 1 ? 150000u : 200000u) << name;
            EXPECT_EQ(cab.cbCabinet, cab.fileSize);
            EXPECT_EQ(cab.index, n - 1);
            EXPECT_EQ(cab.setId, cabs[0].setId);
            EXPECT_FALSE(cab.files.empty()) << name;
            EXPECT_EQ(cab.prevName, n == 1 ? "" : n == 2 ? "SET.cab" : "SET" + std::to_string(n - 1) + ".cab");
            EXPECT_EQ(cab.prevDisk, n == 1 ? "" : "Disk " + std::to_string(n - 1));
            EXPECT_EQ(cab.nextName, n == names.size() ? "" : "SET" + std::to_string(n + 1) + ".cab");
            EXPECT_EQ(cab.nextDisk, n == names.size() ? "" : "Disk " + std::to_string(n + 1));
        }
        // Continued files: marked in both cabinets of each seam, and a folder continued from
        // the previous cabinet holds nothing but the files carried over.
        int seams = 0;
        for (size_t n = 0; n + 1 < cabs.size(); ++n) {
            std::vector<std::string> toNext, fromPrev;
            for (const CabFile& f : cabs[n].files)
                if (f.folder == 0xFFFE || f.folder == 0xFFFF)
                    toNext.push_back(f.name);
            for (const CabFile& f : cabs[n + 1].files) {
                if (f.folder == 0xFFFD || f.folder == 0xFFFF)
                    fromPrev.push_back(f.name);
                if (!toNext.empty()) {
                    EXPECT_NE(f.folder, 0) << f.name << " in cabinet " << n + 2;
                }
            }
            EXPECT_EQ(toNext, fromPrev) << "seam after cabinet " << n + 1;
            if (!toNext.empty()) {
                ++seams;
                EXPECT_EQ(cabs[n].folders.back().typeCompress, cabs[n + 1].folders.front().typeCompress);
            }
        }
        EXPECT_GE(seams, 3);

        Outcome x = RunProgram({"/usr/bin/cabextract", "-d", dir / "x", dir / "out/SET.cab"});
        ASSERT_EQ(x.status, 0) << x.err;
        EXPECT_EQ(x.err, ""); // no warnings about how the cabinets join
        for (auto& [rel, bytes] : tree.files)
            EXPECT_TRUE(ReadFile(dir / ("x/" + rel)) == bytes) << rel;

        // The INF file names every file once, with the cabinet that holds its start.
        std::string inf = ReadFile(dir / "s.inf");
        EXPECT_NE(inf.find("[disk list]"), std::string::npos);
        EXPECT_NE(inf.find("\n" + std::to_string(names.size()) + "," + std::to_string(names.size()) + ",\"SET" +
                           std::to_string(names.size()) + ".cab\"\n"),
                  std::string::npos)
            << inf;
        EXPECT_NE(inf.find("\n1,1,\"docs\\part0\\f0.txt\",0\n"), std::string::npos) << inf;
        EXPECT_NE(inf.find(",\"big\\noise.bin\",1500000\n"), std::string::npos) << inf;
    }
}

// A folder whose data block leaves fewer bytes in a cabinet than the next block's header and
// one byte: the folder must still go on in the next cabinet. Disk sizes around the one where
// a.bin's first block fills cabinet 1 exactly, so one of them strands the folder's last block
// at the end of the disk for each kind of data block; later seams fall where they fall.
TEST(SpanningTest, BlockEndingAtTheLastBytesOfADisk) {
    // Cabinet 1: header, link to T2.cab on "Disk 2", one folder, a.bin's entry, a stored block.
    const uint64_t full = 36 + 7 + 7 + 8 + (16 + 6) + 8 + 32768;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"a.bin", NoiseBytes(40000, 1)}, // the seam comes inside its last block
        {"b.bin", NoiseBytes(70000, 2)}, // three blocks, a folder of its own
        {"c.txt", TextBytes(5000, 3)},
        {"empty", ""},
    };
    for (const char* compress : {".Set Compress=off", ".Set CompressionType=MSZIP", ".Set CompressionType=LZX"}) {
        SCOPED_TRACE(compress);
        TempDir dir;
        std::vector<std::pair<std::string, std::string>> lines;
        for (auto& [name, bytes] : files) {
            WriteFile(dir / ("src/" + name), bytes);
            lines.push_back({dir / ("src/" + name), name});
        }
        for (uint64_t limit = full - 8; limit <= full + 56; ++limit) {
            SCOPED_TRACE(limit);
            std::string out = dir / ("out" + std::to_string(limit));
            WriteFile(dir / "e.ddf", Directive({".OPTION EXPLICIT", ".Set InfFileName=NUL", ".Set RptFileName=NUL",
                                                ".Set CabinetNameTemplate=T*.cab", ".Set DiskDirectoryTemplate=" + out,
                                                ".Set MaxDiskSize=" + std::to_string(limit), compress},
                                               lines));
            Outcome run = RunMakecab(dir / "e.ddf");
            ASSERT_EQ(run.status, 0) << run.err;
            std::vector<std::string> names = ListTree(out);
            ASSERT_GE(names.size(), 4u);
            for (const std::string& name : names) {
                EXPECT_LE(ReadCabinet(out + "/" + name).fileSize, limit) << name;
            }
            std::string x = dir / ("x" + std::to_string(limit));
            Outcome extract = RunProgram({"/usr/bin/cabextract", "-d", x, out + "/T1.cab"});
            ASSERT_EQ(extract.status, 0) << extract.err;
            EXPECT_EQ(extract.err, "");
            for (auto& [name, bytes] : files) {
                EXPECT_TRUE(ReadFile(x + "/" + name) == bytes) << name;
            }
        }
    }
}

// 16-bit counts: past 65,535 files a cabinet ends, when the set may have another one.
TEST(SpanningTest, FileCountLimit) {
    TempDir dir;
    WriteFile(dir / "empty", "");
    WriteFile(dir / "one", "1");
    std::vector<std::pair<std::string, std::string>> lines;
    for (int i = 0; i < 65536; ++i)
        lines.push_back({dir / (i == 40000 ? "one" : "empty"), std::string("f").append(std::to_string(i))});
    for (const char* size : {"0", "100000000"}) {
        SCOPED_TRACE(size);
        std::string out = dir / ("out" + std::string(size));
        WriteFile(dir / "n.ddf", Directive({".Set InfFileName=NUL", ".Set RptFileName=NUL",
                                            ".Set DiskDirectoryTemplate=" + out, std::string(".Set MaxDiskSize=") + size},
                                           lines));
        Outcome run = RunMakecab(dir / "n.ddf");
        if (std::string(size) == "0") {
            EXPECT_NE(run.status, 0);
            EXPECT_NE(run.err.find("65,535"), std::string::npos) << run.err;
            EXPECT_FALSE(Exists(out));
            continue;
        }
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(ListTree(out), (std::vector<std::string>{"1.cab", "2.cab"}));
        Cabinet first = ReadCabinet(out + "/1.cab"), second = ReadCabinet(out + "/2.cab");
        EXPECT_LE(first.files.size(), 65535u);
        EXPECT_EQ(first.files.size() + second.files.size(), 65536u);
        Outcome list = RunProgram({"/usr/bin/cabextract", "-q", "-t", out + "/1.cab"});
        EXPECT_EQ(list.status, 0) << list.err;
    }
}

} // namespace
