// What a key read from the terminal means to the program: a key or typed
// character for the focused control, or one of the renderer's own commands.
#pragma once

#include <map>

#include "platform/ui/messages.h"

namespace platform::term {

enum class Action {
    None,             // nothing
    Press,            // a key for the focused control: key and modifiers
    Type,             // a typed character: text
    Menu,             // F10: open or close the menu bar
    MenuKey,          // Alt and a letter: the menu whose access key it is (access)
    NextWindow,       // F6: the next top-level window
    PreviousWindow,   // Shift+F6
    CloseWindow,      // Ctrl+W: the close box of the active window
    NextControl,      // F2: the next control, with or without a tab stop
    PreviousControl,  // Shift+F2
    Redraw,           // Ctrl+L
    Quit,             // Ctrl+C: leave the program
    Help,             // F1: the key table
};

struct KeyAction {
    Action action = Action::None;
    Key key = Key::Tab;
    unsigned modifiers = 0;
    char32_t text = 0;  // the typed character
    char access = 0;    // lower case
};

// Keys that arrive as one curses key code, with what they stand for. The
// table has the fixed codes; codes the terminal description gives (Ctrl and
// Alt with the arrows) are added when the terminal opens.
using KeyTable = std::map<int, KeyAction>;
KeyTable standardKeys();

// A key code from curses (isKeyCode) or a character.
KeyAction decodeKey(const KeyTable& table, bool isKeyCode, char32_t code);
// Alt (Esc) followed by a character.
KeyAction decodeAlt(char32_t code);

}  // namespace platform::term
