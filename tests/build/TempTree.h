// A scratch directory for one test and small helpers to lay files into it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace corvex::testing {

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
        std::error_code ec;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(root_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root, ending in '/'.
    const std::string& root() const { return root_; }
    std::string operator/(const std::string& relative) const { return root_ + relative; }

    // Writes a file (making its directories), relative to the root.
    std::string File(const std::string& relative, const std::string& bytes) const {
        const std::string path = root_ + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string Dir(const std::string& relative) const {
        std::filesystem::create_directories(root_ + relative);
        return root_ + relative;
    }

  private:
    std::string root_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

} // namespace corvex::testing
