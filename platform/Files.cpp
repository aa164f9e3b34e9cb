#include "platform/Files.h"

#include "platform/Environment.h"

#include <cerrno>
#include <cstdio>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvex::platform {

std::string HomeDirectory() {
    if (auto home = GetEnvironment("HOME"); home && !home->empty())
        return *home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

std::string XdgDirectory(const char* variable, const char* underHome) {
    if (auto value = GetEnvironment(variable); value && !value->empty() && (*value)[0] == '/')
        return *value;
    return HomeDirectory() + "/" + underHome;
}

bool MakeDirectories(const std::string& path, unsigned mode) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (mkdir(part.c_str(), mode_t(mode)) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st {};
    return path.empty() || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    std::string text;
    char buffer[8192];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return std::nullopt;
    return text;
}

ReplaceResult ReplaceFile(const std::string& path, const std::string& text, unsigned directoryMode) {
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 &&
        !MakeDirectories(path.substr(0, slash), directoryMode))
        return ReplaceResult::CannotCreate;
    // The process id keeps two programs writing at once from sharing a temporary file.
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (!out)
        return ReplaceResult::CannotCreate;
    bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    ok = std::fflush(out) == 0 && ok;
    ok = fsync(fileno(out)) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return ReplaceResult::WriteFailed;
    }
    return ReplaceResult::Replaced;
}

} // namespace corvex::platform
