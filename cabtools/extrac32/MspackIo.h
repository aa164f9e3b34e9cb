// The file and memory services libmspack works through.
//
// Two things are different from the library's own stdio version:
// - A cabinet may start inside a file (behind a self-extracting program). Such a file is
//   registered with its offset, and the library sees a file that begins at the cabinet.
// - The library never opens an output path itself. The extractor creates the output file
//   (safely, below the destination) and hands over its descriptor; whatever name the library
//   passes for writing only labels messages.
// Reads and writes go through large buffers: the library asks for a few bytes of header and
// then up to 32 KiB of data per block, and each of those as a system call would cost more
// than the decoding.
#pragma once

#include <mspack.h>

#include <map>
#include <memory>
#include <string>

namespace cabtools {

struct IoSystem : mspack_system {
    IoSystem();

    // A file the library opens for reading starts at this offset (the cabinet's "MSCF").
    void SetBaseOffset(const std::string& path, off_t offset) { baseOffsets[path] = offset; }
    // How to name a path in messages (the running program is opened as /proc/self/exe).
    void SetDisplayName(const std::string& path, const std::string& name) { displayNames[path] = name; }
    std::string DisplayName(const std::string& path) const;

    // The descriptor the next open for writing hands out; -1 makes such an open fail.
    int outputFd = -1;
    // errno of the first failed write or flush of the current output, 0 when none failed.
    int outputErrno = 0;

    // One output buffer for every file: allocating (and clearing) a large buffer per file
    // costs more than writing a small file.
    std::unique_ptr<uint8_t[]> outputBuffer;

    std::map<std::string, off_t> baseOffsets;
    std::map<std::string, std::string> displayNames;
};

} // namespace cabtools
