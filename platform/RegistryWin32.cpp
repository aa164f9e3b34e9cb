// The registry on Windows: the system's own, through the Win32 API. Our texts are UTF-8;
// the registry holds UTF-16, so string values are converted on the way in and out, and every
// other type is passed as its bytes.
#include "platform/Registry.h"

#include <cstring>
#include <vector>
#include <windows.h>

namespace corvex::platform {

namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const wchar_t* wide, size_t length) {
    if (length == 0)
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, int(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, int(length), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

HKEY RootHandle(RegistryRoot root) {
    return root == RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
}

bool IsText(uint32_t type) {
    return type == RegSz || type == RegExpandSz;
}

// The registry addresses a key the same with or without separators at its ends.
std::string TrimmedKey(std::string key) {
    while (!key.empty() && key.front() == '\\')
        key.erase(0, 1);
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    return key;
}

RegistryError SetFailed(const std::string& name) {
    return RegistryError("Failed to set data for '" + name + "'");
}

} // namespace

std::string RegistryFilePath() {
    return {};
}

std::string TRegistry::FullKey() const {
    return TrimmedKey(key_);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    CloseKey();
    key_ = key;
    const std::wstring path = Wide(FullKey());
    HKEY handle = nullptr;
    const LONG rc =
        canCreate ? RegCreateKeyExW(RootHandle(root_), path.c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                                    &handle, nullptr)
                  : RegOpenKeyExW(RootHandle(root_), path.c_str(), 0, KEY_READ | KEY_WRITE, &handle);
    if (rc != ERROR_SUCCESS)
        return false;
    handle_ = handle;
    open_ = true;
    return true;
}

void TRegistry::CloseKey() {
    if (handle_)
        RegCloseKey(static_cast<HKEY>(handle_));
    handle_ = nullptr;
    open_ = false;
    key_.clear();
}

std::optional<RegistryValue> TRegistry::ReadValue(const std::string& name) const {
    if (!open_)
        return std::nullopt;
    const HKEY handle = static_cast<HKEY>(handle_);
    const std::wstring wideName = Wide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(handle, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<BYTE> bytes(size);
    if (RegQueryValueExW(handle, wideName.c_str(), nullptr, &type, bytes.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue value;
    value.type = type;
    if (IsText(type)) {
        const auto* wide = reinterpret_cast<const wchar_t*>(bytes.data());
        size_t length = size / sizeof(wchar_t);
        while (length > 0 && wide[length - 1] == L'\0')
            --length;
        if (size > 0)
            value.data = Narrow(wide, length) + '\0';
    } else {
        value.data.assign(reinterpret_cast<const char*>(bytes.data()), size);
    }
    return value;
}

void TRegistry::WriteValue(const std::string& name, const RegistryValue& value) {
    if (!open_)
        throw SetFailed(name);
    const HKEY handle = static_cast<HKEY>(handle_);
    const std::wstring wideName = Wide(name);
    LONG rc;
    if (IsText(value.type)) {
        const std::wstring text = Wide(value.data.substr(0, std::strlen(value.data.c_str())));
        rc = RegSetValueExW(handle, wideName.c_str(), 0, value.type,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            DWORD((text.size() + 1) * sizeof(wchar_t)));
    } else {
        rc = RegSetValueExW(handle, wideName.c_str(), 0, value.type,
                            reinterpret_cast<const BYTE*>(value.data.data()),
                            DWORD(value.data.size()));
    }
    if (rc != ERROR_SUCCESS)
        throw SetFailed(name);
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (!open_)
        return false;
    return RegDeleteValueW(static_cast<HKEY>(handle_), Wide(name).c_str()) == ERROR_SUCCESS;
}

} // namespace corvex::platform
