// Both conversions are plain byte copies. The output is written under a temporary name beside
// its final one and renamed into place only when every byte is there, so a failure (a full
// disk, a short read, a missing stub) never leaves a half-written file behind and never
// destroys an existing file of the output's name; the build run relies on that before it
// deletes the plain cabinet.
#include "convert/Sfx.h"

#include "common/Helpers.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace corvex {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct Block {
    std::unique_ptr<char[]> data;
    size_t size = 0;
};

Block AllocateBlock() {
    for (int32_t size : CopyBlockSizes) {
        char* p = new (std::nothrow) char[static_cast<size_t>(size)];
        if (p)
            return {std::unique_ptr<char[]>(p), static_cast<size_t>(size)};
    }
    return {};
}

// A file name shorter than three characters would have its directory's separator overwritten
// and the output land in another directory; such a name has no output name (empty text).
std::string ReplaceLastThree(const std::string& path, const char* three) {
    if (path.size() < 3 || path.find('/', path.size() - 3) != std::string::npos)
        return {};
    std::string out = path;
    out.replace(out.size() - 3, 3, three);
    return out;
}

// Whether two paths name one file: the same text, or the same file reached another way (a
// file system that ignores letter case, a link).
bool SameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool ReadExactly(std::FILE* f, char* buffer, size_t n) {
    return std::fread(buffer, 1, n, f) == n;
}

bool WriteAll(int fd, const char* data, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// The output under construction: a fresh file beside the final name, given the final name by
// Commit, removed by the destructor otherwise.
class PendingOutput {
  public:
    PendingOutput(const std::string& finalPath, mode_t mode) : final_(finalPath) {
        static std::atomic<unsigned> counter{0};
        const size_t sep = finalPath.rfind('/');
        const std::string dir =
            sep == std::string::npos ? std::string() : finalPath.substr(0, sep + 1);
        const std::string name = sep == std::string::npos ? finalPath : finalPath.substr(sep + 1);
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            temp_ = dir + "." + name + ".corvex-" + std::to_string(getpid()) + "-" +
                    std::to_string(counter.fetch_add(1));
            // The mode passes through the umask, as for any new file.
            fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd_ < 0 && errno != EEXIST)
                break;
        }
        created_ = fd_ >= 0;
    }
    ~PendingOutput() {
        if (fd_ >= 0)
            ::close(fd_);
        if (created_ && !committed_)
            ::unlink(temp_.c_str());
    }
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    bool Write(const char* data, size_t n) { return ok() && WriteAll(fd_, data, n); }

    bool Commit() {
        if (!ok())
            return false;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            return false;
        if (std::rename(temp_.c_str(), final_.c_str()) != 0)
            return false;
        committed_ = true;
        return true;
    }

  private:
    std::string final_;
    std::string temp_;
    int fd_ = -1;
    bool created_ = false;
    bool committed_ = false;
};

// Copies length bytes of the input, from offset on, to the output. The kernel copies file to
// file itself where it can (no trip through our memory, as cat does); otherwise the bytes go
// through the block buffer, one read and one write a block.
bool CopyBlocks(std::FILE* in, off_t offset, size_t length, PendingOutput& out, Block& block) {
    const int inFd = fileno(in);
    bool kernelCopy = true;
    while (length > 0) {
        if (kernelCopy) {
            off_t from = offset;
            const ssize_t n = copy_file_range(inFd, &from, out.fd(), nullptr, length, 0);
            if (n > 0) {
                offset += n;
                length -= static_cast<size_t>(n);
                continue;
            }
            if (n == 0)
                return false; // the input ended early
            if (errno == EINTR)
                continue;
            if (errno != ENOSYS && errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP)
                return false;
            kernelCopy = false;
        }
        const size_t want = std::min(length, block.size);
        size_t got = 0;
        while (got < want) {
            const ssize_t n =
                pread(inFd, block.data.get() + got, want - got, offset + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            got += static_cast<size_t>(n);
        }
        if (!out.Write(block.data.get(), want))
            return false;
        offset += static_cast<off_t>(want);
        length -= want;
    }
    return true;
}

} // namespace

int32_t StreamSize(std::FILE* stream) {
    const off_t here = ftello(stream);
    if (here < 0 || fseeko(stream, 0, SEEK_END) != 0)
        return -1;
    const off_t end = ftello(stream);
    if (fseeko(stream, here, SEEK_SET) != 0)
        return -1;
    if (end < 0 || end > std::numeric_limits<int32_t>::max())
        return -1;
    return static_cast<int32_t>(end);
}

std::string SfxNameFor(const std::string& cabinetPath) {
    return ReplaceLastThree(cabinetPath, "exe");
}

std::string CabNameFor(const std::string& sfxPath) {
    return ReplaceLastThree(sfxPath, "cab");
}

bool CabToSfx(const std::string& cabinetPath) {
    const std::string stubPath = Extrac32Path();
    const std::string outPath = SfxNameFor(cabinetPath);
    if (outPath.empty() || SameFile(outPath, cabinetPath) || SameFile(outPath, stubPath))
        return false;

    std::string stub;
    {
        FilePtr f(std::fopen(stubPath.c_str(), "rb"));
        if (!f)
            return false;
        const int32_t size = StreamSize(f.get());
        if (size < 0)
            return false;
        stub.resize(static_cast<size_t>(size));
        if (!ReadExactly(f.get(), stub.data(), stub.size()))
            return false;
    }

    FilePtr cabinet(std::fopen(cabinetPath.c_str(), "rb"));
    if (!cabinet)
        return false;
    const int32_t cabinetSize = StreamSize(cabinet.get());
    if (cabinetSize < 0 || static_cast<int64_t>(cabinetSize) + static_cast<int64_t>(stub.size()) >
                               std::numeric_limits<int32_t>::max())
        return false;

    PendingOutput out(outPath, 0777);
    if (!out.ok() || !out.Write(stub.data(), stub.size()))
        return false;
    std::string().swap(stub);

    Block block = AllocateBlock();
    if (!block.data)
        return false;
    if (!CopyBlocks(cabinet.get(), 0, static_cast<size_t>(cabinetSize), out, block))
        return false;
    return out.Commit();
}

bool SfxToCab(const std::string& sfxPath) {
    const std::string outPath = CabNameFor(sfxPath);
    if (outPath.empty() || SameFile(outPath, sfxPath))
        return false;

    Block block = AllocateBlock();
    if (!block.data)
        return false;

    FilePtr in(std::fopen(sfxPath.c_str(), "rb"));
    if (!in)
        return false;
    const int32_t fileSize = StreamSize(in.get());
    if (fileSize < 0)
        return false;

    // Only the first block is searched: that bounds both the time and the memory of the search.
    const size_t window = std::min(block.size, static_cast<size_t>(fileSize));
    if (!ReadExactly(in.get(), block.data.get(), window))
        return false;
    const char* data = block.data.get();
    size_t found = std::string::npos;
    for (size_t i = 0; i + sizeof kCabinetSignature <= window; ++i) {
        const void* m = std::memchr(data + i, 'M', window - sizeof kCabinetSignature + 1 - i);
        if (!m)
            break;
        i = static_cast<size_t>(static_cast<const char*>(m) - data);
        if (std::memcmp(data + i, kCabinetSignature, sizeof kCabinetSignature) == 0) {
            found = i;
            break;
        }
    }
    if (found == std::string::npos)
        return false;

    PendingOutput out(outPath, 0666);
    if (!out.ok())
        return false;
    // The window already holds the cabinet's first bytes; the rest follows block by block.
    if (!out.Write(data + found, window - found))
        return false;
    if (!CopyBlocks(in.get(), static_cast<off_t>(window), static_cast<size_t>(fileSize) - window,
                    out, block))
        return false;
    return out.Commit();
}

} // namespace corvex
