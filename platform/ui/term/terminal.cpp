// Every curses call of the program is in this file.
#include "platform/ui/term/terminal.h"

#include <curses.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>
// term.h names capabilities as macros; these two clash with the canvas.
#undef columns
#undef lines

#include <csignal>
#include <cstdlib>

#include "platform/signals.h"

namespace platform::term {
namespace {

constexpr int kEscapeDelayMs = 25;
constexpr char kCursorAddress[] = "cup";  // the capability that places the cursor anywhere
// The stop signals (SIGINT, SIGTERM, SIGHUP) let the program wind down first;
// the terminal is restored on the way, or by the second one.
constexpr int kFatalSignals[] = {SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE};

bool& cursesActive() {
    static bool active = false;
    return active;
}

void restoreTerminal() {
    if (!cursesActive()) return;
    cursesActive() = false;
    endwin();
}

// A fatal signal must not leave the terminal in raw mode.
void onFatalSignal(int signal) {
    restoreTerminal();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void installRestorers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    std::atexit(restoreTerminal);
    setForcedStopAction(restoreTerminal);
    for (int signal : kFatalSignals) std::signal(signal, onFatalSignal);
}

// Ctrl+C raises SIGINT even in raw mode: it reaches the program while a file
// is under work, and a second one does not wait for it. The other keys that
// raise signals (quit, suspend) stay off: they would end or stop a walk
// midway.
void interruptKeyRaisesSignal() {
    constexpr cc_t kControlC = 0x03;
    termios mode{};
    if (tcgetattr(STDIN_FILENO, &mode) != 0) return;
    mode.c_lflag |= ISIG;
    mode.c_cc[VINTR] = kControlC;
    mode.c_cc[VQUIT] = _POSIX_VDISABLE;
    mode.c_cc[VSUSP] = _POSIX_VDISABLE;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &mode) == 0) def_prog_mode();
}

// Codes the terminal description gives for Ctrl, Alt and Shift with the arrows.
void addModifiedKeys(KeyTable& table) {
    struct Named {
        const char* capability;
        Key key;
        unsigned modifiers;
    };
    const Named named[] = {
        {"kUP5", Key::Up, kControl},
        {"kDN5", Key::Down, kControl},
        {"kLFT5", Key::Left, kControl},
        {"kRIT5", Key::Right, kControl},
        {"kHOM5", Key::Home, kControl},
        {"kEND5", Key::End, kControl},
        {"kUP6", Key::Up, kControl | kShift},
        {"kDN6", Key::Down, kControl | kShift},
        {"kUP3", Key::Up, kAlt},
        {"kDN3", Key::Down, kAlt},
        {"kUP", Key::Up, kShift},
        {"kDN", Key::Down, kShift},
    };
    for (const Named& n : named) {
        const char* sequence = tigetstr(const_cast<char*>(n.capability));
        if (sequence == nullptr || sequence == reinterpret_cast<char*>(-1)) continue;
        const int code = key_defined(sequence);
        if (code > 0) table[code] = {Action::Press, n.key, n.modifiers, 0, 0};
    }
}

// Sequences that terminals and terminal multiplexers send whatever their
// description says; each gets a code of its own where curses knows none.
void addCommonSequences(KeyTable& table) {
    struct Sequence {
        const char* bytes;
        KeyAction action;
    };
    const auto press = [](Key key, unsigned modifiers) { return KeyAction{Action::Press, key, modifiers, 0, 0}; };
    const Sequence sequences[] = {
        {"\033[1~", press(Key::Home, 0)},
        {"\033[4~", press(Key::End, 0)},
        {"\033[H", press(Key::Home, 0)},
        {"\033[F", press(Key::End, 0)},
        {"\033OH", press(Key::Home, 0)},
        {"\033OF", press(Key::End, 0)},
        {"\033[1;5A", press(Key::Up, kControl)},
        {"\033[1;5B", press(Key::Down, kControl)},
        {"\033[1;5C", press(Key::Right, kControl)},
        {"\033[1;5D", press(Key::Left, kControl)},
        {"\033[1;2A", press(Key::Up, kShift)},
        {"\033[1;2B", press(Key::Down, kShift)},
        {"\033[1;3B", press(Key::Down, kAlt)},
        {"\033[1;2Q", KeyAction{Action::PreviousControl, Key::Tab, 0, 0, 0}},
        {"\033[17;2~", KeyAction{Action::PreviousWindow, Key::Tab, 0, 0, 0}},
    };
    int next = KEY_MAX + 1;
    for (const Sequence& sequence : sequences) {
        int code = key_defined(sequence.bytes);
        if (code <= 0) {
            code = next++;
            define_key(sequence.bytes, code);
        }
        if (table.find(code) == table.end()) table[code] = sequence.action;
    }
}

short colorPair(Style style) { return static_cast<short>(static_cast<int>(style) + 1); }

void defineColors() {
    if (!has_colors()) return;
    start_color();
    struct Colors {
        Style style;
        short foreground;
        short background;
    };
    const Colors colors[] = {
        {Style::Desktop, COLOR_WHITE, COLOR_BLUE},       {Style::Window, COLOR_BLACK, COLOR_WHITE},
        {Style::Caption, COLOR_WHITE, COLOR_BLUE},       {Style::CaptionInactive, COLOR_BLACK, COLOR_CYAN},
        {Style::MenuBar, COLOR_BLACK, COLOR_WHITE},      {Style::MenuHot, COLOR_RED, COLOR_WHITE},
        {Style::MenuSelected, COLOR_WHITE, COLOR_BLACK}, {Style::Button, COLOR_BLACK, COLOR_CYAN},
        {Style::ButtonDefault, COLOR_BLACK, COLOR_CYAN}, {Style::Focused, COLOR_WHITE, COLOR_MAGENTA},
        {Style::Pressed, COLOR_WHITE, COLOR_BLACK},      {Style::Field, COLOR_BLACK, COLOR_YELLOW},
        {Style::Selected, COLOR_WHITE, COLOR_BLUE},      {Style::Disabled, COLOR_BLACK, COLOR_WHITE},
        {Style::Frame, COLOR_BLACK, COLOR_WHITE},        {Style::Help, COLOR_BLACK, COLOR_CYAN},
        {Style::Notice, COLOR_WHITE, COLOR_RED},         {Style::Shadow, COLOR_WHITE, COLOR_BLACK},
    };
    for (const Colors& c : colors) init_pair(colorPair(c.style), c.foreground, c.background);
}

attr_t attributesOf(Style style) {
    attr_t attributes = A_NORMAL;
    switch (style) {
        case Style::Disabled:
        case Style::Shadow: attributes |= A_DIM; break;
        case Style::Focused:
        case Style::Pressed:
        case Style::Selected:
        case Style::MenuSelected:
            if (!has_colors()) attributes |= A_REVERSE;
            attributes |= A_BOLD;
            break;
        case Style::ButtonDefault:
        case Style::Caption:
        case Style::MenuHot: attributes |= A_BOLD; break;
        case Style::Field:
            if (!has_colors()) attributes |= A_UNDERLINE;
            break;
        default: break;
    }
    return attributes;
}

}  // namespace

// The renderer needs a terminal that can put the cursor anywhere; one that
// cannot is refused before anything is drawn.
bool Terminal::open() {
    const char* name = std::getenv("TERM");
    const std::string which = std::string("this terminal (TERM=") + (name ? name : "") + ")";
    int status = 0;
    if (setupterm(nullptr, STDOUT_FILENO, &status) != OK) {
        failure_ = "Lirvane cannot run in " + which + ": its description is unknown.";
        return false;
    }
    const char* cursorAddress = tigetstr(const_cast<char*>(kCursorAddress));
    const bool addressable = cursorAddress != nullptr && cursorAddress != reinterpret_cast<char*>(-1);
    del_curterm(cur_term);
    if (!addressable) {
        failure_ = "Lirvane cannot run in " + which + ": it cannot move the cursor.";
        return false;
    }
    if (newterm(nullptr, stdout, stdin) == nullptr) {
        failure_ = "Lirvane cannot open " + which + ".";
        return false;
    }
    return true;
}

Terminal::Terminal() : keys_(standardKeys()) {
    installRestorers();
    if (!open()) return;
    cursesActive() = true;
    open_ = true;
    raw();
    interruptKeyRaisesSignal();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(kEscapeDelayMs);
    mousemask(ALL_MOUSE_EVENTS | REPORT_MOUSE_POSITION, nullptr);  // motion too: a thumb is dragged
    mouseinterval(0);
    defineColors();
    addModifiedKeys(keys_);
    addCommonSequences(keys_);
}

Terminal::~Terminal() { restoreTerminal(); }

int Terminal::columns() const { return COLS; }

int Terminal::rows() const { return LINES; }

void Terminal::show(const Canvas& canvas) {
    for (int y = 0; y < canvas.rows() && y < LINES; ++y) {
        for (int x = 0; x < canvas.columns() && x < COLS; ++x) {
            const Cell& cell = canvas.at(x, y);
            if (cell.ch == kWideTail) continue;  // the character before it covers it
            const wchar_t text[3] = {static_cast<wchar_t>(cell.ch), static_cast<wchar_t>(cell.mark), L'\0'};
            cchar_t shown;
            setcchar(&shown, text, attributesOf(cell.style), has_colors() ? colorPair(cell.style) : 0, nullptr);
            mvadd_wch(y, x, &shown);
        }
    }
    const bool cursor = canvas.cursorX >= 0 && canvas.cursorY >= 0;
    curs_set(cursor ? 1 : 0);
    if (cursor) move(canvas.cursorY, canvas.cursorX);
    refresh();
}

void Terminal::invalidate() { clearok(stdscr, TRUE); }

TerminalEvent Terminal::readMouse() {
    MEVENT event;
    TerminalEvent result;
    if (getmouse(&event) != OK) return result;
    result.x = event.x;
    result.y = event.y;
    result.modifiers = ((event.bstate & BUTTON_CTRL) ? kControl : 0) | ((event.bstate & BUTTON_SHIFT) ? kShift : 0);
    if (event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED))
        result.button = TerminalEvent::Button::Left;
    else if (event.bstate & BUTTON1_DOUBLE_CLICKED)
        result.button = TerminalEvent::Button::LeftTwice;
    else if (event.bstate & BUTTON1_RELEASED)
        result.button = TerminalEvent::Button::LeftUp;
    else if (event.bstate & REPORT_MOUSE_POSITION)
        result.button = TerminalEvent::Button::LeftMove;
    else if (event.bstate & BUTTON4_PRESSED)
        result.button = TerminalEvent::Button::WheelUp;
    else if (event.bstate & BUTTON5_PRESSED)
        result.button = TerminalEvent::Button::WheelDown;
    else
        return result;
    result.kind = TerminalEvent::Kind::Mouse;
    return result;
}

TerminalEvent Terminal::read(int timeoutMs) {
    timeout(timeoutMs);
    wint_t code = 0;
    const int kind = get_wch(&code);
    TerminalEvent event;
    if (kind == ERR) return event;
    if (kind == KEY_CODE_YES && code == KEY_RESIZE) {
        event.kind = TerminalEvent::Kind::Resize;
        return event;
    }
    if (kind == KEY_CODE_YES && code == KEY_MOUSE) return readMouse();
    if (kind == OK && code == 27) {
        // Esc, or Alt with the key that follows it at once.
        timeout(0);
        wint_t next = 0;
        if (get_wch(&next) == OK) {
            event.kind = TerminalEvent::Kind::Key;
            event.key = decodeAlt(next);
            return event;
        }
    }
    event.kind = TerminalEvent::Kind::Key;
    event.key = decodeKey(keys_, kind == KEY_CODE_YES, static_cast<char32_t>(code));
    return event;
}

void Terminal::beep() { ::beep(); }

}  // namespace platform::term
