// What the window system calls an SDL window, kept apart: its headers define
// names (None, Window) that clash with the program's.
#pragma once

#include <SDL.h>

#include <string>

namespace platform::gui {

// "x11:" and the window's number in hex, as desktop services take a parent
// window; empty on other window systems.
std::string systemWindowName(SDL_Window* window);

}  // namespace platform::gui
