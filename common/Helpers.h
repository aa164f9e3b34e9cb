// Helpers shared by every part of Corvex: grouped numbers, file sizes, quoting, the stub's path.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvex {

// The platform's text-to-integer conversion failure; its text is what the standard error box shows.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// 12345 -> "12.345"; numbers below 1000 (negative ones too) stay plain.
std::string FormatGrouped(int32_t value);

// Removes every "." and converts the rest with StrToInt; throws ConvertError.
int32_t ParseGrouped(const std::string& text);

// Text to a signed 32-bit integer the way the program's forms have always read numbers:
// leading blanks skipped, an optional sign, decimal digits, or hexadecimal after "$" or "0x".
// Anything else (empty text, trailing characters, out of range) throws ConvertError with
// the text "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string& text);

// Size in bytes of the file at path, as a signed 32-bit integer. A file that cannot be opened
// counts as 0 bytes: callers add sizes up and have no way to report a failure.
int32_t FileSizeOf(const std::string& path);

// The text between two double-quote characters, nothing inside changed.
std::string QuoteText(const std::string& text);

// The self-extracting stub: the extrac32 beside the running program.
std::string Extrac32Path();

// Sums of sizes are signed 32-bit with two's-complement wrap, never undefined behaviour.
inline int32_t AddWrapped(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t SubtractWrapped(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

} // namespace corvex
