// The messages, notifications, styles and identifiers of the dialog system,
// with the values and meanings the desktop's own dialog system gives them.
#pragma once

#include <cstdint>

namespace platform {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;

// Window messages.
inline constexpr unsigned WM_NULL = 0x0000;
inline constexpr unsigned WM_KILLFOCUS = 0x0008;  // to the control that loses the focus
inline constexpr unsigned WM_ENABLE = 0x000A;     // wParam: whether the control is now enabled
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_GETDLGCODE = 0x0087;  // answer: the DLGC_ bits below
inline constexpr unsigned WM_QUIT = 0x0012;
inline constexpr unsigned WM_SETICON = 0x0080;
inline constexpr unsigned WM_KEYDOWN = 0x0100;     // wParam: a Key, lParam: Modifiers
inline constexpr unsigned WM_CHAR = 0x0102;        // wParam: a Unicode code point
inline constexpr unsigned WM_INITDIALOG = 0x0110;  // lParam: the creator's parameter
inline constexpr unsigned WM_COMMAND = 0x0111;     // wParam: id | code << 16, lParam: the control
inline constexpr unsigned WM_HSCROLL = 0x0114;     // wParam: an SB_ code | position << 16,
                                                   // lParam: the whole position (past 65,535 rows)
inline constexpr unsigned WM_VSCROLL = 0x0115;
inline constexpr unsigned WM_MOUSEMOVE = 0x0200;    // a drag with the button held; lParam: text offset
inline constexpr unsigned WM_LBUTTONDOWN = 0x0201;  // wParam: Modifiers, lParam: list row, text offset or -1
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned WM_MOUSEWHEEL = 0x020A;  // wParam: rows (negative: down), lParam: Modifiers
inline constexpr unsigned WM_DROPFILES = 0x0233;   // wParam: the drop, for takeDroppedFiles

// What a control asks of the dialog manager's keyboard handling.
inline constexpr unsigned DLGC_WANTARROWS = 0x0001;     // arrows move inside it
inline constexpr unsigned DLGC_WANTALLKEYS = 0x0004;    // Enter and Esc too (an open drop-down list)
inline constexpr unsigned DLGC_HASSETSEL = 0x0008;      // it holds editable text: Space types a blank
inline constexpr unsigned DLGC_DEFPUSHBUTTON = 0x0010;  // the default push button
inline constexpr unsigned DLGC_UNDEFPUSHBUTTON = 0x0020;
inline constexpr unsigned DLGC_RADIOBUTTON = 0x0040;
inline constexpr unsigned DLGC_WANTCHARS = 0x0080;
inline constexpr unsigned DLGC_STATIC = 0x0100;  // never takes the focus
inline constexpr unsigned DLGC_BUTTON = 0x2000;  // Space presses it

inline constexpr WParam makeWParam(unsigned low, unsigned high) {
    return (static_cast<WParam>(high & 0xFFFF) << 16) | (low & 0xFFFF);
}
inline constexpr unsigned loWord(WParam value) { return static_cast<unsigned>(value & 0xFFFF); }
inline constexpr unsigned hiWord(WParam value) { return static_cast<unsigned>((value >> 16) & 0xFFFF); }

// Dialog procedure results.
inline constexpr std::intptr_t kHandled = 1;
inline constexpr std::intptr_t kNotHandled = 0;

// Command identifiers of the standard buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int kNoControlId = -1;  // statics and group boxes

// Notification codes (high word of a WM_COMMAND's wParam).
inline constexpr unsigned BN_CLICKED = 0;
inline constexpr unsigned LBN_SELCHANGE = 1;
inline constexpr unsigned LBN_DBLCLK = 2;
inline constexpr unsigned CBN_SELCHANGE = 1;
inline constexpr unsigned CBN_EDITCHANGE = 5;
inline constexpr unsigned EN_CHANGE = 0x0300;

// Scroll bars, and what a click on one asks (low word of WM_HSCROLL/WM_VSCROLL).
inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr unsigned SB_LINEUP = 0;
inline constexpr unsigned SB_LINEDOWN = 1;
inline constexpr unsigned SB_PAGEUP = 2;
inline constexpr unsigned SB_PAGEDOWN = 3;
inline constexpr unsigned SB_THUMBPOSITION = 4;
inline constexpr unsigned SB_THUMBTRACK = 5;

// Check states.
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;

// Window styles.
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t DS_MODALFRAME = 0x0080;

// Button styles (the low four bits are the kind).
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x0003;
inline constexpr std::uint32_t BS_RADIOBUTTON = 0x0004;
inline constexpr std::uint32_t BS_GROUPBOX = 0x0007;
inline constexpr std::uint32_t BS_TYPEMASK = 0x000F;
inline constexpr std::uint32_t BS_PUSHLIKE = 0x1000;

// Static styles.
inline constexpr std::uint32_t SS_LEFT = 0x0000;
inline constexpr std::uint32_t SS_CENTER = 0x0001;
inline constexpr std::uint32_t SS_SUNKEN = 0x1000;

// Edit styles.
inline constexpr std::uint32_t ES_MULTILINE = 0x0004;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;

// List box styles.
inline constexpr std::uint32_t LBS_NOTIFY = 0x0001;
inline constexpr std::uint32_t LBS_SORT = 0x0002;
inline constexpr std::uint32_t LBS_EXTENDEDSEL = 0x0800;

// Combo box styles.
inline constexpr std::uint32_t CBS_DROPDOWN = 0x0002;
inline constexpr std::uint32_t CBS_DROPDOWNLIST = 0x0003;
inline constexpr std::uint32_t CBS_SORT = 0x0100;

// Show states.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;

// Results of list and combo operations.
inline constexpr int LB_ERR = -1;
inline constexpr int CB_ERR = -1;

// Keys, as WM_KEYDOWN carries them.
enum class Key : unsigned {
    Tab = 0x09,
    Enter = 0x0D,
    Escape = 0x1B,
    Space = 0x20,
    PageUp = 0x21,
    PageDown = 0x22,
    End = 0x23,
    Home = 0x24,
    Left = 0x25,
    Up = 0x26,
    Right = 0x27,
    Down = 0x28,
    Delete = 0x2E,
    Backspace = 0x08,
    F1 = 0x70,
    F4 = 0x73,
};

// Modifier flags of keys and clicks.
inline constexpr unsigned kShift = 0x04;
inline constexpr unsigned kControl = 0x08;
inline constexpr unsigned kAlt = 0x20;

}  // namespace platform
