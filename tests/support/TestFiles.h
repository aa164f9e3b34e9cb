// Scratch directories, files laid into them and the environment a test changes, for every test
// folder. No Qt here: the core-only tests use it too.
#pragma once

#include "platform/Environment.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace corvex::test {

// Throws when the file cannot be opened, so that a missing output never reads as an empty one.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Makes the file's directories first; throws when the bytes cannot be written.
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// A fresh directory for one test, removed with everything in it (even what a test left
// unreadable) when the object goes.
class TempTree {
  public:
    TempTree() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvex-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            ADD_FAILURE() << "mkdtemp failed";
        root_ = pattern + "/";
    }
    ~TempTree() {
        namespace fs = std::filesystem;
        std::error_code ec;
        // A directory a test made unreadable or read-only would stop the removal; each one is
        // opened up before the walk goes into it.
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto it = fs::recursive_directory_iterator(root_, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(root_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root, ending in '/'.
    const std::string& root() const { return root_; }
    // The root without the final '/'.
    std::filesystem::path path() const { return root_.substr(0, root_.size() - 1); }
    std::string operator/(const std::string& relative) const { return root_ + relative; }

    // Writes a file (making its directories), relative to the root.
    std::string File(const std::string& relative, const std::string& bytes) const {
        const std::string path = root_ + relative;
        WriteFile(path, bytes);
        return path;
    }
    std::string Dir(const std::string& relative) const {
        std::filesystem::create_directories(root_ + relative);
        return root_ + relative;
    }

  private:
    std::string root_;
};

inline void WriteExecutable(const std::filesystem::path& path, const std::string& script) {
    WriteFile(path, script);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// A dangling symbolic link exists too.
inline bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Detached children run on their own: wait until the file they write is there.
inline bool WaitForPath(const std::filesystem::path& path) {
    for (int i = 0; i < 1000; ++i) {
        if (std::filesystem::exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// What a shell command prints on its standard output.
inline std::string CommandOutput(const std::string& command) {
    FILE* p = popen(command.c_str(), "r");
    std::string out;
    char buffer[256];
    while (p && fgets(buffer, sizeof buffer, p))
        out += buffer;
    if (p)
        pclose(p);
    return out;
}

// Sets environment variables for one test and puts the old values back, newest first.
class ScopedEnvironment {
  public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() { Restore(); }

    void Set(const std::string& name, const std::optional<std::string>& value) {
        Keep(name);
        platform::SetEnvironment(name, value);
    }
    // Only noted, for a test that may change it itself.
    void Keep(const std::string& name) { saved_.emplace_back(name, platform::GetEnvironment(name)); }
    void Restore() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            platform::SetEnvironment(it->first, it->second);
        saved_.clear();
    }

  private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace corvex::test
