#include "platform/ui/gui/font.h"

#include <fontconfig/fontconfig.h>

#include <memory>

#include "platform/text.h"
#include "platform/ui/gui/codepage.h"

namespace platform::gui {
namespace {

constexpr char kInstalledFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct SurfaceFree {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
struct TextureFree {
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
};
struct PatternFree {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct ConfigFree {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};

// A configuration of its own, released after the look-up: the font file is
// all the program needs of fontconfig.
std::string fontconfigFile(const char* family) {
    const std::unique_ptr<FcConfig, ConfigFree> config(FcInitLoadConfigAndFonts());
    std::unique_ptr<FcPattern, PatternFree> pattern(FcNameParse(reinterpret_cast<const FcChar8*>(family)));
    if (!config || !pattern) return {};
    FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, PatternFree> match(FcFontMatch(config.get(), pattern.get(), &result));
    FcChar8* file = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return {};
    return reinterpret_cast<const char*>(file);
}

bool readable(const std::string& path) {
    SDL_RWops* file = path.empty() ? nullptr : SDL_RWFromFile(path.c_str(), "rb");
    if (file == nullptr) return false;
    SDL_RWclose(file);
    return true;
}

}  // namespace

std::string findFontFile(const char* family) {
    const std::string found = fontconfigFile(family);
    if (readable(found)) return found;
    return readable(kInstalledFont) ? kInstalledFont : std::string();
}

Font::~Font() {
    if (font_ != nullptr) TTF_CloseFont(font_);
}

bool Font::open(const char* family) {
    const std::string file = findFontFile(family);
    if (file.empty()) return false;
    font_ = TTF_OpenFontDPI(file.c_str(), kDialogFontPoints, kScreenDpi, kScreenDpi);
    if (font_ != nullptr) TTF_SetFontHinting(font_, TTF_HINTING_LIGHT);
    return font_ != nullptr;
}

DialogScale Font::scale() const {
    int letters = 0;
    TTF_SizeUTF8(font_, kAverageWidthSample, &letters, nullptr);
    return {averageCharWidth(letters), height()};
}

int Font::height() const { return TTF_FontHeight(font_); }

int Font::width(std::string_view layerText) const {
    int w = 0;
    if (!layerText.empty()) TTF_SizeUTF8(font_, screenText(layerText).c_str(), &w, nullptr);
    return w;
}

std::size_t Font::offsetAt(std::string_view layerText, int x) const {
    for (std::size_t at = 0; at < layerText.size();) {
        const std::size_t next = nextCharacter(layerText, at);
        const int before = width(layerText.substr(0, at));
        const int after = width(layerText.substr(0, next));
        if (x < (before + after) / 2) return at;
        at = next;
    }
    return layerText.size();
}

void Font::draw(SDL_Renderer* renderer, std::string_view layerText, int x, int y, SDL_Color colour) const {
    if (layerText.empty()) return;
    const std::unique_ptr<SDL_Surface, SurfaceFree> surface(
        TTF_RenderUTF8_Blended(font_, screenText(layerText).c_str(), colour));
    if (!surface) return;
    const std::unique_ptr<SDL_Texture, TextureFree> texture(SDL_CreateTextureFromSurface(renderer, surface.get()));
    if (!texture) return;
    const SDL_Rect where{x, y, surface->w, surface->h};
    SDL_RenderCopy(renderer, texture.get(), nullptr, &where);
}

}  // namespace platform::gui
