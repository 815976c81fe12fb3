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

// What the desktop tells its programs on the display: the settings its
// settings manager publishes (XSETTINGS) and the resource database. Each is
// none where it is not set.
struct DesktopSettings {
    std::optional<int> doubleClickTime;  // milliseconds
    std::optional<int> settingsDpi;      // 1024ths of a dot per inch
    std::optional<int> windowScale;      // a whole factor
    std::string resources;               // the resource database, as text
};
DesktopSettings readDesktopSettings();

// An integer setting of an XSETTINGS block, as the manager publishes it.
std::optional<int> xsettingsInteger(std::span<const unsigned char> block, std::string_view name);

}  // namespace platform::gui
