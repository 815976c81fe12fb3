#include "platform/ui/gui/fallback.h"

#include "platform/ui/gui/textruns.h"

namespace platform::gui {
namespace {

constexpr char kFallbackFamily[] = "sans-serif";

struct PatternFree {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct CharSetFree {
    void operator()(FcCharSet* set) const { FcCharSetDestroy(set); }
};
using Pattern = std::unique_ptr<FcPattern, PatternFree>;

}  // namespace

FallbackFonts::FallbackFonts(int points, unsigned dpi) : points_(points), dpi_(dpi) {}

int FallbackFonts::fontFor(char32_t c) {
    if (const auto known = chosen_.find(c); known != chosen_.end()) return known->second;
    const FaceName name = faceFor(c);
    int number = name.file.empty() ? kNoFont : faceOf(name);
    if (number != kNoFont && !TTF_GlyphIsProvided32(face(number), c)) number = kNoFont;
    chosen_.emplace(c, number);
    return number;
}

// The best sans-serif face whose characters include c; no file when none has it.
FallbackFonts::FaceName FallbackFonts::faceFor(char32_t c) {
    if (!config_) config_.reset(FcInitLoadConfigAndFonts());
    const std::unique_ptr<FcCharSet, CharSetFree> wanted(FcCharSetCreate());
    const Pattern pattern(FcNameParse(reinterpret_cast<const FcChar8*>(kFallbackFamily)));
    if (!config_ || !wanted || !pattern || !FcCharSetAddChar(wanted.get(), c)) return {};
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, wanted.get());
    FcConfigSubstitute(config_.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(config_.get(), pattern.get(), &result));
    FcCharSet* has = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (!match || FcPatternGetCharSet(match.get(), FC_CHARSET, 0, &has) != FcResultMatch || !FcCharSetHasChar(has, c) ||
        FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) {
        return {};
    }
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);  // a collection's face; 0 when none is named
    return {reinterpret_cast<const char*>(file), index};
}

int FallbackFonts::faceOf(const FaceName& name) {
    for (std::size_t i = 0; i < faces_.size(); ++i) {
        if (faces_[i].name == name) return faces_[i].font ? static_cast<int>(i) : kNoFont;
    }
    TTF_Font* font = TTF_OpenFontIndexDPI(name.file.c_str(), points_, name.index, dpi_, dpi_);
    if (font != nullptr) TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
    faces_.push_back({name, std::unique_ptr<TTF_Font, CloseFont>(font)});
    return font ? static_cast<int>(faces_.size() - 1) : kNoFont;
}

}  // namespace platform::gui
