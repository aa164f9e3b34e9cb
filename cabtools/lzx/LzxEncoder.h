// What a cabinet writer needs to know about our LZX frames beyond FolderCodec.h.
#pragma once

#include <cstdint>

namespace cabtools {

// The most an LZX frame's payload exceeds its uncompressed size: a frame that would not
// compress is written as an uncompressed block, whose header, alignment, repeated offsets and
// pad byte (plus the stream header on a folder's first frame) take at most this much.
inline constexpr uint32_t kLzxMaxFrameOverhead = 24;

} // namespace cabtools
