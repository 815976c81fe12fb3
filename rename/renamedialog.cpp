#include "rename/renamedialog.h"

#include <string>
#include <vector>

#include "platform/text.h"
#include "rename/namepattern.h"
#include "rename/renamerun.h"
#include "res/resources.h"
#include "walk/progress.h"
#include "walk/radiopair.h"

namespace renaming {
namespace {

using platform::LParam;
using platform::WindowHandle;
using platform::WParam;

WindowHandle item(WindowHandle dialog, int id) { return platform::getDlgItem(dialog, id); }

bool checked(WindowHandle dialog, int id) { return platform::isDlgButtonChecked(dialog, id) == platform::BST_CHECKED; }

int chosenVersion(WindowHandle dialog) { return checked(dialog, res::kRenameVersionV1) ? kVersionV1 : kVersionV2; }

// The field list is refilled on every click of a version button, so its
// selection is lost even when the version stays.
void chooseVersion(WindowHandle dialog, int clicked, int other, int version) {
    walking::checkOneOfPair(dialog, clicked, other);
    const WindowHandle names = item(dialog, res::kFieldNameList);
    platform::listResetContent(names);
    for (const tags::FieldMask bit : fieldsOf(version)) platform::listAddString(names, tags::tagField(bit).name);
}

const RenameContext& contextOf(WindowHandle dialog) {
    return *reinterpret_cast<const RenameContext*>(platform::dialogData(dialog));
}

void initialise(WindowHandle dialog, LParam context) {
    platform::setDialogData(dialog, context);
    *contextOf(dialog).openHandle = dialog;
    platform::checkDlgButton(dialog, res::kRenameScopeSelected, platform::BST_CHECKED);
    chooseVersion(dialog, res::kRenameVersionV1, res::kRenameVersionV2, kVersionV1);
}

void appendItem(WindowHandle dialog, std::string_view text) {
    platform::listInsertString(item(dialog, res::kPatternList), -1, text);
}

// The first `count` characters of the text, never part of one.
std::string_view firstCharacters(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t taken = 0; taken < count && end < text.size(); ++taken) end = platform::nextCharacter(text, end);
    return text.substr(0, end);
}

void addTextItem(WindowHandle dialog) {
    const std::string text = platform::getWindowText(item(dialog, res::kPatternTextEdit));
    appendItem(dialog, firstCharacters(text, kTextItemLimit));
}

void addTagItem(WindowHandle dialog) {
    const WindowHandle names = item(dialog, res::kFieldNameList);
    const int chosen = platform::listGetCurSel(names);
    if (chosen < 0) return;
    appendItem(dialog, tagItem(chosenVersion(dialog), platform::listGetText(names, chosen)));
}

// The entry that follows the deleted one takes its place and its selection.
void deleteItem(WindowHandle dialog) {
    const WindowHandle pattern = item(dialog, res::kPatternList);
    const int chosen = platform::listGetCurSel(pattern);
    if (chosen < 0) return;
    const int left = platform::listDeleteString(pattern, chosen);
    platform::listSetCurSel(pattern, chosen < left ? chosen : -1);
}

// Moves the selected item one place up (-1) or down (+1); it stays selected.
void moveItem(WindowHandle dialog, int step) {
    const WindowHandle pattern = item(dialog, res::kPatternList);
    const int from = platform::listGetCurSel(pattern);
    const int to = from + step;
    if (from < 0 || to < 0 || to >= platform::listGetCount(pattern)) return;
    const std::string text = platform::listGetText(pattern, from);
    platform::listDeleteString(pattern, from);
    platform::listInsertString(pattern, to, text);
    platform::listSetCurSel(pattern, to);
}

void runPattern(WindowHandle dialog) {
    const WindowHandle list = item(dialog, res::kPatternList);
    std::vector<std::string> pattern;
    for (int i = 0; i < platform::listGetCount(list); ++i) pattern.push_back(platform::listGetText(list, i));
    runRename(dialog, contextOf(dialog), pattern, checked(dialog, res::kRenameScopeAll));
}

void command(WindowHandle dialog, int id) {
    switch (id) {
        case res::kAddTextItem: addTextItem(dialog); break;
        case res::kAddTagItem: addTagItem(dialog); break;
        case res::kDeleteItem: deleteItem(dialog); break;
        case res::kMoveItemUp: moveItem(dialog, -1); break;
        case res::kMoveItemDown: moveItem(dialog, +1); break;
        case res::kRenameVersionV1:
            chooseVersion(dialog, res::kRenameVersionV1, res::kRenameVersionV2, kVersionV1);
            break;
        case res::kRenameVersionV2:
            chooseVersion(dialog, res::kRenameVersionV2, res::kRenameVersionV1, kVersionV2);
            break;
        case res::kRenameScopeSelected:
            walking::checkOneOfPair(dialog, res::kRenameScopeSelected, res::kRenameScopeAll);
            break;
        case res::kRenameScopeAll:
            walking::checkOneOfPair(dialog, res::kRenameScopeAll, res::kRenameScopeSelected);
            break;
        case res::kRenameRun: runPattern(dialog); break;
        case platform::IDCANCEL: platform::endDialog(dialog, platform::IDCANCEL); break;
        default: break;  // Enter's command 1 among them: it does nothing here
    }
}

}  // namespace

std::intptr_t RenameDialog(WindowHandle dialog, unsigned message, WParam wParam, LParam lParam) {
    // While a walk runs (a batch operation, or a rename), "Renombrar" and the
    // rest wait until it has ended rather than start a second one.
    if (walking::deferDuringWalk(dialog, message, wParam, lParam)) return platform::kHandled;
    switch (message) {
        case platform::WM_INITDIALOG: initialise(dialog, lParam); return platform::kHandled;
        case platform::WM_COMMAND:
            command(dialog, static_cast<int>(platform::loWord(wParam)));
            return platform::kHandled;
        case platform::WM_CLOSE: platform::endDialog(dialog, platform::IDCANCEL); return platform::kHandled;
        default: return platform::kNotHandled;
    }
}

}  // namespace renaming
