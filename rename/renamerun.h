// The run of "Renombrar": every file in scope of the main window's list is
// renamed, in its own folder, to the name its tags give by the pattern, and
// the list shows the files' new paths.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/fs.h"
#include "platform/ui/handle.h"

namespace renaming {

inline constexpr char kRenamingFiles[] = "Renaming Files...";
// The file is named on a line of its own, after the message's own text.
inline constexpr char kRenameFailed[] = "Error renaming file.\n File: '%s'";
inline constexpr char kRenameFailedTitle[] = "Error";
inline constexpr char kTableAllocFailed[] = "Error allocating memory.  Files were not renamed";
inline constexpr char kRenamedExtension[] = ".mp3";
inline constexpr std::size_t kPathRecordSize = platform::kMaxPath + 1;

// The path a file takes under a composed name: its own folder, the name and
// ".mp3". Nothing when the name is empty, would put the file into another
// folder (a '/'), holds a zero byte, or when the name or the path would be
// longer than a path may be: a name is never cut.
std::optional<std::string> renamedPath(std::string_view current, std::string_view name);

// One handled entry of the list and the path of its file after the run.
struct RenameEntry {
    int listIndex = 0;
    char path[kPathRecordSize] = {};
};

// The handled entries in handling order: the list's last entry first.
class RenameTable {
public:
    // Room for every entry in scope; false when the memory cannot be had.
    bool allocate(std::size_t entries);
    // The path must fit a record; the run takes no longer ones.
    void add(int listIndex, std::string_view path);
    std::span<const RenameEntry> filled() const { return {entries_.get(), filled_}; }

private:
    std::unique_ptr<RenameEntry[]> entries_;
    std::size_t capacity_ = 0;
    std::size_t filled_ = 0;
};

struct RenameContext;

// Renames the files of the selected entries of the context's list, or of
// all, last entry first, behind the progress window. Every message box is
// owned by the dialog.
void runRename(platform::WindowHandle dialog, const RenameContext& context, std::span<const std::string> pattern,
               bool allEntries);

}  // namespace renaming
