#include "CabinetSet.h"

#include "Report.h"
#include "SafeName.h"
#include "Signature.h"
#include "cabtools/CabFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace cabtools {

namespace {

constexpr size_t kMaxStoredName = kCabMaxNameBytes + 1; // with the terminating zero

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

size_t ReadFully(int fd, uint8_t* data, size_t size, off_t at) {
    size_t total = 0;
    while (total < size) {
        const ssize_t got = pread(fd, data + total, size - total, at + static_cast<off_t>(total));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        total += static_cast<size_t>(got);
    }
    return total;
}

std::string CheckHeaderOf(int fd, off_t base) {
    uint8_t header[kCabHeaderSize];
    if (ReadFully(fd, header, sizeof header, base) != sizeof header) {
        return "too short for a cabinet header";
    }
    const auto signature = CabinetSignature();
    if (std::memcmp(header, signature.data(), 4) != 0) {
        return "not a cabinet (no MSCF signature)";
    }
    const uint32_t filesAt = Get32(header + 16);
    const uint16_t folders = Get16(header + 26);
    const uint16_t flags = Get16(header + 30);
    uint64_t at = kCabHeaderSize;
    size_t folderReserve = 0;
    if (flags & kCabFlagReserve) {
        uint8_t sizes[4];
        if (ReadFully(fd, sizes, sizeof sizes, base + static_cast<off_t>(at)) != sizeof sizes) {
            return "truncated cabinet header";
        }
        folderReserve = sizes[2];
        at += sizeof sizes + Get16(sizes);
    }
    const int names = ((flags & kCabFlagPrevious) ? 2 : 0) + ((flags & kCabFlagNext) ? 2 : 0);
    for (int i = 0; i < names; ++i) {
        uint8_t text[kMaxStoredName];
        const size_t got = ReadFully(fd, text, sizeof text, base + static_cast<off_t>(at));
        const void* end = std::memchr(text, 0, got);
        if (end == nullptr) {
            return "truncated or overlong cabinet name in the header";
        }
        at += static_cast<size_t>(static_cast<const uint8_t*>(end) - text) + 1;
    }
    at += static_cast<uint64_t>(folders) * (kCabFolderSize + folderReserve);
    if (filesAt != at) {
        return "damaged or ambiguous cabinet: the header puts the file records at offset " +
               std::to_string(filesAt) + ", but they would follow the folder records at " +
               std::to_string(at);
    }
    return {};
}

// The file in dir whose name is storedName, exactly or else without regard to ASCII case.
std::optional<std::string> FindSibling(const std::string& dir, std::string_view storedName) {
    const std::string_view wanted = BaseName(storedName);
    if (wanted.empty() || wanted == "." || wanted == "..") {
        return std::nullopt;
    }
    const std::string prefix = dir.empty() ? std::string("./") : dir + "/";
    struct stat info;
    if (stat((prefix + std::string(wanted)).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        return prefix + std::string(wanted);
    }
    DIR* listing = opendir(dir.empty() ? "." : dir.c_str());
    if (listing == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> matches;
    while (const dirent* entry = readdir(listing)) {
        if (EqualsIgnoringAsciiCase(entry->d_name, wanted)) {
            matches.emplace_back(entry->d_name);
        }
    }
    closedir(listing);
    std::sort(matches.begin(), matches.end()); // the same choice on every run
    for (const std::string& name : matches) {
        if (stat((prefix + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            return prefix + name;
        }
    }
    return std::nullopt;
}

} // namespace

std::string CheckCabinetHeader(const IoSystem& sys, const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::strerror(errno);
    }
    off_t base = 0;
    if (const auto it = sys.baseOffsets.find(path); it != sys.baseOffsets.end()) {
        base = it->second;
    }
    std::string problem = CheckHeaderOf(fd, base);
    ::close(fd);
    return problem;
}

CabinetSet::~CabinetSet() {
    if (head_ != nullptr) {
        cabd_->close(cabd_, head_);
    }
}

mscabd_cabinet* CabinetSet::OpenOne(const std::string& path, bool reportErrors) {
    const std::string shown = sys_.DisplayName(path);
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        if (reportErrors) {
            Complain(shown + ": " + std::strerror(errno));
        }
        return nullptr;
    }
    for (const auto& [device, inode] : opened_) {
        if (device == info.st_dev && inode == info.st_ino) {
            Complain(shown + ": the cabinet set refers back to a cabinet already opened");
            return nullptr;
        }
    }
    const std::string problem = CheckCabinetHeader(sys_, path);
    if (!problem.empty()) {
        Complain(shown + ": " + problem);
        return nullptr;
    }
    paths_.push_back(path);
    mscabd_cabinet* cab = cabd_->open(cabd_, paths_.back().c_str());
    if (cab == nullptr) {
        Complain(shown + ": " + MspackErrorText(cabd_->last_error(cabd_)));
        paths_.pop_back();
        return nullptr;
    }
    opened_.emplace_back(info.st_dev, info.st_ino);
    return cab;
}

bool CabinetSet::Join(mscabd_cabinet* known, const char* storedName, bool forward) {
    const char* which = forward ? "next" : "previous";
    const std::string stored = storedName != nullptr ? storedName : "";
    const std::optional<std::string> path = FindSibling(siblingsDir_, stored);
    if (!path) {
        Complain(std::string(which) + " cabinet \"" + Printable(stored) + "\" of " +
                 sys_.DisplayName(known->filename) + " not found in " +
                 (siblingsDir_.empty() ? std::string(".") : siblingsDir_) +
                 "; files stored partly in it cannot be extracted");
        complete_ = false;
        return false;
    }
    mscabd_cabinet* other = OpenOne(*path, true);
    if (other == nullptr) {
        complete_ = false;
        return false;
    }
    const int error =
        forward ? cabd_->append(cabd_, known, other) : cabd_->prepend(cabd_, known, other);
    if (error != MSPACK_ERR_OK) {
        Complain(*path + ": does not continue " + sys_.DisplayName(known->filename) + " (" +
                 MspackErrorText(error) + ")");
        cabd_->close(cabd_, other);
        complete_ = false;
        return false;
    }
    (forward ? tail_ : head_) = other;
    return true;
}

bool CabinetSet::Open(const std::string& path, const std::string& siblingsDir) {
    siblingsDir_ = siblingsDir;
    mscabd_cabinet* cab = OpenOne(path, true);
    if (cab == nullptr) {
        return false;
    }
    head_ = tail_ = cab;
    while ((head_->flags & MSCAB_HDR_PREVCAB) && Join(head_, head_->prevname, false)) {
    }
    while ((tail_->flags & MSCAB_HDR_NEXTCAB) && Join(tail_, tail_->nextname, true)) {
    }
    return true;
}

} // namespace cabtools
