#include "Directive.h"
#include "MakeCab.h"

#include <gtest/gtest.h>

using namespace cabtools;

namespace {

TEST(DirectiveTest, ReadsFileLinesAndValues) {
    Directive d;
    std::string error;
    ASSERT_TRUE(d.Parse(".OPTION EXPLICIT\r\n"
                        "; a comment\r\n"
                        "\r\n"
                        ".Set CabinetNameTemplate=\"My Disk *.cab\"   ; trailing comment\r\n"
                        ".Set DiskLabel1=First disk\r\n"
                        ".Set DestinationDir=\r\n"
                        ".Set RptFileName=\"a \"\"quoted\"\" name\"\n"
                        "\"/src/with blank.txt\" \"SUB\\with blank.txt\"\r\n"
                        "/src/plain.txt plain.txt\r\n"
                        "\t/src/only-source.bin  \r\n"
                        ".Set MaxDiskSize3=1.44M\r\n",
                        "t.ddf", error))
        << error;
    ASSERT_EQ(d.files.size(), 3u);
    EXPECT_EQ(d.files[0].source, "/src/with blank.txt");
    EXPECT_EQ(d.files[0].name, "SUB\\with blank.txt");
    EXPECT_EQ(d.files[0].where, "t.ddf, line 8");
    EXPECT_EQ(d.files[1].source, "/src/plain.txt");
    EXPECT_EQ(d.files[1].name, "plain.txt");
    EXPECT_EQ(d.files[2].name, "");
    EXPECT_EQ(d.Find("cabinetnametemplate")->value, "My Disk *.cab");
    EXPECT_EQ(d.FindNumbered("DiskLabel", 1)->value, "First disk");
    EXPECT_EQ(d.Find("DestinationDir")->value, "");
    EXPECT_EQ(d.Find("RptFileName")->value, "a \"quoted\" name");
    EXPECT_EQ(d.FindNumbered("MaxDiskSize", 3)->value, "1.44M");
}

TEST(DirectiveTest, NamesAreBytes) {
    Directive d;
    std::string error;
    std::string latin1 = "\"/src/caf\xe9.txt\" \"caf\xe9 100%.txt\"\n";
    ASSERT_TRUE(d.Parse(latin1, "t.ddf", error)) << error;
    ASSERT_EQ(d.files.size(), 1u);
    EXPECT_EQ(d.files[0].source, "/src/caf\xe9.txt");
    EXPECT_EQ(d.files[0].name, "caf\xe9 100%.txt");
}

TEST(DirectiveTest, CompressionInForceAtEachFile) {
    Directive d;
    std::string error;
    ASSERT_TRUE(d.Parse("a\n"
                        ".Set Compress=off\n"
                        ".Set CompressionType=LZX\n"
                        ".Set CompressionMemory=18\n"
                        "b\n"
                        ".Set Compress=on\n"
                        "c\n"
                        ".New Folder\n"
                        "d\n",
                        "t.ddf", error))
        << error;
    ASSERT_EQ(d.files.size(), 4u);
    EXPECT_EQ(d.files[0].compression.type, CompressionType::Mszip);
    EXPECT_EQ(d.files[1].compression.type, CompressionType::None);
    EXPECT_EQ(d.files[2].compression.type, CompressionType::Lzx);
    EXPECT_EQ(d.files[2].compression.memory, 18);
    EXPECT_EQ(d.files[2].compressionWhere, "t.ddf, line 6");
    EXPECT_FALSE(d.files[2].newFolder);
    EXPECT_TRUE(d.files[3].newFolder);
}

TEST(DirectiveTest, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* expected; // part of the message, after "t.ddf, line N: "
        int line;
    };
    const Case cases[] = {
        {".OPTION EXPLICIT\n.Set InfFileName=NUL\n.Set MaxDiskSise=0\n", "unknown variable \"MaxDiskSise\"", 3},
        {".Set MaxDiskSize=-1024\n", "must not be negative", 1},
        {"\n.Set MaxDiskSize1=100\n", "too small", 2},
        {".Set MaxDiskSize=lots\n", "expected a size", 1},
        {".Set CompressionType=ZIP\n", "expected MSZIP or LZX", 1},
        {".Set CompressionMemory=22\n", "15 to 21", 1},
        {".Set Compress=maybe\n", "ON or OFF", 1},
        {".Set Cabinet=off\n", "not supported", 1},
        {".Set FolderSizeThreshold=-1\n", "expected a size", 1},
        {"a b\n\"c d\n", "missing closing quote", 2},
        {"a b c\n", "nothing more", 1},
        {".Frobnicate\n", "unknown command", 1},
        {".OPTION STRICT\n", "unknown option", 1},
        {".Define MaxDiskSize=1\n", "standard variable", 1},
    };
    for (const Case& c : cases) {
        Directive d;
        std::string error;
        EXPECT_FALSE(d.Parse(c.text, "t.ddf", error)) << c.text;
        std::string prefix = "t.ddf, line " + std::to_string(c.line) + ": ";
        EXPECT_EQ(error.rfind(prefix, 0), 0u) << c.text << " -> " << error;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << " -> " << error;
    }
}

TEST(DirectiveTest, ExplicitAllowsDefinedAndStandardVariables) {
    Directive d;
    std::string error;
    EXPECT_TRUE(d.Parse(".OPTION EXPLICIT\n.Define Mine=1\n.Set Mine=2\n.Set maxdisksize=CDROM\n", "t.ddf", error))
        << error;
    EXPECT_EQ(ParseDiskSize(d.Find("MaxDiskSize")->value), 681984000);
}

TEST(DirectiveTest, CabinetNames) {
    struct Case {
        const char* source;
        const char* name;
        const char* destinationDir;
        const char* expected; // empty: refused
    };
    const Case cases[] = {
        {"/a/b.txt", "SUB\\b.txt", "", "SUB\\b.txt"},
        {"/a/b.txt", "", "", "b.txt"},
        {"/a/b.txt", "x/y/b.txt", "", "x\\y\\b.txt"},
        {"/a/b.txt", "b.txt", "TOP", "TOP\\b.txt"},
        {"/a/b.txt", "b.txt", "TOP\\", "TOP\\b.txt"},
        {"/a/b.txt", "..\\b.txt", "", ""},
        {"/a/b.txt", "\\abs.txt", "", ""},
        {"/a/b.txt", "C:\\b.txt", "", ""},
        {"/a/b.txt", "a\\\\b.txt", "", ""},
    };
    for (const Case& c : cases) {
        FileLine line;
        line.source = c.source;
        line.name = c.name;
        std::string error;
        EXPECT_EQ(CabinetNameFor(line, c.destinationDir, error), c.expected) << c.name;
        EXPECT_EQ(error.empty(), *c.expected != '\0') << c.name;
    }
}

} // namespace
