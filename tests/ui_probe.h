// Test support for the window layer: a dialog procedure that records the
// commands it gets, small dialog templates, message pumps for modeless
// dialogs, and a fixture that starts every test on an empty desktop.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/ui/msgbox.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"

namespace ui_testing {

using namespace platform;

inline void reportFailure(const std::string& why) { ADD_FAILURE() << why; }

struct Command {
    int id;
    unsigned code;
    LParam control;
};

// What a test dialog does: it records its commands, runs the test's hook, and
// ends itself (with the command as its result) on the commands in endsOn.
struct Probe {
    std::vector<Command> commands;
    std::function<void(WindowHandle dialog, int id)> onCommand;
    std::set<int> endsOn = {IDOK, IDCANCEL};
    WindowHandle window;

    std::vector<int> ids() const {
        std::vector<int> result;
        for (const Command& command : commands) result.push_back(command.id);
        return result;
    }
    int count(int id, unsigned code) const {
        int n = 0;
        for (const Command& command : commands) n += command.id == id && command.code == code;
        return n;
    }
};

inline std::intptr_t probeProc(WindowHandle dialog, unsigned message, WParam wParam, LParam lParam) {
    if (message == WM_INITDIALOG) {
        setDialogData(dialog, lParam);
        reinterpret_cast<Probe*>(lParam)->window = dialog;
        return kHandled;
    }
    auto* probe = reinterpret_cast<Probe*>(dialogData(dialog));
    if (probe == nullptr || message != WM_COMMAND) return kNotHandled;
    const int id = static_cast<int>(loWord(wParam));
    probe->commands.push_back({id, hiWord(wParam), lParam});
    if (probe->onCommand) probe->onCommand(dialog, id);
    if (probe->endsOn.contains(id)) endDialog(dialog, id);
    return kHandled;
}

inline DialogTemplate dialogTemplate(const char* caption, std::span<const ControlTemplate> controls) {
    return {0, caption, 0, 0, 200, 120, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 8, controls};
}

inline std::intptr_t runDialog(const DialogTemplate& dialog, Probe& probe, WindowHandle owner = {}) {
    return dialogBoxIndirect(dialog, owner, probeProc, reinterpret_cast<LParam>(&probe));
}

inline constexpr int kOpen = 10;
inline constexpr int kOther = 11;
inline constexpr int kCount = 12;

// Plain push buttons, none of them the default one.
inline constexpr ControlTemplate kButtonControls[] = {
    {WindowClass::Button, kOpen, 5, 5, 50, 14, "Open", BS_PUSHBUTTON | WS_TABSTOP},
    {WindowClass::Button, kOther, 5, 25, 50, 14, "Other", BS_PUSHBUTTON | WS_TABSTOP},
    {WindowClass::Button, kCount, 5, 45, 50, 14, "Count", BS_PUSHBUTTON | WS_TABSTOP},
    {WindowClass::Button, IDOK, 5, 65, 50, 14, "OK", BS_PUSHBUTTON | WS_TABSTOP},
    {WindowClass::Button, IDCANCEL, 5, 85, 50, 14, "Cancel", BS_PUSHBUTTON | WS_TABSTOP},
};

// Hands out the queued input as a dialog's message loop does.
inline void deliver() {
    Msg msg;
    while (peekMessage(msg, {})) {
        if (!isDialogMessage(topLevelOf(msg.window), msg)) dispatchMessage(msg);
    }
}

// The filtered pump a long operation runs for its progress window.
inline void pumpOnly(WindowHandle window) {
    Msg msg;
    while (peekMessage(msg, window)) {
        if (!isDialogMessage(window, msg)) {
            translateMessage(msg);
            dispatchMessage(msg);
        }
    }
}

// A modeless dialog, shown at once, for the tests of single controls: input
// goes in with the input functions and reaches it through deliver().
class Modeless {
    DialogTemplate dialog_;
    Module module_;

public:
    explicit Modeless(std::span<const ControlTemplate> controls, const char* caption = "Controls")
        : dialog_{1, caption, 0, 0, 200, 200, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 8, controls},
          module_{std::span(&dialog_, 1), {}, {}},
          window(createDialogParam(module_, 1, {}, probeProc, reinterpret_cast<LParam>(&probe))) {}
    Modeless(const Modeless&) = delete;
    Modeless& operator=(const Modeless&) = delete;

    WindowHandle item(int id) const { return getDlgItem(window, id); }

    Probe probe;
    WindowHandle window;
};

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetDesktop();
        clearShownMessageBoxes();
    }
    void TearDown() override { resetDesktop(); }
};

}  // namespace ui_testing
