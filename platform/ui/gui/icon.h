// Icons of the resources as pixel images for the window system.
#pragma once

#include <SDL.h>

#include <memory>

#include "platform/ui/resource.h"

namespace platform::gui {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// The image's pixels in RGBA: '.' transparent, '#' dark, '+' the accent colour.
SurfacePtr iconSurface(const IconImage& image);

// The largest image of an icon, or null when the module lacks the icon.
const IconImage* largestImage(const Module& module, int iconId);

}  // namespace platform::gui
