// Extraction command lines, the desktop association and the help pages, without a window.
#include "app/State.h"
#include "convert/Extraction.h"
#include "platform/Environment.h"
#include "platform/Help.h"
#include "platform/Paths.h"
#include "settings/Association.h"
#include "settings/Settings.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;

namespace corvex {
namespace {

using test::ReadFile;
using test::ScopedEnvironment;
using test::WaitForPath;
using test::WriteExecutable;
using test::WriteFile;
using test::TempTree;

// The children are detached and run on their own; wait for the file they leave.
std::string WaitForFile(const fs::path& path) {
    WaitForPath(path);
    // The writer may still be finishing its line.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return ReadFile(path);
}

// A stand-in extrac32 that records each argument on a line of its own in a file named after
// the last argument's basename, so several detached runs do not write over each other.
const char* const kRecordingExtrac32 =
    "#!/bin/sh\n"
    "out=\"$RECORD_DIR/$(basename \"$(eval echo \\\"\\${$#}\\\")\").args\"\n"
    "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.tmp\"\n"
    "mv \"$out.tmp\" \"$out\"\n";

TEST(ExtractionArguments, PiecesInOrderEachOneArgument) {
    EXPECT_EQ(ExtractionArguments("/tmp/out dir", "/home/u/my cabs/a b.cab"),
              (std::vector<std::string>{"/Y", "/L", "/tmp/out dir", "/home/u/my cabs/a b.cab"}));
    // The root keeps its separator; a name's bytes pass unchanged, quotes and all.
    const std::string latin1 = "caf\xe9 \"x\".txt";
    EXPECT_EQ(ExtractionArguments("/", "c.cab", latin1),
              (std::vector<std::string>{"/Y", "/L", "/", "c.cab", latin1}));
}

TEST(Extraction, StartsExtrac32FromInstallDirBeforePathOnePerName) {
    TempTree install, elsewhere, record;
    WriteExecutable(install.path() / "extrac32", kRecordingExtrac32);
    // One on PATH that must not be used: it leaves a marker instead.
    WriteExecutable(elsewhere.path() / "extrac32", "#!/bin/sh\ntouch \"$RECORD_DIR/wrong\"\n");
    ScopedEnvironment env;
    env.Set("RECORD_DIR", record.path().string());
    env.Set("PATH", elsewhere.path().string() + ":/usr/bin:/bin");
    AppSettings.InstallDir = install.root();
    CurrentCabinetPath = "/data/with blank/set.cab";

    ExtractAllTo("/dest dir");
    EXPECT_EQ(WaitForFile(record.path() / "set.cab.args"), "/Y\n/L\n/dest dir\n/data/with blank/set.cab\n");

    ExtractNamesTo("/d", {"one.txt", "t\xfc\xe4.bin", "three"});
    EXPECT_EQ(WaitForFile(record.path() / "one.txt.args"), "/Y\n/L\n/d\n/data/with blank/set.cab\none.txt\n");
    EXPECT_EQ(WaitForFile(record.path() / "t\xfc\xe4.bin.args"),
              "/Y\n/L\n/d\n/data/with blank/set.cab\nt\xfc\xe4.bin\n");
    EXPECT_EQ(WaitForFile(record.path() / "three.args"), "/Y\n/L\n/d\n/data/with blank/set.cab\nthree\n");
    EXPECT_FALSE(fs::exists(record.path() / "wrong"));

    // The children were handed to init: nothing of ours is left to reap.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(Extraction, FallsBackToPathAndFailsQuietlyWhenMissing) {
    TempTree install, onPath, record;
    WriteExecutable(onPath.path() / "extrac32", kRecordingExtrac32);
    ScopedEnvironment env;
    env.Set("RECORD_DIR", record.path().string());
    env.Set("PATH", onPath.path().string() + ":/usr/bin:/bin");
    AppSettings.InstallDir = install.root();
    EXPECT_TRUE(StartExtrac32(ExtractionArguments("/d", "x.cab")));
    EXPECT_EQ(WaitForFile(record.path() / "x.cab.args"), "/Y\n/L\n/d\nx.cab\n");

    env.Set("PATH", install.path().string());
    EXPECT_FALSE(StartExtrac32(ExtractionArguments("/d", "x.cab")));
}

TEST(DesktopExecWord, QuotesAndEscapesOnlyWhatNeedsIt) {
    const struct {
        const char* program;
        const char* word;
    } cases[] = {
        {"/opt/corvex/bin/corvex", "/opt/corvex/bin/corvex"},
        {"/home/u/My Apps/corvex", "\"/home/u/My Apps/corvex\""},
        {"/a$b/corvex", "\"/a\\\\$b/corvex\""},       // \$ inside quotes, then the backslash doubled
        {"/100%/corvex", "/100%%/corvex"},
        {"/x\"y/corvex", "\"/x\\\\\"y/corvex\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopExecWord(c.program), c.word) << c.program;
}

TEST(MergeDefaultApplication, KeepsEveryOtherLine) {
    const std::string id = "corvex-cabinet.desktop";
    const std::string mime = "application/vnd.ms-cab-compressed";
    const std::string line = mime + "=" + id + ";";
    const struct {
        const char* name;
        std::string before;
        std::string after;
    } cases[] = {
        {"empty file", "", "[Default Applications]\n" + line + "\n"},
        {"other groups only", "[Added Associations]\ntext/plain=vim.desktop;\n",
         "[Added Associations]\ntext/plain=vim.desktop;\n\n[Default Applications]\n" + line + "\n"},
        {"defaults without cab",
         "# mine\n[Default Applications]\ntext/html=firefox.desktop\n\n[Removed Associations]\nimage/png=gimp.desktop;\n",
         "# mine\n[Default Applications]\ntext/html=firefox.desktop\n" + line +
             "\n\n[Removed Associations]\nimage/png=gimp.desktop;\n"},
        {"cab owned by another program",
         "[Default Applications]\n" + mime + "=file-roller.desktop;\ntext/html=firefox.desktop\n",
         "[Default Applications]\n" + line + "\ntext/html=firefox.desktop\n"},
        {"no final line break", "[Default Applications]\ntext/html=firefox.desktop",
         "[Default Applications]\ntext/html=firefox.desktop\n" + line + "\n"},
        {"already ours", "[Default Applications]\n" + line + "\n", "[Default Applications]\n" + line + "\n"},
    };
    for (const auto& c : cases) {
        const std::string merged = MergeDefaultApplication(c.before, mime, id);
        EXPECT_EQ(merged, c.after) << c.name;
        EXPECT_EQ(MergeDefaultApplication(merged, mime, id), merged) << c.name << " (twice)";
    }
}

class AssociationTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.Set("HOME", (home.path() / "home").string());
        env.Set("XDG_CONFIG_HOME", (home.path() / "config").string());
        env.Set("XDG_DATA_HOME", (home.path() / "data").string());
        env.Set("XDG_DATA_DIRS", (home.path() / "system").string());
        env.Set("XDG_CONFIG_DIRS", (home.path() / "system-config").string());
        env.Set("XDG_CURRENT_DESKTOP", std::nullopt);
        env.Set("DISPLAY", std::nullopt);
        // xdg-mime names an entry only when its program exists.
        WriteExecutable(install.path() / "corvex", "#!/bin/sh\n");
        AppSettings.InstallDir = install.root();
    }

    static std::string QueryDefault() {
        return test::CommandOutput("xdg-mime query default application/vnd.ms-cab-compressed 2>/dev/null");
    }

    TempTree home, install;
    ScopedEnvironment env;
};

TEST_F(AssociationTest, DesktopKnowsCorvexAsTheCabinetOpener) {
    ASSERT_EQ(QueryDefault(), "");
    RegisterFileAssociation();
    EXPECT_EQ(QueryDefault(), "corvex-cabinet.desktop\n");

    const std::string entry = ReadFile(home.path() / "data/applications/corvex-cabinet.desktop");
    EXPECT_NE(entry.find("\nExec=" + install.root() + "corvex %f\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nMimeType=application/vnd.ms-cab-compressed;\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon="), std::string::npos);
    const std::string validate = "desktop-file-validate '" +
                                 (home.path() / "data/applications/corvex-cabinet.desktop").string() + "'";
    EXPECT_EQ(std::system(validate.c_str()), 0);
}

TEST_F(AssociationTest, ExistingListKeepsItsLinesAndSecondRunChangesNothing) {
    const std::string before =
        "[Added Associations]\ntext/plain=gedit.desktop;\n\n"
        "[Default Applications]\napplication/vnd.ms-cab-compressed=file-roller.desktop\n"
        "text/html=firefox.desktop\n";
    WriteFile(home.path() / "config/mimeapps.list", before);
    RegisterFileAssociation();
    const std::string once = ReadFile(home.path() / "config/mimeapps.list");
    EXPECT_EQ(once,
              "[Added Associations]\ntext/plain=gedit.desktop;\n\n"
              "[Default Applications]\napplication/vnd.ms-cab-compressed=corvex-cabinet.desktop;\n"
              "text/html=firefox.desktop\n");
    const std::string entry = ReadFile(home.path() / "data/applications/corvex-cabinet.desktop");

    RegisterFileAssociation();
    EXPECT_EQ(ReadFile(home.path() / "config/mimeapps.list"), once);
    EXPECT_EQ(ReadFile(home.path() / "data/applications/corvex-cabinet.desktop"), entry);
    EXPECT_EQ(QueryDefault(), "corvex-cabinet.desktop\n");
}

TEST_F(AssociationTest, UnsetXdgVariablesMeanTheHomeDefaults) {
    env.Set("XDG_CONFIG_HOME", std::nullopt);
    env.Set("XDG_DATA_HOME", "");
    RegisterFileAssociation();
    EXPECT_TRUE(fs::exists(home.path() / "home/.local/share/applications/corvex-cabinet.desktop"));
    EXPECT_TRUE(fs::exists(home.path() / "home/.config/mimeapps.list"));
    EXPECT_EQ(QueryDefault(), "corvex-cabinet.desktop\n");
}

TEST(Help, ManualBesideTheProgramOrInstalledShare) {
    TempTree root;
    platform::OverrideExecutableDirectory(root.root() + "bin/");
    EXPECT_EQ(platform::HelpTopicPath(101), std::nullopt);
    std::string missing;
    EXPECT_EQ(platform::ShowHelpTopic(101, &missing), platform::HelpResult::ManualMissing);
    EXPECT_EQ(missing, root.root() + "bin/help/corvex.html");

    WriteFile(root.path() / "share/corvex/help/corvex.html", "<html></html>");
    fs::create_directories(root.path() / "bin");
    EXPECT_EQ(platform::HelpTopicPath(101), root.root() + "bin/../share/corvex/help/corvex.html");
    WriteFile(root.path() / "bin/help/corvex.html", "<html></html>");
    EXPECT_EQ(platform::HelpTopicPath(101), root.root() + "bin/help/corvex.html");
    platform::OverrideExecutableDirectory("");
}

TEST(Help, ManualIsBuiltBesideTheProgram) {
    const std::string manual = ReadFile(std::string(CORVEX_BIN_DIR) + "/help/corvex.html");
    EXPECT_NE(manual.find("id=\"topic-101\""), std::string::npos);
    EXPECT_NE(manual.find("lang=\"zh-Hant\""), std::string::npos);
}

} // namespace
} // namespace corvex
