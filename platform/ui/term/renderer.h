// The interactive front end: shows the window layer's desktop on the terminal
// and turns the terminal's keys and mouse into the layer's input.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/input.h"
#include "platform/ui/term/painter.h"
#include "platform/ui/term/terminal.h"

namespace platform::term {

// The keys of the terminal, as README.md lists them; F1 shows them.
inline constexpr char kKeyTable[] =
    "F1: this table of keys\n"
    "Tab, Shift+Tab: next, previous field (tab stops)\n"
    "F2, Shift+F2: next, previous control of any kind\n"
    "Space: press a button, toggle a check box, pick a list entry\n"
    "Ctrl+Space: add a list entry to the choice, or take it out\n"
    "Shift+Up/Down/Home/End: extend the choice in a list\n"
    "Ctrl+Up/Down: move in a list without changing the choice\n"
    "Up, Down, PgUp, PgDn, Home, End: move in lists\n"
    "Left, Right: move in a text field; scroll a list sideways\n"
    "Shift+Left/Right/Home/End: select in a text field\n"
    "Enter: OK; in a file dialog's list: open the folder\n"
    "Esc: Cancel; close a drop-down list or the menu\n"
    "F4, Alt+Down: open or close a drop-down list\n"
    "F10: the menu bar; arrows, Enter or the underlined letter\n"
    "Alt+letter: the menu of that letter; again: the next one\n"
    "F6, Shift+F6: the next, previous window\n"
    "Ctrl+W: the window's close box (main window: quit)\n"
    "Ctrl+C: quit the program\n"
    "Ctrl+L: repaint the whole screen from scratch";

class Renderer : public InputSource {
public:
    explicit Renderer(Terminal& terminal);
    ~Renderer() override;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    bool wait() override;
    void poll() override;

private:
    void draw();
    std::string helpLine(int columns) const;
    void updatePlacements(const Scale& scale);
    void handle(const TerminalEvent& event);
    void handleKey(const KeyAction& key);
    void handleMenuKey(const KeyAction& key);
    void handleMouse(const TerminalEvent& event);
    bool isDoubleClick(const Hit& hit);
    void dragThumb(const TerminalEvent& event);
    void cycleWindows(bool forward);

    Terminal& terminal_;
    std::vector<Placement> placements_;  // in the order the windows appeared
    int placedColumns_ = 0;              // the terminal size they were placed for
    int placedRows_ = 0;
    std::vector<Hit> hits_;
    MenuState menu_;
    struct LastClick {
        Press press = Press::Control;
        WindowHandle window;
        int index = -1;
        std::chrono::steady_clock::time_point time{};
    } lastClick_;
    struct ThumbDrag {
        bool held = false;
        Hit thumb;
        int grab = 0;  // cells into the thumb where it was taken
    } drag_;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::chrono::steady_clock::time_point lastRead_{};  // by poll
    int idleReads_ = 0;
};

// Runs the program with the terminal as its input source; the terminal is
// restored whatever happens. Returns the program's result, or 1 when there
// is no terminal to run in.
int runInTerminal(const std::function<int()>& program);

}  // namespace platform::term
