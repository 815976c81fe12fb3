#include "platform/ui/gui/syswindow.h"

#include <SDL_syswm.h>

#include <cstdio>

namespace platform::gui {
namespace {

constexpr std::size_t kNameSize = 32;

}  // namespace

std::string systemWindowName(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
    char name[kNameSize];
    std::snprintf(name, sizeof name, "x11:%lx", static_cast<unsigned long>(info.info.x11.window));
    return name;
}

}  // namespace platform::gui
