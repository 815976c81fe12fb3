// Combo boxes: a text field (editable for drop-down combo boxes) over a list
// that opens below it.
#include <algorithm>

#include "platform/ui/controls.h"

namespace platform {
namespace {

Window* comboOf(WindowHandle handle) {
    Window* window = windowOf(handle);
    return window && window->windowClass == WindowClass::ComboBox ? window : nullptr;
}

bool isEditable(const Window& combo) { return (combo.style & BS_TYPEMASK) != CBS_DROPDOWNLIST; }
int countOf(const Window& combo) { return static_cast<int>(combo.list.items.size()); }

// The open list highlights its caret: the selection, or the first entry that
// begins with what was typed.
void select(Window& combo, int index) {
    const bool valid = index >= 0 && index < countOf(combo);
    combo.comboSelection = valid ? index : -1;
    combo.list.caret = combo.comboSelection;
    combo.text = valid ? combo.list.items[static_cast<std::size_t>(index)].text : std::string_view();
    combo.edit.placeCaret(combo.text.size());
    combo.edit.scroll = 0;
    editKeepCaretVisible(combo);
    if (valid) combo.list.scrollToShow(index, combo.dropRows());
}

// Up, Down, Page keys, and Home/End in the open list, move the selection.
bool moveSelection(Window& combo, Key key) {
    const int last = countOf(combo) - 1;
    const int current = combo.comboSelection;
    const int page = combo.dropRows();
    int target = -1;
    switch (key) {
        case Key::Up: target = std::max(0, current - 1); break;
        case Key::Down: target = std::min(last, current + 1); break;
        case Key::PageUp: target = std::max(0, current - page); break;
        case Key::PageDown: target = std::min(last, std::max(0, current) + page); break;
        case Key::Home:
            if (!combo.comboDropped) return false;
            target = 0;
            break;
        case Key::End:
            if (!combo.comboDropped) return false;
            target = last;
            break;
        default: return false;
    }
    if (last < 0) return true;
    select(combo, target);
    notifyParent(combo, CBN_SELCHANGE);
    return true;
}

// Typing into the field moves the list's caret to the first entry that
// begins with the text, ignoring letter case.
void textEdited(Window& combo) {
    combo.comboSelection = -1;
    combo.list.caret = -1;
    const std::string_view typed = combo.text;
    for (int index = 0; !typed.empty() && index < countOf(combo); ++index) {
        const std::string_view entry = combo.list.items[static_cast<std::size_t>(index)].text;
        if (compareNoCase(entry.substr(0, typed.size()), typed) == 0) {
            combo.list.caret = index;
            combo.list.scrollToShow(index, combo.dropRows());
            break;
        }
    }
    editKeepCaretVisible(combo);
    notifyParent(combo, CBN_EDITCHANGE);
}

// Enter on the open list takes the entry its caret stands on.
void closeList(Window& combo, Key key) {
    combo.comboDropped = false;
    const int caret = combo.list.caret;
    if (key == Key::Enter && caret >= 0 && caret < countOf(combo) && caret != combo.comboSelection) {
        select(combo, caret);
        notifyParent(combo, CBN_SELCHANGE);
    }
}

LParam comboKey(Window& combo, Key key, unsigned modifiers) {
    if (key == Key::F4 || (key == Key::Down && (modifiers & kAlt))) {
        combo.comboDropped = !combo.comboDropped;
        return 0;
    }
    if ((key == Key::Enter || key == Key::Escape) && combo.comboDropped) {
        closeList(combo, key);
        return 0;
    }
    if (moveSelection(combo, key)) return 0;
    if (isEditable(combo) && editKey(combo, key, modifiers)) textEdited(combo);
    editKeepCaretVisible(combo);
    return 0;
}

// A letter typed into a list that takes no typing picks the next entry that
// begins with it, after the current one and round to the first.
void pickByLetter(Window& combo, char32_t typed) {
    std::string letter;
    appendUtf8(letter, typed);
    const int count = countOf(combo);
    for (int step = 1; step <= count; ++step) {
        const int index = (std::max(combo.comboSelection, -1) + step + count) % count;
        const std::string_view text = combo.list.items[static_cast<std::size_t>(index)].text;
        if (compareNoCase(text.substr(0, nextCharacter(text, 0)), letter) == 0) {
            select(combo, index);
            notifyParent(combo, CBN_SELCHANGE);
            return;
        }
    }
}

unsigned dialogCode(const Window& combo) {
    unsigned code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (isEditable(combo)) code |= DLGC_HASSETSEL;
    if (combo.comboDropped) code |= DLGC_WANTALLKEYS;
    return code;
}

}  // namespace

LParam comboProc(Window& combo, unsigned message, WParam wParam, LParam lParam) {
    switch (message) {
        case WM_GETDLGCODE: return dialogCode(combo);
        case WM_KILLFOCUS: combo.comboDropped = false; return 0;
        case WM_ENABLE:
            if (!wParam) combo.comboDropped = false;
            return 0;
        case WM_CHAR:
            if (!isEditable(combo)) {
                if (!isControlCharacter(static_cast<char32_t>(wParam)))
                    pickByLetter(combo, static_cast<char32_t>(wParam));
                return 0;
            }
            if (editChar(combo, static_cast<char32_t>(wParam))) textEdited(combo);
            return 0;
        case WM_KEYDOWN: return comboKey(combo, static_cast<Key>(wParam), static_cast<unsigned>(lParam));
        case WM_LBUTTONDOWN:
            setFocus(combo.handle);
            if (lParam >= 0 && lParam < countOf(combo)) {
                select(combo, static_cast<int>(lParam));
                combo.comboDropped = false;
                notifyParent(combo, CBN_SELCHANGE);
            } else {
                combo.comboDropped = !combo.comboDropped;
            }
            return 0;
        case WM_MOUSEWHEEL:
            combo.list.scrollBy(static_cast<int>(static_cast<std::intptr_t>(wParam)), combo.dropRows());
            return 0;
        case WM_VSCROLL:
            combo.list.scrollTo(scrolledPosition(getScrollInfo(combo.handle, SB_VERT), 1, wParam, lParam),
                                combo.dropRows());
            return 0;
        default: return 0;
    }
}

int comboAddString(WindowHandle handle, std::string_view text) {
    Window* combo = comboOf(handle);
    if (combo == nullptr) return CB_ERR;
    const int index = (combo->style & CBS_SORT) ? sortedIndex(combo->list, text) : countOf(*combo);
    combo->list.items.insert(static_cast<std::size_t>(index), text);
    if (combo->comboSelection >= index) ++combo->comboSelection;
    return index;
}

void comboResetContent(WindowHandle handle) {
    if (Window* combo = comboOf(handle)) {
        combo->list = ListState{};
        select(*combo, -1);
    }
}

int comboGetCount(WindowHandle handle) {
    const Window* combo = comboOf(handle);
    return combo ? countOf(*combo) : CB_ERR;
}

std::string comboGetItemText(WindowHandle handle, int index) {
    const Window* combo = comboOf(handle);
    if (combo == nullptr || index < 0 || index >= countOf(*combo)) return {};
    return std::string(combo->list.items[static_cast<std::size_t>(index)].text);
}

int comboSetCurSel(WindowHandle handle, int index) {
    Window* combo = comboOf(handle);
    if (combo == nullptr) return CB_ERR;
    select(*combo, index);
    return combo->comboSelection;
}

int comboGetCurSel(WindowHandle handle) {
    const Window* combo = comboOf(handle);
    return combo ? combo->comboSelection : CB_ERR;
}

int comboFindStringExact(WindowHandle handle, int start, std::string_view text) {
    const Window* combo = comboOf(handle);
    if (combo == nullptr) return CB_ERR;
    const int count = countOf(*combo);
    const int first = start < 0 || start >= count ? 0 : start + 1;
    for (int step = 0; step < count; ++step) {
        const int index = (first + step) % count;
        if (compareNoCase(combo->list.items[static_cast<std::size_t>(index)].text, text) == 0) return index;
    }
    return CB_ERR;
}

// A list opens only on the control with the focus, which it takes; it closes
// when the focus moves on.
void comboShowDropdown(WindowHandle handle, bool show) {
    Window* combo = comboOf(handle);
    if (combo == nullptr) return;
    if (show && combo->enabled) setFocus(handle);
    combo->comboDropped = show && combo->enabled;
}

bool comboGetDroppedState(WindowHandle handle) {
    const Window* combo = comboOf(handle);
    return combo != nullptr && combo->comboDropped;
}

}  // namespace platform
