#include "platform/registry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/fs.h"
#include "platform/text.h"

namespace platform {
namespace {

struct RegValue {
    std::string name;
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
};

struct HiveKey {
    std::string path;  // ROOT\sub\key
    std::vector<RegValue> values;
};

using Hive = std::vector<HiveKey>;

constexpr std::string_view kHiveName = "registry";
constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kMaxHiveBytes = 256 * 1024;
constexpr std::uint32_t kWriteRights = KEY_ALL_ACCESS & ~KEY_READ;
constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kNewFolderMode = 0700;  // a configuration folder is the user's own
constexpr int kHiveAppeared = -1;        // another program created the hive meanwhile

std::string& folderSetting() {
    static std::string folder;
    return folder;
}

// ---- names -----------------------------------------------------------------

bool sameName(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }

bool isBelow(std::string_view path, std::string_view key) {
    return path.size() > key.size() && path[key.size()] == '\\' && sameName(path.substr(0, key.size()), key);
}

// Texts that names and values may hold in the file: UTF-8 without control
// characters (a line feed would end the line).
bool printable(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::int32_t cp = decodeUtf8(text, pos);
        if (cp == kNoCharacter || isControlCharacter(static_cast<char32_t>(cp))) return false;
    }
    return true;
}

bool validKeyPath(std::string_view path) {
    for (;;) {
        const std::size_t slash = path.find('\\');
        const std::string_view part = path.substr(0, slash);
        if (part.empty() || !printable(part)) return false;
        if (slash == std::string_view::npos) return true;
        path.remove_prefix(slash + 1);
    }
}

constexpr std::string_view kRootNames[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

std::string_view rootName(RegRoot root) { return kRootNames[root == RegRoot::CurrentUser ? 0 : 1]; }

std::string fullPath(RegRoot root, std::string_view subKey) {
    std::string path(rootName(root));
    path += '\\';
    path += subKey;
    return path;
}

// ---- the hive in memory ----------------------------------------------------

HiveKey* findKey(Hive& hive, std::string_view path) {
    const auto found = std::ranges::find_if(hive, [&](const HiveKey& k) { return sameName(k.path, path); });
    return found == hive.end() ? nullptr : &*found;
}

bool keyExists(Hive& hive, std::string_view path) {
    return std::ranges::any_of(hive, [&](const HiveKey& k) { return sameName(k.path, path) || isBelow(k.path, path); });
}

std::vector<RegValue> valuesOf(Hive& hive, std::string_view path) {
    const HiveKey* key = findKey(hive, path);
    return key != nullptr ? key->values : std::vector<RegValue>{};
}

const RegValue* findValue(const std::vector<RegValue>& values, std::string_view name) {
    const auto found = std::ranges::find_if(values, [&](const RegValue& v) { return sameName(v.name, name); });
    return found == values.end() ? nullptr : &*found;
}

// A value set again keeps the spelling of its name.
void storeValue(std::vector<RegValue>& values, const RegValue& value) {
    for (RegValue& old : values) {
        if (sameName(old.name, value.name)) {
            old.type = value.type;
            old.data = value.data;
            return;
        }
    }
    values.push_back(value);
}

// ---- reading the file --------------------------------------------------------

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHexNumber(std::string_view digits, std::uint32_t& number) {
    if (digits.empty() || digits.size() > 8) return false;
    number = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) return false;
        number = number << 4 | static_cast<std::uint32_t>(d);
    }
    return true;
}

// "hh,hh,...", or nothing at all.
bool parseHexBytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
    if (text.empty()) return true;
    for (;;) {
        std::uint32_t byte = 0;
        if (text.size() < 2 || !parseHexNumber(text.substr(0, 2), byte)) return false;
        bytes.push_back(static_cast<std::uint8_t>(byte));
        text.remove_prefix(2);
        if (text.empty()) return true;
        if (text.front() != ',') return false;
        text.remove_prefix(1);
    }
}

// A quoted name or text at the front of rest; rest moves past it.
bool parseQuoted(std::string_view& rest, std::string& out) {
    if (rest.empty() || rest.front() != '"') return false;
    for (std::size_t i = 1; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '"') {
            rest.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\') {
            if (++i == rest.size() || (rest[i] != '\\' && rest[i] != '"')) return false;
            c = rest[i];
        }
        out += c;
    }
    return false;
}

bool parseData(std::string_view text, RegValue& value) {
    if (text.starts_with("dword:")) {
        std::uint32_t number = 0;
        if (text.size() != 14 || !parseHexNumber(text.substr(6), number)) return false;
        value.type = REG_DWORD;
        for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<std::uint8_t>(number >> shift));
        return true;
    }
    if (text.starts_with('"')) {
        std::string content;
        if (!parseQuoted(text, content) || !text.empty()) return false;
        value.type = REG_SZ;
        value.data.assign(content.begin(), content.end());
        value.data.push_back(0);
        return true;
    }
    if (text.starts_with("hex:")) {
        value.type = REG_BINARY;
        return parseHexBytes(text.substr(4), value.data);
    }
    if (text.starts_with("hex(")) {
        const std::size_t close = text.find("):");
        return close != std::string_view::npos && parseHexNumber(text.substr(4, close - 4), value.type) &&
               parseHexBytes(text.substr(close + 2), value.data);
    }
    return false;
}

bool parseValueLine(std::string_view line, RegValue& value) {
    if (line.starts_with('@')) {
        line.remove_prefix(1);
    } else if (!parseQuoted(line, value.name)) {
        return false;
    }
    return line.starts_with('=') && parseData(line.substr(1), value);
}

// [ROOT\path], with the root spelled as this layer spells it.
bool parseKeyLine(std::string_view line, std::string& path) {
    if (line.size() < 2 || line.back() != ']') return false;
    const std::string_view inner = line.substr(1, line.size() - 2);
    const std::size_t slash = inner.find('\\');
    const std::string_view root = inner.substr(0, slash);
    const auto known = std::ranges::find_if(kRootNames, [&](std::string_view name) { return sameName(name, root); });
    if (known == std::end(kRootNames)) return false;
    path = *known;
    if (slash == std::string_view::npos) return true;
    if (!validKeyPath(inner.substr(slash + 1))) return false;
    path += inner.substr(slash);
    return true;
}

// Keys named twice are one key; of a value given twice the last one counts.
bool parseHive(std::string_view utf8, Hive& hive) {
    if (utf8.starts_with(kByteOrderMark)) utf8.remove_prefix(kByteOrderMark.size());
    if (utf8.empty()) return true;
    if (utf8.back() != '\n') return false;  // cut short
    std::string_view rest = utf8;
    bool first = true;
    HiveKey* current = nullptr;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (!printable(line)) return false;  // malformed UTF-8 or control characters
        if (first) {
            if (line != kHeader) return false;
            first = false;
            continue;
        }
        if (line.empty() || line.starts_with(';')) continue;
        if (line.starts_with('[')) {
            std::string path;
            if (!parseKeyLine(line, path)) return false;
            current = findKey(hive, path);
            if (current == nullptr) current = &hive.emplace_back(HiveKey{path, {}});
            continue;
        }
        RegValue value;
        if (current == nullptr || !parseValueLine(line, value)) return false;
        storeValue(current->values, value);
    }
    return true;
}

// 0, ERROR_READ_FAULT or ERROR_INVALID_DATA.
int loadHive(File& file, Hive& hive) {
    // One byte of room beyond the size the file reports, and never more than
    // the limit: filling it means a hive too large or changing under the lock.
    const auto room = static_cast<std::size_t>(std::min<std::uint64_t>(file.size().value_or(0), kMaxHiveBytes)) + 1;
    std::vector<std::uint8_t> bytes(room);
    const std::int64_t got = file.read(bytes);
    if (got < 0) return ERROR_READ_FAULT;
    if (static_cast<std::size_t>(got) == room) return ERROR_INVALID_DATA;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), static_cast<std::size_t>(got));
    return parseHive(text, hive) ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

// ---- writing the file --------------------------------------------------------

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

std::string hexBytes(const std::vector<std::uint8_t>& data) {
    std::string out;
    char digits[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02x" : ",%02x", data[i]);
        out += digits;
    }
    return out;
}

// A REG_SZ written as text: one terminating zero byte and printable before it.
bool isPlainText(const std::vector<std::uint8_t>& data) {
    return !data.empty() && data.back() == 0 &&
           printable(std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1));
}

std::string formatData(const RegValue& value) {
    const std::vector<std::uint8_t>& data = value.data;
    char head[24];
    if (value.type == REG_DWORD && data.size() == 4) {
        const std::uint32_t number = std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
                                     std::uint32_t{data[3]} << 24;
        std::snprintf(head, sizeof head, "dword:%08x", number);
        return head;
    }
    if (value.type == REG_SZ && isPlainText(data)) return quoted(std::string(data.begin(), data.end() - 1));
    if (value.type == REG_BINARY) return "hex:" + hexBytes(data);
    std::snprintf(head, sizeof head, "hex(%x):", value.type);
    return head + hexBytes(data);
}

std::string formatHive(const Hive& hive) {
    std::string text(kHeader);
    text += '\n';
    for (const HiveKey& key : hive) {
        text += "\n[" + key.path + "]\n";
        for (const RegValue& value : key.values) {
            text += value.name.empty() ? "@" : quoted(value.name);
            text += '=' + formatData(value) + '\n';
        }
    }
    return text;
}

int codeFromErrno(int error, int otherwise) {
    switch (error) {
        case 0: return ERROR_SUCCESS;
        case ENOENT:
        case ENOTDIR: return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return ERROR_ACCESS_DENIED;
        case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
        default: return otherwise;
    }
}

std::string hiveFolder() {
    if (!folderSetting().empty()) return folderSetting();
    // Relative settings are ignored, as the configuration folder convention asks.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/lirvane";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/lirvane";
    return {};
}

std::string hivePath(const std::string& folder) {
    return folder.empty() ? std::string() : folder + kSeparator + std::string(kHiveName);
}

// Like a file, a folder without any write permission bit is read-only to us.
bool folderWritable(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & kAnyWriteBit) != 0;
}

int fillTemporary(const std::string& folder, const Hive& hive, TempFile& temp) {
    const std::string text = formatHive(hive);
    if (text.size() > kMaxHiveBytes) return ERROR_FILE_TOO_LARGE;  // it could not be read again
    if (const int error = temp.create(folder); error != 0) return codeFromErrno(error, ERROR_WRITE_FAULT);
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return temp.file().write(bytes) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

using HiveChange = std::function<bool(Hive&)>;  // false: nothing to write

// The first hive: moved into place only if no other program made one first.
int createHive(const std::string& folder, const std::string& path, const HiveChange& change) {
    if (const int error = makeFolders(folder, kNewFolderMode); error != 0)
        return codeFromErrno(error, ERROR_WRITE_FAULT);
    if (!folderWritable(folder)) return ERROR_ACCESS_DENIED;
    Hive hive;
    change(hive);
    TempFile temp;
    if (const int error = fillTemporary(folder, hive, temp); error != 0) return error;
    if (!temp.file().sync() || temp.file().close() != 0) return ERROR_WRITE_FAULT;
    const int error = moveFileNoReplace(temp.path(), path);
    return error == EEXIST ? kHiveAppeared : codeFromErrno(error, ERROR_WRITE_FAULT);
}

// Re-reads the hive under its lock, applies the change and replaces the file.
// A hive that cannot be read or is corrupt is left as it is.
int updateHive(const HiveChange& change) {
    const std::string folder = hiveFolder();
    const std::string path = hivePath(folder);
    if (path.empty()) return ERROR_FILE_NOT_FOUND;
    for (int attempt = 0; attempt < 2; ++attempt) {
        File original;
        const int opened = original.open(path, Access::ReadWrite);
        if (opened == ENOENT) {
            const int created = createHive(folder, path, change);
            if (created == kHiveAppeared) continue;
            return created;
        }
        if (opened != 0) return codeFromErrno(opened, ERROR_READ_FAULT);
        Hive hive;
        if (const int error = loadHive(original, hive); error != 0) return error;
        if (!change(hive)) return ERROR_SUCCESS;
        TempFile temp;
        if (const int error = fillTemporary(folder, hive, temp); error != 0) return error;
        return codeFromErrno(temp.replace(original), ERROR_WRITE_FAULT);
    }
    return ERROR_SHARING_VIOLATION;
}

}  // namespace

struct RegKey::State {
    RegRoot root;
    std::string subKey;
    std::uint32_t access;
    std::vector<RegValue> values;  // as read when opened, plus this key's writes
};

struct RegKeyAccess {
    static std::unique_ptr<RegKey::State>& state(RegKey& key) { return key.state_; }
    static const RegKey::State* state(const RegKey& key) { return key.state_.get(); }
    static void open(RegKey& key, RegRoot root, std::string_view subKey, std::uint32_t access,
                     std::vector<RegValue> values) {
        key.state_ =
            std::make_unique<RegKey::State>(RegKey::State{root, std::string(subKey), access, std::move(values)});
    }
};

RegKey::RegKey() = default;
RegKey::~RegKey() = default;
RegKey::RegKey(RegKey&& other) noexcept = default;
RegKey& RegKey::operator=(RegKey&& other) noexcept = default;

int regOpenKeyEx(RegRoot root, std::string_view subKey, std::uint32_t access, RegKey& result) {
    RegKeyAccess::state(result).reset();
    if (!validKeyPath(subKey)) return ERROR_INVALID_PARAMETER;
    const std::string path = hivePath(hiveFolder());
    if (path.empty()) return ERROR_FILE_NOT_FOUND;
    const bool writing = (access & kWriteRights) != 0;
    File file;
    if (const int error = file.open(path, writing ? Access::ReadWrite : Access::Read); error != 0) {
        // A hive that cannot be read has no keys; one that cannot be written
        // refuses write access.
        const bool denied = writing && codeFromErrno(error, ERROR_READ_FAULT) == ERROR_ACCESS_DENIED;
        return denied ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    }
    Hive hive;
    const std::string key = fullPath(root, subKey);
    if (loadHive(file, hive) != ERROR_SUCCESS || !keyExists(hive, key)) return ERROR_FILE_NOT_FOUND;
    RegKeyAccess::open(result, root, subKey, access, valuesOf(hive, key));
    return ERROR_SUCCESS;
}

int regCreateKeyEx(RegRoot root, std::string_view subKey, std::uint32_t access, RegKey& result,
                   std::uint32_t* disposition) {
    RegKeyAccess::state(result).reset();
    if (!validKeyPath(subKey)) return ERROR_INVALID_PARAMETER;
    // An existing key opened for reading needs no writable hive.
    if ((access & kWriteRights) == 0 && regOpenKeyEx(root, subKey, access, result) == ERROR_SUCCESS) {
        if (disposition != nullptr) *disposition = REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    }
    const std::string key = fullPath(root, subKey);
    bool created = false;
    std::vector<RegValue> values;
    const int error = updateHive([&](Hive& hive) {
        created = !keyExists(hive, key);
        if (created) hive.push_back(HiveKey{key, {}});
        values = valuesOf(hive, key);
        return created;
    });
    if (error != ERROR_SUCCESS) return error;
    if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    RegKeyAccess::open(result, root, subKey, access, std::move(values));
    return ERROR_SUCCESS;
}

int regQueryValueEx(const RegKey& key, std::string_view name, std::uint32_t* type, std::span<std::uint8_t> data,
                    std::uint32_t& size) {
    const auto* state = RegKeyAccess::state(key);
    if (state == nullptr) return ERROR_INVALID_HANDLE;
    if ((state->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
    const RegValue* value = findValue(state->values, name);
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = value->type;
    size = static_cast<std::uint32_t>(value->data.size());
    if (value->data.size() > data.size()) return ERROR_MORE_DATA;
    std::ranges::copy(value->data, data.begin());
    return ERROR_SUCCESS;
}

int regSetValueEx(RegKey& key, std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) {
    auto* state = RegKeyAccess::state(key).get();
    if (state == nullptr) return ERROR_INVALID_HANDLE;
    if ((state->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    if (!printable(name)) return ERROR_INVALID_PARAMETER;
    const RegValue value{std::string(name), type, std::vector<std::uint8_t>(data.begin(), data.end())};
    const std::string path = fullPath(state->root, state->subKey);
    const int error = updateHive([&](Hive& hive) {
        HiveKey* stored = findKey(hive, path);
        // A key taken out of the file by hand since it was opened comes back.
        if (stored == nullptr) stored = &hive.emplace_back(HiveKey{path, {}});
        storeValue(stored->values, value);
        return true;
    });
    if (error != ERROR_SUCCESS) return error;
    storeValue(state->values, value);
    return ERROR_SUCCESS;
}

int regCloseKey(RegKey& key) {
    auto& state = RegKeyAccess::state(key);
    if (state == nullptr) return ERROR_INVALID_HANDLE;
    state.reset();
    return ERROR_SUCCESS;
}

void setRegistryFolder(std::string folder) { folderSetting() = std::move(folder); }

std::string registryFile() { return hivePath(hiveFolder()); }

}  // namespace platform
