// The process-wide settings record and its persistent store.
#pragma once

#include <cstdint>
#include <string>

namespace corvex {

struct TAppSettings {
    int32_t SafeDiskSpanning = 0; // kilobytes kept free on every disk of a spanned set
    int32_t CustomDisksize = 0;   // the custom disk size, in units of 1024 bytes
    std::string InstallDir;       // the running program's directory, ending in the separator
    std::string TemporaryDir;     // where Corvex.ddf, CORVEX.RPT and Corvex.INF go
    bool CreateSelfExtracting = false;
    bool GenerateINF = false;
    bool RecursiveAdd = false;
    bool IncludeEmptyDirectories = false;
};

extern TAppSettings AppSettings;

// Fills AppSettings from the store, writing the defaults of missing values. Throws the
// store's error (whose text names the value) on a value of the wrong type.
void LoadSettings();

// Writes AppSettings back (all but InstallDir).
void SaveSettings();

} // namespace corvex
