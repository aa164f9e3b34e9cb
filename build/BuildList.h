// The rows of files for a new cabinet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvex {

// One row of the build list: the file SourceDir + EntryName is stored in the cabinet as
// TargetDir + EntryName. All four are byte strings; SourceDir ends in the separator, TargetDir
// is empty (the cabinet's root) or a relative path ending in a backslash.
struct BuildEntry {
    std::string EntryName;
    std::string SourceDir;
    std::string TargetDir;
    std::string SizeText; // FormatGrouped of the size, "0" for a placeholder
};

using TBuildList = std::vector<BuildEntry>;

// The name of the placeholder file that stands for an empty directory in a cabinet.
inline constexpr const char* kPlaceholderName = "null";

// True when a row already stores a file of that name (compared without regard to ASCII letter
// case) under target (compared byte for byte). Only the part of path after its last separator
// is used, so a full path and a bare name both do.
bool FindDuplicate(const TBuildList& list, const std::string& path, const std::string& target);

// Appends a row for the file at fullPath to the cabinet's root unless FindDuplicate says it is
// there already; its size goes into TotalBytes. Gives true when a row was appended.
bool AddFileToList(TBuildList& list, const std::string& fullPath);

// Walks base + relative (base ends in the separator, relative is empty or ends in a
// backslash) and appends a row for each file not yet in the list, recursing into
// subdirectories when asked. With recursion and AppSettings.IncludeEmptyDirectories a
// subdirectory that adds nothing gets a placeholder file and row. Sizes go into TotalBytes.
//
// Entries are taken in byte order of their names, so the same tree always gives the same rows.
// A directory counts only when it is a real directory: links to directories are not followed
// (they could loop). Links to files count as the files. Anything that is neither a regular
// file nor a directory (fifos, sockets, devices, dangling links) is passed over, since the
// builder could not read it as a file.
//
// Gives the number of rows added for files directly in the directory plus the number of
// subdirectories met in a recursive walk.
int32_t AddDirectoryTree(const std::string& base, const std::string& relative, TBuildList& list,
                         bool recursive);

// Subtracts the row's size (read back from its SizeText) from TotalBytes and erases it.
// Throws ConvertError when the size text is not a number; the row then stays.
void RemoveRow(TBuildList& list, size_t index);

} // namespace corvex
