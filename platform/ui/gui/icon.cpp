#include "platform/ui/gui/icon.h"

#include <cstring>

namespace platform::gui {
namespace {

constexpr Uint32 kTransparent = 0x00000000;
constexpr Uint32 kDark = 0xFF202020;  // ARGB
constexpr Uint32 kAccent = 0xFF1E64C8;
constexpr int kBitsPerPixel = 32;

Uint32 pixelOf(char code) {
    switch (code) {
        case '#': return kDark;
        case '+': return kAccent;
        default: return kTransparent;
    }
}

}  // namespace

SurfacePtr iconSurface(const IconImage& image) {
    SurfacePtr surface(
        SDL_CreateRGBSurfaceWithFormat(0, image.size, image.size, kBitsPerPixel, SDL_PIXELFORMAT_ARGB8888));
    if (!surface) return surface;
    for (int y = 0; y < image.size && y < static_cast<int>(image.rows.size()); ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch);
        const char* codes = image.rows[static_cast<std::size_t>(y)];
        const int length = static_cast<int>(std::strlen(codes));
        for (int x = 0; x < image.size; ++x) row[x] = x < length ? pixelOf(codes[x]) : kTransparent;
    }
    return surface;
}

const IconImage* largestImage(const Module& module, int iconId) {
    const IconTemplate* icon = module.icon(iconId);
    if (icon == nullptr) return nullptr;
    const IconImage* largest = nullptr;
    for (const IconImage& image : icon->images) {
        if (largest == nullptr || image.size > largest->size) largest = &image;
    }
    return largest;
}

}  // namespace platform::gui
