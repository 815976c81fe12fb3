#include "platform/ui/menu.h"

#include <cstring>

#include "platform/ui/input.h"
#include "platform/ui/window.h"

namespace platform {

const MenuTemplate* menuOf(WindowHandle handle) {
    const Window* window = windowOf(handle);
    return window ? window->menuBar() : nullptr;
}

std::string menuText(const char* text, int& accessIndex) {
    std::string shown;
    accessIndex = -1;
    for (const char* p = text; *p; ++p) {
        if (*p == '&' && p[1] != '\0') {
            accessIndex = static_cast<int>(shown.size());
            continue;
        }
        shown += *p;
    }
    return shown;
}

char menuAccessKey(const char* text) {
    const char* amp = std::strchr(text, '&');
    if (amp == nullptr || amp[1] == '\0') return 0;
    const char key = amp[1];
    return key >= 'A' && key <= 'Z' ? static_cast<char>(key - 'A' + 'a') : key;
}

void MenuState::open(WindowHandle owner, int popupIndex) {
    const MenuTemplate* bar = menuOf(owner);
    if (bar == nullptr || !isWindowEnabled(owner) || popupIndex < 0 ||
        popupIndex >= static_cast<int>(bar->popups.size())) {
        return;
    }
    *this = {owner, popupIndex, 0};
    move(0);
}

bool MenuState::openByAccess(WindowHandle owner, char letter) {
    const MenuTemplate* bar = menuOf(owner);
    if (bar == nullptr) return false;
    // Titles may share a letter: with one of them open, the next one opens.
    const int count = static_cast<int>(bar->popups.size());
    const int from = window == owner && isOpen() ? popup + 1 : 0;
    for (int step = 0; step < count; ++step) {
        const int candidate = (from + step) % count;
        if (menuAccessKey(bar->popups[static_cast<std::size_t>(candidate)].text) == letter) {
            open(owner, candidate);
            return isOpen();
        }
    }
    return false;
}

void MenuState::move(int step) {
    const MenuTemplate* bar = menuOf(window);
    if (bar == nullptr || !isOpen()) return;
    const auto& items = bar->popups[static_cast<std::size_t>(popup)].items;
    const int count = static_cast<int>(items.size());
    for (int tries = 0; tries < count; ++tries) {
        if (step != 0 || tries > 0) item = (item + (step < 0 ? -1 : 1) + count) % count;
        if (items[static_cast<std::size_t>(item)].text != nullptr) return;  // separators are skipped
    }
}

void MenuState::choose() {
    const MenuTemplate* bar = menuOf(window);
    const WindowHandle owner = window;
    const MenuState chosen = *this;
    *this = {};
    if (bar == nullptr || !chosen.isOpen()) return;
    const auto& items = bar->popups[static_cast<std::size_t>(chosen.popup)].items;
    if (chosen.item < 0 || chosen.item >= static_cast<int>(items.size())) return;
    const MenuItemTemplate& picked = items[static_cast<std::size_t>(chosen.item)];
    if (picked.text != nullptr) inputMenu(owner, picked.command);
}

void MenuState::clickTitle(WindowHandle owner, int popupIndex) {
    inputActivate(owner);
    if (window == owner && popup == popupIndex)
        *this = {};
    else
        open(owner, popupIndex);
}

void MenuState::clickItem(int itemIndex) {
    item = itemIndex;
    choose();
}

void MenuState::key(Key pressed) {
    const MenuTemplate* bar = menuOf(window);
    const int popups = bar ? static_cast<int>(bar->popups.size()) : 0;
    if (pressed == Key::Escape || popups == 0) {
        *this = {};
        return;
    }
    switch (pressed) {
        case Key::Left: open(window, (popup + popups - 1) % popups); return;
        case Key::Right: open(window, (popup + 1) % popups); return;
        case Key::Up: move(-1); return;
        case Key::Down: move(1); return;
        case Key::Enter:
        case Key::Space: choose(); return;
        default: return;
    }
}

void MenuState::access(char letter) {
    const MenuTemplate* bar = menuOf(window);
    if (bar == nullptr || !isOpen() || letter == 0) return;
    const auto& items = bar->popups[static_cast<std::size_t>(popup)].items;
    for (std::size_t j = 0; j < items.size(); ++j) {
        if (items[j].text && menuAccessKey(items[j].text) == letter) {
            item = static_cast<int>(j);
            choose();
            return;
        }
    }
}

void MenuState::keepValid() {
    if (!isWindow(window) || !isWindowEnabled(window)) *this = {};
}

}  // namespace platform
