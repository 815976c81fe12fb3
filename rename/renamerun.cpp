#include "rename/renamerun.h"

#include <algorithm>
#include <new>

#include "platform/ui/msgbox.h"
#include "rename/namepattern.h"
#include "rename/renamedialog.h"
#include "walk/progress.h"
#include "walk/report.h"

namespace renaming {
namespace {

using platform::WindowHandle;

// Moves the file to the composed name; the path it has afterwards, or nothing
// when it keeps its name by failure. A file named right already stays.
std::optional<std::string> moveToName(const std::string& current, std::string_view name) {
    std::optional<std::string> target = renamedPath(current, name);
    if (!target || *target == current) return target;
    if (platform::moveFileNoReplace(current, *target) != 0) return std::nullopt;
    return target;
}

void reportFailure(WindowHandle dialog, const std::string& path) {
    walking::showError(dialog, kRenameFailed, path, kRenameFailedTitle);
}

tags::TagResult reported(WindowHandle dialog, const tags::TagOutcome& outcome) {
    walking::report(dialog, outcome);
    return outcome.result;
}

void renameEntry(WindowHandle dialog, const RenameContext& context, int index, std::span<const std::string> pattern,
                 RenameTable& table) {
    const std::string current = platform::listGetText(context.fileList, index);
    // The list takes no longer paths; should one be there, it stays as it is.
    if (current.size() > platform::kMaxPath) {
        reportFailure(dialog, current);
        return;
    }
    // Both tags are read whatever the pattern uses, from one open of the
    // file (closed before the rename): each read reports its own failures.
    const TagReads reads = [&] {
        tags::TagFile file;
        file.open(current, false);
        return TagReads{reported(dialog, context.v1->read(file)), reported(dialog, context.v2->read(file))};
    }();
    const std::string name = composeName(pattern, *context.v1, *context.v2, reads);
    context.v2->freeFields(tags::kAllFields);
    const std::optional<std::string> renamed = moveToName(current, name);
    table.add(index, renamed.value_or(current));
    if (!renamed) reportFailure(dialog, current);
}

// The handled entries make way for the paths in the table, which the list
// sorts in unselected. Entries a cancelled run did not reach keep their paths.
void replaceEntries(WindowHandle list, const RenameTable& table) {
    for (const RenameEntry& entry : table.filled()) platform::listDeleteString(list, entry.listIndex);
    for (const RenameEntry& entry : table.filled()) platform::listAddString(list, entry.path);
}

}  // namespace

std::optional<std::string> renamedPath(std::string_view current, std::string_view name) {
    const bool nameFits = !name.empty() && name.size() <= platform::kMaxPath &&
                          name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
    if (!nameFits) return std::nullopt;
    std::string path(current.substr(0, current.rfind(platform::kSeparator) + 1));
    path.append(name).append(kRenamedExtension);
    if (path.size() > platform::kMaxPath) return std::nullopt;
    return path;
}

bool RenameTable::allocate(std::size_t entries) {
    entries_.reset(new (std::nothrow) RenameEntry[entries]);
    capacity_ = entries_ ? entries : 0;
    filled_ = 0;
    return entries_ != nullptr;
}

void RenameTable::add(int listIndex, std::string_view path) {
    if (filled_ == capacity_) return;
    RenameEntry& entry = entries_[filled_++];
    entry.listIndex = listIndex;
    std::copy_n(path.begin(), std::min(path.size(), platform::kMaxPath), entry.path);
}

void runRename(WindowHandle dialog, const RenameContext& context, std::span<const std::string> pattern,
               bool allEntries) {
    const walking::WalkScope scope(context.fileList, allEntries);
    walking::ProgressRun progress(*context.module, kRenamingFiles, scope.inScopeCount());
    RenameTable table;
    if (!table.allocate(scope.inScopeCount())) {
        platform::messageBox(dialog, kTableAllocFailed, walking::kErrorTitle);
        return;
    }
    progress.walk(scope, [&](int index) { renameEntry(dialog, context, index, pattern, table); });
    replaceEntries(context.fileList, table);
}

}  // namespace renaming
