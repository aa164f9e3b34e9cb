#include "build/BuildRun.h"

#include "platform/Environment.h"
#include "platform/Paths.h"
#include "settings/Settings.h"
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace corvex {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempTree;

class BuildRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AppSettings = TAppSettings{};
        savedTmp = platform::GetEnvironment("TMP");
    }
    void TearDown() override {
        platform::SetEnvironment("TMP", savedTmp);
        platform::OverrideExecutableDirectory("");
        AppSettings = TAppSettings{};
    }
    std::optional<std::string> savedTmp;
};

TEST_F(BuildRunTest, EnsureTrailingBackslashGivesBothDirectoriesOneSeparator) {
    struct Case {
        const char* before;
        const char* after;
    };
    const Case cases[] = {{"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"}, {"", "/"}, {"/a b\\", "/a b\\/"}};
    for (const Case& c : cases) {
        AppSettings.TemporaryDir = c.before;
        AppSettings.InstallDir = c.before;
        EnsureTrailingBackslash();
        EXPECT_EQ(AppSettings.TemporaryDir, c.after) << c.before;
        EXPECT_EQ(AppSettings.InstallDir, c.after) << c.before;
    }
}

TEST_F(BuildRunTest, TheBuilderGetsTheDirectiveAsOneArgumentWithoutQuotes) {
    AppSettings.InstallDir = "/opt/My Corvex/";
    AppSettings.TemporaryDir = "/home/u/My Temp/";
    EXPECT_EQ(BuilderProgram(), "/opt/My Corvex/makecab");
    EXPECT_EQ(BuilderArguments(), (std::vector<std::string>{"/f", "/home/u/My Temp/Corvex.ddf"}));
}

TEST_F(BuildRunTest, TmpIsSetForTheBuilderAndPutBackAfterwards) {
    TempTree t;
    AppSettings.InstallDir = t.Dir("My Install") + "/";
    AppSettings.TemporaryDir = t.Dir("My Temp") + "/";
    const std::string seen = t / "seen";
    // A stand-in builder that records its environment and arguments.
    const std::string builder = t.File(
        "My Install/makecab",
        "#!/bin/sh\nprintf '%s|%s|%s|%s' \"$TMP\" \"$#\" \"$1\" \"$2\" > '" + seen + "'\nexit 3\n");
    ASSERT_EQ(chmod(builder.c_str(), 0755), 0);

    for (const std::optional<std::string>& before :
         {std::optional<std::string>("/before"), std::optional<std::string>()}) {
        platform::SetEnvironment("TMP", before);
        const platform::ProcessOutcome outcome = RunBuilder();
        EXPECT_TRUE(outcome.started);
        EXPECT_EQ(outcome.exitStatus, 3);
        EXPECT_EQ(ReadFile(seen),
                  AppSettings.TemporaryDir + "|2|/f|" + AppSettings.TemporaryDir + "Corvex.ddf");
        EXPECT_EQ(platform::GetEnvironment("TMP"), before);
    }
}

TEST_F(BuildRunTest, TmpIsPutBackWhenTheBuilderCannotStart) {
    TempTree t;
    AppSettings.InstallDir = t.root(); // holds no makecab
    AppSettings.TemporaryDir = t.root();
    platform::SetEnvironment("TMP", std::string("/before"));
    EXPECT_FALSE(RunBuilder().started);
    EXPECT_EQ(platform::GetEnvironment("TMP"), std::optional<std::string>("/before"));
}

TEST_F(BuildRunTest, TheFirstCabinetIsNamedAsTheBuilderNamesIt) {
    struct Case {
        const char* chosen;
        const char* first;
    };
    const Case cases[] = {
        {"/out/DATA.CAB", "/out/DATA.cab"},
        {"/out/data.xyz", "/out/data.cab"},
        {"/out/MY.OLD.CAB", "/out/MY.OLD.cab"},
        {"/out/plain", "/out/plain.cab"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirstCabinetPath(c.chosen), c.first) << c.chosen;
}

TEST_F(BuildRunTest, SelfExtractingFollowUpReplacesOnlyTheFirstCabinet) {
    TempTree t;
    platform::OverrideExecutableDirectory(t.Dir("bin") + "/");
    t.File("bin/extrac32", "STUB");
    t.File("out/DATA.cab", "first");
    t.File("out/DATA2.cab", "second");
    ASSERT_TRUE(MakeSelfExtracting(t / "out/DATA.CAB"));
    EXPECT_EQ(ReadFile(t / "out/DATA.exe"), "STUBfirst");
    EXPECT_FALSE(Exists(t / "out/DATA.cab"));
    EXPECT_TRUE(Exists(t / "out/DATA2.cab"));
}

TEST_F(BuildRunTest, TheCabinetStaysWhenTheSelfExtractingFileCannotBeMade) {
    TempTree t;
    platform::OverrideExecutableDirectory(t.Dir("bin") + "/"); // no stub there
    t.File("out/DATA.cab", "MSCF");
    EXPECT_FALSE(MakeSelfExtracting(t / "out/DATA.cab"));
    EXPECT_EQ(ReadFile(t / "out/DATA.cab"), "MSCF");
    EXPECT_FALSE(Exists(t / "out/DATA.exe"));
}

} // namespace
} // namespace corvex
