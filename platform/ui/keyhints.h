// What the keys can do where the keyboard is now, so that a renderer's help
// line names only keys that act there.
#pragma once

#include <vector>

namespace platform {

enum class KeyHint {
    Help,        // the key table
    Press,       // the focused button
    Toggle,      // the focused check box
    Pick,        // a list: the entry at the caret
    AddToPick,   // a list of several choices: add the entry or take it out
    OpenList,    // a drop-down list: open it
    CloseList,   // an open drop-down list: close it
    Accept,      // the default button, or OK
    Cancel,      // the Cancel button, or the end of a message box
    NextField,   // the next tab stop
    AnyControl,  // controls without a tab stop can take the focus
    Menu,        // the window's menu bar
    NextWindow,  // another window takes input
    Close,       // the window's close box
};

// In the order of their use where the keyboard is: the focused control's
// first, the window's next, the desktop's last.
std::vector<KeyHint> keyHints();

}  // namespace platform
