// Output that appears only when a run succeeds, and scratch space in $TMP.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cabtools {

// Thrown by the writers below; `what` names the file and the system's reason.
struct OutputError {
    std::string message;
};

// Each output is written under a temporary name in its own directory and renamed over the
// final name only when everything has been written, so a failed run leaves nothing behind:
// neither new files nor the directories made for them.
class StagedOutputs {
public:
    StagedOutputs() = default;
    StagedOutputs(const StagedOutputs&) = delete;
    StagedOutputs& operator=(const StagedOutputs&) = delete;
    ~StagedOutputs() { Abort(); }

    // A new, empty temporary file that will become `finalPath`; returns its descriptor.
    int Create(const std::string& finalPath);
    void Commit();
    void Abort();

private:
    struct Item {
        std::string finalPath, tempPath;
    };
    void MakeDirectories(const std::string& dir);
    std::vector<Item> items_;
    std::vector<std::string> createdDirs_;
};

// Buffered writing to a descriptor; failures (a full disk) throw with the path named.
class FileWriter {
public:
    FileWriter(int fd, std::string path) : fd_(fd), path_(std::move(path)) { buffer_.reserve(kBuffer); }
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    void Write(const void* data, size_t size);
    void Flush();
    void Close(); // flushes and closes; throws on failure
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

private:
    static constexpr size_t kBuffer = 1 << 20;
    int fd_;
    std::string path_;
    std::vector<uint8_t> buffer_;
};

// The directory for temporary files: $TMP, else $TMPDIR, else /tmp.
std::string TemporaryDirectory();

// Bytes collected in memory up to a limit, then in an unnamed file in TemporaryDirectory().
class SpillBuffer {
public:
    SpillBuffer() = default;
    ~SpillBuffer();
    SpillBuffer(const SpillBuffer&) = delete;
    SpillBuffer& operator=(const SpillBuffer&) = delete;
    void Append(const void* data, size_t size);
    uint64_t size() const { return size_; }
    // Writes everything collected to `out`, then empties the buffer.
    void MoveTo(FileWriter& out);

private:
    static constexpr size_t kMemoryLimit = 64u << 20;
    std::vector<uint8_t> memory_;
    int fd_ = -1;
    uint64_t size_ = 0;
};

// "path: reason" for the current errno.
std::string SystemMessage(const std::string& path);

} // namespace cabtools
