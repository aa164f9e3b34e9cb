// Messages on standard error, each line starting with the program's name.
#pragma once

#include <cstdio>
#include <string>

namespace cabtools {

inline void Complain(const std::string& text) {
    std::fprintf(stderr, "extrac32: %s\n", text.c_str());
}

// libmspack's error codes in words.
inline const char* MspackErrorText(int code) {
    switch (code) {
    case 0: return "no error";
    case 1: return "bad arguments";
    case 2: return "cannot open the file";
    case 3: return "read error";
    case 4: return "write error";
    case 5: return "seek error";
    case 6: return "out of memory";
    case 7: return "not a cabinet (bad signature)";
    case 8: return "damaged cabinet (bad data format)";
    case 9: return "checksum error";
    case 10: return "compression error";
    case 11: return "decompression error";
    default: return "unknown error";
    }
}

} // namespace cabtools
