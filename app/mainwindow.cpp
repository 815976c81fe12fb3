#include "app/mainwindow.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/filelist.h"
#include "app/operations.h"
#include "app/progress.h"
#include "app/radiopair.h"
#include "app/settings.h"
#include "platform/ui/msgbox.h"
#include "rename/renamedialog.h"
#include "res/resources.h"
#include "tags/messages.h"
#include "tags/textcodec.h"

namespace app {
namespace {

using platform::LParam;
using platform::WParam;

constexpr int kListExtent = 1024;  // pixels, so that long paths can be scrolled into view

// The rows of the tag panel: check box and field control.
struct FieldRow {
    int check;
    int control;
};

constexpr FieldRow kRows[] = {
    {res::kTitleCheck, res::kTitleEdit},         {res::kArtistCheck, res::kArtistEdit},
    {res::kAlbumCheck, res::kAlbumEdit},         {res::kYearCheck, res::kYearEdit},
    {res::kTrackCheck, res::kTrackEdit},         {res::kGenreCheck, res::kGenreCombo},
    {res::kUrlCheck, res::kUrlEdit},             {res::kCommentCheck, res::kCommentEdit},
    {res::kComposerCheck, res::kComposerEdit},   {res::kOrigArtistCheck, res::kOrigArtistEdit},
    {res::kCopyrightCheck, res::kCopyrightEdit}, {res::kEncodedByCheck, res::kEncodedByEdit},
};

// The rows that only ID3v2.3 has, in the order the views treat them.
constexpr FieldRow kV2OnlyRows[] = {
    {res::kComposerCheck, res::kComposerEdit},   {res::kCopyrightCheck, res::kCopyrightEdit},
    {res::kEncodedByCheck, res::kEncodedByEdit}, {res::kOrigArtistCheck, res::kOrigArtistEdit},
    {res::kUrlCheck, res::kUrlEdit},
};

// Where showV2Tag puts each slot's text.
struct SlotView {
    std::size_t slot;
    int control;
};

constexpr SlotView kSlotViews[] = {
    {0, res::kTitleEdit},     {1, res::kArtistEdit},      {2, res::kAlbumEdit},
    {4, res::kCommentEdit},   {3, res::kYearEdit},        {6, res::kTrackEdit},
    {5, res::kGenreCombo},    {11, res::kComposerEdit},   {9, res::kCopyrightEdit},
    {7, res::kEncodedByEdit}, {10, res::kOrigArtistEdit}, {8, res::kUrlEdit},
};

constexpr int kFirstEdit = res::kTitleEdit;
constexpr int kLastEdit = res::kEncodedByEdit;

// A text field of the ID3v1.1 record, out of Windows-1252.
template <std::size_t N>
std::string shownV1Text(const char (&field)[N]) {
    return tags::text::fromV1({field, N});
}

bool isChecked(WindowHandle window, int id) { return platform::isDlgButtonChecked(window, id) == platform::BST_CHECKED; }

void enableItem(WindowHandle window, int id, bool enable) {
    platform::enableWindow(platform::getDlgItem(window, id), enable);
}

int controlOfCheck(int check) {
    const auto row = std::find_if(std::begin(kRows), std::end(kRows), [&](const FieldRow& r) { return r.check == check; });
    return row == std::end(kRows) ? platform::kNoControlId : row->control;
}

void enableOperations(WindowHandle window, bool v1View) {
    enableItem(window, res::kApplyV1, v1View);
    enableItem(window, res::kRemoveV1, v1View);
    enableItem(window, res::kApplyV2, !v1View);
    enableItem(window, res::kRemoveV2, !v1View);
}

void disableV2OnlyRows(WindowHandle window) {
    for (const FieldRow& row : kV2OnlyRows) enableItem(window, row.control, false);
    for (const FieldRow& row : kV2OnlyRows) enableItem(window, row.check, false);
}

void initialise(WindowHandle window) {
    MainWindowHandle = window;
    platform::setIcon(window, platform::ICON_SMALL, res::kSmallIcon);
    platform::setIcon(window, platform::ICON_BIG, res::kLargeIcon);
    platform::listSetHorizontalExtent(platform::getDlgItem(window, res::kFileList), kListExtent);
    tags::fillGenreCombo(window, res::kGenreCombo);
    for (const FieldRow& row : kRows) platform::checkDlgButton(window, row.check, platform::BST_CHECKED);
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
    const std::string entry = platform::listGetText(list, platform::listGetCaretIndex(list));
    const std::size_t copied = std::min(entry.size(), kCurrentPathSize - 1);
    std::memcpy(CurrentPath, entry.data(), copied);
    CurrentPath[copied] = '\0';
    return true;
}

void readAndShow(WindowHandle window) {
    if (isChecked(window, res::kViewV1)) {
        const tags::TagResult result = TheV1Tag.read(window, CurrentPath);
        if (result == tags::TagSuccess) showV1Tag(window);
        else if (result != tags::TagNoV1Trailer) platform::messageBox(window, kReadV1Failed, tags::msg::kTitle);
        return;
    }
    const tags::TagResult result = TheV2Tag.read(window, CurrentPath);
    if (result == tags::TagSuccess) showV2Tag(window);
    else if (result != tags::TagNoV2Header) platform::messageBox(window, kReadV2Failed, tags::msg::kTitle);
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
        case res::kScopeSelected: checkOneOfPair(window, res::kScopeSelected, res::kScopeAll); break;
        case res::kScopeAll: checkOneOfPair(window, res::kScopeAll, res::kScopeSelected); break;
        case res::kMenuAbout: openSecondaryDialog(AboutDialogHandle, res::kAboutDialog, AboutDialog); break;
        case res::kMenuOptions: openSecondaryDialog(OptionsDialogHandle, res::kOptionsDialog, OptionsDialog); break;
        case res::kMenuRenameFromTags:
            openSecondaryDialog(RenameDialogHandle, res::kRenameDialog, renaming::RenameDialog);
            break;
        default:
            if (!runTagOperation(id)) fileListCommand(window, id);
            break;
    }
}

}  // namespace

std::intptr_t MainWindow(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
    // A running walk owns the list; what would change it waits until it ends.
    if (deferDuringWalk(window, message, wParam, lParam)) return platform::kHandled;
    switch (message) {
        case platform::WM_INITDIALOG:
            initialise(window);
            return platform::kHandled;
        case platform::WM_CLOSE:
            platform::postQuitMessage(0);
            return platform::kHandled;
        case platform::WM_COMMAND:
            command(window, static_cast<int>(platform::loWord(wParam)), platform::hiWord(wParam));
            return platform::kHandled;
        case platform::WM_DROPFILES:
            addDroppedPaths(window, platform::takeDroppedFiles(wParam));
            return platform::kHandled;
        default:
            return platform::kNotHandled;
    }
}

void switchToV1View(WindowHandle window) {
    if (isChecked(window, res::kViewV1)) return;
    checkOneOfPair(window, res::kViewV1, res::kViewV2);
    disableV2OnlyRows(window);
    enableOperations(window, true);
    clearTagFields(window);
    if (takeCurrentEntry(window)) readAndShow(window);
}

void switchToV2View(WindowHandle window) {
    if (isChecked(window, res::kViewV2)) return;
    checkOneOfPair(window, res::kViewV2, res::kViewV1);
    for (const FieldRow& row : kV2OnlyRows) {
        if (isChecked(window, row.check)) enableItem(window, row.control, true);
    }
    for (const FieldRow& row : kV2OnlyRows) enableItem(window, row.check, true);
    enableOperations(window, false);
    clearTagFields(window);
    if (takeCurrentEntry(window)) readAndShow(window);
}

void clearTagFields(WindowHandle window) {
    for (int id = kFirstEdit; id <= kLastEdit; ++id) platform::setDlgItemText(window, id, "");
    platform::comboSetCurSel(platform::getDlgItem(window, res::kGenreCombo), -1);
}

void showSelectedTags(WindowHandle window) {
    clearTagFields(window);
    if (takeCurrentEntry(window)) readAndShow(window);
}

void showV1Tag(WindowHandle window) {
    platform::setDlgItemText(window, res::kTitleEdit, shownV1Text(TheV1Tag.title));
    platform::setDlgItemText(window, res::kArtistEdit, shownV1Text(TheV1Tag.artist));
    platform::setDlgItemText(window, res::kAlbumEdit, shownV1Text(TheV1Tag.album));
    platform::setDlgItemText(window, res::kCommentEdit, shownV1Text(TheV1Tag.comment));
    platform::setDlgItemText(window, res::kYearEdit, shownV1Text(TheV1Tag.year));
    platform::setDlgItemInt(window, res::kTrackEdit, TheV1Tag.track, false);
    char genre[tags::kGenreNameBuffer] = {};
    TheV1Tag.genreName(genre);
    const WindowHandle combo = platform::getDlgItem(window, res::kGenreCombo);
    const int found = platform::comboFindStringExact(combo, -1, genre);
    if (found != platform::CB_ERR) platform::comboSetCurSel(combo, found);
}

void showV2Tag(WindowHandle window) {
    for (const SlotView& view : kSlotViews) {
        const std::string text = tags::text::bodyText(TheV2Tag.slots[view.slot].body(), tags::slotLayout(view.slot));
        if (!text.empty()) platform::setDlgItemText(window, view.control, text);
    }
}

}  // namespace app
