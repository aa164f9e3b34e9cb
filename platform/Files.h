// The per-user places on disk (home, the freedesktop base directories) and whole-file reads and
// replacements, shared by the settings store and the desktop association.
#pragma once

#include <optional>
#include <string>

namespace corvex::platform {

// $HOME, else the account's home directory, else "/".
std::string HomeDirectory();

// A freedesktop base directory: the variable when it holds an absolute path (a relative one is
// invalid and ignored), else the home directory followed by underHome (".config", ...).
std::string XdgDirectory(const char* variable, const char* underHome);

// Creates path and its missing parents with mode; true when path is a directory afterwards.
bool MakeDirectories(const std::string& path, unsigned mode);

// The whole file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces path with text through a temporary file beside it and a rename, so that a reader or
// a crash never sees half a file. The directory is created (with directoryMode) when missing.
enum class ReplaceResult {
    Replaced,
    CannotCreate, // the directory or the temporary file could not be made; nothing changed
    WriteFailed,  // writing, syncing or renaming failed; the old file is untouched
};
ReplaceResult ReplaceFile(const std::string& path, const std::string& text, unsigned directoryMode);

} // namespace corvex::platform
