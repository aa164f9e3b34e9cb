// Canonical Huffman codes with a length limit, as the LZX trees need them.
#pragma once

#include <cstdint>

namespace cabtools::lzx {

// Code lengths for the given symbol frequencies, none longer than maxLength. Symbols with
// frequency 0 get length 0. A lone used symbol gets a partner of the same length, because the
// decoders reject a code that does not fill its tree; with no used symbol all lengths are 0.
void BuildCodeLengths(const uint32_t* freq, int count, int maxLength, uint8_t* lengths);

// The canonical codes for the given lengths: shorter codes first, equal lengths in symbol order.
void BuildCanonicalCodes(const uint8_t* lengths, int count, uint16_t* codes);

} // namespace cabtools::lzx
