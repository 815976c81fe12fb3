// Shows one of the program's windows with sample contents on the desktop, for
// screenshots of windows the program opens only in passing:
// `lirvane_showcase progress` or `lirvane_showcase rename`. Cancel ends it.
#include <cstdio>
#include <string_view>

#include "platform/ui/gui/renderer.h"
#include "platform/ui/ui.h"
#include "res/resources.h"

namespace {

using namespace platform;

constexpr std::uint16_t kSampleFiles = 40;
constexpr int kSampleDone = 26;

std::intptr_t progressProc(WindowHandle dialog, unsigned message, WParam wParam, LParam) {
    if (message == WM_INITDIALOG) {
        setDlgItemText(dialog, res::kProgressStatus, "Writing ID3v1.1 Tags...");
        progressSetRange(getDlgItem(dialog, res::kProgressBar), 0, kSampleFiles);
        progressSetPos(getDlgItem(dialog, res::kProgressBar), kSampleDone);
        return kHandled;
    }
    if (message == WM_COMMAND && loWord(wParam) == IDCANCEL) return endDialog(dialog, IDCANCEL);
    return kNotHandled;
}

std::intptr_t renameProc(WindowHandle dialog, unsigned message, WParam wParam, LParam) {
    if (message == WM_INITDIALOG) {
        const WindowHandle pattern = getDlgItem(dialog, res::kPatternList);
        for (const char* item : {"[Artista]", " - ", "[Titulo]"}) listAddString(pattern, item);
        listSetCurSel(pattern, 2);
        const WindowHandle fields = getDlgItem(dialog, res::kFieldNameList);
        for (const char* field : {"Album", "Artista", "Año", "Titulo", "Track"}) listAddString(fields, field);
        listSetCurSel(fields, 1);
        checkDlgButton(dialog, res::kRenameVersionV1, BST_CHECKED);
        checkDlgButton(dialog, res::kRenameScopeSelected, BST_CHECKED);
        return kHandled;
    }
    if (message == WM_COMMAND && loWord(wParam) == IDCANCEL) return endDialog(dialog, IDCANCEL);
    return kNotHandled;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view which = argc > 1 ? argv[1] : "";
    const bool rename = which == "rename";
    if (!rename && which != "progress") {
        std::fputs("usage: lirvane_showcase progress|rename\n", stderr);
        return 2;
    }
    const auto result = gui::runOnDesktop([&] {
        const int id = rename ? res::kRenameDialog : res::kProgressDialog;
        return static_cast<int>(dialogBoxParam(res::lirvaneModule(), id, {}, rename ? renameProc : progressProc, 0));
    });
    return result ? 0 : 1;
}
