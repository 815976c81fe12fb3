#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "tests/testfiles.h"

using namespace platform;
using namespace testing_support;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr std::string_view kKey = "Software\\Orvisel\\Lirvane_v3";

std::span<std::uint8_t> bytesOf(std::uint32_t& number) { return {reinterpret_cast<std::uint8_t*>(&number), 4}; }

int setDword(RegKey& key, std::string_view name, std::uint32_t number) {
    const std::array<std::uint8_t, 4> data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                                              static_cast<std::uint8_t>(number >> 16),
                                              static_cast<std::uint8_t>(number >> 24)};
    return regSetValueEx(key, name, REG_DWORD, data);
}

std::optional<std::uint32_t> dword(const RegKey& key, std::string_view name) {
    std::uint32_t number = 0, size = 0, type = REG_NONE;
    if (regQueryValueEx(key, name, &type, bytesOf(number), size) != ERROR_SUCCESS || type != REG_DWORD || size != 4)
        return {};
    return number;
}

// A hive of the test's own, in a folder that does not exist yet.
class Registry : public ::testing::Test {
protected:
    Registry() { setRegistryFolder(config_.string()); }
    ~Registry() override { setRegistryFolder({}); }

    std::string hiveText() const {
        const Bytes bytes = readAll(registryFile());
        return std::string(bytes.begin(), bytes.end());
    }
    void writeHive(std::string_view text) const {
        fs::create_directories(config_);
        std::ofstream(registryFile(), std::ios::binary | std::ios::trunc) << text;
    }
    auto filesInHiveFolder() const { return std::distance(fs::directory_iterator(config_), {}); }

    TestFolder folder_;
    fs::path config_ = folder_.path() / "config" / "lirvane";
};

TEST_F(Registry, AMissingHiveHasNoKeysAndOpeningWritesNothing) {
    RegKey key;
    EXPECT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.isOpen());
    EXPECT_FALSE(fs::exists(folder_.path() / "config"));
}

TEST_F(Registry, KeysAndValuesSurviveAFreshReadOfTheFileWhateverTheLetterCase) {
    RegKey key;
    std::uint32_t disposition = 0;
    ASSERT_EQ(regCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(setDword(key, "QuickV1", 0), ERROR_SUCCESS);
    EXPECT_EQ(setDword(key, "QuickV2", 0x01020304), ERROR_SUCCESS);
    EXPECT_EQ(setDword(key, "quickv1", 7), ERROR_SUCCESS);  // the same value
    EXPECT_EQ(regCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(regCloseKey(key), ERROR_INVALID_HANDLE);

    ASSERT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\orvisel\\LIRVANE_V3", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    EXPECT_EQ(dword(key, "QUICKV1"), 7u);
    EXPECT_EQ(dword(key, "QuickV2"), 0x01020304u);
    ASSERT_EQ(regCreateKeyEx(HKEY_LOCAL_MACHINE, "software\\orvisel\\lirvane_v3", KEY_ALL_ACCESS, key, &disposition),
              0);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(dword(key, "QuickV2"), 0x01020304u);

    RegKey other;
    EXPECT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\ORVISEL", KEY_READ, other), ERROR_SUCCESS);  // a parent
    EXPECT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Orvisel\\Lirvane", KEY_READ, other), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(regOpenKeyEx(HKEY_CURRENT_USER, kKey, KEY_READ, other), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\\\Orvisel", KEY_READ, other), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, TheHiveIsTextAPersonCanReadAndEdit) {
    RegKey key;
    ASSERT_EQ(regCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    EXPECT_EQ(setDword(key, "QuickV1", 1), ERROR_SUCCESS);
    EXPECT_EQ(setDword(key, "QuickV2", 0), ERROR_SUCCESS);
    const std::string_view note = "Café \"a\\b\"";
    EXPECT_EQ(regSetValueEx(key, "Note", REG_SZ,
                            std::span(reinterpret_cast<const std::uint8_t*>(note.data()), note.size() + 1)),
              0);
    // Bytes that are no UTF-8 would make the file unreadable as text: they are kept as numbers.
    const std::string_view latin1 = "Caf\xE9";
    EXPECT_EQ(regSetValueEx(key, "Ñandú", REG_SZ,
                            std::span(reinterpret_cast<const std::uint8_t*>(latin1.data()), latin1.size() + 1)),
              0);
    EXPECT_EQ(hiveText(),
              "REGEDIT4\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Orvisel\\Lirvane_v3]\n"
              "\"QuickV1\"=dword:00000001\n"
              "\"QuickV2\"=dword:00000000\n"
              "\"Note\"=\"Café \\\"a\\\\b\\\"\"\n"
              "\"Ñandú\"=hex(1):43,61,66,e9,00\n");
    std::array<std::uint8_t, 8> data{};
    std::uint32_t size = 0;
    EXPECT_EQ(regQueryValueEx(key, "ñANDÚ", nullptr, data, size), ERROR_SUCCESS);  // any letter's case is ignored
    EXPECT_EQ(size, latin1.size() + 1);

    writeHive(
        "REGEDIT4\r\n; set by "
        "hand\r\n[hkey_local_machine\\software\\orvisel\\lirvane_v3]\r\n\"QuickV1\"=dword:00000002\r\n");
    ASSERT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_READ, key), ERROR_SUCCESS);
    EXPECT_EQ(dword(key, "QuickV1"), 2u);
    EXPECT_EQ(dword(key, "QuickV2"), std::nullopt);
}

TEST_F(Registry, AMissingOrTooLongValueLeavesTheCallersBufferUnchanged) {
    writeHive(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvisel\\Lirvane_v3]\n"
        "\"QuickV1\"=hex:01,02,03,04,05\n\"QuickV2\"=hex(4):aa,bb\n");
    RegKey key;
    ASSERT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    std::uint32_t setting = 0x11223344, size = 0, type = REG_NONE;
    EXPECT_EQ(regQueryValueEx(key, "Missing", &type, bytesOf(setting), size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(regQueryValueEx(key, "QuickV1", &type, bytesOf(setting), size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(setting, 0x11223344u);
    std::array<std::uint8_t, 4> buffer = {0x44, 0x33, 0x22, 0x11};
    EXPECT_EQ(regQueryValueEx(key, "QuickV2", &type, buffer, size), ERROR_SUCCESS);  // type not checked
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{0xAA, 0xBB, 0x22, 0x11}));
}

TEST_F(Registry, ACorruptHiveReadsAsEmptyAndIsNeverReplaced) {
    const std::string valid =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvisel\\Lirvane_v3]\n"
        "\"QuickV1\"=dword:00000000\n\"Name\"=\"text\"\n";
    writeHive(valid);
    RegKey key;
    ASSERT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    std::vector<std::string> corrupt = {
        "garbage \x01\x02 not a hive\n",
        "REGEDIT4\n\"QuickV1\"=dword:00000000\n",  // a value before any key
        "REGEDIT4\n[HKEY_ELSEWHERE\\Software]\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"QuickV1\"=dword:0000000g\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"Quick\0\"=hex:01\n"s,
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"Data\"=hex:01,02,0",  // no line feed after the last line
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"Data\"=hex:01,02",
    };
    for (std::size_t cut = 1; cut < valid.size(); ++cut) {
        if (valid[cut - 1] == '\n' || valid[cut] == '\n') continue;
        corrupt.push_back(valid.substr(0, cut) + "\n");  // a line cut short
    }
    for (const std::string& text : corrupt) {
        SCOPED_TRACE(text);
        writeHive(text);
        RegKey other;
        EXPECT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_READ, other), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(regCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, other), ERROR_INVALID_DATA);
        EXPECT_EQ(setDword(key, "QuickV1", 1), ERROR_INVALID_DATA);
        EXPECT_EQ(hiveText(), text);
    }
    EXPECT_EQ(filesInHiveFolder(), 1);
}

TEST_F(Registry, AReadOnlyHiveRefusesWritesButCanStillBeRead) {
    RegKey writer, key;
    ASSERT_EQ(regCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, writer), ERROR_SUCCESS);
    ASSERT_EQ(setDword(writer, "QuickV1", 0), ERROR_SUCCESS);
    const std::string before = hiveText();
    fs::permissions(registryFile(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(regCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Other", KEY_ALL_ACCESS, key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setDword(writer, "QuickV1", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(dword(writer, "QuickV1"), 0u);  // a failed write changes nothing, in memory either
    EXPECT_EQ(hiveText(), before);
    ASSERT_EQ(regOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_READ, key), ERROR_SUCCESS);
    EXPECT_EQ(dword(key, "QuickV1"), 0u);
    EXPECT_EQ(setDword(key, "QuickV1", 1), ERROR_ACCESS_DENIED);  // opened for reading only

    // No hive yet, and a folder that cannot be written.
    fs::remove(registryFile());
    fs::permissions(config_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(regCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key), ERROR_ACCESS_DENIED);
    fs::permissions(config_, fs::perms::owner_all);
    EXPECT_EQ(filesInHiveFolder(), 0);
}

TEST_F(Registry, AFailedOrRefusedWriteLeavesTheHiveAsItWas) {
    RegKey key;
    ASSERT_EQ(regCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    ASSERT_EQ(setDword(key, "QuickV1", 1), ERROR_SUCCESS);
    const std::string before = hiveText();
    for (const FaultPlan& plan :
         {FaultPlan{.failWrite = 1}, FaultPlan{.spaceLeft = 10}, FaultPlan{.failReplace = true}}) {
        setFaults(plan);
        EXPECT_NE(setDword(key, "QuickV1", 0), ERROR_SUCCESS);
        clearFaults();
        EXPECT_EQ(hiveText(), before);
    }
    {
        ForeignLock lock(registryFile());  // another copy of the program at work
        EXPECT_EQ(setDword(key, "QuickV1", 0), ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(hiveText(), before);
    EXPECT_EQ(filesInHiveFolder(), 1);
    EXPECT_EQ(dword(key, "QuickV1"), 1u);
}

// Restores an environment variable at scope end.
class SavedVariable {
public:
    explicit SavedVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) value_ = value;
    }
    ~SavedVariable() { value_ ? setenv(name_, value_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> value_;
};

TEST_F(Registry, TheDefaultHiveIsInTheUsersConfigurationFolder) {
    const SavedVariable home("HOME"), config("XDG_CONFIG_HOME");
    const std::string root = folder_.path().string();
    setRegistryFolder({});
    setenv("HOME", (root + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/xdg").c_str(), 1);
    EXPECT_EQ(registryFile(), root + "/xdg/lirvane/registry");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not a place to look
    EXPECT_EQ(registryFile(), root + "/home/.config/lirvane/registry");
    RegKey key;
    EXPECT_EQ(regCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_regular_file(root + "/home/.config/lirvane/registry"));
}

TEST(Shell, TheAddressGoesToTheReplacedOpenerAndNothingIsThrown) {
    std::vector<std::string> opened;
    setShellOpener([&](std::string_view address) { opened.emplace_back(address); });
    shellOpen("http://www.orvisel.example/");
    shellOpen("caf\xE9");
    EXPECT_EQ(opened, (std::vector<std::string>{"http://www.orvisel.example/", "caf\xE9"}));
    setShellOpener([](std::string_view) { throw std::runtime_error("no browser"); });
    EXPECT_NO_THROW(shellOpen("http://www.orvisel.example/"));
    setShellOpener({});
}

}  // namespace
