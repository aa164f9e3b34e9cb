#include "convert/Sfx.h"

#include "platform/Paths.h"
#include "tests/support/TestFiles.h"

#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvex {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempTree;

const std::string kSignature(kCabinetSignature, sizeof kCabinetSignature);
constexpr size_t kBlock = 8 * 1024 * 1024;

// Bytes that hold no signature by chance: "MSCF" never appears in them.
std::string Filler(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>('a' + rng() % 26);
    return out;
}

std::string Cabinet(size_t n, unsigned seed = 1) {
    return kSignature + Filler(n - kSignature.size(), seed);
}

class SfxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::OverrideExecutableDirectory(t.Dir("bin") + "/");
        // An "MSCF" not followed by four zero bytes, as a real program might hold.
        stub = "STUB" + std::string("MSCF\x01\0\0\0", 8) + Filler(3000, 7);
        t.File("bin/extrac32", stub);
    }
    void TearDown() override { platform::OverrideExecutableDirectory(""); }
    TempTree t;
    std::string stub;
};

TEST(SfxNames, LastThreeCharactersAreReplacedWhateverTheyWere) {
    struct Case {
        const char* input;
        const char* sfx;
        const char* cab;
    };
    const Case cases[] = {
        {"/setup/data.cab", "/setup/data.exe", "/setup/data.cab"},
        {"/setup/DATA.CAB", "/setup/DATA.exe", "/setup/DATA.cab"},
        {"/setup/archive", "/setup/archexe", "/setup/archcab"},
        {"/setup/SETUP.EXE", "/setup/SETUP.exe", "/setup/SETUP.cab"},
        {"/setup/abc", "/setup/exe", "/setup/cab"},
        {"/setup/ab", "", ""}, // would reach into the directory and land elsewhere
        {"ab", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SfxNameFor(c.input), c.sfx) << c.input;
        EXPECT_EQ(CabNameFor(c.input), c.cab) << c.input;
    }
}

TEST(StreamSizeTest, MeasuresWithoutMovingThePosition) {
    TempTree t;
    FILE* f = std::fopen(t.File("f", "0123456789").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fseek(f, 4, SEEK_SET), 0);
    EXPECT_EQ(StreamSize(f), 10);
    EXPECT_EQ(std::ftell(f), 4);
    std::fclose(f);
}

TEST_F(SfxTest, RoundTripIsByteIdenticalAtBlockBoundaries) {
    // Smaller than a block, exactly one block, one past it, and several blocks with a rest.
    for (size_t size : {size_t{100}, kBlock, kBlock + 1, 2 * kBlock + 5}) {
        const std::string cabinet = Cabinet(size, static_cast<unsigned>(size));
        const std::string path = t.File("data.cab", cabinet);
        ASSERT_TRUE(CabToSfx(path)) << size;
        const std::string sfx = ReadFile(t / "data.exe");
        ASSERT_EQ(sfx.size(), stub.size() + cabinet.size()) << size;
        EXPECT_TRUE(sfx.compare(0, stub.size(), stub) == 0) << size;
        EXPECT_TRUE(sfx.compare(stub.size(), std::string::npos, cabinet) == 0) << size;

        std::remove(path.c_str());
        ASSERT_TRUE(SfxToCab(t / "data.exe")) << size;
        EXPECT_TRUE(ReadFile(path) == cabinet) << size;
    }
}

// A cabinet reached through a link on another file system cannot be copied by the kernel in one
// go; the copy then goes through the block buffer and must give the same bytes.
TEST_F(SfxTest, RoundTripThroughTheBlockBufferAcrossFileSystems) {
    struct stat here {
    }, shm{};
    if (stat(t.root().c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev)
        GTEST_SKIP() << "needs /dev/shm on a file system of its own";
    std::string real = "/dev/shm/corvex-sfx-test-XXXXXX";
    ASSERT_NE(mkdtemp(real.data()), nullptr);
    const std::string cabinet = Cabinet(kBlock + 12345, 9);
    { std::ofstream(real + "/d.cab", std::ios::binary) << cabinet; }
    ASSERT_EQ(symlink((real + "/d.cab").c_str(), (t / "d.cab").c_str()), 0);
    const bool made = CabToSfx(t / "d.cab");
    std::filesystem::remove_all(real);
    ASSERT_TRUE(made);
    ASSERT_TRUE(SfxToCab(t / "d.exe")); // replaces the link with the cabinet itself
    EXPECT_TRUE(ReadFile(t / "d.cab") == cabinet);
}

TEST_F(SfxTest, TheSelfExtractingFileIsExecutable) {
    ASSERT_TRUE(CabToSfx(t.File("x.cab", Cabinet(64))));
    struct stat st {};
    ASSERT_EQ(stat((t / "x.exe").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    EXPECT_EQ(access((t / "x.exe").c_str(), X_OK), 0);
}

TEST_F(SfxTest, SfxToCabFindsTheCabinetWhereverItStartsInTheFirstBlock) {
    const std::string cabinet = Cabinet(500);
    struct Case {
        const char* name;
        std::string file;
        std::string expected;
    };
    const Case cases[] = {
        {"plain cabinet", cabinet, cabinet},
        {"false starts before it", std::string("MSCF\0\0\0\x01MSCF", 12) + "MSC" + cabinet,
         cabinet},
        {"bytes after the cabinet stay", "MZ" + cabinet + "TRAILER", cabinet + "TRAILER"},
        {"signature ending at the block's end", Filler(kBlock - 8, 3) + kSignature + "rest",
         kSignature + "rest"},
    };
    for (const Case& c : cases) {
        std::remove((t / "in.cab").c_str());
        ASSERT_TRUE(SfxToCab(t.File("in.bin", c.file))) << c.name;
        EXPECT_TRUE(ReadFile(t / "in.cab") == c.expected) << c.name;
    }
}

TEST_F(SfxTest, NoSignatureInTheFirstBlockLeavesAnExistingOutputAlone) {
    const std::string cases[] = {
        "",
        "MSCF\0\0\0", // seven bytes
        Filler(5000, 4),
        Filler(kBlock - 7, 5) + kSignature, // reaches past the first block
        Filler(kBlock + 10, 6) + Cabinet(100),
    };
    for (const std::string& file : cases) {
        t.File("old.cab", "keep me");
        EXPECT_FALSE(SfxToCab(t.File("old.exe", file))) << file.size();
        EXPECT_EQ(ReadFile(t / "old.cab"), "keep me") << file.size();
    }
}

TEST_F(SfxTest, AnOutputNamedLikeItsInputIsRefused) {
    const std::string cabinet = Cabinet(200);
    t.File("self.exe", cabinet);
    EXPECT_FALSE(CabToSfx(t / "self.exe"));
    EXPECT_TRUE(ReadFile(t / "self.exe") == cabinet);

    t.File("self.cab", cabinet);
    EXPECT_FALSE(SfxToCab(t / "self.cab"));
    EXPECT_TRUE(ReadFile(t / "self.cab") == cabinet);
}

TEST_F(SfxTest, FailedOpensGiveFalseAndLeaveNoOutput) {
    EXPECT_FALSE(CabToSfx(t / "missing.cab"));
    EXPECT_FALSE(Exists(t / "missing.exe"));
    EXPECT_FALSE(SfxToCab(t / "missing.exe"));
    EXPECT_FALSE(Exists(t / "missing.cab"));

    const std::string cab = t.File("nostub.cab", Cabinet(64));
    std::remove((t / "bin/extrac32").c_str());
    t.File("nostub.exe", "older");
    EXPECT_FALSE(CabToSfx(cab));
    EXPECT_EQ(ReadFile(t / "nostub.exe"), "older");
}

// A write that fails part way (here: the file size limit, as a full disk would) must leave
// neither the incomplete output nor a damaged older file of that name.
TEST_F(SfxTest, AFailedWriteRemovesTheIncompleteOutput) {
    const std::string cab = t.File("big.cab", Cabinet(3 * 1024 * 1024));
    const std::string exe = t.File("big.exe", "previous build");
    const std::string exe2 = t.File("big2.bin", stub + Cabinet(3 * 1024 * 1024));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024 * 1024, 1024 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool toSfx = CabToSfx(cab);
        const bool toCab = SfxToCab(exe2);
        _exit((toSfx ? 1 : 0) | (toCab ? 2 : 0));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(exe), "previous build");
    EXPECT_FALSE(Exists(t / "big2.cab"));
    int leftovers = 0;
    for (const auto& e : std::filesystem::directory_iterator(t.root()))
        leftovers += e.path().filename().string().find(".corvex-") != std::string::npos;
    EXPECT_EQ(leftovers, 0);
}

} // namespace
} // namespace corvex
