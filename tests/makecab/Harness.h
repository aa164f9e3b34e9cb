// Running the makecab program on directive files, and reading back what it wrote.
#pragma once

#include "tests/support/RunProgram.h"
#include "tests/support/TestFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace makecab_test {

using TempDir = corvex::test::TempTree;
using corvex::test::Exists;
using corvex::test::ReadFile;
using corvex::test::WriteFile;
using corvex::test::RunProgram;
using Outcome = corvex::test::RunResult;

std::vector<std::string> ListTree(const std::string& dir); // relative paths of every entry, sorted

// Deterministic test data: text-like (compressible) or noise, of exactly `size` bytes.
std::string TextBytes(size_t size, unsigned seed);
std::string NoiseBytes(size_t size, unsigned seed);

Outcome RunMakecab(const std::string& ddf, const std::string& cwd = "", const std::vector<std::string>& env = {});
std::string MakecabPath();

// A directive file's text: the given option lines, then one line per (source, name).
std::string Directive(const std::vector<std::string>& options,
                      const std::vector<std::pair<std::string, std::string>>& files);

// The header and records of one cabinet file, read independently of the writer.
struct CabFile {
    std::string name;
    uint32_t size = 0, folderOffset = 0, folderStart = 0;
    uint16_t folder = 0, date = 0, time = 0, attribs = 0;
};
struct CabFolder {
    uint32_t dataOffset = 0;
    uint16_t blocks = 0, typeCompress = 0;
    std::vector<uint16_t> uncompressedSizes; // of each CFDATA in this cabinet
};
struct Cabinet {
    uint32_t cbCabinet = 0, fileSize = 0;
    uint8_t versionMajor = 0, versionMinor = 0;
    uint16_t flags = 0, setId = 0, index = 0;
    std::string prevName, prevDisk, nextName, nextDisk;
    std::vector<CabFolder> folders;
    std::vector<CabFile> files;
};
// Throws std::runtime_error when the structure is inconsistent (offsets outside the file,
// a data area that does not end where the header says).
Cabinet ReadCabinet(const std::string& path);

} // namespace makecab_test
