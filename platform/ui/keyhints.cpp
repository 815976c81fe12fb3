#include "platform/ui/keyhints.h"

#include <algorithm>

#include "platform/ui/input.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/window.h"

namespace platform {
namespace {

// The enabled, shown controls of a dialog that are of a kind.
int countControls(const Window& dialog, bool (*wanted)(const Window&)) {
    return static_cast<int>(std::count_if(dialog.controls.begin(), dialog.controls.end(), [&](WindowHandle handle) {
        const Window* control = windowOf(handle);
        return control != nullptr && control->enabled && control->visible && wanted(*control);
    }));
}

bool hasControl(const Window& dialog, bool (*wanted)(const Window&)) { return countControls(dialog, wanted) > 0; }

bool isPush(const Window& c) { return c.windowClass == WindowClass::Button && c.buttonKind() <= BS_DEFPUSHBUTTON; }
bool isOk(const Window& c) { return isPush(c) && (c.id == IDOK || c.buttonKind() == BS_DEFPUSHBUTTON); }
bool isCancel(const Window& c) { return isPush(c) && c.id == IDCANCEL; }
bool isTabStop(const Window& c) { return (c.style & WS_TABSTOP) != 0; }
bool isFocusableOffTab(const Window& c) {
    const bool passive = c.windowClass == WindowClass::Static || c.windowClass == WindowClass::Progress ||
                         (c.windowClass == WindowClass::Button && c.buttonKind() == BS_GROUPBOX);
    return !passive && !isTabStop(c);
}

void controlHints(const Window& control, std::vector<KeyHint>& hints) {
    switch (control.windowClass) {
        case WindowClass::Button:
            hints.push_back(control.buttonKind() == BS_AUTOCHECKBOX ? KeyHint::Toggle : KeyHint::Press);
            break;
        case WindowClass::ListBox:
            hints.push_back(KeyHint::Pick);
            if (control.style & LBS_EXTENDEDSEL) hints.push_back(KeyHint::AddToPick);
            break;
        case WindowClass::ComboBox:
            hints.push_back(control.comboDropped ? KeyHint::CloseList : KeyHint::OpenList);
            break;
        default: break;
    }
}

int windowsTakingInput() {
    const auto& order = desktop().zOrder;
    return static_cast<int>(std::count_if(order.begin(), order.end(),
                                          [](WindowHandle w) { return isWindowVisible(w) && isWindowEnabled(w); }));
}

}  // namespace

std::vector<KeyHint> keyHints() {
    std::vector<KeyHint> hints{KeyHint::Help};
    const Window* window = windowOf(getActiveWindow());
    if (window == nullptr || !window->enabled) return hints;
    const Window* focused = windowOf(keyTarget());
    if (focused != nullptr && focused->parent) controlHints(*focused, hints);
    const bool listOpen = focused != nullptr && focused->comboDropped;
    if (hasControl(*window, isOk)) hints.push_back(KeyHint::Accept);
    if (!listOpen && (hasControl(*window, isCancel) || isMessageBox(window->handle))) hints.push_back(KeyHint::Cancel);
    if (countControls(*window, isTabStop) > 1) hints.push_back(KeyHint::NextField);
    if (hasControl(*window, isFocusableOffTab)) hints.push_back(KeyHint::AnyControl);
    if (window->menuBar() != nullptr) hints.push_back(KeyHint::Menu);
    if (windowsTakingInput() > 1) hints.push_back(KeyHint::NextWindow);
    if (window->style & WS_SYSMENU) hints.push_back(KeyHint::Close);
    return hints;
}

}  // namespace platform
