// The dialog font: a Debian TrueType font found through fontconfig, opened
// with SDL_ttf at 8 points on a 96-dot screen, with the texts it draws.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <string>
#include <string_view>

#include "platform/ui/gui/metrics.h"

namespace platform::gui {

inline constexpr int kDialogFontPoints = 8;
inline constexpr int kScreenDpi = 96;

// The file of the font family, or the installed DejaVu Sans; empty when none exists.
std::string findFontFile(const char* family);

class Font {
public:
    Font() = default;
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Opens the font; false when it cannot be found or read.
    bool open(const char* family);
    bool isOpen() const { return font_ != nullptr; }

    DialogScale scale() const;
    int height() const;
    // Widths of layer texts, in pixels.
    int width(std::string_view layerText) const;
    // The character boundary of the text nearest to x pixels from its start.
    std::size_t offsetAt(std::string_view layerText, int x) const;
    // Draws a layer text with its top-left corner at x, y.
    void draw(SDL_Renderer* renderer, std::string_view layerText, int x, int y, SDL_Color colour) const;

private:
    TTF_Font* font_ = nullptr;
};

}  // namespace platform::gui
