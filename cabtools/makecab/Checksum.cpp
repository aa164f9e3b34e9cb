#include "Checksum.h"

#include <cstring>

namespace cabtools {

uint32_t ChecksumBytes(const uint8_t* data, size_t size, uint32_t seed) {
    uint32_t sum = seed;
    size_t words = size / 4;
    const uint8_t* p = data;
    // Several independent lanes let the compiler vectorise; XOR is associative, so the order
    // in which the words are folded does not change the result.
    uint32_t lanes[4] = {0, 0, 0, 0};
    size_t i = 0;
    for (; i + 4 <= words; i += 4, p += 16) {
        for (int lane = 0; lane < 4; ++lane) {
            const uint8_t* q = p + 4 * lane;
            lanes[lane] ^= uint32_t(q[0]) | uint32_t(q[1]) << 8 | uint32_t(q[2]) << 16 | uint32_t(q[3]) << 24;
        }
    }
    for (; i < words; ++i, p += 4)
        sum ^= uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    sum ^= lanes[0] ^ lanes[1] ^ lanes[2] ^ lanes[3];
    uint32_t tail = 0;
    switch (size % 4) {
    case 3:
        tail |= uint32_t(*p++) << 16;
        [[fallthrough]];
    case 2:
        tail |= uint32_t(*p++) << 8;
        [[fallthrough]];
    case 1:
        tail |= *p;
        sum ^= tail;
        break;
    default:
        break;
    }
    return sum;
}

uint32_t DataBlockChecksum(const uint8_t* data, uint16_t compressedSize, uint16_t uncompressedSize) {
    uint8_t sizes[4] = {uint8_t(compressedSize), uint8_t(compressedSize >> 8), uint8_t(uncompressedSize),
                        uint8_t(uncompressedSize >> 8)};
    return ChecksumBytes(sizes, 4, ChecksumBytes(data, compressedSize, 0));
}

} // namespace cabtools
