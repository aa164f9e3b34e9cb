// The folder codecs makecab writes with, and the one place that picks a codec for a folder.
#pragma once

#include "cabtools/FolderCodec.h"

#include <memory>
#include <string>

namespace cabtools {

enum class CompressionType { None, Mszip, Lzx, Quantum };

struct CompressionSettings {
    CompressionType type = CompressionType::Mszip;
    int memory = 21; // window bits, for LZX
    bool operator==(const CompressionSettings&) const = default;
};

// The codec for a new folder, or nullptr with `error` set when this build cannot write it.
std::unique_ptr<FolderCodec> MakeCodec(const CompressionSettings& settings, std::string& error);

// The most a frame's payload may exceed its uncompressed size, by CFFOLDER typeCompress. The
// spanning writer plans with it; a codec that exceeds it makes makecab stop with an error
// rather than write a set that cannot be read.
uint32_t MaxFrameOverhead(uint16_t typeCompress);

// With the history carried across blocks, zlib's level 5 lands within about 1% of gzip -6 on
// mixed text and code while searching far shorter match chains than level 6 (about a third
// less time); level 4 gives up 2.5% more size.
inline constexpr int kMszipDefaultLevel = 5;

std::unique_ptr<FolderCodec> MakeStoredCodec();

// Each block is deflated with the previous block's bytes as its dictionary. That dictionary is
// plain input, so blocks do not wait for each other: they are compressed on worker threads
// (threads 0 means one per core; 1 compresses on the calling thread) and come out in order.
std::unique_ptr<FolderCodec> MakeMszipCodec(int level = kMszipDefaultLevel, unsigned threads = 0);

} // namespace cabtools
