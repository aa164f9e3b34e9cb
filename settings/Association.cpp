#include "settings/Association.h"

#include "platform/Environment.h"
#include "platform/Files.h"
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

// A place that cannot be made skips the step, as a registry key that cannot be opened does;
// a write that fails after that is an error.
void WriteFileOf(const std::string& path, const std::string& text) {
    if (platform::ReplaceFile(path, text, 0755) == platform::ReplaceResult::WriteFailed)
        FailedToSetData();
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
    return {platform::XdgDirectory("XDG_DATA_HOME", ".local/share") + "/applications/" + kAssociationDesktopId,
            platform::XdgDirectory("XDG_CONFIG_HOME", ".config") + "/mimeapps.list"};
}

void RegisterFileAssociation() {
    const AssociationFiles files = AssociationLocations();
    const std::string program = AppSettings.InstallDir + "corvex";
    WriteFileOf(files.desktopEntry, DesktopEntryText(program, IconFor(AppSettings.InstallDir)));

    // A list kept elsewhere through a link (dotfile repositories do that) is updated where it lives.
    std::string listPath = files.mimeappsList;
    if (char* real = realpath(listPath.c_str(), nullptr)) {
        listPath = real;
        std::free(real);
    }
    std::string existing;
    if (access(listPath.c_str(), F_OK) == 0) {
        // Never replace a list that could not be read: its other entries would be lost.
        auto text = platform::ReadWholeFile(listPath);
        if (!text)
            return;
        existing = std::move(*text);
    }
    const std::string merged = MergeDefaultApplication(existing, kCabinetMimeType, kAssociationDesktopId);
    if (merged != existing)
        WriteFileOf(listPath, merged);
}

#endif

} // namespace corvex
