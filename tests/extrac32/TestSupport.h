// Running extrac32 and looking at what it wrote.
#pragma once

#include "tests/support/RunProgram.h"
#include "tests/support/StoredCabinet.h"
#include "tests/support/TestFiles.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace extrac32test {

std::string Extrac32Binary();
std::string FixturesDir();

using corvex::test::ReadFile;
using corvex::test::RunProgram;
using corvex::test::RunResult;
using corvex::test::WriteFile;
using TempDir = corvex::test::TempTree;

// Whether this machine can give us a pseudo-terminal at all (a bare chroot may not have
// /dev/pts mounted); without one the questions asked on a terminal cannot be tested.
bool TerminalAvailable();

// RunProgram with stdin and stdout on a pseudo-terminal; input is typed in at the start.
RunResult RunOnTerminal(const std::vector<std::string>& argv, const std::string& dir,
                        const std::string& input);

struct Entry {
    char type = '?';     // 'f' file, 'd' directory, 'l' symbolic link
    std::string content; // file bytes, or link target
    int64_t mtime = 0;   // files only
    unsigned mode = 0;   // permission bits
    bool operator==(const Entry&) const = default;
};
// Every entry below root by relative path, symbolic links not followed.
std::map<std::string, Entry> Tree(const std::string& root);

// A stored (uncompressed) one-folder cabinet, for names and attributes that no fixture has.
using corvex::test::StoredCabinet;

} // namespace extrac32test
