// Each test gets its own store: XDG_CONFIG_HOME in a fresh temporary directory.
#pragma once

#include "platform/Environment.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace corvex::test {

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvex-store-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        savedXdg_ = platform::GetEnvironment("XDG_CONFIG_HOME");
        savedTmp_ = platform::GetEnvironment("TMP");
        platform::SetEnvironment("XDG_CONFIG_HOME", dir_ + "/config");
        platform::SetEnvironment("TMP", std::string("/scratch/tmp/"));
        platform::OverrideExecutableDirectory("/opt/corvex/");
        AppSettings = {};
    }
    void TearDown() override {
        platform::SetEnvironment("XDG_CONFIG_HOME", savedXdg_);
        platform::SetEnvironment("TMP", savedTmp_);
        platform::OverrideExecutableDirectory("");
        AppSettings = {};
        std::filesystem::remove_all(dir_);
    }

    std::string StoreText() const {
        std::ifstream in(platform::RegistryFilePath(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteStore(const std::string& text) const {
        std::filesystem::create_directories(dir_ + "/config/corvex");
        std::ofstream(platform::RegistryFilePath(), std::ios::binary) << text;
    }

    std::string dir_;
    std::optional<std::string> savedXdg_, savedTmp_;
};

} // namespace corvex::test
