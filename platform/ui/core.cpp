// Windows, the message queue, dialogs and their modal loops, focus and the
// dialog keyboard handling.
#include <algorithm>
#include <utility>

#include "platform/ui/controls.h"
#include "platform/ui/input.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/window.h"
#include "platform/signals.h"

namespace platform {
namespace {

constexpr std::intptr_t kDialogFailed = -1;

WindowHandle newHandle() { return WindowHandle{desktop().nextHandle++}; }

Window& addWindow(WindowClass windowClass) {
    auto window = std::make_unique<Window>();
    window->handle = newHandle();
    window->windowClass = windowClass;
    Window& added = *window;
    desktop().windows.emplace(added.handle.value, std::move(window));
    return added;
}

void addControl(Window& dialog, const ControlTemplate& control) {
    Window& added = addWindow(control.windowClass);
    added.id = control.id;
    added.rect = {control.x, control.y, control.x + control.cx, control.y + control.cy};
    added.text = control.text ? control.text : "";
    added.style = control.style;
    added.enabled = (control.style & WS_DISABLED) == 0;
    added.visible = true;
    added.parent = dialog.handle;
    added.comboDropHeight = control.cy;
    dialog.controls.push_back(added.handle);
}

// What the control asks of the keyboard handling, as it answers itself.
unsigned dialogCode(WindowHandle control) { return static_cast<unsigned>(sendMessage(control, WM_GETDLGCODE, 0, 0)); }

bool isTabStop(const Window& control) { return (control.style & WS_TABSTOP) && control.enabled && control.visible; }

bool takesFocus(const Window& control) {
    return control.enabled && control.visible && !(dialogCode(control.handle) & DLGC_STATIC);
}

// The control that loses the focus hears of it (an open drop-down list closes).
void changeFocus(Window& dialog, WindowHandle focus) {
    if (dialog.focus == focus) return;
    const WindowHandle previous = std::exchange(dialog.focus, focus);
    if (previous) sendMessage(previous, WM_KILLFOCUS, focus.value, 0);
}

// Moves the focus to the next (or previous) control that `eligible` allows,
// wrapping around.
void moveFocus(Window& dialog, bool forward, bool (*eligible)(const Window&) = isTabStop) {
    const auto& controls = dialog.controls;
    if (controls.empty()) return;
    const auto at = std::find(controls.begin(), controls.end(), dialog.focus);
    const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(controls.size());
    std::ptrdiff_t index = at == controls.end() ? (forward ? -1 : count) : at - controls.begin();
    for (std::ptrdiff_t step = 0; step < count; ++step) {
        index = ((forward ? index + 1 : index - 1) + count) % count;
        const Window* candidate = windowOf(controls[static_cast<std::size_t>(index)]);
        if (candidate != nullptr && eligible(*candidate)) {
            changeFocus(dialog, candidate->handle);
            return;
        }
    }
}

void focusFirstTabStop(Window& dialog) {
    changeFocus(dialog, {});
    moveFocus(dialog, true);
}

void raise(WindowHandle topLevel) {
    auto& order = desktop().zOrder;
    const auto at = std::find(order.begin(), order.end(), topLevel);
    if (at == order.end()) return;
    order.erase(at);
    order.push_back(topLevel);
}

WindowHandle createIndirect(const DialogTemplate& dialogTemplate, const Module* module, WindowHandle owner,
                            DialogProc proc, LParam initParam) {
    Window& dialog = addWindow(WindowClass::Dialog);
    dialog.rect = {dialogTemplate.x, dialogTemplate.y, dialogTemplate.x + dialogTemplate.cx,
                   dialogTemplate.y + dialogTemplate.cy};
    dialog.text = dialogTemplate.caption ? dialogTemplate.caption : "";
    dialog.style = dialogTemplate.style;
    dialog.owner = owner;
    dialog.proc = proc;
    dialog.module = module;
    dialog.menuId = dialogTemplate.menuId;
    for (const ControlTemplate& control : dialogTemplate.controls) addControl(dialog, control);
    const WindowHandle handle = dialog.handle;
    desktop().zOrder.push_back(handle);
    if (sendMessage(handle, WM_INITDIALOG, 0, initParam) != 0) {
        if (Window* created = windowOf(handle)) focusFirstTabStop(*created);
    }
    if (Window* created = windowOf(handle); created && (dialogTemplate.style & WS_VISIBLE)) created->visible = true;
    return isWindow(handle) ? handle : WindowHandle{};
}

enum class Next { Message, Waited, End };

// Takes the next message, or waits for input once; End when the loops must
// end. After a wait the caller looks again whether its dialog has ended.
Next nextMessage(Msg& msg) {
    Desktop& d = desktop();
    if (caughtStopSignal() != 0) d.quit = true;  // a stop signal quits as Ctrl+C does
    if (d.quit) return Next::End;
    while (!d.queue.empty()) {
        msg = d.queue.front();
        d.queue.pop_front();
        if (!msg.window) msg.window = keyTarget();
        if (msg.window) return Next::Message;  // else a key while nothing takes keys
    }
    return d.input != nullptr && d.input->wait() ? Next::Waited : Next::End;
}

void route(const Msg& msg) {
    const WindowHandle top = topLevelOf(msg.window);
    const Window* topWindow = windowOf(top);
    if (topWindow != nullptr && topWindow->isDialog() && isDialogMessage(top, msg)) return;
    dispatchMessage(msg);
}

std::intptr_t runModal(WindowHandle dialog, WindowHandle owner) {
    if (!dialog) return kDialogFailed;
    const bool disableOwner = isWindow(owner) && isWindowEnabled(owner);
    if (disableOwner) enableWindow(owner, false);
    if (Window* window = windowOf(dialog)) window->modal = isWindow(owner);
    showWindow(dialog, SW_SHOWNORMAL);
    std::intptr_t result = kDialogFailed;
    Msg msg;
    for (;;) {
        const Window* running = windowOf(dialog);
        if (running == nullptr) break;
        if (running->ended) {
            result = running->result;
            break;
        }
        const Next next = nextMessage(msg);
        if (next == Next::End) {
            if (desktop().quit) result = 0;
            break;
        }
        if (next == Next::Message) route(msg);
    }
    if (disableOwner) enableWindow(owner, true);
    destroyWindow(dialog);
    return result;
}

WindowHandle cancelButton(const Window& dialog) {
    for (WindowHandle handle : dialog.controls) {
        if (const Window* control = windowOf(handle); control && control->id == IDCANCEL) return handle;
    }
    return {};
}

// The command that Enter gives: the default push button's, else IDOK.
int defaultCommand(const Window& dialog, WindowHandle& button) {
    for (WindowHandle handle : dialog.controls) {
        if (dialogCode(handle) & DLGC_DEFPUSHBUTTON) {
            button = handle;
            return getDlgCtrlID(handle);
        }
    }
    for (WindowHandle handle : dialog.controls) {
        if (const Window* control = windowOf(handle); control && control->id == IDOK) button = handle;
    }
    return IDOK;
}

void sendCommand(WindowHandle dialog, int id, WindowHandle button) {
    sendMessage(dialog, WM_COMMAND, makeWParam(static_cast<unsigned>(id), BN_CLICKED),
                static_cast<LParam>(button.value));
}

bool handleDialogKey(Window& dialog, WindowHandle focused, Key key, unsigned modifiers) {
    const unsigned code = focused ? dialogCode(focused) : 0;
    switch (key) {
        case Key::Tab: moveFocus(dialog, (modifiers & kShift) == 0); return true;
        case Key::Escape:
            if (code & DLGC_WANTALLKEYS) return false;
            sendCommand(dialog.handle, IDCANCEL, cancelButton(dialog));
            return true;
        case Key::Enter: {
            if (code & DLGC_WANTALLKEYS) return false;
            if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
                buttonClick(focused);
                return true;
            }
            WindowHandle button;
            const int command = defaultCommand(dialog, button);
            const Window* target = windowOf(button);
            if (target == nullptr || target->enabled) sendCommand(dialog.handle, command, button);
            return true;
        }
        case Key::Space:
            if (!(code & DLGC_BUTTON)) return false;
            buttonClick(focused);
            return true;
        case Key::Left:
        case Key::Up:
        case Key::Right:
        case Key::Down:
            // Arrows a focused control does not want move among the controls.
            if (!focused || (code & DLGC_WANTARROWS)) return false;
            moveFocus(dialog, key == Key::Right || key == Key::Down);
            return true;
        case Key::F1:
            // The key table over any window but itself.
            if (!desktop().keyHelp.empty() && !isMessageBox(dialog.handle)) {
                messageBox(dialog.handle, desktop().keyHelp, kKeyHelpTitle);
            }
            return true;
        default: return false;
    }
}

}  // namespace

// A bordered list gives a row above and below its entries to the border, the
// lower one shared with a horizontal scroll bar.
int Window::visibleRows() const {
    const int border = (style & WS_BORDER) ? 2 * kUnitsPerRow : 0;
    return std::max(1, (rect.height() - border) / kUnitsPerRow);
}

int Window::dropRows() const { return std::max(1, (comboDropHeight - kComboFieldUnits) / kUnitsPerRow); }

Desktop& desktop() {
    static Desktop instance;
    return instance;
}

Window* windowOf(WindowHandle handle) {
    const auto found = desktop().windows.find(handle.value);
    return found == desktop().windows.end() ? nullptr : found->second.get();
}

WindowHandle topLevelOf(WindowHandle handle) {
    const Window* window = windowOf(handle);
    if (window == nullptr) return {};
    return window->parent ? window->parent : window->handle;
}

void resetDesktop() {
    InputSource* input = desktop().input;
    desktop() = Desktop{};
    desktop().input = input;
}

std::intptr_t dialogBoxParam(const Module& module, int templateId, WindowHandle owner, DialogProc proc,
                             LParam initParam) {
    const DialogTemplate* dialogTemplate = module.dialog(templateId);
    if (dialogTemplate == nullptr) return kDialogFailed;
    return runModal(createIndirect(*dialogTemplate, &module, owner, proc, initParam), owner);
}

std::intptr_t dialogBoxIndirect(const DialogTemplate& dialogTemplate, WindowHandle owner, DialogProc proc,
                                LParam initParam) {
    return runModal(createIndirect(dialogTemplate, nullptr, owner, proc, initParam), owner);
}

WindowHandle createDialogParam(const Module& module, int templateId, WindowHandle owner, DialogProc proc,
                               LParam initParam) {
    const DialogTemplate* dialogTemplate = module.dialog(templateId);
    if (dialogTemplate == nullptr) return {};
    return createIndirect(*dialogTemplate, &module, owner, proc, initParam);
}

bool endDialog(WindowHandle dialog, std::intptr_t result) {
    Window* window = windowOf(dialog);
    if (window == nullptr || !window->isDialog()) return false;
    window->ended = true;
    window->result = result;
    // It leaves the screen at once: when a later dialog's loop runs inside its
    // own, its dialogBox call returns only after that one ends.
    window->visible = false;
    return true;
}

bool destroyWindow(WindowHandle handle) {
    Window* window = windowOf(handle);
    if (window == nullptr) return false;
    Desktop& d = desktop();
    const std::vector<WindowHandle> controls = window->controls;
    if (window->parent) {
        if (Window* parent = windowOf(window->parent)) std::erase(parent->controls, handle);
    }
    std::erase(d.zOrder, handle);
    const auto gone = [&](const Msg& msg) {
        return msg.window == handle || std::find(controls.begin(), controls.end(), msg.window) != controls.end();
    };
    std::erase_if(d.queue, gone);
    for (WindowHandle control : controls) d.windows.erase(control.value);
    d.windows.erase(handle.value);
    return true;
}

bool showWindow(WindowHandle handle, int show) {
    Window* window = windowOf(handle);
    if (window == nullptr) return false;
    const bool wasVisible = window->visible;
    window->visible = show != SW_HIDE;
    if (window->visible && !window->parent) raise(handle);
    return wasVisible;
}

void postQuitMessage(int exitCode) {
    desktop().quit = true;
    desktop().exitCode = exitCode;
}

bool quitRequested() { return desktop().quit; }
int quitExitCode() { return desktop().exitCode; }

LParam sendMessage(WindowHandle handle, unsigned message, WParam wParam, LParam lParam) {
    Window* window = windowOf(handle);
    if (window == nullptr) return 0;
    if (!window->isDialog()) return controlProc(*window, message, wParam, lParam);
    if (window->proc != nullptr) {
        const std::intptr_t handled = window->proc(handle, message, wParam, lParam);
        if (handled != kNotHandled || message == WM_INITDIALOG) return handled;
    } else if (message == WM_INITDIALOG) {
        return kHandled;
    }
    return defDialogProc(handle, message, wParam, lParam);
}

bool postMessage(WindowHandle handle, unsigned message, WParam wParam, LParam lParam) {
    if (!isWindow(handle)) return false;
    desktop().queue.push_back({handle, message, wParam, lParam});
    return true;
}

bool peekMessage(Msg& msg, WindowHandle filter) {
    Desktop& d = desktop();
    if (d.input != nullptr) d.input->poll();
    const WindowHandle keys = keyTarget();
    const auto matches = [&](const Msg& queued) {
        const WindowHandle window = queued.window ? queued.window : keys;
        return window && (!filter || window == filter || getParent(window) == filter);
    };
    const auto found = std::find_if(d.queue.begin(), d.queue.end(), matches);
    if (found == d.queue.end()) return false;
    msg = *found;
    if (!msg.window) msg.window = keys;
    d.queue.erase(found);
    return true;
}

bool takeMessage(Msg& msg, WindowHandle window, unsigned message) {
    Desktop& d = desktop();
    const auto found = std::find_if(d.queue.begin(), d.queue.end(), [&](const Msg& queued) {
        return queued.window == window && queued.message == message;
    });
    if (found == d.queue.end()) return false;
    msg = *found;
    d.queue.erase(found);
    return true;
}

bool isDialogMessage(WindowHandle dialogHandle, const Msg& msg) {
    Window* dialog = windowOf(dialogHandle);
    if (dialog == nullptr || !dialog->isDialog() || topLevelOf(msg.window) != dialogHandle) return false;
    const WindowHandle focused = isWindow(dialog->focus) ? dialog->focus : WindowHandle{};
    if (msg.message == WM_KEYDOWN) {
        return handleDialogKey(*dialog, focused, static_cast<Key>(msg.wParam), static_cast<unsigned>(msg.lParam));
    }
    if (msg.message == WM_CHAR && msg.wParam == ' ' && focused && (dialogCode(focused) & DLGC_BUTTON)) {
        buttonClick(focused);
        return true;
    }
    return false;
}

void translateMessage(const Msg&) {
    // Keys arrive already translated: characters come as WM_CHAR of their own.
}

LParam dispatchMessage(const Msg& msg) { return sendMessage(msg.window, msg.message, msg.wParam, msg.lParam); }

LParam defDialogProc(WindowHandle dialog, unsigned message, WParam wParam, LParam) {
    if (message == WM_DROPFILES) takeDroppedFiles(wParam);  // a window that takes no drops
    if (message == WM_CLOSE) {
        const Window* window = windowOf(dialog);
        if (window != nullptr) sendCommand(dialog, IDCANCEL, cancelButton(*window));
    }
    return 0;
}

void focusNextControl(WindowHandle dialog, bool forward, bool tabStopsOnly) {
    if (Window* window = windowOf(dialog); window && window->isDialog()) {
        moveFocus(*window, forward, tabStopsOnly ? isTabStop : takesFocus);
    }
}

LParam setDialogData(WindowHandle dialog, LParam data) {
    Window* window = windowOf(dialog);
    return window ? std::exchange(window->data, data) : 0;
}

LParam dialogData(WindowHandle dialog) {
    const Window* window = windowOf(dialog);
    return window ? window->data : 0;
}

bool isWindow(WindowHandle handle) { return windowOf(handle) != nullptr; }

WindowHandle getDlgItem(WindowHandle dialog, int id) {
    const Window* window = windowOf(dialog);
    if (window == nullptr) return {};
    for (WindowHandle handle : window->controls) {
        if (const Window* control = windowOf(handle); control && control->id == id) return handle;
    }
    return {};
}

int getDlgCtrlID(WindowHandle control) {
    const Window* window = windowOf(control);
    return window ? window->id : 0;
}

WindowHandle getParent(WindowHandle control) {
    const Window* window = windowOf(control);
    return window ? window->parent : WindowHandle{};
}

bool enableWindow(WindowHandle handle, bool enable) {
    Window* window = windowOf(handle);
    if (window == nullptr) return false;
    const bool wasDisabled = !window->enabled;
    window->enabled = enable;
    // A control that loses its ability to take input gives up the focus too.
    if (!enable && window->parent) {
        if (Window* dialog = windowOf(window->parent); dialog && dialog->focus == handle) moveFocus(*dialog, true);
    }
    if (!window->isDialog()) sendMessage(handle, WM_ENABLE, enable, 0);
    return wasDisabled;
}

bool isWindowEnabled(WindowHandle handle) {
    const Window* window = windowOf(handle);
    return window != nullptr && window->enabled;
}

bool isWindowVisible(WindowHandle handle) {
    const Window* window = windowOf(handle);
    if (window == nullptr || !window->visible) return false;
    return !window->parent || isWindowVisible(window->parent);
}

WindowHandle setFocus(WindowHandle control) {
    Window* window = windowOf(control);
    if (window == nullptr || !window->parent || !window->enabled) return {};
    Window* dialog = windowOf(window->parent);
    if (dialog == nullptr) return {};
    const WindowHandle previous = dialog->focus;
    changeFocus(*dialog, control);
    return previous;
}

WindowHandle getActiveWindow() {
    const auto& order = desktop().zOrder;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (isWindowVisible(*it)) return *it;
    }
    return {};
}

bool setActiveWindow(WindowHandle topLevel) {
    const Window* window = windowOf(topLevel);
    if (window == nullptr || window->parent || !window->visible || !window->enabled) return false;
    raise(topLevel);
    return true;
}

WindowHandle getFocus() {
    const Window* active = windowOf(getActiveWindow());
    return active ? active->focus : WindowHandle{};
}

}  // namespace platform
