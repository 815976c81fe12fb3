// What the window system calls an SDL window, kept apart: its headers define
// names (None, Window) that clash with the program's.
#pragma once

#include <SDL.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform::gui {

// "x11:" and the window's number in hex, as desktop services take a parent
// window; empty on other window systems.
std::string systemWindowName(SDL_Window* window);

// The desktop's double-click time in milliseconds, from the settings its
// settings manager publishes on the display (XSETTINGS); none without one.
std::optional<int> desktopDoubleClickTime();

// An integer setting of an XSETTINGS block, as the manager publishes it.
std::optional<int> xsettingsInteger(std::span<const unsigned char> block, std::string_view name);

}  // namespace platform::gui
