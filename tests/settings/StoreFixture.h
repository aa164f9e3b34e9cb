// Each test gets its own store: XDG_CONFIG_HOME in a fresh temporary directory.
#pragma once

#include "platform/Environment.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "settings/Settings.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace corvex::test {

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        env_.Set("XDG_CONFIG_HOME", dir_ + "/config");
        env_.Set("TMP", std::string("/scratch/tmp/"));
        platform::OverrideExecutableDirectory("/opt/corvex/");
        AppSettings = {};
    }
    void TearDown() override {
        env_.Restore();
        platform::OverrideExecutableDirectory("");
        AppSettings = {};
    }

    std::string StoreText() const { return ReadFile(platform::RegistryFilePath()); }
    void WriteStore(const std::string& text) const { WriteFile(platform::RegistryFilePath(), text); }

    TempTree tree_;
    std::string dir_ = tree_.path().string();
    ScopedEnvironment env_;
};

} // namespace corvex::test
