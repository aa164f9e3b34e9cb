// The CFDATA checksum: a running XOR of little-endian 32-bit words, the bytes left over folded
// in most significant first, then the block's two 16-bit sizes folded in the same way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cabtools {

uint32_t ChecksumBytes(const uint8_t* data, size_t size, uint32_t seed);

// The value stored in a CFDATA header for `data` with these two size fields.
uint32_t DataBlockChecksum(const uint8_t* data, uint16_t compressedSize, uint16_t uncompressedSize);

} // namespace cabtools
