// Making Corvex the program that opens cabinets from the desktop.
#pragma once

#include <string>

namespace corvex {

inline constexpr const char* kCabinetMimeType = "application/vnd.ms-cab-compressed";
inline constexpr const char* kAssociationDesktopId = "corvex-cabinet.desktop";

// Registers AppSettings.InstallDir's corvex as the opener of .cab files. On Windows the
// three HKEY_CLASSES_ROOT keys; on a freedesktop system a desktop entry in
// $XDG_DATA_HOME/applications made the default for cabinets in $XDG_CONFIG_HOME/mimeapps.list.
// A place that cannot be opened is skipped silently; a write that fails once its file or key
// is open throws std::runtime_error("Failed to set data for ''").
void RegisterFileAssociation();

// The pieces of the freedesktop form, exposed so that they can be checked on their own.
struct AssociationFiles {
    std::string desktopEntry; // .../applications/corvex-cabinet.desktop
    std::string mimeappsList; // .../mimeapps.list
};
AssociationFiles AssociationLocations();

// The desktop entry that starts program with the cabinet's path, showing icon.
std::string DesktopEntryText(const std::string& program, const std::string& icon);

// The Exec= word for one program path, quoted and escaped as desktop entries require.
std::string DesktopExecWord(const std::string& program);

// existing (the text of a mimeapps.list, possibly empty) with desktopId made the default for
// mimeType in [Default Applications]; every other line is kept as it was.
std::string MergeDefaultApplication(const std::string& existing, const std::string& mimeType,
                                    const std::string& desktopId);

} // namespace corvex
