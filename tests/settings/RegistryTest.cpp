#include "StoreFixture.h"

namespace corvex {
namespace {

using platform::RegistryValue;
using platform::TRegistry;
using test::StoreTest;

class Registry : public StoreTest {};

TEST_F(Registry, StorePathFollowsXdgConfigHome) {
    EXPECT_EQ(platform::RegistryFilePath(), dir_ + "/config/corvex/registry.reg");
    const auto home = platform::GetEnvironment("HOME");
    platform::SetEnvironment("XDG_CONFIG_HOME", std::string());
    platform::SetEnvironment("HOME", dir_ + "/home");
    EXPECT_EQ(platform::RegistryFilePath(), dir_ + "/home/.config/corvex/registry.reg");
    platform::SetEnvironment("HOME", home);
}

TEST_F(Registry, TypedValuesSurviveTheFile) {
    const std::string bytes("\x00\x01\xff\n\"\\", 6);
    const struct {
        const char* name;
        RegistryValue value;
    } cases[] = {
        {"plain", {platform::RegSz, std::string("C:\\dir\\\"q\"\0", 11)}},
        {"non-utf8", {platform::RegSz, std::string("\xa4\xa4\xa4\xe5\xff\0", 6)}},
        {"with line break", {platform::RegSz, std::string("one\ntwo\0", 8)}},
        {"expand", {platform::RegExpandSz, std::string("%TMP%\\x\0", 8)}},
        {"dword", {platform::RegDword, std::string("\x78\x56\x34\x12", 4)}},
        {"binary", {platform::RegBinary, bytes}},
        {"empty binary", {platform::RegBinary, ""}},
        {"qword", {platform::RegQword, std::string(8, '\x7f')}},
        {"multi", {platform::RegMultiSz, std::string("a\0b\0\0", 5)}},
        {"Name \"with\" \\ marks", {platform::RegDword, std::string(4, '\0')}},
        {"", {platform::RegSz, std::string("default\0", 8)}},
    };
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("SOFTWARE\\Test", true));
        for (const auto& c : cases)
            registry.WriteValue(c.name, c.value);
    }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("software\\test", false)); // names match without regard to case
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto value = registry.ReadValue(c.name);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, c.value.type);
        EXPECT_EQ(value->data, c.value.data);
    }
    EXPECT_EQ(registry.ReadInteger("DWORD"), 0x12345678);
    EXPECT_EQ(registry.ReadString("expand"), "%TMP%\\x");
    EXPECT_NE(StoreText().find("\"expand\"=hex(2):25,54,4d,50,25,5c,78,00\n"), std::string::npos);
    EXPECT_NE(StoreText().find("\"dword\"=dword:12345678\n"), std::string::npos);
}

TEST_F(Registry, ReadsWhatAPersonOrRegeditWrote) {
    WriteStore("REGEDIT4\r\n\r\n; a comment\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n"
               "\"Long\"=hex:01,02,\\\r\n  03,04\r\n"
               "@=\"default\"\r\n"
               "garbage line\r\n"
               "\"Number\"=dword:0000000a\r\n");
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\A", false));
    EXPECT_EQ(registry.ReadValue("Long")->data, "\x01\x02\x03\x04");
    EXPECT_EQ(registry.ReadString(""), "default");
    EXPECT_EQ(registry.ReadInteger("Number"), 10);
    EXPECT_FALSE(registry.ValueExists("garbage line"));
}

TEST_F(Registry, MissingValuesAndKeys) {
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("SOFTWARE\\Absent", false));
    EXPECT_THROW(registry.WriteInteger("x", 1), platform::RegistryError);
    ASSERT_TRUE(registry.OpenKey("SOFTWARE\\Present", true));
    EXPECT_FALSE(registry.ValueExists("x"));
    EXPECT_EQ(registry.ReadString("x"), "");
    EXPECT_THROW(registry.ReadInteger("x"), platform::RegistryError);
    registry.WriteInteger("x", 3);
    EXPECT_TRUE(registry.DeleteValue("X"));
    EXPECT_FALSE(registry.ValueExists("x"));
    EXPECT_FALSE(registry.DeleteValue("x"));
}

TEST_F(Registry, RootsAreKeptApart) {
    TRegistry user;
    ASSERT_TRUE(user.OpenKey(".cab", true));
    user.WriteString("", "user");
    TRegistry classes;
    classes.SetRootKey(platform::RegistryRoot::ClassesRoot);
    ASSERT_TRUE(classes.OpenKey(".cab", true));
    classes.WriteString("", "Corvex");
    EXPECT_EQ(user.ReadString(""), "user");
    EXPECT_EQ(classes.ReadString(""), "Corvex");
}

} // namespace
} // namespace corvex
