#include "SafeName.h"

#include <cstdint>
#include <cstdio>

namespace cabtools {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

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
