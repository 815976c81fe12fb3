// The dialog font: a Debian TrueType font found through fontconfig, opened
// with SDL_ttf at 8 points at the screen's resolution (96 dots per inch, or
// more on a large screen), with the texts it draws. What it lacks comes from
// the fonts fontconfig offers for each character.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/ui/gui/fallback.h"
#include "platform/ui/gui/metrics.h"
#include "platform/ui/gui/textruns.h"

namespace platform::gui {

inline constexpr int kDialogFontPoints = 8;

// The file of the font family, or the installed DejaVu Sans; empty when none exists.
std::string findFontFile(const char* family);

class Font {
public:
    Font() = default;
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Opens the font for a screen of `dpi` dots per inch; false when it cannot be found or read.
    bool open(const char* family, int dpi = kScreenDpi);
    bool isOpen() const { return font_ != nullptr; }

    DialogScale scale() const { return scale_; }
    int dpi() const { return scale_.dpi; }
    int height() const;
    // Widths of layer texts, in pixels.
    int width(std::string_view layerText) const;
    // The character boundary of the text nearest to x pixels from its start.
    std::size_t offsetAt(std::string_view layerText, int x) const;
    // Draws a layer text with its top-left corner at x, y.
    void draw(SDL_Renderer* renderer, std::string_view layerText, int x, int y, SDL_Color colour) const;

    // The font a character is drawn in: 0 for the dialog font, a fallback
    // font's number above it, or kNoFont when the replacement mark stands for it.
    int fontFor(char32_t c) const;

private:
    TTF_Font* face(int font) const;
    std::vector<FontRun> runsOf(std::string_view layerText) const;
    // Measures or draws a run: `use` gets the face and the text as SDL_ttf takes it.
    template <typename Use>
    auto withRun(const FontRun& run, Use use) const;

    TTF_Font* font_ = nullptr;
    std::unique_ptr<FallbackFonts> fallback_;  // its caches grow as texts are drawn
    bool marksDrawn_ = false;                  // whether the dialog font has the replacement mark
    DialogScale scale_;
};

}  // namespace platform::gui
