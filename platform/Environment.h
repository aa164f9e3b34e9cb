// The process's environment variables.
#pragma once

#include <optional>
#include <string>

namespace corvex::platform {

std::optional<std::string> GetEnvironment(const std::string& name);
// Sets the variable, or removes it when value is nullopt.
void SetEnvironment(const std::string& name, const std::optional<std::string>& value);

} // namespace corvex::platform
