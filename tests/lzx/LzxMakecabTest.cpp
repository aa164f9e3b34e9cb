// makecab with CompressionType=LZX: the cabinets it writes, checked by cabextract.
#include "Harness.h"

#include <gtest/gtest.h>

using namespace makecab_test;

namespace {

struct Source {
    std::string name; // in the cabinet, also the path under src/
    std::string bytes;
};

std::vector<Source> Sources()
{
    // x86-64 code for the call translation; a system library rather than this test program,
    // so every build feeds makecab the same bytes.
    std::string code = ReadFile("/usr/lib/x86_64-linux-gnu/libstdc++.so.6");
    EXPECT_GT(code.size(), 400000u);
    code.resize(std::min<size_t>(code.size(), 400000));
    return {
        {"text.txt", TextBytes(250000, 1)}, {"code.bin", code},          {"noise.bin", NoiseBytes(90000, 2)},
        {"empty.txt", ""},                  {"one.txt", "x"},            {"frame.bin", TextBytes(32768, 3)},
        {"again.txt", TextBytes(250000, 1)},
    };
}

std::vector<std::pair<std::string, std::string>> Lines(const TempDir& dir, const std::vector<Source>& sources)
{
    std::vector<std::pair<std::string, std::string>> lines;
    for (const Source& s : sources) {
        WriteFile(dir / ("src/" + s.name), s.bytes);
        lines.push_back({dir / ("src/" + s.name), s.name});
    }
    return lines;
}

void ExpectExtracted(const TempDir& dir, const std::string& cab, const std::vector<Source>& sources)
{
    EXPECT_EQ(RunProgram({"/usr/bin/cabextract", "-q", "-t", cab}).status, 0) << cab;
    Outcome x = RunProgram({"/usr/bin/cabextract", "-q", "-d", dir / "x", cab});
    ASSERT_EQ(x.status, 0) << x.err;
    for (const Source& s : sources) {
        EXPECT_TRUE(ReadFile(dir / ("x/" + s.name)) == s.bytes) << s.name;
    }
}

TEST(MakecabLzx, EveryCompressionMemory)
{
    const std::vector<Source> sources = Sources();
    for (int memory = 15; memory <= 21; ++memory) {
        SCOPED_TRACE(memory);
        TempDir dir;
        WriteFile(dir / "l.ddf", Directive({".OPTION EXPLICIT", ".Set InfFileName=NUL", ".Set RptFileName=NUL",
                                            ".Set CabinetName1=L.cab", ".Set DiskDirectoryTemplate=" + (dir / "out/"),
                                            ".Set MaxDiskSize=0", ".Set CompressionType=LZX",
                                            ".Set CompressionMemory=" + std::to_string(memory)},
                                           Lines(dir, sources)));
        Outcome run = RunMakecab(dir / "l.ddf");
        ASSERT_EQ(run.status, 0) << run.err;
        const Cabinet cab = ReadCabinet(dir / "out/L.cab");
        ASSERT_FALSE(cab.folders.empty());
        for (const CabFolder& folder : cab.folders) {
            EXPECT_EQ(folder.typeCompress, 3 | memory << 8);
        }
        ExpectExtracted(dir, dir / "out/L.cab", sources);
    }
}

// Disks small enough that LZX data blocks are cut between cabinets; cabextract follows the set.
TEST(MakecabLzx, SpannedSetExtracts)
{
    std::vector<Source> sources = Sources();
    sources.push_back({"more-noise.bin", NoiseBytes(200000, 4)});
    TempDir dir;
    WriteFile(dir / "s.ddf", Directive({".OPTION EXPLICIT", ".Set InfFileName=NUL", ".Set RptFileName=NUL",
                                        ".Set CabinetName1=S.cab", ".Set CabinetNameTemplate=S*.cab",
                                        ".Set DiskDirectoryTemplate=" + (dir / "out/"), ".Set MaxDiskSize=90000",
                                        ".Set CompressionType=LZX", ".Set CompressionMemory=21"},
                                       Lines(dir, sources)));
    Outcome run = RunMakecab(dir / "s.ddf");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> names = ListTree(dir / "out");
    ASSERT_GE(names.size(), 4u);
    int splitBlocks = 0;
    for (size_t n = 1; n <= names.size(); ++n) {
        std::string name = "S";
        name += n == 1 ? std::string() : std::to_string(n);
        name += ".cab";
        const Cabinet cab = ReadCabinet(dir / ("out/" + name));
        EXPECT_LE(cab.fileSize, 90000u) << name;
        for (const CabFolder& folder : cab.folders) {
            EXPECT_EQ(folder.typeCompress, 3 | 21 << 8) << name;
            for (uint16_t size : folder.uncompressedSizes) {
                splitBlocks += size == 0; // the first part of a block continued in the next cabinet
            }
        }
    }
    EXPECT_GT(splitBlocks, 0);
    ExpectExtracted(dir, dir / "out/S.cab", sources);
}

TEST(MakecabLzx, CompressionMemoryOutsideTheWindowsIsRefusedAtItsLine)
{
    for (const char* memory : {"14", "22", "0", "big"}) {
        SCOPED_TRACE(memory);
        TempDir dir;
        WriteFile(dir / "src/a.txt", TextBytes(1000, 5));
        WriteFile(dir / "bad.ddf",
                  Directive({".OPTION EXPLICIT", ".Set DiskDirectoryTemplate=" + (dir / "out/"),
                             ".Set CompressionType=LZX", std::string(".Set CompressionMemory=") + memory},
                            {{dir / "src/a.txt", "a.txt"}}));
        Outcome run = RunMakecab(dir / "bad.ddf");
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find("bad.ddf, line 4:"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("15 to 21"), std::string::npos) << run.err;
        EXPECT_FALSE(Exists(dir / "out"));
    }
}

} // namespace
