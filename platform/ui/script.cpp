#include "platform/ui/script.h"

#include "platform/text.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/window.h"

namespace platform {

Script::Script(FailureHandler onFailure) : onFailure_(std::move(onFailure)) { attachInputSource(this); }

Script::~Script() {
    if (inputSource() == this) attachInputSource(nullptr);
    if (!steps_.empty() && !failed_) fail("the program ended before step '" + steps_.front().name + "' ran");
}

Script& Script::then(std::string name, Action action) {
    steps_.push_back({std::move(name), std::move(action), false});
    return *this;
}

Script& Script::whilePumping(std::string name, Action action) {
    steps_.push_back({std::move(name), std::move(action), true});
    return *this;
}

void Script::fail(const std::string& why) {
    failed_ = true;
    if (onFailure_) onFailure_(why);
}

bool Script::wait() {
    if (failed_) return false;
    if (steps_.empty()) {
        fail("the program waits for input after the last step (active window: '" + script::caption(getActiveWindow()) +
             "')");
        return false;
    }
    if (steps_.front().duringPump) {
        fail("the program waits for input, but step '" + steps_.front().name + "' expects a running pump");
        return false;
    }
    const Step step = std::move(steps_.front());
    steps_.pop_front();
    step.action();
    return true;
}

void Script::poll() {
    if (failed_ || steps_.empty() || !steps_.front().duringPump) return;
    const Step step = std::move(steps_.front());
    steps_.pop_front();
    step.action();
}

namespace script {

WindowHandle window(std::string_view wanted) {
    const auto& order = desktop().zOrder;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (isWindowVisible(*it) && getWindowText(*it) == wanted) return *it;
    }
    return {};
}

WindowHandle messageBoxWindow() {
    const auto& order = desktop().zOrder;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (isMessageBox(*it)) return *it;
    }
    return {};
}

std::string caption(WindowHandle window) { return getWindowText(window); }

std::string text(WindowHandle dialog, int id) { return getWindowText(getDlgItem(dialog, id)); }

bool checked(WindowHandle dialog, int id) { return isDlgButtonChecked(dialog, id) == BST_CHECKED; }

bool enabled(WindowHandle dialog, int id) { return isWindowEnabled(getDlgItem(dialog, id)); }

bool focused(WindowHandle dialog, int id) {
    const Window* window = windowOf(dialog);
    return window != nullptr && window->focus && window->focus == getDlgItem(dialog, id);
}

std::vector<std::string> items(WindowHandle dialog, int id) {
    std::vector<std::string> texts;
    if (const Window* control = windowOf(getDlgItem(dialog, id))) {
        control->list.items.forEach([&](std::size_t, const ListEntry& item) { texts.emplace_back(item.text); });
    }
    return texts;
}

std::vector<int> selection(WindowHandle dialog, int id) { return listGetSelItems(getDlgItem(dialog, id)); }

void click(WindowHandle dialog, int id, unsigned modifiers) { inputClick(getDlgItem(dialog, id), modifiers); }

void clickRow(WindowHandle dialog, int id, int row, unsigned modifiers) {
    inputClick(getDlgItem(dialog, id), modifiers, row);
}

void doubleClickRow(WindowHandle dialog, int id, int row) { inputDoubleClick(getDlgItem(dialog, id), row); }

void typeInto(WindowHandle dialog, int id, std::string_view text) {
    const WindowHandle control = getDlgItem(dialog, id);
    inputActivate(dialog);
    setFocus(control);
    inputKey(Key::End);
    const std::string old = getWindowText(control);
    for (std::size_t pos = 0; pos < old.size(); pos = nextCharacter(old, pos)) inputKey(Key::Backspace);
    inputText(text);
}

void key(Key pressed, unsigned modifiers) { inputKey(pressed, modifiers); }

void close(WindowHandle topLevel) { inputClose(topLevel); }

void menu(WindowHandle topLevel, int command) { inputMenu(topLevel, command); }

void pressOk() { inputClick(getDlgItem(messageBoxWindow(), IDOK)); }

void drop(WindowHandle topLevel, std::vector<std::string> paths) { inputDropFiles(topLevel, std::move(paths)); }

}  // namespace script
}  // namespace platform
