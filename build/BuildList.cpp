#include "build/BuildList.h"

#include "app/State.h"
#include "common/Helpers.h"
#include "platform/Paths.h"
#include "settings/Settings.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace corvex {

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

std::string NamePart(const std::string& path) {
    const size_t sep = path.rfind(platform::kSeparator);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

// The walk asks FindDuplicate's question once per file; over a large tree a linear search of
// the rows would make the walk quadratic, so it keeps the rows' keys in a set instead.
class DuplicateIndex {
public:
    explicit DuplicateIndex(const TBuildList& list) {
        keys_.reserve(list.size() * 2 + 64);
        for (const BuildEntry& row : list)
            Insert(row.EntryName, row.TargetDir);
    }
    bool Contains(const std::string& name, const std::string& target) const {
        return keys_.count(Key(name, target)) != 0;
    }
    void Insert(const std::string& name, const std::string& target) { keys_.insert(Key(name, target)); }

private:
    // A name never holds a NUL byte, so the key separates name and target unambiguously.
    static std::string Key(const std::string& name, const std::string& target) {
        std::string key;
        key.reserve(name.size() + 1 + target.size());
        for (char c : name)
            key.push_back(FoldCase(c));
        key.push_back('\0');
        key += target;
        return key;
    }
    std::unordered_set<std::string> keys_;
};

enum class EntryKind { File, Directory, Other };

struct DirectoryEntry {
    std::string name;
    EntryKind kind;
};

EntryKind KindOf(int dirFd, const char* name, unsigned char type) {
    struct stat st {};
    switch (type) {
    case DT_REG:
        return EntryKind::File;
    case DT_DIR:
        return EntryKind::Directory;
    case DT_LNK:
        // A link counts as what it points to, except that linked directories are not entered.
        if (fstatat(dirFd, name, &st, 0) == 0 && S_ISREG(st.st_mode))
            return EntryKind::File;
        return EntryKind::Other;
    case DT_UNKNOWN:
        if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::Other;
        if (S_ISREG(st.st_mode))
            return EntryKind::File;
        if (S_ISDIR(st.st_mode))
            return EntryKind::Directory;
        if (S_ISLNK(st.st_mode))
            return KindOf(dirFd, name, DT_LNK);
        return EntryKind::Other;
    default:
        return EntryKind::Other;
    }
}

// Every entry but "." and "..", in byte order of the names. A directory that cannot be read
// gives no entries.
std::vector<DirectoryEntry> ListDirectory(const std::string& path) {
    std::vector<DirectoryEntry> entries;
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return entries;
    const int fd = dirfd(dir);
    while (const dirent* e = readdir(dir)) {
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        entries.push_back({name, KindOf(fd, name, e->d_type)});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return entries;
}

// Makes the placeholder unless something of that name is there already: a file the user keeps
// under that name (passed over as a duplicate, which left the directory looking empty) must
// not be truncated.
void CreatePlaceholder(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0)
        close(fd);
}

// The disk directory and the directory inside the cabinet are carried side by side: on disk
// the separator is '/', inside the cabinet a backslash, and a name on disk may itself hold a
// backslash, so one cannot be derived from the other.
int32_t Walk(const std::string& diskDir, const std::string& target, TBuildList& list, bool recursive,
             DuplicateIndex& index) {
    int32_t count = 0;
    for (const DirectoryEntry& entry : ListDirectory(diskDir)) {
        if (entry.kind == EntryKind::File) {
            if (index.Contains(entry.name, target))
                continue;
            ++count;
            const int32_t size = FileSizeOf(diskDir + entry.name);
            TotalBytes = AddWrapped(TotalBytes, size);
            list.push_back({entry.name, diskDir, target, FormatGrouped(size)});
            index.Insert(entry.name, target);
        } else if (entry.kind == EntryKind::Directory && recursive) {
            ++count;
            const std::string subDisk = diskDir + entry.name + platform::kSeparator;
            const std::string subTarget = target + entry.name + '\\';
            if (Walk(subDisk, subTarget, list, true, index) == 0 && AppSettings.IncludeEmptyDirectories) {
                CreatePlaceholder(subDisk + kPlaceholderName);
                list.push_back({kPlaceholderName, subDisk, subTarget, "0"});
                index.Insert(kPlaceholderName, subTarget);
            }
        }
    }
    return count;
}

} // namespace

bool FindDuplicate(const TBuildList& list, const std::string& path, const std::string& target) {
    const std::string name = NamePart(path);
    for (const BuildEntry& row : list)
        if (row.TargetDir == target && SameNameIgnoringCase(row.EntryName, name))
            return true;
    return false;
}

bool AddFileToList(TBuildList& list, const std::string& fullPath) {
    const size_t sep = fullPath.rfind(platform::kSeparator);
    const std::string sourceDir = sep == std::string::npos ? std::string() : fullPath.substr(0, sep + 1);
    const std::string name = sep == std::string::npos ? fullPath : fullPath.substr(sep + 1);
    if (FindDuplicate(list, name, std::string()))
        return false;
    const int32_t size = FileSizeOf(fullPath);
    TotalBytes = AddWrapped(TotalBytes, size);
    list.push_back({name, sourceDir, std::string(), FormatGrouped(size)});
    return true;
}

int32_t AddDirectoryTree(const std::string& base, const std::string& relative, TBuildList& list,
                         bool recursive) {
    std::string diskRelative = relative;
    std::replace(diskRelative.begin(), diskRelative.end(), '\\', platform::kSeparator);
    DuplicateIndex index(list);
    return Walk(base + diskRelative, relative, list, recursive, index);
}

void RemoveRow(TBuildList& list, size_t index) {
    const int32_t size = ParseGrouped(list.at(index).SizeText);
    TotalBytes = SubtractWrapped(TotalBytes, size);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

} // namespace corvex
