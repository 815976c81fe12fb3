// The scripted input source for tests: a sequence of steps, each run when the
// program waits for input (or, for pump steps, when a filtered pump looks for
// input during a long run). A step looks at windows and produces input, so a
// test drives the real dialogs, modal loops and message boxes included,
// without a terminal. A program that waits when no step is left, or steps
// left over at the end, are reported as failures; the modal loops then end.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/input.h"
#include "platform/ui/ui.h"

namespace platform {

class Script : public InputSource {
public:
    using Action = std::function<void()>;
    using FailureHandler = std::function<void(const std::string&)>;

    // Attaches itself as the input source until it is destroyed.
    explicit Script(FailureHandler onFailure);
    ~Script() override;
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    Script& then(std::string name, Action action);
    Script& whilePumping(std::string name, Action action);

    bool wait() override;
    void poll() override;
    bool done() const { return steps_.empty(); }

private:
    struct Step {
        std::string name;
        Action action;
        bool duringPump;
    };
    void fail(const std::string& why);

    std::deque<Step> steps_;
    FailureHandler onFailure_;
    bool failed_ = false;
};

// What steps look at and do.
namespace script {

WindowHandle window(std::string_view caption);  // the topmost visible one
WindowHandle messageBoxWindow();                // the topmost message box shown
std::string caption(WindowHandle window);
std::string text(WindowHandle dialog, int id);
bool checked(WindowHandle dialog, int id);
bool enabled(WindowHandle dialog, int id);
bool focused(WindowHandle dialog, int id);
std::vector<std::string> items(WindowHandle dialog, int id);  // list and combo entries
std::vector<int> selection(WindowHandle dialog, int id);

void click(WindowHandle dialog, int id, unsigned modifiers = 0);
void clickRow(WindowHandle dialog, int id, int row, unsigned modifiers = 0);
void doubleClickRow(WindowHandle dialog, int id, int row);
// Gives the control the focus, empties it and types the text.
void typeInto(WindowHandle dialog, int id, std::string_view text);
void key(Key key, unsigned modifiers = 0);
void close(WindowHandle topLevel);
void menu(WindowHandle topLevel, int command);
void pressOk();                                                    // the OK button of the topmost message box
void drop(WindowHandle topLevel, std::vector<std::string> paths);  // files dragged from elsewhere

}  // namespace script
}  // namespace platform
