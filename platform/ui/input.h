// Where the window layer's input comes from: the terminal renderer or a test
// script. The layer asks for input only when a modal loop has nothing to do
// (wait) or when a filtered pump looks for messages (poll); the source answers
// by calling the functions below, which queue messages as a user's actions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/ui.h"

namespace platform {

class InputSource {
public:
    virtual ~InputSource() = default;
    // The program waits for input: queue some, or return false when no input
    // will ever come (the modal loops then end).
    virtual bool wait() = 0;
    // The program looks for input without waiting: queue what is pending.
    virtual void poll() = 0;
    // A message box is about to be shown modally; false shows it without waiting.
    virtual bool interactive() const { return true; }
    // The clipboard, in the layer's code page. By default the layer keeps it.
    virtual void setClipboardText(std::string_view text);
    virtual std::string clipboardText() const;
    // Whether the windows stand on a desktop whose own file chooser may serve
    // instead of the layer's dialogs.
    virtual bool offersDesktopDialogs() const { return false; }
    // The window system's name of a top-level window, for the desktop's
    // dialogs to stand over it ("x11:3a00004"); empty when it has none.
    virtual std::string windowSystemName(WindowHandle) const { return {}; }
};

// The clipboard of the attached input source, or the layer's own.
void setClipboard(std::string_view text);
std::string clipboard();

void attachInputSource(InputSource* source);  // null detaches

// The keys of the input source, which F1 shows in a message box; none is
// shown while this is empty.
void setKeyHelp(std::string_view text);
inline constexpr char kKeyHelpTitle[] = "Keys";
InputSource* inputSource();

// A user's actions. Each is ignored when its window is disabled, hidden or
// belongs to a disabled top-level window.
void inputKey(Key key, unsigned modifiers = 0);  // to the focused control of the active window
void inputText(std::string_view utf8);           // characters typed there
// row: a list entry, or in an edit the byte offset the caret goes to (-1: the end).
void inputClick(WindowHandle control, unsigned modifiers = 0, int row = -1);
void inputDoubleClick(WindowHandle control, int row);  // row: list entries
// The mouse moved with its button held down after a click in an edit: the
// selection runs from the click to this byte offset.
void inputDrag(WindowHandle control, int offset);
void inputWheel(WindowHandle control, int rows);
// A click on a scroll bar (SB_HORZ or SB_VERT): an SB_ code, and for the
// thumb the position it was dragged to.
void inputScroll(WindowHandle control, int bar, unsigned code, int position = 0);
void inputClose(WindowHandle topLevel);  // the close box
void inputMenu(WindowHandle topLevel, int command);
void inputActivate(WindowHandle topLevel);
// Files and folders dropped on a top-level window, all in one message.
void inputDropFiles(WindowHandle topLevel, std::vector<std::string> paths);

// Whether the control takes typed text (edits and editable combo boxes): a
// Space typed there is a blank, elsewhere it presses.
bool takesTyping(WindowHandle control);

// Where a key pressed now goes: the focused control of the active window, or
// that window itself; none while it is disabled.
WindowHandle keyTarget();

}  // namespace platform
