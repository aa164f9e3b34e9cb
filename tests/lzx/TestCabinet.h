// Just enough cabinet writing and reading to check our LZX frames against real decoders.
#pragma once

#include "cabtools/FolderCodec.h"
#include "tests/support/TestFiles.h"

#include <optional>
#include <string>
#include <vector>

namespace cabtools::lzxtest {

struct TestFolder {
    uint16_t typeCompress = 0;
    std::vector<CompressedFrame> frames;
    std::string fileName;
    uint32_t fileSize = 0;
};

// All of data through a fresh codec, fed in pieces of chunk bytes.
std::vector<CompressedFrame> Encode(FolderCodec& codec, const std::vector<uint8_t>& data, size_t chunk);

// A single cabinet, one file per folder, written to path.
void WriteCabinet(const std::string& path, const std::vector<TestFolder>& folders);

// Every file of the cabinet through libmspack in this process, in order; nullopt when libmspack
// cannot open the cabinet or fails on any file.
std::optional<std::vector<std::vector<uint8_t>>> ExtractWithLibmspack(const std::string& path);

// The file's bytes in the form the codec takes.
inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    const std::string bytes = corvex::test::ReadFile(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

} // namespace cabtools::lzxtest
