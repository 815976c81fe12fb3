// The fonts that draw what the dialog font lacks: for each character the
// font fontconfig offers for it, looked up once and opened once.
#pragma once

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::gui {

class FallbackFonts {
public:
    // Fonts are opened at the dialog font's size.
    FallbackFonts(int points, unsigned dpi);

    // The number of the font that has the character (from 0), or kNoFont.
    int fontFor(char32_t c);
    TTF_Font* face(int number) const { return faces_[static_cast<std::size_t>(number)].font.get(); }

private:
    struct CloseFont {
        void operator()(TTF_Font* font) const { TTF_CloseFont(font); }
    };
    struct DestroyConfig {
        void operator()(FcConfig* config) const { FcConfigDestroy(config); }
    };
    struct FaceName {
        std::string file;
        long index = 0;  // in a font collection
        bool operator==(const FaceName&) const = default;
    };
    struct Face {
        FaceName name;
        std::unique_ptr<TTF_Font, CloseFont> font;  // null when the file cannot be read
    };
    FaceName faceFor(char32_t c);
    int faceOf(const FaceName& name);

    int points_;
    unsigned dpi_;
    std::unique_ptr<FcConfig, DestroyConfig> config_;  // loaded at the first character looked up
    std::unordered_map<char32_t, int> chosen_;
    std::vector<Face> faces_;
};

}  // namespace platform::gui
