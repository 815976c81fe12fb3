// Text on the desktop: the order and the fonts of the pieces of a line, and
// lines of other scripts drawn from the fonts the system offers for them.
#include <SDL.h>
#include <SDL_ttf.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/gui/font.h"
#include "platform/ui/gui/renderer.h"
#include "platform/ui/gui/textruns.h"
#include "platform/text.h"

namespace platform::gui {
void PrintTo(const FontRun& run, std::ostream* out) {
    *out << "{" << run.font << ", \"" << run.text << "\", " << (run.rightToLeft ? "rtl" : "ltr") << "}";
}
}  // namespace platform::gui

namespace {

using namespace platform::gui;

// Hebrew and ideographs come from fonts 1 and 2 of this chooser; the private
// use characters from none.
int testFontOf(char32_t c) {
    if (c >= 0x0590 && c < 0x0600) return 1;
    if (c >= 0x4E00 && c < 0xA000) return 2;
    if (c >= 0xE000 && c < 0xF900) return kNoFont;
    return 0;
}

struct RunsCase {
    const char* line;
    std::vector<FontRun> runs;
};

TEST(TextRuns, PiecesStandInScreenOrderWithTheirFonts) {
    const RunsCase cases[] = {
        {"Canción Uno", {{0, "Canción Uno", false}}},
        {"ab日本", {{0, "ab", false}, {2, "日本", false}}},
        // Three characters no font has are one mark.
        {"a\uE000\uE001\uE002b", {{0, "a", false}, {kNoFont, "\uFFFD", false}, {0, "b", false}}},
        {"abc אבג def", {{0, "abc ", false}, {1, "אבג", true}, {0, " def", false}}},
        // The blank between two Hebrew words belongs to them; the chooser gives it font 0.
        {"ab אב גד", {{0, "ab ", false}, {1, "גד", true}, {0, " ", true}, {1, "אב", true}}},
        // A line that begins right to left runs from the right; its Latin word keeps its order.
        {"אב cd", {{0, "cd", false}, {0, " ", true}, {1, "אב", true}}},
        // Numbers in right-to-left text read left to right.
        {"x אב 12", {{0, "x ", false}, {0, "12", false}, {0, " ", true}, {1, "אב", true}}},
    };
    for (const RunsCase& c : cases) EXPECT_EQ(visualRuns(c.line, testFontOf), c.runs) << c.line;
}

TEST(TextRuns, ReversedCharactersKeepTheirMarks) {
    EXPECT_EQ(reversedCharacters("אבג"), "גבא");
    EXPECT_EQ(reversedCharacters("ab\u0301c"), "cb\u0301a");  // the accent stays on its letter
}

// SDL_ttf drawing into a software renderer: no display, no video driver.
class Scripts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(TTF_Init(), 0);
        font = std::make_unique<Font>();
        ASSERT_TRUE(font->open(kDialogFontFamily)) << "no font: install fonts-dejavu-core";
    }
    static void TearDownTestSuite() {
        font.reset();
        TTF_Quit();
    }

    // The dark pixels of pieces drawn one after the other from the left of a
    // white canvas, row by row.
    static std::vector<bool> ink(std::initializer_list<std::string> pieces, const Font& with = *font) {
        constexpr int kWidth = 400, kHeight = 24;
        SDL_Surface* canvas = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(canvas);
        SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
        SDL_RenderClear(renderer);
        int x = 2;
        for (const std::string& piece : pieces) {
            with.draw(renderer, piece, x, 2, SDL_Color{0, 0, 0, 255});
            x += with.width(piece);
        }
        SDL_RenderPresent(renderer);
        std::vector<bool> dark;
        const auto* pixels = static_cast<const Uint32*>(canvas->pixels);
        for (int i = 0; i < kWidth * kHeight; ++i) dark.push_back((pixels[i] & 0xFF) < 128);
        SDL_DestroyRenderer(renderer);
        SDL_FreeSurface(canvas);
        return dark;
    }
    static bool anyInk(const std::vector<bool>& dark) {
        return std::find(dark.begin(), dark.end(), true) != dark.end();
    }

    static inline std::unique_ptr<Font> font;
};

TEST_F(Scripts, JapaneseAndArabicTitlesAreDrawnFromFallbackFonts) {
    // DejaVu Serif has neither ideographs nor Arabic letters (DejaVu Sans has
    // Arabic, so it could not show the fallback for it).
    Font serif;
    ASSERT_TRUE(serif.open("DejaVu Serif"));
    const std::vector<bool> mark = ink({"\uFFFD"}, serif);
    for (const std::string title : {"日本語のタイトル", "عنوان عربي"}) {
        for (std::size_t pos = 0; pos < title.size();) {
            const auto c = static_cast<char32_t>(platform::decodeUtf8(title, pos));
            if (c != U' ') {
                EXPECT_GT(serif.fontFor(c), 0) << title << ": U+" << std::hex << static_cast<unsigned>(c);
            }
        }
        const std::vector<bool> drawn = ink({title}, serif);
        EXPECT_TRUE(anyInk(drawn)) << title;
        EXPECT_NE(drawn, mark) << title;
        EXPECT_NE(drawn, ink({"\uFFFD\uFFFD\uFFFD"}, serif)) << title;
    }
    EXPECT_EQ(serif.fontFor(U'日'), serif.fontFor(U'本'));  // one fallback font for the script, opened once
}

TEST_F(Scripts, CharactersNoFontHasShowOneMark) {
    const std::string unknown = "\U0010FFFD\U0010FFFC\U0010FFFB";
    ASSERT_EQ(font->fontFor(U'\U0010FFFD'), kNoFont);
    EXPECT_EQ(font->width(unknown), font->width("\uFFFD"));
    EXPECT_EQ(ink({unknown}), ink({"\uFFFD"}));
    EXPECT_TRUE(anyInk(ink({unknown})));
}

TEST_F(Scripts, RightToLeftTextIsDrawnFromTheRight) {
    // Alef first, then bet: on the screen bet stands left of alef.
    const std::vector<bool> word = ink({"אב"});
    EXPECT_EQ(word, ink({"ב", "א"}));
    EXPECT_NE(word, ink({"א", "ב"}));
}

}  // namespace
