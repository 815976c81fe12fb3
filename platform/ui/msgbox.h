// Modal message boxes with a single OK button. Every box shown is recorded, so
// tests can check what the user was told. With an input source attached the box
// is a modal dialog that disables its owner; without one it does not wait: it
// is written to standard error and answered with OK.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/ui/handle.h"

namespace platform {

inline constexpr int kIdOk = 1;

struct ShownMessageBox {
    WindowHandle owner;
    std::string text;
    std::string title;
};

int messageBox(WindowHandle owner, std::string_view text, std::string_view title);

// Whether a window is a message box that is being shown.
bool isMessageBox(WindowHandle window);

std::span<const ShownMessageBox> shownMessageBoxes();
void clearShownMessageBoxes();

}  // namespace platform
