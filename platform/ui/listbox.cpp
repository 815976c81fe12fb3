// List boxes: entries, selection (single or extended), the caret, scrolling.
#include <algorithm>

#include "platform/ui/controls.h"
#include "platform/ui/scrollbar.h"

namespace platform {
namespace {

constexpr int kHorizontalStep = 8;  // dialog units per Left/Right press

Window* listOf(WindowHandle handle) {
    Window* window = windowOf(handle);
    return window && window->windowClass == WindowClass::ListBox ? window : nullptr;
}

bool isExtended(const Window& list) { return (list.style & LBS_EXTENDEDSEL) != 0; }
int countOf(const ListState& list) { return static_cast<int>(list.items.size()); }
bool validIndex(const ListState& list, int index) { return index >= 0 && index < countOf(list); }

void selectOnly(ListState& list, int index) {
    list.items.selectAll(false);
    if (validIndex(list, index)) list.items.select(static_cast<std::size_t>(index), true);
}

void selectRange(ListState& list, int from, int to, bool keepOthers) {
    if (!keepOthers) selectOnly(list, -1);
    for (int i = std::min(from, to); i <= std::max(from, to); ++i) list.items.select(static_cast<std::size_t>(i), true);
}

void keepCaretVisible(Window& window) { window.list.scrollToShow(window.list.caret, window.visibleRows()); }

// A click, or a key that moves to `index`, with the modifiers held.
void chooseRow(Window& window, int index, unsigned modifiers, bool moveOnly) {
    ListState& list = window.list;
    if (!validIndex(list, index)) return;
    const bool control = (modifiers & kControl) != 0;
    const bool shift = (modifiers & kShift) != 0;
    if (!isExtended(window)) {
        selectOnly(list, index);
    } else if (shift) {
        selectRange(list, list.anchor, index, control);
    } else if (control && !moveOnly) {
        const auto at = static_cast<std::size_t>(index);
        list.items.select(at, !list.items[at].selected);
        list.anchor = index;
    } else if (!control) {
        selectOnly(list, index);
        list.anchor = index;
    }
    list.caret = index;
    keepCaretVisible(window);
}

int movedCaret(const Window& window, Key key) {
    const ListState& list = window.list;
    const int page = std::max(1, window.visibleRows() - 1);
    switch (key) {
        case Key::Up: return std::max(0, list.caret - 1);
        case Key::Down: return std::min(countOf(list) - 1, list.caret + 1);
        case Key::Home: return 0;
        case Key::End: return countOf(list) - 1;
        case Key::PageUp: return std::max(0, list.caret - page);
        case Key::PageDown: return std::min(countOf(list) - 1, list.caret + page);
        default: return -1;
    }
}

void scrollSidewaysTo(Window& window, int offset) {
    const int room = scrollRange(getScrollInfo(window.handle, SB_HORZ));
    window.list.horizontalOffset = std::clamp(offset, 0, room);
}

void scrollSideways(Window& window, Key key) {
    scrollSidewaysTo(window, window.list.horizontalOffset + (key == Key::Left ? -kHorizontalStep : kHorizontalStep));
}

// A click on a scroll bar: a line or a page either way, or the thumb dragged.
void scrollByBar(Window& window, int bar, WParam wParam, LParam lParam) {
    const int position =
        scrolledPosition(getScrollInfo(window.handle, bar), bar == SB_VERT ? 1 : kHorizontalStep, wParam, lParam);
    if (bar == SB_VERT)
        window.list.scrollTo(position, window.visibleRows());
    else
        scrollSidewaysTo(window, position);
}

void notifySelection(const Window& window) {
    if (window.style & LBS_NOTIFY) notifyParent(window, LBN_SELCHANGE);
}

LParam listKey(Window& window, Key key, unsigned modifiers) {
    if (key == Key::Left || key == Key::Right) {
        scrollSideways(window, key);
        return 0;
    }
    if (window.list.items.empty()) return 0;
    if (key == Key::Space) {
        // Space picks the current entry; with Ctrl it adds it to (or takes it from) the selection.
        chooseRow(window, window.list.caret, modifiers, false);
        notifySelection(window);
        return 0;
    }
    const int target = movedCaret(window, key);
    if (target < 0) return 0;
    chooseRow(window, target, modifiers, true);
    if (!(isExtended(window) && (modifiers & kControl) && !(modifiers & kShift))) notifySelection(window);
    return 0;
}

}  // namespace

int scrolledPosition(const ScrollInfo& info, int line, WParam wParam, LParam lParam) {
    switch (loWord(wParam)) {
        case SB_LINEUP: return info.pos - line;
        case SB_LINEDOWN: return info.pos + line;
        case SB_PAGEUP: return info.pos - info.page;
        case SB_PAGEDOWN: return info.pos + info.page;
        // The whole position comes in lParam: the 16 bits of the desktop's
        // wParam would stop a dragged thumb at entry 65,535 of a longer list.
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: return static_cast<int>(lParam);
        default: return info.pos;
    }
}

LParam listProc(Window& window, unsigned message, WParam wParam, LParam lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            setFocus(window.handle);
            if (validIndex(window.list, static_cast<int>(lParam))) {
                // A double click picks its entry alone, whatever keys are held.
                const unsigned modifiers = message == WM_LBUTTONDBLCLK ? 0 : static_cast<unsigned>(wParam);
                chooseRow(window, static_cast<int>(lParam), modifiers, false);
                notifySelection(window);
                if (message == WM_LBUTTONDBLCLK && (window.style & LBS_NOTIFY)) notifyParent(window, LBN_DBLCLK);
            }
            return 0;
        case WM_VSCROLL:
        case WM_HSCROLL: scrollByBar(window, message == WM_VSCROLL ? SB_VERT : SB_HORZ, wParam, lParam); return 0;
        case WM_KEYDOWN: return listKey(window, static_cast<Key>(wParam), static_cast<unsigned>(lParam));
        case WM_MOUSEWHEEL:
            window.list.scrollBy(static_cast<int>(static_cast<std::intptr_t>(wParam)), window.visibleRows());
            return 0;
        default: return 0;
    }
}

namespace {

// A sorted list's place for text, or else its end.
int addedIndex(const Window& window, std::string_view text) {
    return (window.style & LBS_SORT) ? sortedIndex(window.list, text) : countOf(window.list);
}

int insertEntry(Window& window, int index, std::string_view text) {
    ListState& list = window.list;
    if (index < 0 || index > countOf(list)) index = countOf(list);
    const bool hadItems = !list.items.empty();
    list.items.insert(static_cast<std::size_t>(index), text);
    // The caret and the anchor stay on the entries they were on.
    if (hadItems && index <= list.caret) ++list.caret;
    if (hadItems && index <= list.anchor) ++list.anchor;
    return index;
}

// Whether a sorted list takes every text at its front, one after the other:
// a descending run (a list file's block), all of it before the first entry.
bool goesInFront(const Window& window, std::span<const std::string_view> texts) {
    if (!(window.style & LBS_SORT) || texts.empty()) return false;
    for (std::size_t i = 1; i < texts.size(); ++i) {
        if (compareNoCase(texts[i], texts[i - 1]) >= 0) return false;
    }
    return sortedIndex(window.list, texts.front()) == 0;
}

// What inserting each text at index 0 does, the caret and the anchor
// staying on their entries, in one go.
void prependEntries(ListState& list, std::span<const std::string_view> texts) {
    const int moved = static_cast<int>(texts.size()) - (list.items.empty() ? 1 : 0);
    list.items.prepend(texts);
    list.caret += moved;
    list.anchor += moved;
}

}  // namespace

int listAddString(WindowHandle handle, std::string_view text) {
    Window* window = listOf(handle);
    return window == nullptr ? LB_ERR : insertEntry(*window, addedIndex(*window, text), text);
}

int listAddStrings(WindowHandle handle, std::span<const std::string_view> texts) {
    Window* window = listOf(handle);
    if (window == nullptr) return LB_ERR;
    if (goesInFront(*window, texts)) {
        prependEntries(window->list, texts);
    } else {
        for (const std::string_view text : texts) insertEntry(*window, addedIndex(*window, text), text);
    }
    return countOf(window->list);
}

int listInsertString(WindowHandle handle, int index, std::string_view text) {
    Window* window = listOf(handle);
    return window == nullptr ? LB_ERR : insertEntry(*window, index, text);
}

int listDeleteString(WindowHandle handle, int index) {
    Window* window = listOf(handle);
    if (window == nullptr || !validIndex(window->list, index)) return LB_ERR;
    ListState& list = window->list;
    list.items.erase(static_cast<std::size_t>(index));
    const int last = std::max(0, countOf(list) - 1);
    if (index < list.caret) --list.caret;
    if (index < list.anchor) --list.anchor;
    list.caret = std::min(list.caret, last);
    list.anchor = std::min(list.anchor, last);
    list.scrollBy(0, window->visibleRows());
    return countOf(list);
}

void listResetContent(WindowHandle handle) {
    if (Window* window = listOf(handle)) {
        const int extent = window->list.horizontalExtent;
        window->list = ListState{};
        window->list.horizontalExtent = extent;
    }
}

int listGetCount(WindowHandle handle) {
    const Window* window = listOf(handle);
    return window ? countOf(window->list) : LB_ERR;
}

std::string listGetText(WindowHandle handle, int index) {
    const Window* window = listOf(handle);
    if (window == nullptr || !validIndex(window->list, index)) return {};
    return std::string(window->list.items[static_cast<std::size_t>(index)].text);
}

int listGetText(WindowHandle handle, int index, std::span<char> into) {
    if (into.empty()) return LB_ERR;
    const Window* window = listOf(handle);
    if (window == nullptr || !validIndex(window->list, index)) {
        into.front() = '\0';
        return LB_ERR;
    }
    const std::string_view text = window->list.items[static_cast<std::size_t>(index)].text;
    const std::size_t copied = std::min(text.size(), into.size() - 1);
    std::copy_n(text.begin(), copied, into.begin());
    into[copied] = '\0';
    return static_cast<int>(text.size());
}

int listGetSel(WindowHandle handle, int index) {
    const Window* window = listOf(handle);
    if (window == nullptr || !validIndex(window->list, index)) return LB_ERR;
    return window->list.items[static_cast<std::size_t>(index)].selected ? 1 : 0;
}

bool listSetSel(WindowHandle handle, bool select, int index) {
    Window* window = listOf(handle);
    if (window == nullptr || !isExtended(*window)) return false;
    ListState& list = window->list;
    if (index == -1) {
        list.items.selectAll(select);
        return true;
    }
    if (!validIndex(list, index)) return false;
    list.items.select(static_cast<std::size_t>(index), select);
    return true;
}

int listGetSelCount(WindowHandle handle) {
    const Window* window = listOf(handle);
    return window ? static_cast<int>(listGetSelItems(handle).size()) : LB_ERR;
}

std::vector<int> listGetSelItems(WindowHandle handle) {
    std::vector<int> selected;
    if (const Window* window = listOf(handle)) {
        window->list.items.forEachSelected(
            [&](std::size_t i, const ListEntry&) { selected.push_back(static_cast<int>(i)); });
    }
    return selected;
}

int listGetCaretIndex(WindowHandle handle) {
    const Window* window = listOf(handle);
    return window ? window->list.caret : LB_ERR;
}

bool listSetCaretIndex(WindowHandle handle, int index) {
    Window* window = listOf(handle);
    if (window == nullptr || !validIndex(window->list, index)) return false;
    window->list.caret = index;
    keepCaretVisible(*window);
    return true;
}

int listGetCurSel(WindowHandle handle) {
    const Window* window = listOf(handle);
    if (window == nullptr) return LB_ERR;
    const std::vector<int> selected = listGetSelItems(handle);
    return selected.empty() ? LB_ERR : selected.front();
}

bool listSetCurSel(WindowHandle handle, int index) {
    Window* window = listOf(handle);
    if (window == nullptr) return false;
    selectOnly(window->list, index);
    if (!validIndex(window->list, index)) return index == -1;
    window->list.caret = index;
    window->list.anchor = index;
    keepCaretVisible(*window);
    return true;
}

void listSetHorizontalExtent(WindowHandle handle, int extent) {
    if (Window* window = listOf(handle)) window->list.horizontalExtent = std::max(0, extent);
}

int listGetHorizontalExtent(WindowHandle handle) {
    const Window* window = listOf(handle);
    return window ? window->list.horizontalExtent : 0;
}

ScrollInfo getScrollInfo(WindowHandle handle, int bar) {
    const Window* window = windowOf(handle);
    if (window != nullptr && window->windowClass == WindowClass::ComboBox) {
        // The open list of a combo box scrolls only up and down.
        return bar == SB_VERT ? ScrollInfo{0, countOf(window->list) - 1, window->dropRows(), window->list.top}
                              : ScrollInfo{};
    }
    window = listOf(handle);
    if (window == nullptr) return {};
    const ListState& list = window->list;
    if (bar == SB_VERT) return {0, countOf(list) - 1, window->visibleRows(), list.top};
    // An empty list has no text to scroll to, whatever extent it was given.
    const int extent = list.items.empty() ? 0 : list.horizontalExtent;
    return {0, std::max(extent, window->rect.width()) - 1, window->rect.width(), list.horizontalOffset};
}

int listGetTopIndex(WindowHandle handle) {
    const Window* window = listOf(handle);
    return window ? window->list.top : LB_ERR;
}

}  // namespace platform
