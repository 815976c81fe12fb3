#include "app/mainwindow.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/filelist.h"
#include "app/operations.h"
#include "app/panel.h"
#include "app/settings.h"
#include "platform/ui/msgbox.h"
#include "rename/renamedialog.h"
#include "res/resources.h"
#include "tags/fields.h"
#include "walk/progress.h"
#include "walk/radiopair.h"
#include "walk/report.h"

namespace app {
namespace {

using platform::LParam;
using platform::WParam;

constexpr int kListExtent = 1024;  // pixels, so that long paths can be scrolled into view

bool isChecked(WindowHandle window, int id) {
    return platform::isDlgButtonChecked(window, id) == platform::BST_CHECKED;
}

void enableItem(WindowHandle window, int id, bool enable) {
    platform::enableWindow(platform::getDlgItem(window, id), enable);
}

int controlOfCheck(int check) {
    const auto row = std::ranges::find(kPanelFields, check, &PanelField::check);
    return row == kPanelFields.end() ? platform::kNoControlId : row->control;
}

void enableOperations(WindowHandle window, bool v1View) {
    enableItem(window, res::kApplyV1, v1View);
    enableItem(window, res::kRemoveV1, v1View);
    enableItem(window, res::kApplyV2, !v1View);
    enableItem(window, res::kRemoveV2, !v1View);
}

void disableV2OnlyRows(WindowHandle window) {
    for (const PanelField& row : kPanelFields) {
        if (!row.v2Only) continue;
        enableItem(window, row.control, false);
        enableItem(window, row.check, false);
    }
}

void initialise(WindowHandle window) {
    MainWindowHandle = window;
    platform::setIcon(window, platform::ICON_SMALL, res::kSmallIcon);
    platform::setIcon(window, platform::ICON_BIG, res::kLargeIcon);
    platform::listSetHorizontalExtent(platform::getDlgItem(window, res::kFileList), kListExtent);
    platform::setGrowingControl(window, res::kFileList);  // a larger window shows more of the list
    fillGenreCombo(window, res::kGenreCombo);
    for (const PanelField& row : kPanelFields) platform::checkDlgButton(window, row.check, platform::BST_CHECKED);
    platform::checkDlgButton(window, res::kScopeSelected, platform::BST_CHECKED);
    platform::checkDlgButton(window, res::kViewV1, platform::BST_CHECKED);
    disableV2OnlyRows(window);
    enableItem(window, res::kApplyV2, false);
    enableItem(window, res::kRemoveV2, false);
}

// Copies the list's current entry into CurrentPath; false when the list is empty.
bool takeCurrentEntry(WindowHandle window) {
    const WindowHandle list = platform::getDlgItem(window, res::kFileList);
    if (platform::listGetCount(list) <= 0) return false;
    platform::listGetText(list, platform::listGetCaretIndex(list), CurrentPath);
    return true;
}

// The read's own message, if any, comes first, then the panel's.
void readAndShow(WindowHandle window) {
    const bool v1View = isChecked(window, res::kViewV1);
    const tags::TagOutcome outcome = v1View ? TheV1Tag.read(CurrentPath) : TheV2Tag.read(CurrentPath);
    walking::report(window, outcome);
    if (outcome.succeeded()) {
        v1View ? showV1Tag(window) : showV2Tag(window);
    } else if (outcome.result != (v1View ? tags::TagNoV1Trailer : tags::TagNoV2Header)) {
        platform::messageBox(window, v1View ? kReadV1Failed : kReadV2Failed, walking::kErrorTitle);
    }
}

// The dialog renames the files of this window's list, read into the program's records.
void openRenameDialog(WindowHandle window) {
    renaming::RenameContext context{ModuleInstance, platform::getDlgItem(window, res::kFileList), &TheV1Tag, &TheV2Tag,
                                    &RenameDialogHandle};
    openSecondaryDialog(RenameDialogHandle, res::kRenameDialog, renaming::RenameDialog,
                        reinterpret_cast<LParam>(&context));
}

void command(WindowHandle window, int id, unsigned code) {
    if (id == res::kFileList) {
        if (code == platform::LBN_SELCHANGE) showSelectedTags(window);
        return;
    }
    if (const int control = controlOfCheck(id); control != platform::kNoControlId) {
        enableItem(window, control, isChecked(window, id));
        return;
    }
    switch (id) {
        case res::kViewV1: switchToV1View(window); break;
        case res::kViewV2: switchToV2View(window); break;
        case res::kScopeSelected: walking::checkOneOfPair(window, res::kScopeSelected, res::kScopeAll); break;
        case res::kScopeAll: walking::checkOneOfPair(window, res::kScopeAll, res::kScopeSelected); break;
        case res::kMenuAbout: openSecondaryDialog(AboutDialogHandle, res::kAboutDialog, AboutDialog); break;
        case res::kMenuOptions: openSecondaryDialog(OptionsDialogHandle, res::kOptionsDialog, OptionsDialog); break;
        case res::kMenuRenameFromTags: openRenameDialog(window); break;
        default:
            if (!runTagOperation(id)) fileListCommand(window, id);
            break;
    }
}

}  // namespace

std::intptr_t MainWindow(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
    // A running walk owns the list; what would change it waits until it ends.
    if (walking::deferDuringWalk(window, message, wParam, lParam)) return platform::kHandled;
    switch (message) {
        case platform::WM_INITDIALOG: initialise(window); return platform::kHandled;
        case platform::WM_CLOSE: platform::postQuitMessage(0); return platform::kHandled;
        case platform::WM_COMMAND:
            command(window, static_cast<int>(platform::loWord(wParam)), platform::hiWord(wParam));
            return platform::kHandled;
        case platform::WM_DROPFILES:
            addDroppedPaths(window, platform::takeDroppedFiles(wParam));
            return platform::kHandled;
        default: return platform::kNotHandled;
    }
}

void switchToV1View(WindowHandle window) {
    if (isChecked(window, res::kViewV1)) return;
    walking::checkOneOfPair(window, res::kViewV1, res::kViewV2);
    disableV2OnlyRows(window);
    enableOperations(window, true);
    clearTagFields(window);
    if (takeCurrentEntry(window)) readAndShow(window);
}

void switchToV2View(WindowHandle window) {
    if (isChecked(window, res::kViewV2)) return;
    walking::checkOneOfPair(window, res::kViewV2, res::kViewV1);
    for (const PanelField& row : kPanelFields) {
        if (!row.v2Only) continue;
        if (isChecked(window, row.check)) enableItem(window, row.control, true);
        enableItem(window, row.check, true);
    }
    enableOperations(window, false);
    clearTagFields(window);
    if (takeCurrentEntry(window)) readAndShow(window);
}

void clearTagFields(WindowHandle window) {
    for (const PanelField& row : kPanelFields) {
        if (row.bit != tags::kFieldGenre) platform::setDlgItemText(window, row.control, "");
    }
    platform::comboSetCurSel(platform::getDlgItem(window, res::kGenreCombo), -1);
}

void showSelectedTags(WindowHandle window) {
    clearTagFields(window);
    if (takeCurrentEntry(window)) readAndShow(window);
}

// A genre that names no entry of the list leaves the field empty.
void showV1Tag(WindowHandle window) {
    for (const PanelField& row : kPanelFields) {
        const tags::TagField& field = tags::tagField(row.bit);
        const std::string text = tags::v1Text(TheV1Tag, field);
        if (field.v1 == tags::V1Kind::Text || field.v1 == tags::V1Kind::Track) {
            platform::setDlgItemText(window, row.control, text);
        } else if (field.v1 == tags::V1Kind::Genre) {
            const WindowHandle combo = platform::getDlgItem(window, row.control);
            const int found = platform::comboFindStringExact(combo, -1, text);
            if (found != platform::CB_ERR) platform::comboSetCurSel(combo, found);
        }
    }
}

void showV2Tag(WindowHandle window) {
    for (const PanelField& row : kPanelFields) {
        const std::string text = tags::v2Text(TheV2Tag, tags::tagField(row.bit));
        if (!text.empty()) platform::setDlgItemText(window, row.control, text);
    }
}

}  // namespace app
