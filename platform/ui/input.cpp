#include "platform/ui/input.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/window.h"

namespace platform {
namespace {

// The message box shown last, while one is up: it alone takes input.
WindowHandle messageBoxUp() {
    const auto& order = desktop().zOrder;
    const auto box = std::find_if(order.rbegin(), order.rend(),
                                  [](WindowHandle h) { return isMessageBox(h) && isWindowVisible(h); });
    return box == order.rend() ? WindowHandle{} : *box;
}

// Input reaches a window only when it and its top-level window take input.
bool takesInput(WindowHandle handle) {
    const Window* window = windowOf(handle);
    if (window == nullptr || !window->enabled || !isWindowVisible(handle)) return false;
    if (const WindowHandle box = messageBoxUp(); box && box != topLevelOf(handle)) return false;
    return !window->parent || isWindowEnabled(window->parent);
}

// A click acts on its window, but while a modal window over an owner is up
// the keyboard stays with it: a click elsewhere does not take it away.
void activateForClick(WindowHandle control) {
    const Window* active = windowOf(getActiveWindow());
    const WindowHandle clicked = topLevelOf(control);
    if (active != nullptr && active->modal && active->handle != clicked) return;
    setActiveWindow(clicked);
}

}  // namespace

WindowHandle keyTarget() {
    const WindowHandle active = getActiveWindow();
    const Window* window = windowOf(active);
    if (window == nullptr || !window->enabled) return {};
    return window->focus && takesInput(window->focus) ? window->focus : active;
}

bool takesTyping(WindowHandle handle) {
    const Window* control = windowOf(handle);
    return control && !control->isDialog() && (sendMessage(handle, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0;
}

void InputSource::setClipboardText(std::string_view text) { desktop().clipboard = std::string(text); }

std::string InputSource::clipboardText() const { return desktop().clipboard; }

void setClipboard(std::string_view text) {
    if (desktop().input != nullptr)
        desktop().input->setClipboardText(text);
    else
        desktop().clipboard = std::string(text);
}

std::string clipboard() { return desktop().input != nullptr ? desktop().input->clipboardText() : desktop().clipboard; }

void attachInputSource(InputSource* source) { desktop().input = source; }

void setKeyHelp(std::string_view text) { desktop().keyHelp = std::string(text); }

InputSource* inputSource() { return desktop().input; }

// Keys are queued without a window: they go to whatever has the focus when
// they are taken from the queue, as the keyboard does.
void inputKey(Key key, unsigned modifiers) {
    desktop().queue.push_back({WindowHandle{}, WM_KEYDOWN, static_cast<WParam>(key), static_cast<LParam>(modifiers)});
}

// One message a character; bytes that are no character are not typed.
void inputText(std::string_view utf8) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::int32_t cp = decodeUtf8(utf8, pos);
        if (cp != kNoCharacter) desktop().queue.push_back({WindowHandle{}, WM_CHAR, static_cast<WParam>(cp), 0});
    }
}

void inputClick(WindowHandle control, unsigned modifiers, int row) {
    if (!takesInput(control)) return;
    activateForClick(control);
    postMessage(control, WM_LBUTTONDOWN, modifiers, row);
}

void inputDrag(WindowHandle control, int offset) {
    if (takesInput(control)) postMessage(control, WM_MOUSEMOVE, 0, offset);
}

void inputDoubleClick(WindowHandle control, int row) {
    if (!takesInput(control)) return;
    activateForClick(control);
    postMessage(control, WM_LBUTTONDBLCLK, 0, row);
}

void inputScroll(WindowHandle control, int bar, unsigned code, int position) {
    if (takesInput(control)) {
        postMessage(control, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL,
                    makeWParam(code, static_cast<unsigned>(position)), position);
    }
}

void inputWheel(WindowHandle control, int rows) {
    if (takesInput(control))
        postMessage(control, WM_MOUSEWHEEL, static_cast<WParam>(static_cast<std::intptr_t>(rows)), 0);
}

void inputClose(WindowHandle topLevel) {
    if (takesInput(topLevel) && !getParent(topLevel)) postMessage(topLevel, WM_CLOSE, 0, 0);
}

void inputMenu(WindowHandle topLevel, int command) {
    if (takesInput(topLevel) && !getParent(topLevel)) {
        postMessage(topLevel, WM_COMMAND, makeWParam(static_cast<unsigned>(command), 0), 0);
    }
}

void inputActivate(WindowHandle topLevel) {
    if (takesInput(topLevel)) setActiveWindow(topLevel);
}

void inputDropFiles(WindowHandle topLevel, std::vector<std::string> paths) {
    if (!takesInput(topLevel) || getParent(topLevel) || paths.empty()) return;
    Desktop& d = desktop();
    const WParam drop = d.nextDrop++;
    d.drops.emplace(drop, std::move(paths));
    postMessage(topLevel, WM_DROPFILES, drop, 0);
}

std::vector<std::string> takeDroppedFiles(WParam drop) {
    const auto found = desktop().drops.find(drop);
    if (found == desktop().drops.end()) return {};
    std::vector<std::string> paths = std::move(found->second);
    desktop().drops.erase(found);
    return paths;
}

}  // namespace platform
