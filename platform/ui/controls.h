// What the controls do with the user's input, and the pieces the control
// kinds share. Internal to the window layer.
#pragma once

#include <string_view>

#include "platform/text.h"
#include "platform/ui/wrap.h"
#include "platform/ui/window.h"

namespace platform {

LParam controlProc(Window& control, unsigned message, WParam wParam, LParam lParam);
LParam listProc(Window& list, unsigned message, WParam wParam, LParam lParam);
LParam comboProc(Window& combo, unsigned message, WParam wParam, LParam lParam);

// Where a click on a scroll bar (WM_HSCROLL or WM_VSCROLL) moves a bar: a
// line of `line` positions or a page either way, or to the thumb's position.
int scrolledPosition(const ScrollInfo& info, int line, WParam wParam, LParam lParam);

// Sends the control's parent a WM_COMMAND with the control's id and the code.
void notifyParent(const Window& control, unsigned code);

// Where a sorted list takes a new entry: after the entries equal to it.
int sortedIndex(const ListState& list, std::string_view text);

// Editing of a text at its caret, by character, shared by edits and the field
// of a combo box: typed characters replace the selection, Shift with a caret
// key extends it, and Ctrl+A, C, X and V (as their control characters) select
// all, copy, cut and paste. True when the text changed.
bool editChar(Window& control, char32_t typed);
bool editKey(Window& control, Key key, unsigned modifiers);
void editKeepCaretVisible(Window& control);
// How many characters a line of a text field shows, as the layer counts
// them, and how many lines a multi-line edit shows.
int editColumns(const Window& control);
int editRows(const Window& control);
bool isMultiLine(const Window& control);

}  // namespace platform
