// Facts of the cabinet format that both the writer (makecab) and the reader (extrac32) need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cabtools {

// CFHEADER without its optional fields, and the fixed parts of the other records.
inline constexpr size_t kCabHeaderSize = 36;
inline constexpr size_t kCabFolderSize = 8;     // CFFOLDER without its reserve
inline constexpr size_t kCabFileEntryFixed = 16; // CFFILE before its name
inline constexpr size_t kCabDataHeaderSize = 8;  // CFDATA without its reserve
// Names and the previous/next cabinet texts are stored with a zero in at most 256 bytes.
inline constexpr size_t kCabMaxNameBytes = 255;

// CFHEADER flags.
inline constexpr uint16_t kCabFlagPrevious = 0x0001;
inline constexpr uint16_t kCabFlagNext = 0x0002;
inline constexpr uint16_t kCabFlagReserve = 0x0004;

// CFFILE iFolder values of files that run across cabinets.
inline constexpr uint16_t kCabContinuedFromPrev = 0xFFFD;
inline constexpr uint16_t kCabContinuedToNext = 0xFFFE;
inline constexpr uint16_t kCabContinuedPrevAndNext = 0xFFFF;

// CFFILE attribute bits.
inline constexpr uint16_t kCabAttribReadOnly = 0x01;
inline constexpr uint16_t kCabAttribArchive = 0x20;
inline constexpr uint16_t kCabAttribNameIsUtf8 = 0x80;

// Strict UTF-8, as a name flagged with kCabAttribNameIsUtf8 must be: no overlong forms (they
// could hide a '/' or a '.'), no surrogates, nothing past U+10FFFF.
inline bool IsStrictUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        uint32_t value;
        uint32_t smallest;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, value = lead & 0x1F, smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, value = lead & 0x0F, smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, value = lead & 0x07, smallest = 0x10000;
        } else {
            return false; // a continuation byte, C0/C1 (always overlong) or F5..FF
        }
        if (text.size() - i < length)
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace cabtools
