// The window layer: windows known by handle, one message queue, dialogs made
// from templates and run modally or modelessly, and the controls the program
// uses. Texts are UTF-8. Positions and sizes are dialog units; where
// the desktop speaks of pixels (client rectangles, list extents) this layer
// takes one pixel to be one dialog unit.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/handle.h"
#include "platform/ui/messages.h"
#include "platform/ui/resource.h"

namespace platform {

// Returns kHandled or kNotHandled; not handled goes to the default handling.
using DialogProc = std::intptr_t (*)(WindowHandle dialog, unsigned message, WParam wParam, LParam lParam);

struct Msg {
    WindowHandle window;
    unsigned message = WM_NULL;
    WParam wParam = 0;
    LParam lParam = 0;
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// --- Dialogs -----------------------------------------------------------------

// Runs a dialog until endDialog: other windows whose owner is not disabled go on
// working inside its loop. Returns the endDialog result, 0 after a quit
// request, -1 when the dialog cannot be made or input has run out.
std::intptr_t dialogBoxParam(const Module& module, int templateId, WindowHandle owner, DialogProc proc,
                             LParam initParam);
std::intptr_t dialogBoxIndirect(const DialogTemplate& dialog, WindowHandle owner, DialogProc proc, LParam initParam);
// Makes a modeless dialog, hidden unless its template says WS_VISIBLE.
WindowHandle createDialogParam(const Module& module, int templateId, WindowHandle owner, DialogProc proc,
                               LParam initParam);
bool endDialog(WindowHandle dialog, std::intptr_t result);
bool destroyWindow(WindowHandle window);
bool showWindow(WindowHandle window, int show);
void postQuitMessage(int exitCode);
bool quitRequested();
int quitExitCode();

// --- Messages ----------------------------------------------------------------

LParam sendMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam);
bool postMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam);
// Takes the first waiting message of the window or one of its controls (of any
// window when filter is empty) without waiting; input pending at the input
// source is queued first. Other windows' messages stay queued.
bool peekMessage(Msg& msg, WindowHandle filter);
// Takes the first queued message of this kind to this window itself, if any.
bool takeMessage(Msg& msg, WindowHandle window, unsigned message);
// The dialog keyboard handling: Tab, Shift+Tab, Enter, Esc, Space and arrows
// on buttons. True when it consumed the message.
bool isDialogMessage(WindowHandle dialog, const Msg& msg);
void translateMessage(const Msg& msg);
LParam dispatchMessage(const Msg& msg);
LParam defDialogProc(WindowHandle dialog, unsigned message, WParam wParam, LParam lParam);

// A value the dialog code keeps with its dialog; returns the previous one.
LParam setDialogData(WindowHandle dialog, LParam data);
LParam dialogData(WindowHandle dialog);

// --- Windows -----------------------------------------------------------------

bool isWindow(WindowHandle window);
WindowHandle getDlgItem(WindowHandle dialog, int id);
int getDlgCtrlID(WindowHandle control);
WindowHandle getParent(WindowHandle control);
bool enableWindow(WindowHandle window, bool enable);
bool isWindowEnabled(WindowHandle window);
bool isWindowVisible(WindowHandle window);
WindowHandle setFocus(WindowHandle control);
WindowHandle getFocus();  // the focused control of the active window
WindowHandle getActiveWindow();
// Moves a dialog's focus to the next (or previous) tab stop, or to the next
// control of any kind that can take the focus, wrapping around.
void focusNextControl(WindowHandle dialog, bool forward, bool tabStopsOnly);
bool setActiveWindow(WindowHandle topLevel);

bool setWindowText(WindowHandle window, std::string_view text);
std::string getWindowText(WindowHandle window);
bool setDlgItemText(WindowHandle dialog, int id, std::string_view text);
// Copies at most buffer.size() - 1 bytes and a terminator; returns the bytes copied.
int getDlgItemText(WindowHandle dialog, int id, std::span<char> buffer);
bool setDlgItemInt(WindowHandle dialog, int id, unsigned value, bool isSigned);
// Leading blanks are skipped; then an optional '-' (signed only) and at least
// one digit; trailing blanks are allowed, anything else fails. A value beyond
// the 32-bit range fails. A failure returns 0 and sets *translated to false.
unsigned getDlgItemInt(WindowHandle dialog, int id, bool* translated, bool isSigned);
bool checkDlgButton(WindowHandle dialog, int id, int check);
int isDlgButtonChecked(WindowHandle dialog, int id);

Rect getClientRect(WindowHandle window);
Rect getWindowRect(WindowHandle window);  // dialogs: on the desktop; controls: in the dialog
inline constexpr unsigned SWP_NOSIZE = 0x0001;
inline constexpr unsigned SWP_NOMOVE = 0x0002;
inline constexpr unsigned SWP_NOZORDER = 0x0004;
bool setWindowPos(WindowHandle window, int x, int y, int cx, int cy, unsigned flags);
// Makes a dialog resizable: control `id` takes the room beyond the dialog's
// present size, which becomes its smallest (platform/ui/growth.h has the
// rule). False when the dialog has no such control.
bool setGrowingControl(WindowHandle dialog, int id);
// Gives a resizable dialog a client area of width by height units, at least
// its smallest, and lays its controls out for it; false for another window.
// The window system's resizing acts even on a disabled window.
bool resizeDialog(WindowHandle dialog, int width, int height);
inline constexpr WParam ICON_SMALL = 0;
inline constexpr WParam ICON_BIG = 1;
bool setIcon(WindowHandle window, WParam which, int iconId);

// --- Buttons -----------------------------------------------------------------

void buttonClick(WindowHandle button);  // as if the user clicked it

// --- List boxes --------------------------------------------------------------

int listAddString(WindowHandle list, std::string_view text);                // sorted lists insert in order
int listInsertString(WindowHandle list, int index, std::string_view text);  // -1: at the end
// Adds each text as listAddString does, the window looked up once; the count after.
int listAddStrings(WindowHandle list, std::span<const std::string_view> texts);
int listDeleteString(WindowHandle list, int index);  // the count left, or LB_ERR
void listResetContent(WindowHandle list);
int listGetCount(WindowHandle list);
std::string listGetText(WindowHandle list, int index);
// Copies the text into `into`, cut to fit and terminated; its whole length,
// or LB_ERR (`into` then holds an empty text).
int listGetText(WindowHandle list, int index, std::span<char> into);
int listGetSel(WindowHandle list, int index);                // 1, 0 or LB_ERR
bool listSetSel(WindowHandle list, bool select, int index);  // -1: every entry
int listGetSelCount(WindowHandle list);
std::vector<int> listGetSelItems(WindowHandle list);
int listGetCaretIndex(WindowHandle list);
bool listSetCaretIndex(WindowHandle list, int index);
int listGetCurSel(WindowHandle list);              // single selection lists
bool listSetCurSel(WindowHandle list, int index);  // -1: none
void listSetHorizontalExtent(WindowHandle list, int extent);
int listGetHorizontalExtent(WindowHandle list);
int listGetTopIndex(WindowHandle list);

// --- Scroll bars -------------------------------------------------------------

// A bar's positions from min to max, of which a page is shown from pos on. A
// list's vertical bar counts entries, its horizontal bar dialog units.
struct ScrollInfo {
    int min = 0, max = 0, page = 0, pos = 0;
};
ScrollInfo getScrollInfo(WindowHandle window, int bar);  // SB_HORZ or SB_VERT

// --- Combo boxes -------------------------------------------------------------

int comboAddString(WindowHandle combo, std::string_view text);
void comboResetContent(WindowHandle combo);
int comboGetCount(WindowHandle combo);
std::string comboGetItemText(WindowHandle combo, int index);
int comboSetCurSel(WindowHandle combo, int index);  // -1 empties the text field
int comboGetCurSel(WindowHandle combo);
// Searches the whole list, starting after `start` and wrapping, for an item
// equal to text ignoring letter case.
int comboFindStringExact(WindowHandle combo, int start, std::string_view text);
void comboShowDropdown(WindowHandle combo, bool show);
bool comboGetDroppedState(WindowHandle combo);

// --- Dropped files -------------------------------------------------------------

// The paths of a WM_DROPFILES message, in the order they were dropped; they are
// released as they are taken. A window that does not handle the message leaves
// them to the default handling, which releases them unread.
std::vector<std::string> takeDroppedFiles(WParam drop);

// --- Progress bars -----------------------------------------------------------

void progressSetRange(WindowHandle bar, std::uint16_t low, std::uint16_t high);
int progressSetStep(WindowHandle bar, int step);
int progressStepIt(WindowHandle bar);  // wraps to the start when past the end
int progressSetPos(WindowHandle bar, int position);
int progressGetPos(WindowHandle bar);

}  // namespace platform
