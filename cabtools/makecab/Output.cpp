#include "Output.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cabtools {

std::string SystemMessage(const std::string& path) { return path + ": " + std::strerror(errno); }

namespace {

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WriteAll(int fd, const uint8_t* data, size_t size, const std::string& path) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw OutputError{"cannot write " + SystemMessage(path)};
        }
        data += n;
        size -= size_t(n);
    }
}

} // namespace

void StagedOutputs::MakeDirectories(const std::string& dir) {
    struct stat st;
    if (dir.empty() || ::stat(dir.c_str(), &st) == 0) {
        if (!dir.empty() && !S_ISDIR(st.st_mode))
            throw OutputError{dir + ": exists and is not a directory"};
        return;
    }
    std::string parent = DirectoryOf(dir);
    if (parent != dir)
        MakeDirectories(parent);
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST)
        throw OutputError{"cannot create directory " + SystemMessage(dir)};
    createdDirs_.push_back(dir);
}

int StagedOutputs::Create(const std::string& finalPath) {
    for (const Item& item : items_)
        if (item.finalPath == finalPath)
            throw OutputError{finalPath + ": the run would write this file twice"};
    std::string dir = DirectoryOf(finalPath);
    MakeDirectories(dir);
    std::string pattern = (dir == "/" ? "" : dir) + "/." + BaseName(finalPath) + ".makecab-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        throw OutputError{"cannot create a file in " + SystemMessage(dir)};
    // mkstemp makes the file private; the finished file gets the usual permissions.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    items_.push_back({finalPath, name.data()});
    return fd;
}

void StagedOutputs::Commit() {
    for (const Item& item : items_)
        if (::rename(item.tempPath.c_str(), item.finalPath.c_str()) != 0)
            throw OutputError{"cannot rename " + item.tempPath + " to " + SystemMessage(item.finalPath)};
    items_.clear();
    createdDirs_.clear();
}

void StagedOutputs::Abort() {
    for (const Item& item : items_)
        ::unlink(item.tempPath.c_str());
    items_.clear();
    for (auto it = createdDirs_.rbegin(); it != createdDirs_.rend(); ++it)
        ::rmdir(it->c_str());
    createdDirs_.clear();
}

FileWriter::~FileWriter() {
    if (fd_ >= 0)
        ::close(fd_);
}

void FileWriter::Write(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (buffer_.size() + size > kBuffer) {
        Flush();
        if (size >= kBuffer) {
            WriteAll(fd_, p, size, path_);
            return;
        }
    }
    buffer_.insert(buffer_.end(), p, p + size);
}

void FileWriter::Flush() {
    WriteAll(fd_, buffer_.data(), buffer_.size(), path_);
    buffer_.clear();
}

void FileWriter::Close() {
    Flush();
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        throw OutputError{"cannot write " + SystemMessage(path_)};
}

std::string TemporaryDirectory() {
    for (const char* name : {"TMP", "TMPDIR"})
        if (const char* value = std::getenv(name); value && *value)
            return value;
    return "/tmp";
}

SpillBuffer::~SpillBuffer() {
    if (fd_ >= 0)
        ::close(fd_);
}

void SpillBuffer::Append(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    size_ += size;
    memory_.insert(memory_.end(), p, p + size);
    if (memory_.size() < (fd_ < 0 ? kMemoryLimit : size_t(1) << 20))
        return;
    if (fd_ < 0) {
        std::string dir = TemporaryDirectory();
        fd_ = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            // Not every file system has unnamed files; fall back to a named one, unlinked at once.
            std::string pattern = dir + "/makecab-XXXXXX";
            std::vector<char> name(pattern.begin(), pattern.end());
            name.push_back('\0');
            fd_ = ::mkostemp(name.data(), O_CLOEXEC);
            if (fd_ < 0)
                throw OutputError{"cannot create a temporary file in " + SystemMessage(dir)};
            ::unlink(name.data());
        }
    }
    WriteAll(fd_, memory_.data(), memory_.size(), TemporaryDirectory() + " (temporary file)");
    memory_.clear();
}

void SpillBuffer::MoveTo(FileWriter& out) {
    if (fd_ >= 0) {
        out.Flush();
        WriteAll(fd_, memory_.data(), memory_.size(), TemporaryDirectory() + " (temporary file)");
        memory_.clear();
        std::vector<uint8_t> chunk(1 << 20);
        off_t offset = 0;
        for (;;) {
            ssize_t n = ::pread(fd_, chunk.data(), chunk.size(), offset);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw OutputError{"cannot read back " + SystemMessage(TemporaryDirectory() + " (temporary file)")};
            }
            if (n == 0)
                break;
            WriteAll(out.fd(), chunk.data(), size_t(n), out.path());
            offset += n;
        }
        ::close(fd_);
        fd_ = -1;
    } else {
        out.Write(memory_.data(), memory_.size());
        std::vector<uint8_t>().swap(memory_);
    }
    size_ = 0;
}

} // namespace cabtools
