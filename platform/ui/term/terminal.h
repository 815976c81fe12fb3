// The terminal itself, through curses: opening and restoring it, showing a
// canvas, and reading keys, mouse events and size changes.
#pragma once

#include <string>

#include "platform/ui/term/canvas.h"
#include "platform/ui/term/keys.h"

namespace platform::term {

struct TerminalEvent {
    enum class Kind { None, Key, Mouse, Resize, Closed } kind = Kind::None;
    KeyAction key;
    // Mouse events.
    int x = 0;
    int y = 0;
    // The left button pressed, pressed twice (when curses saw both at once),
    // released or moved while held; the wheel.
    enum class Button { Left, LeftTwice, LeftUp, LeftMove, WheelUp, WheelDown } button = Button::Left;
    unsigned modifiers = 0;
};

// Opens the terminal in raw mode with the keypad and the mouse; the terminal
// is restored when the object dies, at exit, and on a fatal signal.
class Terminal {
public:
    Terminal();
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool isOpen() const { return open_; }
    // Why the terminal could not be opened, in one line.
    const std::string& failure() const { return failure_; }
    int columns() const;
    int rows() const;
    void show(const Canvas& canvas);
    // The next show repaints every cell, whatever the terminal holds now.
    void invalidate();
    // Waits at most timeoutMs milliseconds (-1: without limit).
    TerminalEvent read(int timeoutMs);
    void beep();

private:
    TerminalEvent readMouse();
    bool open();

    KeyTable keys_;
    bool open_ = false;
    std::string failure_;
};

}  // namespace platform::term
