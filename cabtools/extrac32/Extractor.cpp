#include "Extractor.h"

#include "Report.h"
#include "SafeName.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cabtools {

namespace {

std::string Grouped(unsigned long long value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

bool Matches(const mscabd_file* file, const std::optional<std::string>& filter) {
    return !filter || EqualsIgnoringAsciiCase(BaseName(file->filename), *filter);
}

bool ValidStamp(const mscabd_file* file) {
    return file->date_m >= 1 && file->date_m <= 12 && file->date_d >= 1 && file->date_d <= 31 &&
           file->time_h >= 0 && file->time_h <= 23 && file->time_m >= 0 && file->time_m <= 59 &&
           file->time_s >= 0 && file->time_s <= 59;
}

// Cabinets hold local time without a zone, as the writing machine's clock showed it.
bool StampOf(const mscabd_file* file, time_t& stamp) {
    if (!ValidStamp(file)) {
        return false;
    }
    struct tm parts {};
    parts.tm_year = file->date_y - 1900;
    parts.tm_mon = file->date_m - 1;
    parts.tm_mday = file->date_d;
    parts.tm_hour = file->time_h;
    parts.tm_min = file->time_m;
    parts.tm_sec = file->time_s;
    parts.tm_isdst = -1;
    stamp = mktime(&parts);
    return stamp != static_cast<time_t>(-1);
}

void CloseQuietly(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

} // namespace

Extractor::Extractor(IoSystem& sys, mscab_decompressor* cabd, ExtractSettings settings)
    : sys_(sys), cabd_(cabd), settings_(std::move(settings)) {
    const mode_t current = umask(0);
    umask(current);
    umask_ = current;
    temporaryPrefix_ = ".extrac32-" + std::to_string(getpid()) + "-";
}

Extractor::~Extractor() { CloseDirectoriesFrom(0); }

void Extractor::CloseDirectoriesFrom(size_t depth) {
    while (openFds_.size() > depth) {
        CloseQuietly(openFds_.back());
        openFds_.pop_back();
    }
    if (openPath_.size() + 1 > openFds_.size()) {
        openPath_.resize(openFds_.empty() ? 0 : openFds_.size() - 1);
    }
}

bool Extractor::OpenDestination() {
    // The destination is the user's own choice, so links in it are followed as usual.
    std::string path = settings_.destination;
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            const std::string prefix = path.substr(0, at);
            if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
                Complain("cannot create " + Printable(prefix) + ": " + std::strerror(errno));
                return false;
            }
        }
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        Complain("cannot open the destination " + Printable(path) + ": " + std::strerror(errno));
        return false;
    }
    openFds_.push_back(fd);
    return true;
}

int Extractor::DirectoryFor(const std::vector<std::string>& directories, const std::string& shown) {
    size_t common = 0;
    while (common < openPath_.size() && common < directories.size() &&
           openPath_[common] == directories[common]) {
        ++common;
    }
    CloseDirectoriesFrom(common + 1);
    openPath_.resize(common);
    for (size_t i = common; i < directories.size(); ++i) {
        const int parent = openFds_.back();
        const char* part = directories[i].c_str();
        const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int fd = openat(parent, part, flags);
        if (fd < 0 && errno == ENOENT) {
            if (mkdirat(parent, part, 0777) != 0 && errno != EEXIST) {
                Complain(shown + ": cannot create directory " + Printable(directories[i]) + ": " +
                         std::strerror(errno));
                return -1;
            }
            fd = openat(parent, part, flags);
        }
        if (fd < 0) {
            const int error = errno;
            struct stat info;
            if (fstatat(parent, part, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
                Complain(shown + ": refused: " + Printable(directories[i]) +
                         " in the destination is a symbolic link, which is not followed");
            } else {
                Complain(shown + ": cannot open directory " + Printable(directories[i]) + ": " +
                         std::strerror(error));
            }
            return -1;
        }
        openFds_.push_back(fd);
        openPath_.push_back(directories[i]);
    }
    return openFds_.back();
}

Extractor::Decision Extractor::DecideAboutExisting(int directory, const std::string& leaf,
                                                   const std::string& shown) {
    struct stat info;
    if (fstatat(directory, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            return Decision::Write;
        }
        Complain(shown + ": " + std::strerror(errno));
        return Decision::Fail;
    }
    if (S_ISDIR(info.st_mode)) {
        Complain(shown + ": a directory of that name is in the way");
        return Decision::Fail;
    }
    if (settings_.overwrite) {
        return Decision::Replace;
    }
    if (!settings_.askOnTerminal) {
        Complain(shown + ": exists, not replaced (/Y replaces existing files)");
        return Decision::Fail;
    }
    for (;;) {
        std::fprintf(stderr, "extrac32: %s exists. Replace it? (Yes/No/All) ", shown.c_str());
        std::fflush(stderr);
        char answer[64];
        if (std::fgets(answer, sizeof answer, stdin) == nullptr) {
            std::fputc('\n', stderr);
            return Decision::Keep;
        }
        switch (answer[0]) {
        case 'y':
        case 'Y':
            return Decision::Replace;
        case 'a':
        case 'A':
            settings_.overwrite = true;
            return Decision::Replace;
        case 'n':
        case 'N':
            return Decision::Keep;
        default:
            break; // ask again
        }
    }
}

bool Extractor::ExtractOne(mscabd_file* file) {
    const std::string shown = Printable(file->filename);
    const SafeName name = MakeSafeName(file->filename, (file->attribs & MSCAB_ATTRIB_UTF_NAME) != 0);
    if (!name.ok()) {
        Complain(shown + ": refused: " + name.refusal);
        return false;
    }
    std::vector<std::string> directories(name.components.begin(), name.components.end() - 1);
    const std::string& leaf = name.components.back();
    const int directory = DirectoryFor(directories, shown);
    if (directory < 0) {
        return false;
    }
    const Decision decision = DecideAboutExisting(directory, leaf, shown);
    if (decision == Decision::Keep) {
        return true;
    }
    if (decision == Decision::Fail) {
        return false;
    }

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryPrefix_ + std::to_string(++temporaryCounter_);
        fd = openat(directory, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0600);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        Complain(shown + ": cannot create a file: " + std::strerror(errno));
        return false;
    }
    auto discard = [&](const std::string& why) {
        CloseQuietly(fd);
        unlinkat(directory, temporary.c_str(), 0);
        Complain(shown + ": " + why);
        return false;
    };

    sys_.outputFd = fd;
    sys_.outputErrno = 0;
    const int error = cabd_->extract(cabd_, file, file->filename);
    sys_.outputFd = -1;
    if (sys_.outputErrno != 0) {
        return discard(std::string("write error: ") + std::strerror(sys_.outputErrno));
    }
    if (error != MSPACK_ERR_OK) {
        return discard(MspackErrorText(error));
    }

    mode_t mode = (file->attribs & MSCAB_ATTRIB_EXEC) ? 0777 : 0666;
    if (file->attribs & MSCAB_ATTRIB_RDONLY) {
        mode &= ~static_cast<mode_t>(0222);
    }
    mode &= ~static_cast<mode_t>(umask_);
    if (fchmod(fd, mode) != 0) {
        return discard(std::string("cannot set permissions: ") + std::strerror(errno));
    }
    time_t stamp;
    if (StampOf(file, stamp)) {
        const struct timespec times[2] = {{stamp, 0}, {stamp, 0}};
        if (futimens(fd, times) != 0) {
            return discard(std::string("cannot set the time: ") + std::strerror(errno));
        }
    }
    if (::close(fd) != 0) {
        fd = -1;
        return discard(std::string("write error: ") + std::strerror(errno));
    }
    fd = -1;

    if (decision == Decision::Replace) {
        if (renameat(directory, temporary.c_str(), directory, leaf.c_str()) != 0) {
            return discard(std::strerror(errno));
        }
        return true;
    }
    // Something may have appeared under the name since it was looked at: still never replace.
    if (renameat2(directory, temporary.c_str(), directory, leaf.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EINVAL || errno == ENOSYS) { // a file system without the flag
        if (linkat(directory, temporary.c_str(), directory, leaf.c_str(), 0) == 0) {
            unlinkat(directory, temporary.c_str(), 0);
            return true;
        }
    }
    if (errno == EEXIST) {
        return discard("exists, not replaced (/Y replaces existing files)");
    }
    return discard(std::strerror(errno));
}

bool Extractor::Run(mscabd_cabinet* cab) {
    if (!OpenDestination()) {
        return false;
    }
    bool allGood = true;
    bool matched = false;
    for (mscabd_file* file = cab->files; file != nullptr; file = file->next) {
        if (!Matches(file, settings_.nameFilter)) {
            continue;
        }
        matched = true;
        if (!ExtractOne(file)) {
            allGood = false;
        }
    }
    if (!matched && settings_.nameFilter) {
        Complain("no file named " + Printable(*settings_.nameFilter) + " in the cabinet");
        return false;
    }
    return allGood;
}

bool ListFiles(mscabd_cabinet* cab, const std::optional<std::string>& nameFilter) {
    unsigned long long files = 0;
    unsigned long long bytes = 0;
    for (const mscabd_file* file = cab->files; file != nullptr; file = file->next) {
        if (!Matches(file, nameFilter)) {
            continue;
        }
        const int a = file->attribs;
        const char letters[5] = {(a & MSCAB_ATTRIB_ARCH) ? 'A' : '-', (a & MSCAB_ATTRIB_HIDDEN) ? 'H' : '-',
                                 (a & MSCAB_ATTRIB_RDONLY) ? 'R' : '-', (a & MSCAB_ATTRIB_SYSTEM) ? 'S' : '-',
                                 '\0'};
        std::printf("%02d-%02d-%04d %02d:%02d:%02d  %s  %12s  %s\n", file->date_m, file->date_d,
                    file->date_y, file->time_h, file->time_m, file->time_s, letters,
                    Grouped(file->length).c_str(), Printable(file->filename).c_str());
        ++files;
        bytes += file->length;
    }
    std::printf("%llu file%s, %s bytes\n", files, files == 1 ? "" : "s", Grouped(bytes).c_str());
    if (files == 0 && nameFilter) {
        Complain("no file named " + Printable(*nameFilter) + " in the cabinet");
        return false;
    }
    return true;
}

} // namespace cabtools
