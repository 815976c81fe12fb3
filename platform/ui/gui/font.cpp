#include "platform/ui/gui/font.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <memory>

#include "platform/text.h"
#include "platform/ui/gui/codepage.h"

namespace platform::gui {
namespace {

constexpr char kInstalledFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr char kMarkStandIn[] = "?";                // for a dialog font without the replacement mark
constexpr char kHighBit = static_cast<char>(0x80);  // set in every byte of a character beyond ASCII
constexpr char kNoScript[] = "Zzzz";
constexpr char kHebrewScript[] = "Hebr";
constexpr char kArabicScript[] = "Arab";
constexpr std::int32_t kHebrewFirst = 0x0590;
constexpr std::int32_t kArabicFirst = 0x0600;
constexpr std::int32_t kRightToLeftEnd = 0x0900;
constexpr std::int32_t kHebrewPresentationFirst = 0xFB1D;
constexpr std::int32_t kHebrewPresentationLast = 0xFB50;

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

// The script HarfBuzz shapes a right-to-left run in: Hebrew when its first
// letter is, else Arabic.
const char* scriptOf(std::string_view utf8) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::int32_t c = decodeUtf8(utf8, pos);
        if (c >= kHebrewFirst && c < kArabicFirst) return kHebrewScript;
        if ((c >= kArabicFirst && c < kRightToLeftEnd) || c >= kHebrewPresentationLast) return kArabicScript;
        if (c >= kHebrewPresentationFirst) return kHebrewScript;
    }
    return kArabicScript;
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

bool Font::open(const char* family, int dpi) {
    const std::string file = findFontFile(family);
    if (file.empty()) return false;
    font_ = TTF_OpenFontDPI(file.c_str(), kDialogFontPoints, kScreenDpi, kScreenDpi);
    if (font_ == nullptr) return false;
    TTF_SetFontHinting(font_, TTF_HINTING_LIGHT);
    // Dialog units follow the font at 96 dots per inch, times the scale, so
    // that a larger screen shows the same window larger; the text is drawn
    // by the font at the screen's own size.
    int letters = 0;
    TTF_SizeUTF8(font_, kAverageWidthSample, &letters, nullptr);
    scale_ = {scaledPixels(averageCharWidth(letters), dpi), scaledPixels(TTF_FontHeight(font_), dpi), dpi};
    const auto resolution = static_cast<unsigned>(dpi);
    if (dpi != kScreenDpi && TTF_SetFontSizeDPI(font_, kDialogFontPoints, resolution, resolution) != 0) return false;
    fallback_ = std::make_unique<FallbackFonts>(kDialogFontPoints, resolution);
    marksDrawn_ = TTF_GlyphIsProvided32(font_, kReplacementMark) != 0;
    return true;
}

int Font::fontFor(char32_t c) const {
    // Controls and blanks stay with the dialog font, as they always did.
    if (c < U' ' || TTF_GlyphIsProvided32(font_, c)) return 0;
    const int fallback = fallback_->fontFor(c);
    return fallback == kNoFont ? kNoFont : fallback + 1;
}

TTF_Font* Font::face(int font) const { return font <= 0 ? font_ : fallback_->face(font - 1); }

// Plain ASCII, most of what is drawn, is one run of the dialog font.
std::vector<FontRun> Font::runsOf(std::string_view layerText) const {
    const bool ascii = std::all_of(layerText.begin(), layerText.end(), [](char c) { return (c & kHighBit) == 0; });
    if (ascii)
        return layerText.empty() ? std::vector<FontRun>{} : std::vector<FontRun>{{0, std::string(layerText), false}};
    return visualRuns(screenText(layerText), [this](char32_t c) { return fontFor(c); });
}

// A right-to-left run is shaped where SDL_ttf has HarfBuzz, else its
// characters are reversed; the face is left as it was found.
template <typename Use>
auto Font::withRun(const FontRun& run, Use use) const {
    TTF_Font* runFace = face(run.font);
    if (run.font == kNoFont) return use(runFace, std::string(marksDrawn_ ? run.text : kMarkStandIn));
    if (!run.rightToLeft) return use(runFace, run.text);
    if (TTF_SetFontDirection(runFace, TTF_DIRECTION_RTL) != 0) return use(runFace, reversedCharacters(run.text));
    TTF_SetFontScriptName(runFace, scriptOf(run.text));
    const auto result = use(runFace, run.text);
    TTF_SetFontDirection(runFace, TTF_DIRECTION_LTR);
    TTF_SetFontScriptName(runFace, kNoScript);
    return result;
}

int Font::height() const { return TTF_FontHeight(font_); }

int Font::width(std::string_view layerText) const {
    int total = 0;
    for (const FontRun& run : runsOf(layerText)) {
        total += withRun(run, [](TTF_Font* runFace, const std::string& text) {
            int w = 0;
            TTF_SizeUTF8(runFace, text.c_str(), &w, nullptr);
            return w;
        });
    }
    return total;
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

// Each run stands on the dialog font's baseline.
void Font::draw(SDL_Renderer* renderer, std::string_view layerText, int x, int y, SDL_Color colour) const {
    const int baseline = y + TTF_FontAscent(font_);
    for (const FontRun& run : runsOf(layerText)) {
        x += withRun(run, [&](TTF_Font* runFace, const std::string& text) {
            const std::unique_ptr<SDL_Surface, SurfaceFree> surface(
                TTF_RenderUTF8_Blended(runFace, text.c_str(), colour));
            if (!surface) return 0;
            const std::unique_ptr<SDL_Texture, TextureFree> texture(
                SDL_CreateTextureFromSurface(renderer, surface.get()));
            const SDL_Rect where{x, baseline - TTF_FontAscent(runFace), surface->w, surface->h};
            if (texture) SDL_RenderCopy(renderer, texture.get(), nullptr, &where);
            int advance = 0;
            TTF_SizeUTF8(runFace, text.c_str(), &advance, nullptr);
            return advance;
        });
    }
}

}  // namespace platform::gui
