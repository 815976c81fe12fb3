// The settings hive parser on any file: reading the two values, then storing
// one. A stored value reads back; a hive that cannot be parsed stays as it was.
#include <array>
#include <filesystem>
#include <optional>

#include "fuzz/harness.h"
#include "platform/registry.h"
#include "tests/invariants.h"

namespace {

constexpr char kKey[] = "Software\\Orvisel\\Lirvane_v3";

std::optional<std::uint32_t> stored(const char* name) {
    platform::RegKey key;
    if (platform::regOpenKeyEx(platform::HKEY_LOCAL_MACHINE, kKey, platform::KEY_READ, key) != 0) return std::nullopt;
    std::array<std::uint8_t, 4> bytes{};
    std::uint32_t size = bytes.size();
    const int result = platform::regQueryValueEx(key, name, nullptr, bytes, size);
    platform::regCloseKey(key);
    if (result != 0 || size != bytes.size()) return std::nullopt;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = fuzzing::workFolder() + "/config";
    platform::setRegistryFolder(folder);
    std::filesystem::create_directories(folder);
    const std::string hive = platform::registryFile();
    invariants::putFile(hive, {data, size});
    stored("QuickV1");
    stored("QuickV2");
    platform::RegKey key;
    if (platform::regCreateKeyEx(platform::HKEY_LOCAL_MACHINE, kKey, platform::KEY_ALL_ACCESS, key) == 0) {
        const std::array<std::uint8_t, 4> value{7, 0, 0, 0};
        const int set = platform::regSetValueEx(key, "QuickV1", platform::REG_DWORD, value);
        platform::regCloseKey(key);
        if (set == 0 && stored("QuickV1") != 7u) fuzzing::require("a stored value does not read back");
        if (set != 0 && invariants::fileBytes(hive) != invariants::Bytes(data, data + size)) {
            fuzzing::require("a failed store changed the hive");
        }
    }
    return 0;
}
