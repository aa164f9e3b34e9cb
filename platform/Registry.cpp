#include "platform/Registry.h"

#include "platform/Files.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <unistd.h>

namespace corvex::platform {

namespace {

const char* RootName(RegistryRoot root) {
    return root == RegistryRoot::ClassesRoot ? "HKEY_CLASSES_ROOT" : "HKEY_CURRENT_USER";
}

// Key and value names are matched without regard to case, as the Windows registry does.
bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]),
                            y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y))
            return false;
    }
    return true;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// Reads a quoted text at line[pos] (pos at the opening quote); pos ends after the closing one.
std::optional<std::string> Unquote(const std::string& line, size_t& pos) {
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < line.size())
            c = line[++pos];
        out += c;
    }
    return std::nullopt;
}

std::optional<std::string> ParseHexBytes(const std::string& text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() &&
               (text[pos] == ',' || std::isspace(static_cast<unsigned char>(text[pos]))))
            ++pos;
        if (pos >= text.size())
            break;
        size_t used = 0;
        unsigned long byte = 0;
        try {
            byte = std::stoul(text.substr(pos, 2), &used, 16);
        } catch (const std::exception&) {
            return std::nullopt;
        }
        if (used == 0 || byte > 0xFF)
            return std::nullopt;
        out += char(byte);
        pos += used;
    }
    return out;
}

std::optional<RegistryValue> ParseData(const std::string& text) {
    RegistryValue value;
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        auto s = Unquote(text, pos);
        if (!s)
            return std::nullopt;
        value.type = RegSz;
        value.data = *s + '\0';
        return value;
    }
    if (text.rfind("dword:", 0) == 0) {
        const std::string digits = text.substr(6);
        if (digits.empty() || digits.size() > 8 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return std::nullopt;
        const uint32_t v = uint32_t(std::stoul(digits, nullptr, 16));
        value.type = RegDword;
        for (int i = 0; i < 4; ++i)
            value.data += char((v >> (8 * i)) & 0xFF);
        return value;
    }
    if (text.rfind("hex", 0) == 0) {
        size_t pos = 3;
        value.type = RegBinary;
        if (pos < text.size() && text[pos] == '(') {
            const size_t close = text.find(')', pos);
            if (close == std::string::npos)
                return std::nullopt;
            const std::string number = text.substr(pos + 1, close - pos - 1);
            if (number.empty() ||
                number.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
                number.size() > 8)
                return std::nullopt;
            value.type = uint32_t(std::stoul(number, nullptr, 16));
            pos = close + 1;
        }
        if (pos >= text.size() || text[pos] != ':')
            return std::nullopt;
        auto bytes = ParseHexBytes(text.substr(pos + 1));
        if (!bytes)
            return std::nullopt;
        value.data = *bytes;
        return value;
    }
    return std::nullopt;
}

std::string HexBytes(const std::string& data) {
    std::string out;
    char buffer[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(data[i]));
        if (i > 0)
            out += ',';
        out += buffer;
    }
    return out;
}

std::string FormatData(const RegistryValue& value) {
    if (value.type == RegSz && !value.data.empty() && value.data.back() == '\0') {
        const std::string text = value.data.substr(0, value.data.size() - 1);
        if (text.find_first_of(std::string("\0\r\n", 3)) == std::string::npos)
            return Quoted(text);
    }
    if (value.type == RegDword && value.data.size() == 4) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(value.data[size_t(i)]);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", v);
        return buffer;
    }
    if (value.type == RegBinary)
        return "hex:" + HexBytes(value.data);
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    return prefix + HexBytes(value.data);
}

RegistryKeyData* FindKey(std::vector<RegistryKeyData>& keys, const std::string& path) {
    for (auto& key : keys)
        if (SameName(key.path, path))
            return &key;
    return nullptr;
}

RegistryValue* FindValue(RegistryKeyData& key, const std::string& name) {
    for (auto& [n, v] : key.values)
        if (SameName(n, name))
            return &v;
    return nullptr;
}

// The whole store; nullopt when the file exists but cannot be read.
std::optional<std::vector<RegistryKeyData>> LoadStore() {
    const std::string path = RegistryFilePath();
    if (access(path.c_str(), F_OK) != 0 && errno == ENOENT)
        return std::vector<RegistryKeyData>{};
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return std::nullopt;
    return ParseRegistryText(*text);
}

// The settings may hold private paths: the store's directory is the user's alone.
bool SaveStore(const std::vector<RegistryKeyData>& keys) {
    return ReplaceFile(RegistryFilePath(), FormatRegistryText(keys), 0700) ==
           ReplaceResult::Replaced;
}

RegistryError SetFailed(const std::string& name) {
    return RegistryError("Failed to set data for '" + name + "'");
}

} // namespace

std::string RegistryFilePath() {
    return XdgDirectory("XDG_CONFIG_HOME", ".config") + "/corvex/registry.reg";
}

std::vector<RegistryKeyData> ParseRegistryText(const std::string& text) {
    std::vector<RegistryKeyData> keys;
    RegistryKeyData* current = nullptr;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == ';')
            continue;
        line.erase(0, start);
        if (line[0] == '[') {
            const size_t close = line.rfind(']');
            current = nullptr;
            if (close == std::string::npos || line.size() < 3 || line[1] == '-')
                continue; // a deletion or a broken key line: nothing to keep
            const std::string path = line.substr(1, close - 1);
            current = FindKey(keys, path);
            if (!current)
                current = &keys.emplace_back(RegistryKeyData{path, {}});
            continue;
        }
        if (!current)
            continue;
        std::string name;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else {
            auto quoted = Unquote(line, pos);
            if (!quoted)
                continue;
            name = *quoted;
        }
        if (pos >= line.size() || line[pos] != '=')
            continue;
        std::string data = line.substr(pos + 1);
        // Long hex data goes on over several lines, each but the last ending in a backslash.
        while (data.rfind("hex", 0) == 0 && !data.empty() && data.back() == '\\') {
            data.pop_back();
            std::string more;
            if (!std::getline(in, more))
                break;
            if (!more.empty() && more.back() == '\r')
                more.pop_back();
            data += more;
        }
        if (auto value = ParseData(data)) {
            if (RegistryValue* existing = FindValue(*current, name))
                *existing = *value;
            else
                current->values.emplace_back(name, *value);
        }
    }
    return keys;
}

std::string FormatRegistryText(const std::vector<RegistryKeyData>& keys) {
    std::string out = "REGEDIT4\n";
    for (const auto& key : keys) {
        out += "\n[" + key.path + "]\n";
        for (const auto& [name, value] : key.values)
            out +=
                (name.empty() ? std::string("@") : Quoted(name)) + "=" + FormatData(value) + "\n";
    }
    return out;
}

std::string TRegistry::FullKey() const {
    std::string key = key_;
    while (!key.empty() && key.front() == '\\')
        key.erase(0, 1);
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    return key.empty() ? std::string(RootName(root_)) : std::string(RootName(root_)) + "\\" + key;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    open_ = false;
    key_ = key;
    auto store = LoadStore();
    if (!store)
        return false;
    if (!FindKey(*store, FullKey())) {
        if (!canCreate)
            return false;
        store->push_back({FullKey(), {}});
        if (!SaveStore(*store))
            return false;
    }
    open_ = true;
    return true;
}

void TRegistry::CloseKey() {
    open_ = false;
    key_.clear();
}

std::optional<RegistryValue> TRegistry::ReadValue(const std::string& name) const {
    if (!open_)
        return std::nullopt;
    auto store = LoadStore();
    if (!store)
        return std::nullopt;
    RegistryKeyData* key = FindKey(*store, FullKey());
    if (!key)
        return std::nullopt;
    if (RegistryValue* value = FindValue(*key, name))
        return *value;
    return std::nullopt;
}

void TRegistry::WriteValue(const std::string& name, const RegistryValue& value) {
    if (!open_)
        throw SetFailed(name);
    auto store = LoadStore();
    if (!store)
        throw SetFailed(name);
    RegistryKeyData* key = FindKey(*store, FullKey());
    if (!key)
        key = &store->emplace_back(RegistryKeyData{FullKey(), {}});
    if (RegistryValue* existing = FindValue(*key, name)) {
        // Every start writes InstallDir: when nothing changes, the disk is left alone.
        if (existing->type == value.type && existing->data == value.data)
            return;
        *existing = value;
    } else {
        key->values.emplace_back(name, value);
    }
    if (!SaveStore(*store))
        throw SetFailed(name);
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (!open_)
        return false;
    auto store = LoadStore();
    if (!store)
        return false;
    RegistryKeyData* key = FindKey(*store, FullKey());
    if (!key)
        return false;
    for (auto it = key->values.begin(); it != key->values.end(); ++it) {
        if (SameName(it->first, name)) {
            key->values.erase(it);
            return SaveStore(*store);
        }
    }
    return false;
}

} // namespace corvex::platform
