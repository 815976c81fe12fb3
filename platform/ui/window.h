// The state the window layer keeps for each window. The core changes it; the
// renderer and the scripted input source only read it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/listitems.h"
#include "platform/ui/ui.h"

namespace platform {

class InputSource;

// Dialog units to the character grid, for every renderer: a column is the
// width of an average character (a terminal cell), a row the height of a
// line of text (a list row, a terminal row).
inline constexpr int kUnitsPerColumn = 4;
inline constexpr int kUnitsPerRow = 8;
inline constexpr int kComboFieldUnits = 12;  // the height of a closed combo box

// A list box, or the drop-down list of a combo box.
struct ListState {
    ListItems items;
    int caret = 0;   // the current entry, where the focus rectangle stands
    int anchor = 0;  // where a Shift range begins
    int top = 0;     // the first visible row
    int horizontalExtent = 0;
    int horizontalOffset = 0;

    // Scrolls by `delta` rows (up when positive), staying within the entries,
    // of which `rows` are shown.
    void scrollBy(int delta, int rows) {
        top = std::clamp(top - delta, 0, std::max(0, static_cast<int>(items.size()) - rows));
    }
    void scrollTo(int first, int rows) { scrollBy(top - first, rows); }
    // Scrolls just enough for entry `index` to be among the `rows` shown.
    void scrollToShow(int index, int rows) {
        if (index < top) top = index;
        if (index >= top + rows) top = index - rows + 1;
        scrollBy(0, rows);
    }
};

struct EditState {
    std::size_t caret = 0;   // byte offset in the text
    std::size_t anchor = 0;  // the selection's other end; the caret's offset when nothing is selected
    std::size_t scroll = 0;  // the first byte shown (single line), or where the first line shown begins

    void placeCaret(std::size_t at) { caret = anchor = at; }
    bool hasSelection() const { return caret != anchor; }
    std::size_t selectionStart() const { return std::min(caret, anchor); }
    std::size_t selectionEnd() const { return std::max(caret, anchor); }

    // The first byte a single-line field `columns` cells wide shows of text:
    // where it was scrolled to, moved by whole characters only as far as the
    // caret needs (the caret after the last character takes a cell too). A
    // renderer with more room than the layer counts shows more of the start
    // rather than empty cells.
    std::size_t firstShown(std::string_view text, int columns) const;
};

struct ProgressState {
    std::uint16_t low = 0;
    std::uint16_t high = 100;
    int step = 10;
    int position = 0;
};

struct Window {
    WindowHandle handle;
    WindowClass windowClass = WindowClass::Dialog;
    int id = kNoControlId;
    Rect rect;  // dialogs: on the desktop; controls: in their dialog
    std::string text;
    std::uint32_t style = 0;
    bool enabled = true;
    bool visible = false;
    WindowHandle parent;  // controls
    WindowHandle owner;   // top-level windows; may be none

    // Dialogs.
    std::vector<WindowHandle> controls;  // in tab order
    DialogProc proc = nullptr;
    const Module* module = nullptr;
    int menuId = 0;
    int largeIcon = 0;
    int smallIcon = 0;
    WindowHandle focus;
    bool modal = false;  // run modally over an owner: keeps the keyboard while it is up
    WindowHandle grows;  // resizable dialogs: the control that takes the extra room
    Rect smallest;       // and their smallest client size
    bool ended = false;
    std::intptr_t result = 0;
    LParam data = 0;  // the dialog code's own

    // Controls.
    int check = BST_UNCHECKED;
    ListState list;
    EditState edit;
    int comboSelection = -1;
    bool comboDropped = false;
    int comboDropHeight = 0;
    ProgressState progress;

    bool isDialog() const { return windowClass == WindowClass::Dialog; }
    bool resizable() const { return static_cast<bool>(grows); }
    const MenuTemplate* menuBar() const { return module && menuId ? module->menu(menuId) : nullptr; }
    std::uint32_t buttonKind() const { return style & BS_TYPEMASK; }
    int visibleRows() const;
    int dropRows() const;  // the rows of a combo box's open list
};

// The whole desktop: every window, the z-order of the top-level windows
// (bottom first), the message queue and the attached input source.
struct Desktop {
    std::unordered_map<std::uint32_t, std::unique_ptr<Window>> windows;
    std::vector<WindowHandle> zOrder;
    std::deque<Msg> queue;
    std::uint32_t nextHandle = 2;  // 1 is the desktop window
    bool quit = false;
    int exitCode = 0;
    unsigned fileDialogError = 0;  // why the last file dialog failed
    std::string keyHelp;           // what F1 shows
    InputSource* input = nullptr;
    std::string clipboard;  // used while no input source keeps one of its own
    // The paths of drops whose message waits or is being handled, by drop.
    std::unordered_map<WParam, std::vector<std::string>> drops;
    WParam nextDrop = 1;
};

Desktop& desktop();
Window* windowOf(WindowHandle handle);
WindowHandle topLevelOf(WindowHandle handle);

// Puts the layer back into its first state: no windows, empty queue, no quit
// request. For tests, between scenarios.
void resetDesktop();

}  // namespace platform
