// Running extrac32 and looking at what it wrote.
#pragma once

#include "tests/support/StoredCabinet.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace extrac32test {

std::string Extrac32Binary();
std::string FixturesDir();

struct RunResult {
    int exitCode = -1; // -(signal number) when killed by a signal
    std::string out;
    std::string err;
};

// Runs a program in dir with stdin from /dev/null (so never on a terminal). A sanitizer
// report ends the run with status 86, which no test takes for extrac32's own statuses.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& dir);
// The same with stdin and stdout on a pseudo-terminal; input is typed in at the start.
// Whether this machine can give us a pseudo-terminal at all (a bare chroot may not have
// /dev/pts mounted); without one the questions asked on a terminal cannot be tested.
bool TerminalAvailable();

RunResult RunOnTerminal(const std::vector<std::string>& argv, const std::string& dir,
                        const std::string& input);

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

struct Entry {
    char type = '?';     // 'f' file, 'd' directory, 'l' symbolic link
    std::string content; // file bytes, or link target
    int64_t mtime = 0;   // files only
    unsigned mode = 0;   // permission bits
    bool operator==(const Entry&) const = default;
};
// Every entry below root by relative path, symbolic links not followed.
std::map<std::string, Entry> Tree(const std::string& root);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// A stored (uncompressed) one-folder cabinet, for names and attributes that no fixture has.
using corvex::test::StoredCabinet;

} // namespace extrac32test
