#include "SafeName.h"

#include <cstdint>
#include <cstdio>

namespace cabtools {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

bool IsStrictUtf8(std::string_view text) {
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
            return false; // continuation byte, C0/C1 (always overlong) or F5..FF
        }
        if (text.size() - i < length) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

SafeName MakeSafeName(std::string_view stored, bool utf8) {
    SafeName result;
    if (stored.empty()) {
        result.refusal = "empty name";
        return result;
    }
    if (utf8 && !IsStrictUtf8(stored)) {
        result.refusal = "flagged as UTF-8 but not valid UTF-8";
        return result;
    }
    if (IsSeparator(stored[0])) {
        result.refusal = "absolute path";
        return result;
    }
    if (stored.size() >= 2 && IsAsciiLetter(stored[0]) && stored[1] == ':') {
        result.refusal = "drive letter";
        return result;
    }
    size_t start = 0;
    while (start <= stored.size()) {
        size_t end = start;
        while (end < stored.size() && !IsSeparator(stored[end])) {
            ++end;
        }
        const std::string_view part = stored.substr(start, end - start);
        if (part == "..") {
            result.refusal = "'..' component";
            result.components.clear();
            return result;
        }
        if (!part.empty() && part != ".") {
            result.components.emplace_back(part);
        }
        start = end + 1;
    }
    if (result.components.empty() || IsSeparator(stored.back())) {
        result.refusal = "no file name";
        result.components.clear();
    }
    return result;
}

std::string_view BaseName(std::string_view stored) {
    const size_t at = stored.find_last_of("\\/");
    return at == std::string_view::npos ? stored : stored.substr(at + 1);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string Printable(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace cabtools
