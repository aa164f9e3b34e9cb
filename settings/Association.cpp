#include "settings/Association.h"

#include "platform/Environment.h"
#include "settings/Settings.h"

#include <climits>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include "platform/Registry.h"
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace corvex {

namespace {

[[noreturn]] void FailedToSetData() {
    // The value written is always the default (unnamed) one, hence the empty name.
    throw std::runtime_error("Failed to set data for ''");
}

} // namespace

std::string DesktopExecWord(const std::string& program) {
    // Reserved characters force quoting; inside quotes four characters need a backslash.
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string word;
    if (program.find_first_of(reserved) == std::string::npos) {
        word = program;
    } else {
        word = "\"";
        for (char c : program) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                word += '\\';
            word += c;
        }
        word += '"';
    }
    // Then the rules of every desktop entry string: a backslash is doubled, and in Exec a
    // percent sign that is not a field code is doubled.
    std::string escaped;
    for (char c : word) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '%')
            escaped += "%%";
        else
            escaped += c;
    }
    return escaped;
}

std::string DesktopEntryText(const std::string& program, const std::string& icon) {
    std::string text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=Corvex\n";
    text += "GenericName=Cabinet Manager\n";
    text += "GenericName[zh_TW]=Cabinet 管理程式\n";
    text += "Comment=Open Microsoft Cabinet files in Corvex\n";
    text += "Comment[zh_TW]=用 Corvex 開啟 Microsoft Cabinet 檔案\n";
    text += "Exec=" + DesktopExecWord(program) + " %f\n";
    text += "Icon=" + icon + "\n";
    text += "MimeType=" + std::string(kCabinetMimeType) + ";\n";
    // The installed launcher already sits in the menu; this entry only opens cabinets.
    text += "NoDisplay=true\n";
    text += "Terminal=false\n";
    return text;
}

std::string MergeDefaultApplication(const std::string& existing, const std::string& mimeType,
                                    const std::string& desktopId) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < existing.size()) {
        size_t end = existing.find('\n', start);
        if (end == std::string::npos)
            end = existing.size();
        lines.push_back(existing.substr(start, end - start));
        start = end + 1;
    }

    const std::string wanted = mimeType + "=" + desktopId + ";";
    const std::string prefix = mimeType + "=";
    auto groupName = [](const std::string& line) {
        std::string trimmed = line;
        while (!trimmed.empty() && (trimmed.back() == '\r' || trimmed.back() == ' '))
            trimmed.pop_back();
        return trimmed;
    };

    bool inDefaults = false;
    bool done = false;
    size_t insertAt = std::string::npos; // after the last non-blank line of the group
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        const std::string& line = lines[i];
        if (!line.empty() && line[0] == '[') {
            if (inDefaults)
                break;
            inDefaults = groupName(line) == "[Default Applications]";
            if (inDefaults)
                insertAt = i + 1;
            continue;
        }
        if (!inDefaults)
            continue;
        if (line.compare(0, prefix.size(), prefix) == 0) {
            lines[i] = wanted;
            done = true;
        } else if (!groupName(line).empty()) {
            insertAt = i + 1;
        }
    }
    if (!done) {
        if (insertAt != std::string::npos) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), wanted);
        } else {
            if (!lines.empty() && !groupName(lines.back()).empty())
                lines.push_back("");
            lines.push_back("[Default Applications]");
            lines.push_back(wanted);
        }
    }

    std::string merged;
    for (const std::string& line : lines)
        merged += line + "\n";
    return merged;
}

#ifdef _WIN32

namespace {

// One step: open (creating) the key under HKEY_CLASSES_ROOT and replace its default value. A
// key that cannot be opened is passed over; a write that fails raises the registry's error.
void SetClassesRootDefault(const std::string& path, const std::string& value) {
    platform::TRegistry registry;
    registry.SetRootKey(platform::RegistryRoot::ClassesRoot);
    if (!registry.OpenKey(path, true))
        return;
    registry.DeleteValue("");
    registry.WriteString("", value);
    registry.CloseKey();
}

} // namespace

AssociationFiles AssociationLocations() {
    return {};
}

void RegisterFileAssociation() {
    SetClassesRootDefault(".cab", "Corvex.cabinet");
    SetClassesRootDefault(std::string("Corvex.cabinet") + "\\DefaultIcon\\",
                          AppSettings.InstallDir + "Corvex.exe,0");
    SetClassesRootDefault(std::string("Corvex.cabinet") + "\\shell\\open\\command\\",
                          AppSettings.InstallDir + "Corvex.exe %1");
}

#else

namespace {

std::string HomeDirectory() {
    if (auto home = platform::GetEnvironment("HOME"); home && !home->empty())
        return *home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

std::string XdgDirectory(const char* variable, const char* underHome) {
    // A relative XDG directory is invalid and ignored, as the freedesktop base directories say.
    if (auto value = platform::GetEnvironment(variable); value && !value->empty() && (*value)[0] == '/')
        return *value;
    return HomeDirectory() + "/" + underHome;
}

bool MakeDirectories(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return std::nullopt;
    return text;
}

// Written to a temporary file beside the target and renamed over it, so a reader never sees
// half a file. A directory or file that cannot be created skips the step; a write that fails
// after that is an error.
void ReplaceFile(const std::string& path, const std::string& text) {
    const size_t slash = path.rfind('/');
    if (!MakeDirectories(path.substr(0, slash)))
        return;
    const std::string temporary = path + ".corvex-new";
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f)
        return;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        FailedToSetData();
    }
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The icon beside the program (a build tree), else the one an installation put into the
// icon theme, found by its name.
std::string IconFor(const std::string& installDir) {
    const std::string beside = installDir + "corvex.svg";
    if (IsFile(beside))
        return beside;
    return "corvex";
}

} // namespace

AssociationFiles AssociationLocations() {
    return {XdgDirectory("XDG_DATA_HOME", ".local/share") + "/applications/" + kAssociationDesktopId,
            XdgDirectory("XDG_CONFIG_HOME", ".config") + "/mimeapps.list"};
}

void RegisterFileAssociation() {
    const AssociationFiles files = AssociationLocations();
    const std::string program = AppSettings.InstallDir + "corvex";
    ReplaceFile(files.desktopEntry, DesktopEntryText(program, IconFor(AppSettings.InstallDir)));

    // A list kept elsewhere through a link (dotfile repositories do that) is updated where it lives.
    std::string listPath = files.mimeappsList;
    if (char* real = realpath(listPath.c_str(), nullptr)) {
        listPath = real;
        std::free(real);
    }
    std::string existing;
    if (access(listPath.c_str(), F_OK) == 0) {
        // Never replace a list that could not be read: its other entries would be lost.
        auto text = ReadWholeFile(listPath);
        if (!text)
            return;
        existing = std::move(*text);
    }
    const std::string merged = MergeDefaultApplication(existing, kCabinetMimeType, kAssociationDesktopId);
    if (merged != existing)
        ReplaceFile(listPath, merged);
}

#endif

} // namespace corvex
