#include "build/Directive.h"

#include "platform/Paths.h"
#include "settings/Settings.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace corvex {
namespace {

using test::ReadFile;
using test::TempTree;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

std::vector<std::string> SetLines(const std::string& text, const std::string& variable) {
    std::vector<std::string> out;
    for (const std::string& line : Lines(text))
        if (line.rfind(".Set " + variable + "=", 0) == 0)
            out.push_back(line);
    return out;
}

const TBuildList kTwoRows = {
    {"A.TXT", "/docs/", "", "1"},
    {"B.DOC", "/docs/SUB/", "SUB\\", "2"},
};

class DirectiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AppSettings = TAppSettings{};
        AppSettings.TemporaryDir = "/tmp/T/";
        // The stub the first disk leaves room for: 1000 bytes beside a pretend program.
        platform::OverrideExecutableDirectory(stubDir.root());
        stubDir.File("extrac32", std::string(1000, 's'));
    }
    void TearDown() override {
        platform::OverrideExecutableDirectory("");
        AppSettings = TAppSettings{};
    }
    TempTree stubDir;
};

TEST_F(DirectiveTest, WorkedExampleByteForByte) {
    AppSettings.SafeDiskSpanning = 10;
    const std::string expected = ".OPTION EXPLICIT\r\n"
                                 ".Set InfFileName=NUL\r\n"
                                 ".Set RptFileName=\"/tmp/T/Corvex.RPT\"\r\n"
                                 ".Set DestinationDir=\r\n"
                                 ".Set CabinetName1=\"BACKUP.cab\"\r\n"
                                 ".Set CabinetNameTemplate=\"BACKUP*.cab\"\r\n"
                                 ".Set DiskDirectoryTemplate=\"/out/\"\r\n"
                                 ".Set UniqueFiles=OFF\r\n"
                                 ".Set FolderSizeThreshold=2147483648\r\n"
                                 ".Set MaxDiskSize=1447424\r\n"
                                 ".Set Cabinet=on\r\n"
                                 ".Set Compress=on\r\n"
                                 ".Set CompressionType=LZX\r\n"
                                 ".Set CompressionMemory=21\r\n"
                                 "\"/docs/A.TXT\" \"A.TXT\"\r\n"
                                 "\"/docs/SUB/B.DOC\" \"SUB\\B.DOC\"\r\n";
    EXPECT_EQ(DirectiveText(kTwoRows, "/out/BACKUP.CAB", DiskSize144M, CompressionLZX, 21),
              expected);
}

TEST_F(DirectiveTest, DiskSizeEntries) {
    AppSettings.CustomDisksize = 1024;
    struct Case {
        int entry;
        int32_t safeKilobytes;
        bool selfExtracting;
        const char* maxDiskSize1; // "" when the line must be absent
        const char* maxDiskSize;
    };
    const Case cases[] = {
        {DiskSizeUnlimited, 0, false, "", "0"},
        {DiskSizeUnlimited, 10, true, "", "0"}, // no limit stays no limit
        {DiskSize144M, 0, false, "", "1457664"},
        {DiskSize720K, 0, false, "", "730112"},
        {DiskSize720K, 0, true, "729112", "730112"},
        {DiskSizeZip100M, 0, false, "", "100431872"},
        {DiskSizeFlyer230M, 0, false, "", "230424576"},
        {DiskSizeCustom, 0, false, "", "1048576"},
        {DiskSizeCustom, 24, true, "1023000", "1024000"},
        {DiskSize720K, 713, true, "", "0"},      // exactly nothing left: no first-disk line
        {DiskSize720K, 714, false, "", "-1024"}, // written as it comes
        {DiskSize720K, 714, true, "-2024", "-1024"},
    };
    for (const Case& c : cases) {
        AppSettings.SafeDiskSpanning = c.safeKilobytes;
        AppSettings.CreateSelfExtracting = c.selfExtracting;
        const std::string text = DirectiveText(kTwoRows, "/out/a.cab", c.entry, CompressionLZX, 21);
        const std::string what =
            "entry " + std::to_string(c.entry) + " safe " + std::to_string(c.safeKilobytes);
        const std::vector<std::string> first = SetLines(text, "MaxDiskSize1");
        if (*c.maxDiskSize1 == '\0') {
            EXPECT_TRUE(first.empty()) << what;
        } else {
            ASSERT_EQ(first.size(), 1u) << what;
            EXPECT_EQ(first[0], std::string(".Set MaxDiskSize1=") + c.maxDiskSize1) << what;
        }
        const std::vector<std::string> lines = Lines(text);
        // The first-disk line, when there, comes right before the disk size line.
        const auto it =
            std::find(lines.begin(), lines.end(), std::string(".Set MaxDiskSize=") + c.maxDiskSize);
        ASSERT_NE(it, lines.end()) << what;
        EXPECT_EQ(it - lines.begin(), first.empty() ? 9 : 10) << what;
    }
}

TEST_F(DirectiveTest, DiskSizeTableGivesEachEntrysBytes) {
    AppSettings.CustomDisksize = 3;
    const int32_t expected[kDiskSizeEntryCount] = {0, 1457664, 730112, 100431872, 230424576, 3072};
    for (int entry = 0; entry < kDiskSizeEntryCount; ++entry)
        EXPECT_EQ(DiskSizeTable(entry), expected[entry]) << entry;
}

TEST_F(DirectiveTest, CompressionEntries) {
    struct Case {
        int entry;
        const char* lines; // the lines after ".Set Cabinet=on", up to the first file line
    };
    const Case cases[] = {
        {CompressionLZX, ".Set Compress=on|.Set CompressionType=LZX|.Set CompressionMemory=15|"},
        {CompressionMSZIP, ".Set Compress=on|.Set CompressionType=MSZIP|"},
        {CompressionNone, ".Set Compress=off|"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> lines =
            Lines(DirectiveText(kTwoRows, "/o/x.cab", DiskSizeUnlimited, c.entry, 15));
        const auto cabinet = std::find(lines.begin(), lines.end(), ".Set Cabinet=on");
        ASSERT_NE(cabinet, lines.end());
        std::string tail;
        for (auto it = cabinet + 1; it != lines.end() && (*it)[0] == '.'; ++it)
            tail += *it + "|";
        EXPECT_EQ(tail, c.lines) << c.entry;
        EXPECT_EQ(lines.size(), static_cast<size_t>(cabinet - lines.begin()) + 1 +
                                    std::count(c.lines, c.lines + strlen(c.lines), '|') +
                                    kTwoRows.size());
    }
}

TEST_F(DirectiveTest, InfLineFollowsTheSetting) {
    AppSettings.GenerateINF = true;
    EXPECT_EQ(Lines(DirectiveText(kTwoRows, "/o/x.cab", 0, 0, 21))[1],
              ".Set InfFileName=\"/tmp/T/Corvex.INF\"");
}

TEST_F(DirectiveTest, CabinetNamesComeFromThePathsDirectoryAndBaseName) {
    struct Case {
        const char* path;
        const char* directory;
        const char* base;
    };
    const Case cases[] = {
        {"/out/DATA.XYZ", "/out/", "DATA"},       {"/out/MY.OLD.CAB", "/out/", "MY.OLD"},
        {"/BACKUP.CAB", "/", "BACKUP"},           {"/out/archive", "/out/", "archive"},
        {"/out.d/archive", "/out.d/", "archive"}, // a dot in the directory is no extension
        {"/out/a\\b.cab", "/out/", "a\\b"},       // a backslash is part of a name on disk here
    };
    for (const Case& c : cases) {
        const std::vector<std::string> lines = Lines(DirectiveText(kTwoRows, c.path, 0, 0, 21));
        EXPECT_EQ(lines[4], std::string(".Set CabinetName1=\"") + c.base + ".cab\"") << c.path;
        EXPECT_EQ(lines[5], std::string(".Set CabinetNameTemplate=\"") + c.base + "*.cab\"")
            << c.path;
        EXPECT_EQ(lines[6], std::string(".Set DiskDirectoryTemplate=\"") + c.directory + "\"")
            << c.path;
    }
}

TEST_F(DirectiveTest, WriteReplacesTheFileWithExactlyTheText) {
    TempTree t;
    AppSettings.TemporaryDir = t.root();
    t.File("Corvex.ddf", std::string(5000, 'o')); // longer than the new text: must not linger
    const TBuildList rows = {{"null", "/src/empty/", "empty\\", "0"},
                             {"a b;c%d", "/x y/", "", "1"}};
    const TDirectiveResult r =
        WriteDirectiveFile(rows, "/o/x.cab", DiskSizeUnlimited, CompressionMSZIP, 21);
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.path, t / "Corvex.ddf");
    const std::string text = ReadFile(r.path);
    EXPECT_EQ(text, DirectiveText(rows, "/o/x.cab", DiskSizeUnlimited, CompressionMSZIP, 21));
    EXPECT_NE(text.find("\"/src/empty/null\" \"empty\\null\"\r\n\"/x y/a b;c%d\" \"a b;c%d\"\r\n"),
              std::string::npos);
}

TEST_F(DirectiveTest, AFileThatCannotBeCreatedIsReported) {
    TempTree t;
    AppSettings.TemporaryDir = t / "missing/";
    const TDirectiveResult r = WriteDirectiveFile(kTwoRows, "/o/x.cab", 0, 0, 21);
    EXPECT_FALSE(r.written);
    EXPECT_EQ(r.path, t / "missing/Corvex.ddf");
    EXPECT_EQ(r.error, ENOENT);
}

TEST_F(DirectiveTest, PathsTheSyntaxCannotCarryAreRefusedBeforeAnythingIsWritten) {
    TempTree t;
    AppSettings.TemporaryDir = t.root();
    const std::string previous = t.File("Corvex.ddf", "previous");
    struct Case {
        TBuildList rows;
        const char* cabinet;
        const char* bad;
    };
    const Case cases[] = {
        {{{"a\"b", "/src/", "", "1"}}, "/o/x.cab", "/src/a\"b"},
        {{{"x", "/src/line\nbreak/", "", "1"}}, "/o/x.cab", "/src/line\nbreak/x"},
        {{{"x", "/src/", "cr\r\\", "1"}}, "/o/x.cab", "/src/x"},
        {kTwoRows, "/o/quo\"te.cab", "quo\"te"},
    };
    for (const Case& c : cases) {
        const TDirectiveResult r = WriteDirectiveFile(c.rows, c.cabinet, 0, 0, 21);
        EXPECT_FALSE(r.written);
        EXPECT_EQ(r.badName, c.bad);
        EXPECT_EQ(ReadFile(previous), "previous");
    }
}

} // namespace
} // namespace corvex
