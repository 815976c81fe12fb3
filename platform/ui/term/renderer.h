// The interactive front end: shows the window layer's desktop on the terminal
// and turns the terminal's keys and mouse into the layer's input.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "platform/ui/input.h"
#include "platform/ui/term/painter.h"
#include "platform/ui/term/terminal.h"

namespace platform::term {

inline constexpr char kHelpLine[] =
    " Tab:move Spc:press Esc:cancel F10:menu F6:window ^W:close F2:any ^Spc:pick";

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
    void updatePlacements(const Scale& scale);
    void handle(const TerminalEvent& event);
    void handleKey(const KeyAction& key);
    void handleMenuKey(const KeyAction& key);
    void handleMouse(const TerminalEvent& event);
    void cycleWindows(bool forward);

    Terminal& terminal_;
    std::vector<Placement> placements_;
    std::vector<Hit> hits_;
    MenuState menu_;
    std::chrono::steady_clock::time_point lastDraw_{};
    int idleReads_ = 0;
};

// Runs the program with the terminal as its input source; the terminal is
// restored whatever happens. Returns the program's result, or 1 when there
// is no terminal to run in.
int runInTerminal(const std::function<int()>& program);

}  // namespace platform::term
