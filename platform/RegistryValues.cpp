// The typed reads and writes over a store's raw values: the same on every system, so that a
// value of the wrong type fails with the same text wherever the store lives.
#include "platform/Registry.h"

#include <cstring>

namespace corvex::platform {

bool TRegistry::ValueExists(const std::string& name) const {
    return ReadValue(name).has_value();
}

std::string TRegistry::ReadString(const std::string& name) const {
    const auto value = ReadValue(name);
    if (!value || value->data.empty())
        return {};
    if (value->type != RegSz && value->type != RegExpandSz)
        throw RegistryError("Invalid data type for '" + name + "'");
    return value->data.substr(0, std::strlen(value->data.c_str()));
}

int32_t TRegistry::ReadInteger(const std::string& name) const {
    const auto value = ReadValue(name);
    if (!value || value->data.size() > 4)
        throw RegistryError("Failed to get data for '" + name + "'");
    if (value->type != RegDword)
        throw RegistryError("Invalid data type for '" + name + "'");
    uint32_t v = 0;
    for (size_t i = value->data.size(); i-- > 0;)
        v = v << 8 | static_cast<unsigned char>(value->data[i]);
    return int32_t(v);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    WriteValue(name, {RegSz, value + '\0'});
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    WriteValue(name, {RegExpandSz, value + '\0'});
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
    const uint32_t v = uint32_t(value);
    WriteValue(name, {RegDword, std::string{char(v & 0xFF), char((v >> 8) & 0xFF),
                                            char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)}});
}

} // namespace corvex::platform
