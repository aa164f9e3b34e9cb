#include "build/BuildList.h"

#include "app/State.h"
#include "common/Helpers.h"
#include "platform/Paths.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace corvex {

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
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

// The walk asks FindDuplicate's question once per file. A linear search of the rows would make
// the walk of a large tree quadratic, so the walk keeps an index of the rows: an open-addressed
// table of row numbers by a hash of the folded name and the target, each hit checked against
// the row itself. It allocates nothing per file, which keeps the walk close to the cost of
// reading the directories.
class DuplicateIndex {
  public:
    explicit DuplicateIndex(const TBuildList& list) : list_(list) {
        Grow(list.size() * 2 + 1024);
        for (size_t i = 0; i < list.size(); ++i)
            Place(HashOf(TargetSeed(list[i].TargetDir), list[i].EntryName),
                  static_cast<uint32_t>(i));
    }

    // The hash of a target, from which the hashes of the names under it continue.
    static uint64_t TargetSeed(const std::string& target) {
        uint64_t h = 1469598103934665603ull;
        for (unsigned char c : target)
            h = (h ^ c) * 1099511628211ull;
        return (h ^ 0xffu) * 1099511628211ull; // a byte no text holds ends the target
    }
    static uint64_t HashOf(uint64_t seed, std::string_view name) {
        uint64_t h = seed;
        for (char c : name)
            h = (h ^ static_cast<unsigned char>(FoldCase(c))) * 1099511628211ull;
        // FNV leaves its low bits weak and the table indexes by them: mix the high bits down.
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdull;
        h ^= h >> 33;
        return h;
    }

    // Whether a row stores name under target.
    bool Contains(uint64_t hash, std::string_view name, const std::string& target) const {
        for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
            if (slots_[i].row == kEmpty)
                return false;
            if (slots_[i].hash == hash) {
                const BuildEntry& row = list_[slots_[i].row];
                if (row.TargetDir == target && SameNameIgnoringCase(row.EntryName, name))
                    return true;
            }
        }
    }

    // Records the row just appended to the list.
    void Added(uint64_t hash) {
        if ((used_ + 1) * 2 > slots_.size())
            Grow(slots_.size() * 2);
        Place(hash, static_cast<uint32_t>(list_.size() - 1));
    }

  private:
    static constexpr uint32_t kEmpty = 0xffffffffu;
    struct Slot {
        uint64_t hash = 0;
        uint32_t row = kEmpty;
    };

    void Place(uint64_t hash, uint32_t row) {
        size_t i = hash & mask_;
        while (slots_[i].row != kEmpty)
            i = (i + 1) & mask_;
        slots_[i] = {hash, row};
        ++used_;
    }
    void Grow(size_t wanted) {
        size_t size = 1024;
        while (size < wanted)
            size *= 2;
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(size, Slot{});
        mask_ = size - 1;
        used_ = 0;
        for (const Slot& s : old)
            if (s.row != kEmpty)
                Place(s.hash, s.row);
    }

    const TBuildList& list_;
    std::vector<Slot> slots_;
    size_t mask_ = 0;
    size_t used_ = 0;
};

enum class EntryKind { File, Directory, Other };

struct DirectoryEntry {
    size_t start; // of the name in the listing's names
    size_t length;
    EntryKind kind;
    int32_t size; // files only
};

// One directory's entries, their names kept in one buffer: sorting and skipping them then
// costs no allocation per name.
struct DirectoryListing {
    std::string names;
    std::vector<DirectoryEntry> entries;
    std::string_view NameOf(const DirectoryEntry& e) const {
        return {names.data() + e.start, e.length};
    }
};

// What an entry is, and a file's size. A link counts as what it points to, except that linked
// directories are not entered. The size is the one FileSizeOf gives for a file it can open,
// wrapped to 32 bits the same way; it is taken from the file's status, one system call, where
// opening and seeking would cost five and make the walk of a large tree several times slower.
// A file that cannot be read gets its real size: the builder reports such a file itself.
EntryKind Classify(int dirFd, const char* name, unsigned char type, int32_t& size) {
    struct stat st {};
    if (type == DT_DIR)
        return EntryKind::Directory;
    if (type == DT_UNKNOWN) {
        if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::Other;
        if (S_ISDIR(st.st_mode))
            return EntryKind::Directory;
        type = S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_UNKNOWN;
    }
    if (type != DT_REG && type != DT_LNK)
        return EntryKind::Other;
    if (fstatat(dirFd, name, &st, 0) != 0 || !S_ISREG(st.st_mode))
        return EntryKind::Other;
    size = st.st_size > 0 ? static_cast<int32_t>(static_cast<uint32_t>(st.st_size)) : 0;
    return EntryKind::File;
}

// Every entry but "." and "..", in byte order of the names. A directory that cannot be read
// gives no entries. The directory is closed again before its subdirectories are walked, so
// the depth of a tree never runs the process out of file handles.
DirectoryListing ListDirectory(const std::string& path) {
    DirectoryListing listing;
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return listing;
    const int fd = dirfd(dir);
    while (const dirent* e = readdir(dir)) {
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        int32_t size = 0;
        const EntryKind kind = Classify(fd, name, e->d_type, size);
        if (kind == EntryKind::Other)
            continue;
        const size_t length = std::strlen(name);
        listing.entries.push_back({listing.names.size(), length, kind, size});
        listing.names.append(name, length);
    }
    closedir(dir);
    std::sort(listing.entries.begin(), listing.entries.end(),
              [&listing](const DirectoryEntry& a, const DirectoryEntry& b) {
                  return listing.NameOf(a) < listing.NameOf(b);
              });
    return listing;
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
int32_t Walk(const std::string& diskDir, const std::string& target, TBuildList& list,
             bool recursive, DuplicateIndex& index) {
    int32_t count = 0;
    const uint64_t seed = DuplicateIndex::TargetSeed(target);
    const DirectoryListing listing = ListDirectory(diskDir);
    for (const DirectoryEntry& entry : listing.entries) {
        const std::string_view name = listing.NameOf(entry);
        if (entry.kind == EntryKind::File) {
            const uint64_t hash = DuplicateIndex::HashOf(seed, name);
            if (index.Contains(hash, name, target))
                continue;
            ++count;
            TotalBytes = AddWrapped(TotalBytes, entry.size);
            list.emplace_back(std::string(name), diskDir, target, FormatGrouped(entry.size));
            index.Added(hash);
        } else if (entry.kind == EntryKind::Directory && recursive) {
            ++count;
            const std::string subDisk = std::string(diskDir).append(name) + platform::kSeparator;
            const std::string subTarget = std::string(target).append(name) + '\\';
            if (Walk(subDisk, subTarget, list, true, index) == 0 &&
                AppSettings.IncludeEmptyDirectories) {
                CreatePlaceholder(subDisk + kPlaceholderName);
                list.push_back({kPlaceholderName, subDisk, subTarget, "0"});
                index.Added(DuplicateIndex::HashOf(DuplicateIndex::TargetSeed(subTarget),
                                                   kPlaceholderName));
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
    const std::string sourceDir =
        sep == std::string::npos ? std::string() : fullPath.substr(0, sep + 1);
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
