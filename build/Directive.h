// The directive file that tells makecab what to build.
#pragma once

#include "build/BuildList.h"

#include <cstdint>
#include <string>

namespace corvex {

// Entries of ComboBoxSize, by position.
enum TDiskSizeEntry {
    DiskSizeUnlimited = 0,
    DiskSize144M = 1,
    DiskSize720K = 2,
    DiskSizeZip100M = 3,
    DiskSizeFlyer230M = 4,
    DiskSizeCustom = 5,
};
inline constexpr int kDiskSizeEntryCount = 6;

// Entries of ComboBoxCompressionType, by position.
enum TCompressionEntry {
    CompressionLZX = 0,
    CompressionMSZIP = 1,
    CompressionNone = 2,
};

// The disk size in bytes of each entry of ComboBoxSize; the custom entry's is
// AppSettings.CustomDisksize * 1024, taken when asked. 0 means no limit.
int32_t DiskSizeTable(int entry);

// The disk size of the entry with AppSettings.SafeDiskSpanning kilobytes kept free (a limit of 0
// stays 0). Values leaving the 32-bit range wrap; they are written as they come.
int32_t DiskSizeFor(int entry);

// Where the directive goes: AppSettings.TemporaryDir + "Corvex.ddf".
std::string DirectivePath();

// The cabinet path's directory (ending in the separator, empty when the path has none) and its
// file name without the extension (from the last dot of the name on).
std::string CabinetDirectory(const std::string& cabinetPath);
std::string CabinetBaseName(const std::string& cabinetPath);

struct TDirectiveResult {
    bool written = false;
    std::string path;    // the directive file
    std::string badName; // a path the directive syntax cannot carry, when that stopped it
    int error = 0;       // the system's error number when the file could not be written
};

// The directive's text, CR LF line ends, texts written byte for byte.
std::string DirectiveText(const TBuildList& rows, const std::string& cabinetPath, int diskSizeEntry,
                          int compressionEntry, int32_t lzxMemory);

// Writes DirectiveText to DirectivePath(), replacing an existing file. Refuses (writing nothing)
// when a path it would write (a row's source or name in the cabinet, the cabinet's directory or
// base name, the temporary directory) holds a double quote or a line end: each would end the
// quoted text early or start a new directive line, and no form of quoting carries them. Names
// like that cannot occur on Windows, but can on Linux.
TDirectiveResult WriteDirectiveFile(const TBuildList& rows, const std::string& cabinetPath,
                                    int diskSizeEntry, int compressionEntry, int32_t lzxMemory);

} // namespace corvex
