// A small persistent key/value hive in the manner of the desktop registry.
// Keys are backslash paths under a root (Software\Orvisel\Lirvane_v3 under
// HKEY_LOCAL_MACHINE); values are named, typed byte strings. Key paths and
// value names are UTF-8 and compared ignoring letter case. Results are
// ERROR_SUCCESS (0) or one of the desktop's error codes below.
//
// The hive is one text file, $XDG_CONFIG_HOME/lirvane/registry, else
// ~/.config/lirvane/registry, laid out like a registry export (UTF-8, every
// line ended by a line feed):
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\Software\Orvisel\Lirvane_v3]
//   "QuickV1"=dword:00000001
//   "QuickV2"=dword:00000000
//
// - The first line is REGEDIT4. Blank lines and lines starting with ';' are
//   skipped; they are not kept when the hive is rewritten.
// - [ROOT\path] starts a key; ROOT is HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER.
//   The parents of a key exist without lines of their own.
// - A value is "name"=data, or @=data for the key's unnamed value. Inside
//   quotes, \\ stands for \ and \" for ".
// - Data: dword:hhhhhhhh, exactly eight hex digits (REG_DWORD, the number);
//   "text" (REG_SZ without its terminating zero byte); hex:hh,hh,...
//   (REG_BINARY); hex(t):hh,hh,... (type t in hex; any other type, or a
//   REG_DWORD or REG_SZ that does not fit the forms above).
// An empty file is an empty hive. Anything else (an unknown root, a value
// before the first key, a line cut short, no line feed after the last line,
// control characters, more than 256 KiB) makes the whole hive corrupt: it
// reads as holding no keys and is never replaced, so writes to it fail.
//
// A key is read from the file when it is opened and keeps those values, plus
// the values set through it. Creating a key or setting a value re-reads the
// file under an exclusive lock, changes it and puts a temporary file from the
// hive's folder in its place (the folder is made when missing). A hive file
// without write permission bits, or a missing hive whose folder has none,
// refuses every write and every open for write access, whoever asks.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace platform {

inline constexpr int ERROR_SUCCESS = 0;
inline constexpr int ERROR_FILE_NOT_FOUND = 2;  // no such key or value
inline constexpr int ERROR_ACCESS_DENIED = 5;   // the hive cannot be written, or the key lacks the right
inline constexpr int ERROR_INVALID_HANDLE = 6;  // the key is not open
inline constexpr int ERROR_INVALID_DATA = 13;   // a write found the hive corrupt
inline constexpr int ERROR_WRITE_FAULT = 29;
inline constexpr int ERROR_READ_FAULT = 30;
inline constexpr int ERROR_SHARING_VIOLATION = 32;  // another program holds the hive
inline constexpr int ERROR_INVALID_PARAMETER = 87;  // an empty key path component, a control character
inline constexpr int ERROR_FILE_TOO_LARGE = 223;    // the hive would outgrow its limit
inline constexpr int ERROR_MORE_DATA = 234;         // the value does not fit the buffer

enum class RegRoot { CurrentUser, LocalMachine };
inline constexpr RegRoot HKEY_CURRENT_USER = RegRoot::CurrentUser;
inline constexpr RegRoot HKEY_LOCAL_MACHINE = RegRoot::LocalMachine;

// Access rights; every right of KEY_ALL_ACCESS beyond KEY_READ asks for a
// writable hive.
inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

// Value types. The data of a REG_DWORD is its four bytes, least significant
// first, as on the desktop.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

// What regCreateKeyEx found.
inline constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

// An open key; closed by regCloseKey or when the object dies.
class RegKey {
public:
    RegKey();
    ~RegKey();
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool isOpen() const { return state_ != nullptr; }

private:
    friend struct RegKeyAccess;
    struct State;
    std::unique_ptr<State> state_;
};

// Opens an existing key. A missing, unreadable or corrupt hive has no keys.
// Whatever result was open before is closed first, and stays closed on failure.
int regOpenKeyEx(RegRoot root, std::string_view subKey, std::uint32_t access, RegKey& result);

// Opens a key, creating it (and so its parents) when missing.
int regCreateKeyEx(RegRoot root, std::string_view subKey, std::uint32_t access, RegKey& result,
                   std::uint32_t* disposition = nullptr);

// Copies a value's data to the front of the buffer and its length to size.
// When the data is longer than the buffer: ERROR_MORE_DATA, size set, the
// buffer untouched. A missing value touches neither. type may be null.
int regQueryValueEx(const RegKey& key, std::string_view name, std::uint32_t* type, std::span<std::uint8_t> data,
                    std::uint32_t& size);

// Stores a value (an empty name is the key's unnamed value) in the hive file.
int regSetValueEx(RegKey& key, std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data);

int regCloseKey(RegKey& key);

// Where the hive lives, for tests: a folder of their own; empty restores the
// user's configuration folder.
void setRegistryFolder(std::string folder);

// The hive file's path, or empty when there is no home folder.
std::string registryFile();

}  // namespace platform
