#include "StoreFixture.h"

namespace corvex {
namespace {

using platform::RegistryError;
using test::StoreTest;

const char* const kHeader = "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Talvern\\Corvex]\n";

class Settings : public StoreTest {};

TEST_F(Settings, FirstStartWritesEveryValueWithItsDefault) {
    LoadSettings();
    EXPECT_EQ(StoreText(), std::string(kHeader) + "\"InstallDir\"=\"/opt/corvex/\"\n"
                                                  "\"TemporaryDir\"=\"/scratch/tmp/\"\n"
                                                  "\"CreateSelfExtracting\"=dword:00000000\n"
                                                  "\"GenerateINF\"=dword:00000000\n"
                                                  "\"Recursively add directories\"=dword:00000000\n"
                                                  "\"Include empty directories\"=dword:00000000\n"
                                                  "\"Safe Disk Spanning\"=dword:00000000\n"
                                                  "\"Custom Disksize\"=dword:00000000\n");
    EXPECT_EQ(AppSettings.InstallDir, "/opt/corvex/");
    EXPECT_EQ(AppSettings.TemporaryDir, "/scratch/tmp/");
    EXPECT_FALSE(AppSettings.CreateSelfExtracting || AppSettings.GenerateINF ||
                 AppSettings.RecursiveAdd || AppSettings.IncludeEmptyDirectories);
    EXPECT_EQ(AppSettings.SafeDiskSpanning, 0);
    EXPECT_EQ(AppSettings.CustomDisksize, 0);
    // Written whole and renamed: nothing else is left beside the store.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ + "/config/corvex"), {}), 1);
}

TEST_F(Settings, FirstStartWithoutTmpStoresAnEmptyTemporaryDir) {
    platform::SetEnvironment("TMP", std::nullopt);
    LoadSettings();
    EXPECT_EQ(AppSettings.TemporaryDir, "");
    platform::TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("SOFTWARE\\Talvern\\Corvex", false));
    ASSERT_TRUE(registry.ValueExists("TemporaryDir"));
    EXPECT_EQ(registry.ReadString("TemporaryDir"), "");
}

TEST_F(Settings, StoredValuesAreReadAndOnlyAMissingOneIsRecreated) {
    WriteStore(std::string(kHeader) + "\"InstallDir\"=\"/somewhere/else/\"\n"
                                      "\"TemporaryDir\"=\"/data/tmp\"\n"
                                      "\"CreateSelfExtracting\"=dword:00000001\n"
                                      "\"Recursively add directories\"=dword:00000001\n"
                                      "\"Include empty directories\"=dword:00000000\n"
                                      "\"Safe Disk Spanning\"=dword:00000014\n"
                                      "\"Custom Disksize\"=dword:ffffffff\n");
    LoadSettings();
    EXPECT_EQ(AppSettings.InstallDir, "/opt/corvex/");
    EXPECT_EQ(AppSettings.TemporaryDir, "/data/tmp");
    EXPECT_TRUE(AppSettings.CreateSelfExtracting);
    EXPECT_FALSE(AppSettings.GenerateINF);
    EXPECT_TRUE(AppSettings.RecursiveAdd);
    EXPECT_FALSE(AppSettings.IncludeEmptyDirectories);
    EXPECT_EQ(AppSettings.SafeDiskSpanning, 20);
    EXPECT_EQ(AppSettings.CustomDisksize, -1);
    EXPECT_EQ(StoreText(), std::string(kHeader) +
                               "\"InstallDir\"=\"/opt/corvex/\"\n" // the moved program corrects it
                               "\"TemporaryDir\"=\"/data/tmp\"\n"
                               "\"CreateSelfExtracting\"=dword:00000001\n"
                               "\"Recursively add directories\"=dword:00000001\n"
                               "\"Include empty directories\"=dword:00000000\n"
                               "\"Safe Disk Spanning\"=dword:00000014\n"
                               "\"Custom Disksize\"=dword:ffffffff\n"
                               "\"GenerateINF\"=dword:00000000\n");
}

TEST_F(Settings, BoolStoredAsFiveReadsTrueAndIsSavedAsOne) {
    WriteStore(std::string(kHeader) + "\"GenerateINF\"=dword:00000005\n");
    LoadSettings();
    EXPECT_TRUE(AppSettings.GenerateINF);
    SaveSettings();
    platform::TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("SOFTWARE\\Talvern\\Corvex", false));
    EXPECT_EQ(registry.ReadInteger("GenerateINF"), 1);
}

TEST_F(Settings, WrongTypesStopTheLoadAtTheirValue) {
    struct Case {
        const char* line;
        const char* error;
    } const cases[] = {
        {"\"GenerateINF\"=\"1\"\n", "Invalid data type for 'GenerateINF'"},
        {"\"GenerateINF\"=hex:01,00,00,00\n", "Invalid data type for 'GenerateINF'"},
        {"\"Safe Disk Spanning\"=hex(b):01,00,00,00,00,00,00,00\n",
         "Failed to get data for 'Safe Disk Spanning'"},
        {"\"Custom Disksize\"=hex(2):31,32,33,34,00\n", "Failed to get data for 'Custom Disksize'"},
        {"\"Custom Disksize\"=hex(2):31,32,00\n", "Invalid data type for 'Custom Disksize'"},
        {"\"TemporaryDir\"=dword:00000001\n", "Invalid data type for 'TemporaryDir'"},
        {"\"TemporaryDir\"=hex(7):61,00,00\n", "Invalid data type for 'TemporaryDir'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        WriteStore(std::string(kHeader) + c.line);
        AppSettings = {};
        try {
            LoadSettings();
            ADD_FAILURE() << "no error";
        } catch (const RegistryError& error) {
            EXPECT_STREQ(error.what(), c.error);
        }
    }
}

TEST_F(Settings, LoadStopsAtTheFirstBadValueAndReadsNoLaterOne) {
    WriteStore(std::string(kHeader) + "\"GenerateINF\"=\"yes\"\n");
    EXPECT_THROW(LoadSettings(), RegistryError);
    // Values after the bad one were neither read nor created.
    EXPECT_EQ(StoreText().find("Recursively add directories"), std::string::npos);
    EXPECT_NE(StoreText().find("CreateSelfExtracting"), std::string::npos);
}

TEST_F(Settings, ExpandStringIsTakenLiterally) {
    // "$HOME/tmp" as REG_EXPAND_SZ, nothing expanded.
    WriteStore(std::string(kHeader) + "\"TemporaryDir\"=hex(2):24,48,4f,4d,45,2f,74,6d,70,00\n");
    LoadSettings();
    EXPECT_EQ(AppSettings.TemporaryDir, "$HOME/tmp");
}

TEST_F(Settings, SaveWritesEverythingButInstallDirAsHeld) {
    LoadSettings();
    AppSettings.InstallDir = "/changed/";
    AppSettings.TemporaryDir = "/no/trailing \"quote\" \\ slash";
    AppSettings.CreateSelfExtracting = true;
    AppSettings.IncludeEmptyDirectories = true;
    AppSettings.SafeDiskSpanning = 12;
    AppSettings.CustomDisksize = -5;
    SaveSettings();
    AppSettings = {};
    LoadSettings();
    EXPECT_EQ(AppSettings.InstallDir, "/opt/corvex/");
    EXPECT_EQ(AppSettings.TemporaryDir, "/no/trailing \"quote\" \\ slash");
    EXPECT_TRUE(AppSettings.CreateSelfExtracting);
    EXPECT_FALSE(AppSettings.GenerateINF);
    EXPECT_TRUE(AppSettings.IncludeEmptyDirectories);
    EXPECT_EQ(AppSettings.SafeDiskSpanning, 12);
    EXPECT_EQ(AppSettings.CustomDisksize, -5);
    EXPECT_NE(StoreText().find("\"InstallDir\"=\"/opt/corvex/\""), std::string::npos);
}

TEST_F(Settings, StoreThatCannotBeCreated) {
    // The configuration directory is a plain file: the key can be neither opened nor created.
    std::ofstream(dir_ + "/config") << "not a directory";
    try {
        LoadSettings();
        ADD_FAILURE() << "no error";
    } catch (const RegistryError& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'InstallDir'");
    }
    AppSettings.GenerateINF = true;
    EXPECT_NO_THROW(SaveSettings());
}

} // namespace
} // namespace corvex
