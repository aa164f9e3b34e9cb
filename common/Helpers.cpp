#include "common/Helpers.h"

#include "platform/Paths.h"

#include <cstdio>
#include <limits>

namespace corvex {

std::string FormatGrouped(int32_t value) {
    std::string digits = std::to_string(value);
    if (value < 1000)
        return digits;
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out.push_back('.');
        out.push_back(digits[i]);
    }
    return out;
}

int32_t ParseGrouped(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (char c : text)
        if (c != '.')
            plain.push_back(c);
    return StrToInt(plain);
}

int32_t StrToInt(const std::string& text) {
    auto fail = [&]() -> int32_t {
        throw ConvertError("'" + text + "' is not a valid integer value");
    };
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return fail();
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return fail();
        value = value * base + digit;
        if (value > (int64_t{1} << 32))
            return fail();
    }
    if (negative)
        value = -value;
    // Hexadecimal texts may name the full 32-bit pattern ($FFFFFFFF is -1), as the classic
    // conversion allowed; decimal ones must fit the signed range.
    if (base == 16 && !negative && value <= std::numeric_limits<uint32_t>::max())
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return fail();
    return static_cast<int32_t>(value);
}

int32_t FileSizeOf(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    int32_t size = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long end = std::ftell(f);
        if (end > 0)
            size = static_cast<int32_t>(static_cast<uint32_t>(end));
    }
    std::fclose(f);
    return size;
}

std::string QuoteText(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Extrac32Path() {
    return platform::ExecutableDirectory() + "extrac32";
}

} // namespace corvex
