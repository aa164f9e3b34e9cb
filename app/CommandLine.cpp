#include "app/CommandLine.h"

#include <cstdio>
#include <sys/stat.h>

namespace corvex {

std::string CommandLineTextFrom(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        text += argv[i];
    }
    if (text.find_first_not_of(" \t") == std::string::npos)
        text.clear();
    return text;
}

bool BuilderPresent(const std::string& installDir) {
    std::FILE* file = std::fopen((installDir + kBuilderName).c_str(), "rb");
    if (!file)
        return false;
    // A directory opens for reading here, unlike on Windows; it is no builder either way.
    struct stat st {};
    const bool regular = fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
    std::fclose(file);
    return regular;
}

} // namespace corvex
