#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <unistd.h>
#include <vector>

namespace corvex::platform {

namespace {
std::string& ExecutableDirectoryOverride() {
    static std::string value;
    return value;
}
} // namespace

std::string ExecutablePath() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableDirectory() {
    if (!ExecutableDirectoryOverride().empty())
        return ExecutableDirectoryOverride();
    const std::string path = ExecutablePath();
    const size_t slash = path.rfind(kSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void OverrideExecutableDirectory(const std::string& directoryWithSeparator) {
    ExecutableDirectoryOverride() = directoryWithSeparator;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

int SetCurrentDirectory(const std::string& path) {
    return chdir(path.c_str()) == 0 ? 0 : errno;
}

} // namespace corvex::platform
