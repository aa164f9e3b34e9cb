// The registry: keys holding typed values. On Linux it is one REGEDIT4 text file,
// $XDG_CONFIG_HOME/corvex/registry.reg (~/.config when unset), so that the values keep their
// types and a value of the wrong type fails the same way as on Windows. Every change rewrites
// the whole file through a temporary file and a rename: a crash never leaves half a file, and
// each change starts from what the file holds then, so two programs writing different values
// do not undo each other.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvex::platform {

// A failed registry access; its text names the value ("Failed to get data for 'X'").
class RegistryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum RegistryType : uint32_t {
    RegNone = 0,
    RegSz = 1,
    RegExpandSz = 2,
    RegBinary = 3,
    RegDword = 4,
    RegDwordBigEndian = 5,
    RegLink = 6,
    RegMultiSz = 7,
    RegQword = 11,
};

struct RegistryValue {
    uint32_t type = RegNone;
    std::string data; // the value's bytes as the registry holds them (strings end in a zero)
};

enum class RegistryRoot { CurrentUser, ClassesRoot };

// The store's file (Linux; on Windows the values live in the system's registry).
std::string RegistryFilePath();

class TRegistry {
  public:
    TRegistry() = default; // starts at HKEY_CURRENT_USER
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    ~TRegistry() { CloseKey(); }

    void SetRootKey(RegistryRoot root) { root_ = root; }
    // Opens a key path under the root (backslash-separated); with canCreate a missing key is
    // created. False when the store cannot be read, or cannot be created when that was asked.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey();

    bool ValueExists(const std::string& name) const;
    // REG_SZ or REG_EXPAND_SZ, taken literally; a missing value reads as empty text.
    std::string ReadString(const std::string& name) const;
    // A REG_DWORD of at most 4 bytes.
    int32_t ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }
    std::optional<RegistryValue> ReadValue(const std::string& name) const;

    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    void WriteValue(const std::string& name, const RegistryValue& value);
    bool DeleteValue(const std::string& name);

  private:
    std::string FullKey() const;

    RegistryRoot root_ = RegistryRoot::CurrentUser;
    std::string key_;
    bool open_ = false;
#ifdef _WIN32
    void* handle_ = nullptr; // the open HKEY
#endif
};

// The text of a REGEDIT4 file and back; exposed for tests.
struct RegistryKeyData {
    std::string path; // with its root, e.g. HKEY_CURRENT_USER\SOFTWARE\Talvern\Corvex
    std::vector<std::pair<std::string, RegistryValue>> values;
};
std::vector<RegistryKeyData> ParseRegistryText(const std::string& text);
std::string FormatRegistryText(const std::vector<RegistryKeyData>& keys);

} // namespace corvex::platform
