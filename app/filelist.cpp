#include "app/filelist.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/ui/filedialogs.h"
#include "platform/ui/msgbox.h"
#include "res/resources.h"
#include "tags/messages.h"
#include "walk/report.h"

namespace app {
namespace {

constexpr char kAddErrorTitle[] = "Error";
constexpr char kMp3Ending[] = "mp3";

// Adds an entry, unless it is longer than a path may be: it is never cut.
bool addEntry(WindowHandle list, const std::string& path) {
    if (path.size() > platform::kMaxPath) return false;
    platform::listAddString(list, path);
    return true;
}

bool endsInMp3(std::string_view name) { return name.ends_with(kMp3Ending); }

// The next zero-terminated string of a dialog result, within its buffer.
std::string_view nextString(std::span<const char> result, std::size_t& at) {
    if (at >= result.size()) return {};
    const auto start = result.begin() + static_cast<std::ptrdiff_t>(at);
    const auto end = std::find(start, result.end(), '\0');
    const std::string_view text(start, end);
    at += text.size() + 1;
    return text;
}

void addChosenFiles(WindowHandle window, WindowHandle list) {
    CurrentPath[0] = '\0';
    if (!chooseFile(window, kAddFileTitle, kMp3Filter, CurrentPath, ".", 0, 1)) {
        // A cancel says nothing; a choice that did not fit must not vanish unreported.
        if (platform::commDlgExtendedError() == platform::FNERR_BUFFERTOOSMALL) {
            platform::messageBox(window, kTooManyChosen, kAddErrorTitle);
        }
        return;
    }
    if (!addSelectedFiles(list, CurrentPath)) platform::messageBox(window, kAddFailed, kAddErrorTitle);
}

void addChosenFolder(WindowHandle window, WindowHandle list) {
    std::array<char, kFolderPathSize> folder{};
    if (chooseFolder(window, folder, kAddFolderTitle)) addFolderTree(list, folder.data());
}

void useListFile(WindowHandle window, WindowHandle list, bool saving) {
    CurrentPath[0] = '\0';
    if (!chooseFile(window, saving ? kSaveListTitle : kLoadListTitle, kListFilters, CurrentPath, ".", saving, 0))
        return;
    if (saving)
        saveFileList(window, CurrentPath, list);
    else
        loadFileList(window, CurrentPath, list);
}

// The list file moves in blocks of records, not a system call per record.
constexpr std::size_t kRecordsPerBlock = 256;
constexpr std::size_t kBlockSize = kRecordsPerBlock * kListRecordSize;

// Writes the records, last entry first, into a new file beside the list file.
bool writeRecords(WindowHandle list, platform::File& file) {
    std::vector<std::uint8_t> block(kBlockSize);
    const std::span<const std::uint8_t> whole(block);
    std::size_t used = 0;
    for (int index = platform::listGetCount(list) - 1; index >= 0; --index) {
        const auto record = std::span(reinterpret_cast<char*>(block.data() + used), kListRecordSize);
        const int length = platform::listGetText(list, index, record);
        const std::size_t kept = std::min(static_cast<std::size_t>(std::max(length, 0)), kListRecordSize - 1);
        std::fill(record.begin() + static_cast<std::ptrdiff_t>(kept), record.end(), '\0');
        used += kListRecordSize;
        if (used < kBlockSize) continue;
        if (!file.write(whole)) return false;
        used = 0;
    }
    return used == 0 || file.write(whole.first(used));
}

// Adds the path of every whole record, a block at a time; false when
// reading failed.
bool readRecords(WindowHandle list, platform::File& file) {
    std::vector<std::uint8_t> block(kBlockSize);
    std::vector<std::string_view> paths;
    paths.reserve(kRecordsPerBlock);
    std::int64_t got = 0;
    do {
        got = file.read(block);
        if (got < 0) return false;
        const std::size_t whole = static_cast<std::size_t>(got) / kListRecordSize * kListRecordSize;
        paths.clear();
        for (std::size_t at = 0; at < whole; at += kListRecordSize) {
            const std::string_view record(reinterpret_cast<const char*>(block.data() + at), kListRecordSize);
            const std::size_t end = record.find('\0');
            // A record without a terminator holds no path this program could have written.
            if (end != std::string_view::npos) paths.push_back(record.substr(0, end));
        }
        platform::listAddStrings(list, paths);
    } while (static_cast<std::size_t>(got) == kBlockSize);
    return true;
}

}  // namespace

void fileListCommand(WindowHandle window, int id) {
    const WindowHandle list = platform::getDlgItem(window, res::kFileList);
    switch (id) {
        case res::kAddFile: addChosenFiles(window, list); break;
        case res::kAddFolder: addChosenFolder(window, list); break;
        case res::kRemoveSelected: removeSelectedEntries(list); break;
        case res::kRemoveAll: removeAllEntries(list); break;
        case res::kMenuLoadList: useListFile(window, list, false); break;
        case res::kMenuSaveList: useListFile(window, list, true); break;
        default: break;
    }
}

int chooseFile(WindowHandle owner, const char* title, const char* filter, std::span<char> result,
               const char* initialFolder, int save, int multiSelect) {
    platform::OpenFileName request;
    request.owner = owner;
    request.filter = filter;
    request.file = result;
    request.initialDir = initialFolder;
    request.title = title;
    // A list file may be saved under a new name; everything opened must exist.
    request.flags = platform::OFN_EXPLORER | platform::OFN_HIDEREADONLY |
                    (save ? platform::OFN_PATHMUSTEXIST : platform::OFN_FILEMUSTEXIST) |
                    (multiSelect ? platform::OFN_ALLOWMULTISELECT : 0);
    return save ? platform::getSaveFileName(request) : platform::getOpenFileName(request);
}

int chooseFolder(WindowHandle owner, std::span<char> result, const char* title) {
    return platform::browseForFolder(owner, title, result) ? 1 : 0;
}

int addSelectedFiles(WindowHandle list, std::span<const char> result) {
    std::size_t at = 0;
    const std::string_view first = nextString(result, at);
    const std::string prefix = std::string(first) + platform::kSeparator;
    std::string_view name = nextString(result, at);
    if (name.empty()) return addEntry(list, std::string(first)) ? 1 : 0;
    bool allAdded = true;
    for (; !name.empty(); name = nextString(result, at)) {
        std::string entry = prefix + std::string(name);
        if (entry.back() == platform::kSeparator) entry.pop_back();
        allAdded = addEntry(list, entry) && allAdded;
    }
    return allAdded ? 1 : 0;
}

int addFolderTree(WindowHandle list, std::string_view folder) {
    platform::FolderReader reader;
    if (reader.open(folder) != 0) return 0;
    platform::FolderEntry entry;
    int result = 0;
    while ((result = reader.next(entry)) == 1) {
        const std::string path = platform::joinPath(folder, entry.name);
        if (entry.isFolder) {
            // A path too long to hold is not walked: nothing below it could be added.
            if (entry.name != "." && entry.name != ".." && path.size() <= platform::kMaxPath) addFolderTree(list, path);
        } else if (endsInMp3(entry.name)) {
            addEntry(list, path);
        }
    }
    return result == 0 ? 1 : 0;
}

void addDroppedPaths(WindowHandle window, std::span<const std::string> paths) {
    const WindowHandle list = platform::getDlgItem(window, res::kFileList);
    bool allAdded = true;
    for (const std::string& path : paths) {
        if (platform::pathKind(path) == platform::PathKind::Folder)
            addFolderTree(list, path);
        else
            allAdded = addEntry(list, path) && allAdded;
    }
    if (!allAdded) platform::messageBox(window, kAddFailed, kAddErrorTitle);
}

void removeSelectedEntries(WindowHandle list) {
    for (int index = platform::listGetCount(list) - 1; index >= 0; --index) {
        if (platform::listGetSel(list, index) > 0) platform::listDeleteString(list, index);
    }
}

// Every entry at once: deleting them one by one from the last leaves the same
// empty list, only slower.
void removeAllEntries(WindowHandle list) { platform::listResetContent(list); }

// The records go to a temporary file beside the list file, which then takes
// its place: a failed write leaves the old list file as it was.
int saveFileList(WindowHandle owner, const char* path, WindowHandle list) {
    const bool existed = platform::pathKind(path) != platform::PathKind::Missing;
    platform::File original;
    if (original.open(path, platform::Access::WriteOpenOrCreate) != 0) {
        walking::showError(owner, tags::msg::kOpenForReading, path);
        return 0;
    }
    platform::TempFile temp;
    const bool saved =
        temp.create(platform::folderOf(path)) == 0 && writeRecords(list, temp.file()) && temp.replace(original) == 0;
    if (!saved) {
        original.close();
        if (!existed) platform::deleteFile(path);  // nothing of the failed save stays
        walking::showError(owner, kListWriteFailed, path);
        return 0;
    }
    return 1;
}

int loadFileList(WindowHandle owner, const char* path, WindowHandle list) {
    platform::File file;
    if (file.open(path, platform::Access::Read) != 0) {
        walking::showError(owner, tags::msg::kOpenForReading, path);
        return 0;
    }
    removeAllEntries(list);
    if (!readRecords(list, file)) walking::showError(owner, kListReadFailed, path);
    return 1;
}

}  // namespace app
