#include "settings/Settings.h"

#include "platform/Environment.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

namespace corvex {

TAppSettings AppSettings;

namespace {
const char* const kKey = "SOFTWARE\\Talvern\\Corvex";
const char* const kInstallDir = "InstallDir";
const char* const kTemporaryDir = "TemporaryDir";
const char* const kCreateSelfExtracting = "CreateSelfExtracting";
const char* const kGenerateINF = "GenerateINF";
const char* const kRecursiveAdd = "Recursively add directories";
const char* const kIncludeEmptyDirectories = "Include empty directories";
const char* const kSafeDiskSpanning = "Safe Disk Spanning";
const char* const kCustomDisksize = "Custom Disksize";

void LoadBool(platform::TRegistry& registry, const char* name, bool& field) {
    if (registry.ValueExists(name)) {
        field = registry.ReadBool(name);
    } else {
        field = false;
        registry.WriteBool(name, false);
    }
}

void LoadInteger(platform::TRegistry& registry, const char* name, int32_t& field) {
    if (registry.ValueExists(name))
        field = registry.ReadInteger(name);
    else
        registry.WriteInteger(name, field);
}
} // namespace

void LoadSettings() {
    platform::TRegistry registry;
    // Not tested: a key that cannot be created shows itself at the first write.
    registry.OpenKey(kKey, true);
    // Always from the running program, so a moved installation corrects itself.
    AppSettings.InstallDir = platform::ExecutableDirectory();
    registry.WriteString(kInstallDir, AppSettings.InstallDir);
    if (registry.ValueExists(kTemporaryDir)) {
        AppSettings.TemporaryDir = registry.ReadString(kTemporaryDir);
    } else {
        AppSettings.TemporaryDir = platform::GetEnvironment("TMP").value_or("");
        registry.WriteString(kTemporaryDir, AppSettings.TemporaryDir);
    }
    LoadBool(registry, kCreateSelfExtracting, AppSettings.CreateSelfExtracting);
    LoadBool(registry, kGenerateINF, AppSettings.GenerateINF);
    LoadBool(registry, kRecursiveAdd, AppSettings.RecursiveAdd);
    LoadBool(registry, kIncludeEmptyDirectories, AppSettings.IncludeEmptyDirectories);
    LoadInteger(registry, kSafeDiskSpanning, AppSettings.SafeDiskSpanning);
    LoadInteger(registry, kCustomDisksize, AppSettings.CustomDisksize);
    registry.CloseKey();
}

void SaveSettings() {
    platform::TRegistry registry;
    if (!registry.OpenKey(kKey, true))
        return;
    registry.WriteString(kTemporaryDir, AppSettings.TemporaryDir);
    registry.WriteBool(kCreateSelfExtracting, AppSettings.CreateSelfExtracting);
    registry.WriteBool(kGenerateINF, AppSettings.GenerateINF);
    registry.WriteBool(kRecursiveAdd, AppSettings.RecursiveAdd);
    registry.WriteBool(kIncludeEmptyDirectories, AppSettings.IncludeEmptyDirectories);
    registry.WriteInteger(kSafeDiskSpanning, AppSettings.SafeDiskSpanning);
    registry.WriteInteger(kCustomDisksize, AppSettings.CustomDisksize);
    registry.CloseKey();
}

} // namespace corvex
