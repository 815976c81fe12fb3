// What each control of a dialog looks like and what a click on it means,
// worked out once for every renderer. Rectangles are dialog units in the
// dialog's client area; a renderer maps them to cells or pixels, draws each
// element by its shape and role, and hands a click on a hit area back to
// pressHit. It lays nothing out, wraps and scrolls nothing of its own.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/ui/menu.h"
#include "platform/ui/window.h"

namespace platform {

// How a piece of text, or a whole element, is to be shown.
enum class Role : std::uint8_t {
    Normal,
    Selected,  // a selection in a text, a chosen list row, a pressed push-like button
    Disabled,
    Caret,  // an empty run: where the caret stands
    Mark,   // a menu text's access letter
    Focus,  // the control with the keyboard focus
};

struct TextRun {
    std::string_view text;
    Role role = Role::Normal;
};

// A line of text: its runs, left to right, drawn one after the other.
struct TextLine {
    std::vector<TextRun> runs;
};

enum class Shape : std::uint8_t {
    Label,        // text on the dialog's face
    SunkenLabel,  // a static text in a sunken field
    PushButton,
    DefaultButton,
    CheckBox,  // a mark, its text after it
    RadioButton,
    GroupFrame,  // a group box's outline, its caption on its top line
    Field,       // a single-line edit or a closed combo box
    TextBox,     // a multi-line edit: its first line level with a label beside it
    List,        // a list box's field, bordered or not
    DropButton,  // a combo box's arrow
    Popup,       // an open drop-down list's box, over everything else
    Row,         // a list row
    ScrollBar,
    Progress,
};

// A scroll bar's parts, each a whole number of rows (vertical) or columns
// (horizontal) long.
struct ScrollView {
    bool vertical = true;
    bool scrolls = false;  // there is somewhere to go: a thumb, and clicks that act
    Rect back, forward, track, thumb;
};

struct ViewElement {
    Shape shape = Shape::Label;
    Rect area;
    Role role = Role::Normal;  // Disabled, Focus or Selected for the whole element
    WindowHandle control;
    bool checked = false;         // marks
    bool framed = false;          // lists: a border, on which the scroll bars stand
    bool centred = false;         // lines: each centred in the area
    bool caretRow = false;        // rows: the list's caret stands here
    int shift = 0;                // rows: units the list is scrolled sideways
    int parent = -1;              // group frames: the element of the frame around it; -1: the client area
    int done = 0, total = 1;      // progress: the part filled
    std::vector<TextLine> lines;  // one a row from the area's top
    ScrollView bar;
};

// What a click means.
enum class Press : std::uint8_t {
    Control,    // a click on the control (a button pressed, a drop-down opened)
    Row,        // a list row, double clicks too
    ComboRow,   // a row of an open drop-down list
    Text,       // an edit's line: the caret goes to the character clicked
    Scroll,     // a scroll bar's arrow or page part: `index` is its SB_ code
    Thumb,      // a scroll bar's thumb: dragged along `track`
    Close,      // a window's close box
    Activate,   // a window's caption
    MenuTitle,  // `index`: the popup
    MenuItem,   // `index`: the item of the open popup
};

struct HitArea {
    Press press = Press::Control;
    WindowHandle window;  // the control, or the top-level window
    Rect area;
    int index = -1;    // a row; a scroll code; a text box's line
    int element = -1;  // the element whose drawn area the hit takes (its line `index` for a text box's line)
    int bar = SB_VERT;
    Rect track;             // thumbs
    std::size_t first = 0;  // text: the line's first byte and its length
    std::size_t length = 0;
};

struct DialogView {
    std::vector<ViewElement> elements;  // in paint order
    std::vector<HitArea> hits;          // the last one holding a point takes its click
    // From these on, elements and hits belong to open drop-down lists, which
    // go over every window.
    std::size_t firstPopupElement = 0;
    std::size_t firstPopupHit = 0;
};

// The view of a dialog's controls; `active`: whether it is the active window,
// where the focus shows.
DialogView dialogView(const Window& dialog, bool active);

// The input a click on a hit area means. `offset`: for text, the byte the
// renderer found under the mouse; `menu`: the renderer's menu state.
void pressHit(const HitArea& hit, unsigned modifiers, bool doubleClick, int offset, MenuState& menu);

// A dragged thumb: the scroll position whose thumb starts `along` units into its track.
int thumbPositionAt(const HitArea& thumb, int along);

// The top-level windows to paint, bottom first.
std::vector<WindowHandle> paintOrder();

// A menu text as runs: its access letter marked.
TextLine menuLine(std::string_view shown, int access);

}  // namespace platform
