// Buttons, statics, edits and progress bars, the text of windows, and the
// routing of input to the control kinds.
#include "platform/ui/controls.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "platform/text.h"
#include "platform/ui/input.h"

namespace platform {
namespace {

// The control characters Ctrl and a letter type, which edits take as commands.
constexpr char32_t kSelectAll = 0x01;  // Ctrl+A
constexpr char32_t kCopy = 0x03;       // Ctrl+C
constexpr char32_t kPaste = 0x16;      // Ctrl+V
constexpr char32_t kCut = 0x18;        // Ctrl+X

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The caret stands only before characters that take cells: a combining mark
// goes with the character before it.
std::size_t characterEnd(std::string_view text, std::size_t caret) {
    do caret = nextCharacter(text, caret);
    while (caret < text.size() && characterWidth(text, caret) == 0);
    return caret;
}

std::size_t characterStart(std::string_view text, std::size_t caret) {
    do caret = previousCharacter(text, caret);
    while (caret > 0 && characterWidth(text, caret) == 0);
    return caret;
}

void clickButton(Window& button) {
    if (!button.enabled) return;
    if (button.buttonKind() == BS_GROUPBOX) return;
    setFocus(button.handle);
    if (button.buttonKind() == BS_AUTOCHECKBOX)
        button.check = button.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    notifyParent(button, BN_CLICKED);
}

// Moves the caret to a byte offset (-1: the end); the selection follows
// when `extend`, else it collapses there.
void placeEditCaret(Window& edit, LParam offset, bool extend) {
    const std::size_t at = offset < 0 ? edit.text.size() : std::min(static_cast<std::size_t>(offset), edit.text.size());
    if (extend)
        edit.edit.caret = at;
    else
        edit.edit.placeCaret(at);
}

LParam editProc(Window& edit, unsigned message, WParam wParam, LParam lParam) {
    bool changed = false;
    if (message == WM_CHAR) changed = editChar(edit, static_cast<char32_t>(wParam));
    if (message == WM_KEYDOWN) changed = editKey(edit, static_cast<Key>(wParam), static_cast<unsigned>(lParam));
    if (message == WM_LBUTTONDOWN) {
        setFocus(edit.handle);
        placeEditCaret(edit, lParam, (wParam & kShift) != 0);
    }
    if (message == WM_MOUSEMOVE) placeEditCaret(edit, lParam, true);
    editKeepCaretVisible(edit);
    if (changed) notifyParent(edit, EN_CHANGE);
    return 0;
}

}  // namespace

void notifyParent(const Window& control, unsigned code) {
    sendMessage(control.parent, WM_COMMAND, makeWParam(static_cast<unsigned>(control.id), code),
                static_cast<LParam>(control.handle.value));
}

int sortedIndex(const ListState& list, std::string_view text) {
    const auto less = [](std::string_view a, std::string_view b) { return compareNoCase(a, b) < 0; };
    return static_cast<int>(list.items.upperBound(text, less));
}

namespace {

std::string_view selectedText(const Window& control) {
    const EditState& e = control.edit;
    return std::string_view(control.text).substr(e.selectionStart(), e.selectionEnd() - e.selectionStart());
}

// A multi-line edit's first shown line begins where it began as long as the
// text before it stays; a change there starts it again at that paragraph.
void textChangesAt(Window& control, std::size_t at) {
    EditState& e = control.edit;
    if (!(control.style & ES_MULTILINE) || at >= e.scroll) return;
    const std::size_t newline = at == 0 ? std::string::npos : control.text.rfind('\n', at - 1);
    e.scroll = newline == std::string::npos ? 0 : newline + 1;
}

// Removes the selected text; true when there was some.
bool eraseSelection(Window& control) {
    EditState& e = control.edit;
    if (!e.hasSelection()) return false;
    const std::size_t start = e.selectionStart();
    textChangesAt(control, start);
    control.text.erase(start, e.selectionEnd() - start);
    e.placeCaret(start);
    return true;
}

// Puts text in place of the selection, leaving the caret after it.
void replaceSelection(Window& control, std::string_view text) {
    eraseSelection(control);
    textChangesAt(control, control.edit.caret);
    control.text.insert(control.edit.caret, text);
    control.edit.placeCaret(control.edit.caret + text.size());
}

// A single-line field takes only the first line of what is pasted, and only
// whole characters.
std::string_view pastable(const Window& control, std::string_view text) {
    text = text.substr(0, completeLength(text));
    if (control.style & ES_MULTILINE) return text;
    return text.substr(0, text.find_first_of("\r\n"));
}

bool editCommand(Window& control, char32_t command) {
    switch (command) {
        case kSelectAll:
            control.edit.anchor = 0;
            control.edit.caret = control.text.size();
            return false;
        case kCopy:
            if (control.edit.hasSelection()) setClipboard(selectedText(control));
            return false;
        case kCut:
            if (!control.edit.hasSelection()) return false;
            setClipboard(selectedText(control));
            return eraseSelection(control);
        case kPaste: {
            const std::string text = clipboard();
            const std::string_view line = pastable(control, text);
            if (line.empty() && !control.edit.hasSelection()) return false;
            replaceSelection(control, line);
            return true;
        }
        default: return false;
    }
}

// Keeps the caret and the selection inside a text that may have been changed
// from outside.
void clampCaret(Window& control) {
    control.edit.caret = std::min(control.edit.caret, control.text.size());
    control.edit.anchor = std::min(control.edit.anchor, control.text.size());
}

// Deletes the character before (or at) the caret, or the selection.
bool eraseCharacter(Window& control, bool before) {
    if (eraseSelection(control)) return true;
    EditState& e = control.edit;
    const std::string& text = control.text;
    if (before ? e.caret == 0 : e.caret >= text.size()) return false;
    const std::size_t start = before ? characterStart(text, e.caret) : e.caret;
    const std::size_t end = before ? e.caret : characterEnd(text, e.caret);
    textChangesAt(control, start);
    control.text.erase(start, end - start);
    e.placeCaret(start);
    return true;
}

}  // namespace

bool editChar(Window& control, char32_t typed) {
    clampCaret(control);
    // Control characters are no text; Ctrl and a letter are commands.
    if (isControlCharacter(typed)) return editCommand(control, typed);
    std::string utf8;
    appendUtf8(utf8, typed);
    replaceSelection(control, utf8);
    return true;
}

bool editKey(Window& control, Key key, unsigned modifiers) {
    clampCaret(control);
    EditState& e = control.edit;
    const std::string& text = control.text;
    const bool extend = (modifiers & kShift) != 0;
    std::size_t target = e.caret;
    switch (key) {
        case Key::Left:
            target =
                !extend && e.hasSelection() ? e.selectionStart() : (e.caret > 0 ? characterStart(text, e.caret) : 0);
            break;
        case Key::Right:
            target = !extend && e.hasSelection() ? e.selectionEnd()
                                                 : (e.caret < text.size() ? characterEnd(text, e.caret) : e.caret);
            break;
        case Key::Home: target = 0; break;
        case Key::End: target = text.size(); break;
        case Key::Backspace: return eraseCharacter(control, true);
        case Key::Delete: return eraseCharacter(control, false);
        default: return false;
    }
    if (extend)
        e.caret = target;
    else
        e.placeCaret(target);
    return false;
}

// A combo box gives a column to its arrow, a multi-line edit one to its scroll bar.
int editColumns(const Window& control) {
    const bool arrow = control.windowClass == WindowClass::ComboBox;
    const bool bar = isMultiLine(control) && (control.style & WS_VSCROLL);
    return std::max(1, control.rect.width() / kUnitsPerColumn - (arrow || bar ? 1 : 0));
}

int editRows(const Window& control) { return std::max(1, control.rect.height() / kUnitsPerRow); }

bool isMultiLine(const Window& control) {
    return control.windowClass == WindowClass::Edit && (control.style & ES_MULTILINE);
}

// Each character's width is measured once on either walk.
std::size_t EditState::firstShown(std::string_view text, int columns) const {
    const std::size_t at = std::min(caret, text.size());
    std::size_t first = std::min(scroll, at);
    const int caretCells = at < text.size() ? std::max(1, characterWidth(text, at)) : 1;
    int shown = displayWidth(text.substr(first, at - first));
    while (first < at && shown + caretCells > columns) {
        const std::size_t next = characterEnd(text, first);
        shown -= displayWidth(text.substr(first, next - first));
        first = next;
    }
    // Nothing stays hidden at the start while the rest, and the caret after it, fits.
    int rest = displayWidth(text.substr(first));
    while (first > 0) {
        const std::size_t before = characterStart(text, first);
        const int width = displayWidth(text.substr(before, first - before));
        if (rest + width + 1 > columns) break;
        rest += width;
        first = before;
    }
    return first;
}

namespace {

// A multi-line edit scrolls by lines: its scroll is the byte where its first
// shown line begins, and keeping the caret shown wraps only the lines from
// there to the caret, never the whole text.
void keepCaretLineShown(Window& control) {
    EditState& e = control.edit;
    const std::string_view text = control.text;
    const int columns = editColumns(control);
    const auto rows = static_cast<std::size_t>(editRows(control));
    const std::size_t caret = std::min(e.caret, text.size());
    if (e.scroll > caret) {
        e.scroll = lineStartOf(text, caret, columns);
        return;
    }
    std::vector<std::size_t> starts(rows);  // the last lines walked, round
    std::size_t walked = 0;
    for (std::size_t start = e.scroll;;) {
        const WrappedLine line = wrappedLine(text, start, columns);
        starts[walked++ % rows] = start;
        if (line.next > caret || line.last(text)) break;
        start = line.next;
    }
    if (walked > rows) e.scroll = starts[(walked - rows) % rows];
}

}  // namespace

void editKeepCaretVisible(Window& control) {
    if (isMultiLine(control))
        keepCaretLineShown(control);
    else
        control.edit.scroll = control.edit.firstShown(control.text, editColumns(control));
}

namespace {

unsigned buttonCode(const Window& button) {
    switch (button.buttonKind()) {
        case BS_GROUPBOX: return DLGC_STATIC;
        case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_RADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
        default: return DLGC_BUTTON;
    }
}

// Combo boxes answer for themselves: their open list wants more keys.
unsigned dialogCodeOf(const Window& control) {
    switch (control.windowClass) {
        case WindowClass::Button: return buttonCode(control);
        case WindowClass::Edit: return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
        case WindowClass::ListBox: return DLGC_WANTCHARS | DLGC_WANTARROWS;
        default: return DLGC_STATIC;
    }
}

}  // namespace

LParam controlProc(Window& control, unsigned message, WParam wParam, LParam lParam) {
    if (message == WM_GETDLGCODE && control.windowClass != WindowClass::ComboBox) return dialogCodeOf(control);
    switch (control.windowClass) {
        case WindowClass::Button:
            if (message == WM_LBUTTONDOWN) clickButton(control);
            return 0;
        case WindowClass::Edit: return editProc(control, message, wParam, lParam);
        case WindowClass::ListBox: return listProc(control, message, wParam, lParam);
        case WindowClass::ComboBox: return comboProc(control, message, wParam, lParam);
        default: return 0;
    }
}

void buttonClick(WindowHandle button) {
    if (Window* window = windowOf(button); window && window->windowClass == WindowClass::Button) clickButton(*window);
}

bool setWindowText(WindowHandle handle, std::string_view text) {
    Window* window = windowOf(handle);
    if (window == nullptr) return false;
    window->text = std::string(text);
    // A text the program puts in shows from its first character, the caret before it.
    window->edit = {};
    return true;
}

std::string getWindowText(WindowHandle handle) {
    const Window* window = windowOf(handle);
    return window ? window->text : std::string();
}

bool setDlgItemText(WindowHandle dialog, int id, std::string_view text) {
    return setWindowText(getDlgItem(dialog, id), text);
}

int getDlgItemText(WindowHandle dialog, int id, std::span<char> buffer) {
    if (buffer.empty()) return 0;
    const std::string text = getWindowText(getDlgItem(dialog, id));
    const std::size_t copied = characterPrefix(text, buffer.size() - 1);
    std::copy_n(text.begin(), copied, buffer.begin());
    buffer[copied] = '\0';
    return static_cast<int>(copied);
}

bool setDlgItemInt(WindowHandle dialog, int id, unsigned value, bool isSigned) {
    char text[16];
    if (isSigned)
        std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    else
        std::snprintf(text, sizeof text, "%u", value);
    return setDlgItemText(dialog, id, text);
}

unsigned getDlgItemInt(WindowHandle dialog, int id, bool* translated, bool isSigned) {
    if (translated) *translated = false;
    const std::string text = getWindowText(getDlgItem(dialog, id));
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    const bool negative = isSigned && at < text.size() && text[at] == '-';
    if (negative) ++at;
    const std::size_t digitsStart = at;
    std::uint64_t value = 0;
    const std::uint64_t limit = isSigned
                                    ? (negative ? std::uint64_t{1} << 31 : std::numeric_limits<std::int32_t>::max())
                                    : std::numeric_limits<std::uint32_t>::max();
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        value = value * 10 + static_cast<unsigned>(text[at] - '0');
        if (value > limit) return 0;
    }
    if (at == digitsStart) return 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    if (at != text.size()) return 0;
    if (translated) *translated = true;
    return negative ? static_cast<unsigned>(-static_cast<std::int64_t>(value)) : static_cast<unsigned>(value);
}

bool checkDlgButton(WindowHandle dialog, int id, int check) {
    Window* button = windowOf(getDlgItem(dialog, id));
    if (button == nullptr) return false;
    button->check = check;
    return true;
}

int isDlgButtonChecked(WindowHandle dialog, int id) {
    const Window* button = windowOf(getDlgItem(dialog, id));
    return button ? button->check : BST_UNCHECKED;
}

Rect getClientRect(WindowHandle handle) {
    const Window* window = windowOf(handle);
    return window ? Rect{0, 0, window->rect.width(), window->rect.height()} : Rect{};
}

Rect getWindowRect(WindowHandle handle) {
    const Window* window = windowOf(handle);
    return window ? window->rect : Rect{};
}

bool setWindowPos(WindowHandle handle, int x, int y, int cx, int cy, unsigned flags) {
    Window* window = windowOf(handle);
    if (window == nullptr) return false;
    const int left = (flags & SWP_NOMOVE) ? window->rect.left : x;
    const int top = (flags & SWP_NOMOVE) ? window->rect.top : y;
    const int width = (flags & SWP_NOSIZE) ? window->rect.width() : cx;
    const int height = (flags & SWP_NOSIZE) ? window->rect.height() : cy;
    if (window->windowClass == WindowClass::ComboBox) {
        // A drop-down combo box keeps its field; its height is the extent of the opened list.
        window->comboDropHeight = height;
        window->rect = {left, top, left + width, top + window->rect.height()};
        return true;
    }
    window->rect = {left, top, left + width, top + height};
    return true;
}

bool setIcon(WindowHandle handle, WParam which, int iconId) {
    Window* window = windowOf(handle);
    if (window == nullptr || !window->isDialog()) return false;
    (which == ICON_BIG ? window->largeIcon : window->smallIcon) = iconId;
    return true;
}

void progressSetRange(WindowHandle bar, std::uint16_t low, std::uint16_t high) {
    Window* window = windowOf(bar);
    if (window == nullptr) return;
    window->progress.low = low;
    window->progress.high = high;
    window->progress.position = std::clamp<int>(window->progress.position, low, std::max(low, high));
}

int progressSetStep(WindowHandle bar, int step) {
    Window* window = windowOf(bar);
    if (window == nullptr) return 0;
    return std::exchange(window->progress.step, step);
}

int progressStepIt(WindowHandle bar) {
    Window* window = windowOf(bar);
    if (window == nullptr) return 0;
    ProgressState& p = window->progress;
    const int previous = p.position;
    const int span = p.high - p.low;
    if (span <= 0) return previous;  // an empty range has nowhere to move
    p.position += p.step;
    // Past the end the bar starts over, as far into the range as the step
    // carried it, and never beyond the end even for a step longer than the range.
    if (p.position > p.high) p.position = p.low + (p.position - p.low) % span;
    return previous;
}

int progressSetPos(WindowHandle bar, int position) {
    Window* window = windowOf(bar);
    if (window == nullptr) return 0;
    ProgressState& p = window->progress;
    return std::exchange(p.position, std::clamp<int>(position, p.low, std::max(p.low, p.high)));
}

int progressGetPos(WindowHandle bar) {
    const Window* window = windowOf(bar);
    return window ? window->progress.position : 0;
}

}  // namespace platform
