// The desktop front end on SDL's offscreen video driver, without a display
// server: what the painter puts where, and what mouse and key events do to
// the layer's windows.
#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>

#include "platform/ui/gui/codepage.h"
#include "platform/ui/gui/renderer.h"
#include "platform/ui/gui/syswindow.h"
#include "platform/ui/script.h"
#include "res/resources.h"
#include "ui_probe.h"

namespace {

using namespace ui_testing;
using namespace platform::gui;

constexpr int kSave = 701;
constexpr int kTick = 702;
constexpr int kOff = 703;
constexpr int kOn = 704;
constexpr int kName = 705;
constexpr int kFiles = 706;
constexpr int kGenre = 707;
constexpr int kBar = 708;
constexpr int kNotes = 709;
constexpr int kListRows = 6;  // shown; a bordered list gives a row's height to its borders
constexpr ControlTemplate kControls[] = {
    {WindowClass::Button, kSave, 5, 5, 50, 14, "Guardar", BS_DEFPUSHBUTTON | WS_TABSTOP},
    {WindowClass::Button, kTick, 5, 24, 60, 10, "Marca", BS_AUTOCHECKBOX | WS_TABSTOP},
    {WindowClass::Button, kOff, 5, 36, 60, 10, "Apagado", BS_AUTOCHECKBOX | WS_TABSTOP | WS_DISABLED},
    {WindowClass::Button, kOn, 70, 24, 60, 10, "Radio", BS_RADIOBUTTON},
    {WindowClass::Edit, kName, 5, 50, 90, 12, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
    {WindowClass::ListBox, kFiles, 5, 66, 120, (kListRows + 2) * kUnitsPerRow, "",
     LBS_EXTENDEDSEL | LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
    {WindowClass::ComboBox, kGenre, 130, 5, 60, 40, "", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP},
    {WindowClass::Progress, kBar, 130, 50, 60, 10, "", WS_BORDER},
    {WindowClass::Edit, kNotes, 130, 66, 60, 40, "", ES_MULTILINE | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
};

// SDL on the offscreen driver and the dialog font, once for the whole run.
class DesktopEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        chooseVideoHints();
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_EQ(TTF_Init(), 0);
        font = std::make_unique<Font>();
        ASSERT_TRUE(font->open(kDialogFontFamily)) << "no font: install fonts-dejavu-core";
    }
    void TearDown() override {
        font.reset();
        TTF_Quit();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    static inline std::unique_ptr<Font> font;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

class Gui : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        renderer = std::make_unique<Renderer>(*DesktopEnvironment::font);
        scale = DesktopEnvironment::font->scale();
    }
    void TearDown() override {
        renderer.reset();
        UiTest::TearDown();
    }

    // The pixels of a control of a window without a menu bar.
    Rect pixels(WindowHandle control) const { return scale.pixels(windowOf(control)->rect); }
    static int middleX(const Rect& r) { return (r.left + r.right) / 2; }
    static int middleY(const Rect& r) { return (r.top + r.bottom) / 2; }

    SDL_Color pixel(WindowHandle top, int x, int y) const {
        Uint32 value = 0;
        const SDL_Rect one{x, y, 1, 1};
        SDL_RenderReadPixels(renderer->sdlRenderer(top), &one, SDL_PIXELFORMAT_ARGB8888, &value, sizeof value);
        return {static_cast<Uint8>(value >> 16), static_cast<Uint8>(value >> 8), static_cast<Uint8>(value), 255};
    }
    static bool isDark(SDL_Color c) { return c.r < 64 && c.g < 64 && c.b < 64; }
    static bool isWhite(SDL_Color c) { return c.r == 255 && c.g == 255 && c.b == 255; }
    // Whether any pixel of the area is dark (black text or marks).
    bool anyDark(WindowHandle top, const Rect& area) const {
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (isDark(pixel(top, x, y))) return true;
            }
        }
        return false;
    }

    void send(SDL_Event event) {
        renderer->handle(event);
        deliver();
        renderer->refresh();
    }
    Uint32 idOf(WindowHandle top) const { return SDL_GetWindowID(renderer->sdlWindow(top)); }
    void click(WindowHandle top, int x, int y, Uint16 modifiers = KMOD_NONE, Uint8 clicks = 1) {
        SDL_SetModState(static_cast<SDL_Keymod>(modifiers));
        SDL_Event event{};
        event.button = {SDL_MOUSEBUTTONDOWN, 0, idOf(top), 0, SDL_BUTTON_LEFT, SDL_PRESSED, clicks, 0, x, y};
        send(event);
        event.button.type = SDL_MOUSEBUTTONUP;
        send(event);
        SDL_SetModState(KMOD_NONE);
    }
    void drag(WindowHandle top, int fromX, int fromY, int toX, int toY) {
        SDL_Event event{};
        event.button = {SDL_MOUSEBUTTONDOWN, 0, idOf(top), 0, SDL_BUTTON_LEFT, SDL_PRESSED, 1, 0, fromX, fromY};
        send(event);
        event.motion = {SDL_MOUSEMOTION, 0, idOf(top), 0, SDL_BUTTON_LMASK, toX, toY, toX - fromX, toY - fromY};
        send(event);
        event.button = {SDL_MOUSEBUTTONUP, 0, idOf(top), 0, SDL_BUTTON_LEFT, SDL_RELEASED, 1, 0, toX, toY};
        send(event);
    }
    void key(WindowHandle top, SDL_Keycode sym, Uint16 modifiers = KMOD_NONE) {
        SDL_Event event{};
        event.key.type = SDL_KEYDOWN;
        event.key.windowID = idOf(top);
        event.key.keysym.sym = sym;
        event.key.keysym.mod = modifiers;
        send(event);
    }
    void type(WindowHandle top, const char* utf8) {
        SDL_Event event{};
        event.text.type = SDL_TEXTINPUT;
        event.text.windowID = idOf(top);
        SDL_strlcpy(event.text.text, utf8, sizeof event.text.text);
        send(event);
    }
    std::vector<const Hit*> hitsOf(WindowHandle top, Press press, WindowHandle of = {}) const {
        std::vector<const Hit*> found;
        for (const Hit& hit : *renderer->hits(top)) {
            if (hit.what.press == press && (!of || hit.what.window == of)) found.push_back(&hit);
        }
        return found;
    }
    // The pixels of a scroll bar's part, for its SB_ code.
    Rect barPart(WindowHandle top, unsigned code) const {
        for (const Hit& hit : *renderer->hits(top)) {
            const bool bar = hit.what.press == Press::Scroll || hit.what.press == Press::Thumb;
            if (bar && hit.what.index == static_cast<int>(code)) return hit.area;
        }
        return {};
    }

    std::unique_ptr<Renderer> renderer;
    DialogScale scale;
};

// A modeless dialog of the controls above, on the screen.
class GuiControls : public Gui {
protected:
    void SetUp() override {
        Gui::SetUp();
        dialog = std::make_unique<Modeless>(kControls);
        renderer->refresh();
    }
    void TearDown() override {
        dialog.reset();
        Gui::TearDown();
    }
    WindowHandle top() const { return dialog->window; }
    WindowHandle item(int id) const { return dialog->item(id); }
    void fillList(int count) {
        for (int i = 0; i < count; ++i) listAddString(item(kFiles), "pista " + std::to_string(i));
        renderer->refresh();
    }
    std::unique_ptr<Modeless> dialog;
};

// --- Pieces ------------------------------------------------------------------

TEST(GuiPieces, DialogUnitsScaleByTheAverageWidthAndTheHeight) {
    const DialogScale s{7, 13};
    EXPECT_EQ(s.x(320), 560);
    EXPECT_EQ(s.y(319), 518);
    EXPECT_EQ(s.unitsX(560), 320);
    EXPECT_EQ((s.pixels({4, 8, 8, 16}).left), 7);
    EXPECT_EQ((s.pixels({4, 8, 8, 16}).bottom), 26);
    // 52 letters 364 pixels wide: 7 on average, rounded as the desktop rounds.
    EXPECT_EQ(averageCharWidth(364), 7);
    EXPECT_EQ(averageCharWidth(350), 7);
    EXPECT_EQ(averageCharWidth(337), 6);
}

struct DpiCase {
    ResolutionSources sources;
    int dpi;
};

TEST(GuiPieces, TheDialogsResolutionComesFromTheOverrideElseTheLargestTheDesktopTells) {
    constexpr std::nullopt_t no = std::nullopt;
    // LIRVANE_SCALE, Xft.dpi, the desktop's DPI setting, GDK_SCALE, the desktop's scale.
    const DpiCase cases[] = {
        {{"", no, no, "", no}, 96},          {{"", 192, no, "", no}, 192},
        {{"", 72, no, "", no}, 96},  // never smaller than the template
        {{"", no, 144 * 1024, "", no}, 144}, {{"", no, no, "2", no}, 192},
        {{"", no, no, "", 3}, 288},          {{"", 192, no, "2", no}, 192},  // one scale, told twice, is not doubled
        {{"1.5", 192, no, "", no}, 144},     {{"1", no, no, "2", no}, 96},
        {{"twice", 120, no, "", no}, 120},  // an override that is no factor counts for nothing
        {{"20", no, no, "", no}, 96},        {{"", no, no, "0", no}, 96},
    };
    for (const DpiCase& c : cases) {
        EXPECT_EQ(dialogDpi(c.sources), c.dpi) << c.sources.override << " " << c.sources.resourceDpi.value_or(0);
    }
    EXPECT_EQ(resourceInteger("Xft.antialias:\t1\nXft.dpi:\t192\n", "Xft.dpi"), 192);
    EXPECT_EQ(resourceInteger("Xft.dpi:\t144.5", "Xft.dpi"), 144);
    EXPECT_EQ(resourceInteger("Xft.dpix:\t192\n", "Xft.dpi"), std::nullopt);
}

// At twice the resolution the font is opened twice as large, so dialog units
// are twice as many pixels and text is drawn at its own size, not enlarged.
TEST(GuiPieces, AtTwiceTheResolutionTheFontAndTheUnitsAreTwiceAsLarge) {
    Font large;
    ASSERT_TRUE(large.open(kDialogFontFamily, 2 * kScreenDpi));
    const DialogScale one = DesktopEnvironment::font->scale();
    const DialogScale two = large.scale();
    EXPECT_EQ(two.x(320), 2 * one.x(320));
    EXPECT_EQ(two.y(319), 2 * one.y(319));
    EXPECT_NEAR(large.height(), 2 * DesktopEnvironment::font->height(), 2);
    EXPECT_NEAR(large.width("Comentario:"), 2 * DesktopEnvironment::font->width("Comentario:"), 4);
    EXPECT_EQ(two.px(kBorder), 2 * kBorder);
    EXPECT_EQ(menuBarHeight(large), large.height() + 2 * (menuBarHeight(*DesktopEnvironment::font) - one.height));
}

// An XSETTINGS block as a settings manager publishes it: a string, a colour
// and the integer looked for, in either byte order.
TEST(GuiPieces, TheDoubleClickTimeIsReadFromTheDesktopsSettings) {
    const auto block = [](bool bigEndian) {
        std::vector<unsigned char> bytes = {static_cast<unsigned char>(bigEndian), 0, 0, 0};
        const auto number = [&](std::uint32_t value, int size) {
            for (int i = 0; i < size; ++i) {
                const int shift = 8 * (bigEndian ? size - 1 - i : i);
                bytes.push_back(static_cast<unsigned char>(value >> shift));
            }
        };
        const auto setting = [&](unsigned char type, std::string name) {
            bytes.insert(bytes.end(), {type, 0});
            number(static_cast<std::uint32_t>(name.size()), 2);
            name.resize((name.size() + 3) / 4 * 4, '\0');
            bytes.insert(bytes.end(), name.begin(), name.end());
            number(7, 4);  // the serial of its last change
        };
        number(1, 4);
        number(3, 4);
        setting(1, "Net/ThemeName");
        number(5, 4);
        bytes.insert(bytes.end(), {'C', 'l', 'e', 'a', 'r', 0, 0, 0});
        setting(2, "Gtk/Colour");
        bytes.insert(bytes.end(), 8, 0xFF);
        setting(0, "Net/DoubleClickTime");
        number(250, 4);
        return bytes;
    };
    for (const bool bigEndian : {false, true}) {
        const std::vector<unsigned char> bytes = block(bigEndian);
        EXPECT_EQ(xsettingsInteger(bytes, "Net/DoubleClickTime"), 250) << bigEndian;
        EXPECT_EQ(xsettingsInteger(bytes, "Net/DndDragThreshold"), std::nullopt);
        // A block cut short ends the reading, not the program.
        EXPECT_EQ(xsettingsInteger(std::span(bytes).first(bytes.size() - 6), "Net/DoubleClickTime"), std::nullopt);
    }
}

TEST(GuiPieces, ADisplayNobodySeesRunsNothingSoTheTerminalTakesOver) {
    // The offscreen driver these tests use is what SDL falls back on when the
    // named display cannot be reached.
    setenv("DISPLAY", ":93", 1);
    bool ran = false;
    EXPECT_FALSE(runOnDesktop([&] { return ran = true, 0; }));
    EXPECT_FALSE(ran);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_FALSE(displayAvailable());
    EXPECT_TRUE(showsWindows("x11"));
    EXPECT_FALSE(showsWindows("dummy"));
    EXPECT_FALSE(showsWindows(nullptr));
}

TEST(GuiPieces, TypedTextIsWholeCharactersAndStrayBytesAreShownEscaped) {
    EXPECT_EQ(typedText("año Ω日€"), "año Ω日€");
    EXPECT_EQ(typedText("a\xC3"), "a");  // a character cut short is none
    EXPECT_EQ(screenText("pista\xF1.mp3"), "pista\\xF1.mp3");
    EXPECT_EQ(screenText("año"), "año");
}

// --- Drawing -----------------------------------------------------------------

TEST_F(GuiControls, ControlsStandAtThePixelsOfTheirDialogUnits) {
    const Rect save = pixels(item(kSave));
    // The default button's dark frame is its outermost pixel; outside it, the face.
    EXPECT_TRUE(isDark(pixel(top(), save.left, middleY(save))));
    EXPECT_FALSE(isDark(pixel(top(), save.left - 1, middleY(save))));
    EXPECT_TRUE(anyDark(top(), save));  // its text
    const auto controls = hitsOf(top(), Press::Control);
    const auto saveHit =
        std::find_if(controls.begin(), controls.end(), [&](const Hit* h) { return h->what.window == item(kSave); });
    ASSERT_NE(saveHit, controls.end());
    EXPECT_EQ((*saveHit)->area.left, save.left);
    EXPECT_EQ((*saveHit)->area.bottom, save.bottom);
    int width = 0, height = 0;
    SDL_GetWindowSize(renderer->sdlWindow(top()), &width, &height);
    EXPECT_EQ(width, scale.x(200));
    EXPECT_EQ(height, scale.y(200));
}

TEST_F(GuiControls, MarksShowTheCheckStatesAndDisabledControlsAreGreyed) {
    const Rect tick = pixels(item(kTick));
    const Rect mark{tick.left + 3, middleY(tick) - 3, tick.left + 10, middleY(tick) + 3};
    EXPECT_FALSE(anyDark(top(), mark));
    checkDlgButton(top(), kTick, BST_CHECKED);
    checkDlgButton(top(), kOn, BST_CHECKED);
    renderer->refresh();
    EXPECT_TRUE(anyDark(top(), mark));
    const Rect radio = pixels(item(kOn));
    EXPECT_TRUE(isDark(pixel(top(), radio.left + 6, middleY(radio))));  // the dot at the circle's middle
    // The disabled box's label has grey letters and no black ones.
    const Rect off = pixels(item(kOff));
    const Rect label{off.left + 17, off.top, off.right, off.bottom};
    EXPECT_FALSE(anyDark(top(), label));
    const Rect tickLabel{tick.left + 17, tick.top, tick.right, tick.bottom};
    EXPECT_TRUE(anyDark(top(), tickLabel));
}

TEST_F(GuiControls, TheFocusedControlShowsTheFocusMark) {
    const Rect save = pixels(item(kSave));
    // Focus marks are dotted: the corner dot of the inset rectangle.
    EXPECT_TRUE(isDark(pixel(top(), save.left + 3, save.top + 3)));
    key(top(), SDLK_TAB);
    EXPECT_TRUE(script::focused(top(), kTick));
    EXPECT_FALSE(isDark(pixel(top(), save.left + 3, save.top + 3)));
}

TEST_F(GuiControls, AHundredThousandEntriesDrawOnlyTheVisibleRows) {
    constexpr int kMany = 100000;
    fillList(kMany);
    const std::size_t shown = static_cast<std::size_t>(windowOf(item(kFiles))->visibleRows());
    auto rows = hitsOf(top(), Press::Row);
    ASSERT_EQ(rows.size(), shown);
    EXPECT_EQ(rows.front()->what.index, 0);
    inputScroll(item(kFiles), SB_VERT, SB_THUMBTRACK, kMany);
    deliver();
    renderer->refresh();
    rows = hitsOf(top(), Press::Row);
    ASSERT_EQ(rows.size(), shown);
    EXPECT_EQ(rows.front()->what.index, kMany - static_cast<int>(shown));
    EXPECT_EQ(rows.back()->what.index, kMany - 1);
}

TEST_F(GuiControls, AWindowIsPaintedAgainOnlyWhenWhatItShowsChanges) {
    fillList(100);
    const int paints = renderer->paintCount();
    renderer->refresh();
    renderer->refresh();
    EXPECT_EQ(renderer->paintCount(), paints);
    listSetSel(item(kFiles), true, 90);  // a row out of sight
    renderer->refresh();
    EXPECT_EQ(renderer->paintCount(), paints);
    listSetSel(item(kFiles), true, 1);
    renderer->refresh();
    EXPECT_EQ(renderer->paintCount(), paints + 1);
    progressSetPos(item(kBar), 50);
    renderer->refresh();
    EXPECT_EQ(renderer->paintCount(), paints + 2);
}

// --- Mouse ---------------------------------------------------------------------

TEST_F(GuiControls, ClicksPressButtonsAndToggleCheckBoxesButNotDisabledOnes) {
    const Rect save = pixels(item(kSave));
    click(top(), middleX(save), middleY(save));
    EXPECT_EQ(dialog->probe.count(kSave, BN_CLICKED), 1);
    const Rect tick = pixels(item(kTick));
    click(top(), tick.left + 5, middleY(tick));
    EXPECT_TRUE(script::checked(top(), kTick));
    const Rect off = pixels(item(kOff));
    click(top(), off.left + 5, middleY(off));
    EXPECT_FALSE(script::checked(top(), kOff));
}

TEST_F(GuiControls, ListRowsTakeClicksCtrlClicksAndShiftClicks) {
    fillList(kListRows);
    const auto rows = hitsOf(top(), Press::Row);
    const auto at = [&](int row) { return middleY(rows[static_cast<std::size_t>(row)]->area); };
    const int x = middleX(rows[0]->area);
    click(top(), x, at(0));
    click(top(), x, at(2), KMOD_LCTRL);
    EXPECT_EQ(script::selection(top(), kFiles), (std::vector<int>{0, 2}));
    click(top(), x, at(4), KMOD_LSHIFT);
    EXPECT_EQ(script::selection(top(), kFiles), (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(script::focused(top(), kFiles));
    // SDL counts the second press of a double click wherever it falls: on
    // another row it is a click there; on the same row a double click.
    click(top(), x, at(1), KMOD_LSHIFT);
    click(top(), x, at(3), KMOD_NONE, 2);
    EXPECT_EQ(script::selection(top(), kFiles), std::vector<int>{3});
    EXPECT_EQ(dialog->probe.count(kFiles, LBN_DBLCLK), 0);
    click(top(), x, at(3), KMOD_NONE, 3);
    EXPECT_EQ(dialog->probe.count(kFiles, LBN_DBLCLK), 1);
    click(top(), x, at(3), KMOD_NONE, 4);  // a third press begins anew
    EXPECT_EQ(dialog->probe.count(kFiles, LBN_DBLCLK), 1);
}

TEST_F(GuiControls, TheWheelAndTheScrollBarMoveTheList) {
    fillList(40);
    const Rect list = pixels(item(kFiles));
    SDL_Event wheel{};
    wheel.wheel = {SDL_MOUSEWHEEL, 0, idOf(top()), 0, 0, -1, SDL_MOUSEWHEEL_NORMAL, 0, -1, middleX(list),
                   middleY(list)};
    send(wheel);
    EXPECT_EQ(listGetTopIndex(item(kFiles)), 3);
    const Rect down = barPart(top(), SB_LINEDOWN);
    click(top(), middleX(down), middleY(down));
    EXPECT_EQ(listGetTopIndex(item(kFiles)), 4);
    const Rect thumb = barPart(top(), SB_THUMBTRACK);
    drag(top(), middleX(thumb), middleY(thumb), middleX(thumb), down.bottom);
    EXPECT_EQ(listGetTopIndex(item(kFiles)), 40 - kListRows);
    const Rect above = barPart(top(), SB_PAGEUP);
    click(top(), middleX(above), middleY(above));
    EXPECT_EQ(listGetTopIndex(item(kFiles)), 40 - 2 * kListRows);
    EXPECT_TRUE(script::selection(top(), kFiles).empty());
}

TEST_F(GuiControls, AClickInAnEditPlacesTheCaretAndADragSelects) {
    setWindowText(item(kName), "abcdefgh");
    renderer->refresh();
    const auto edits = hitsOf(top(), Press::Text, item(kName));
    ASSERT_EQ(edits.size(), 1u);
    const Hit& hit = *edits.front();
    const Font& font = *DesktopEnvironment::font;
    const int afterTwo = hit.textLeft + font.width("ab");
    const int afterFive = hit.textLeft + font.width("abcde");
    click(top(), afterTwo, middleY(hit.area));
    EXPECT_EQ(windowOf(item(kName))->edit.caret, 2u);
    drag(top(), afterTwo, middleY(hit.area), afterFive, middleY(hit.area));
    EXPECT_EQ(windowOf(item(kName))->edit.selectionStart(), 2u);
    EXPECT_EQ(windowOf(item(kName))->edit.selectionEnd(), 5u);
    // The selected run stands on the selection's colour, the rest on the field's.
    const SDL_Color selected = pixel(top(), (afterTwo + afterFive) / 2, hit.area.top + 3);
    EXPECT_EQ(std::tuple(selected.r, selected.g, selected.b), std::tuple(10, 36, 106));
    EXPECT_TRUE(isWhite(pixel(top(), afterFive + font.width("f") + 2, hit.area.top + 3)));
}

TEST_F(GuiControls, AClickOnALineOfAMultiLineEditFindsItsCharacter) {
    setWindowText(item(kNotes), "uno\r\ndos tres");
    renderer->refresh();
    std::vector<const Hit*> lines;
    for (const Hit* hit : hitsOf(top(), Press::Text, item(kNotes))) {
        if (hit->what.index >= 0) lines.push_back(hit);  // the whole field's hit stands for its end
    }
    ASSERT_EQ(lines.size(), 2u);
    const Font& font = *DesktopEnvironment::font;
    click(top(), lines[1]->textLeft + font.width("do"), middleY(lines[1]->area));
    EXPECT_EQ(windowOf(item(kNotes))->edit.caret, 7u);                // between "do" and "s" of the second line
    click(top(), lines[0]->area.right - 1, middleY(lines[0]->area));  // past the first line's end
    EXPECT_EQ(windowOf(item(kNotes))->edit.caret, 3u);
    click(top(), lines[0]->textLeft, lines[1]->area.bottom + 2);  // below the text: its end
    EXPECT_EQ(windowOf(item(kNotes))->edit.caret, std::string("uno\r\ndos tres").size());
}

TEST_F(GuiControls, TheComboListOpensAsAPopupAndARowChoosesItsItem) {
    for (const char* genre : {"Blues", "Jazz", "Rock"}) comboAddString(item(kGenre), genre);
    renderer->refresh();
    const Rect field = scale.pixels({130, 5, 190, 5 + kComboFieldUnits});
    click(top(), middleX(field), middleY(field));
    EXPECT_TRUE(comboGetDroppedState(item(kGenre)));
    const auto rows = hitsOf(top(), Press::ComboRow);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_GE(rows.front()->area.top, field.bottom);
    click(top(), middleX(rows[1]->area), middleY(rows[1]->area));
    EXPECT_FALSE(comboGetDroppedState(item(kGenre)));
    EXPECT_EQ(script::text(top(), kGenre), "Jazz");
}

TEST_F(GuiControls, TheCloseBoxOfTheWindowIsCancel) {
    SDL_Event close{};
    close.window = {SDL_WINDOWEVENT, 0, idOf(top()), SDL_WINDOWEVENT_CLOSE, 0, 0, 0, 0, 0};
    send(close);
    EXPECT_EQ(dialog->probe.ids(), std::vector<int>{IDCANCEL});
}

// --- Keyboard and text ---------------------------------------------------------

TEST_F(GuiControls, TypedTextEntersTheFocusedEditByCharacter) {
    setFocus(item(kName));
    type(top(), "año Ω日");
    EXPECT_EQ(script::text(top(), kName), "año Ω日");
    key(top(), SDLK_BACKSPACE);
    key(top(), SDLK_BACKSPACE);
    key(top(), SDLK_SPACE);  // in a field the blank comes as text, not as a key
    EXPECT_EQ(script::text(top(), kName), "año ");
    type(top(), " ");
    EXPECT_EQ(script::text(top(), kName), "año  ");
    // On a check box Space presses, and its text event types nothing.
    setFocus(item(kTick));
    key(top(), SDLK_SPACE);
    type(top(), " ");
    EXPECT_TRUE(script::checked(top(), kTick));
    EXPECT_EQ(script::text(top(), kName), "año  ");
}

TEST_F(GuiControls, CtrlCXAndVUseTheDesktopClipboard) {
    setFocus(item(kName));
    type(top(), "año");
    key(top(), SDLK_a, KMOD_LCTRL);
    key(top(), SDLK_c, KMOD_LCTRL);
    char* copied = SDL_GetClipboardText();
    EXPECT_STREQ(copied, "año");
    SDL_free(copied);
    key(top(), SDLK_x, KMOD_LCTRL);
    EXPECT_EQ(script::text(top(), kName), "");
    SDL_SetClipboardText("Señor Ω\nsegunda línea");
    key(top(), SDLK_v, KMOD_LCTRL);
    EXPECT_EQ(script::text(top(), kName), "Señor Ω");
}

TEST_F(Gui, DuringALongRunThePumpPaintsTheProgressWindowAndTakesItsCancel) {
    Probe probe;
    probe.endsOn = {};
    const WindowHandle progress =
        createDialogParam(res::lirvaneModule(), res::kProgressDialog, {}, probeProc, reinterpret_cast<LParam>(&probe));
    showWindow(progress, SW_SHOWNORMAL);
    progressSetPos(getDlgItem(progress, res::kProgressBar), 40);
    // A run pumps only its progress window; nothing else brings the screen up to date.
    pumpOnly(progress);
    ASSERT_NE(renderer->sdlWindow(progress), nullptr);
    EXPECT_EQ(renderer->paintCount(), 1);
    const Rect cancel = pixels(getDlgItem(progress, IDCANCEL));
    SDL_Event event{};
    event.button = {SDL_MOUSEBUTTONDOWN, 0, idOf(progress), 0, SDL_BUTTON_LEFT, SDL_PRESSED, 1, 0, middleX(cancel),
                    middleY(cancel)};
    SDL_PushEvent(&event);
    event.button.type = SDL_MOUSEBUTTONUP;
    SDL_PushEvent(&event);
    pumpOnly(progress);
    EXPECT_EQ(probe.count(IDCANCEL, BN_CLICKED), 1);
}

class GuiMainWindow : public Gui {
protected:
    void SetUp() override {
        Gui::SetUp();
        window =
            createDialogParam(res::lirvaneModule(), res::kMainDialog, {}, probeProc, reinterpret_cast<LParam>(&probe));
        setGrowingControl(window, res::kFileList);  // as the program's main window does
        showWindow(window, SW_SHOWNORMAL);
        renderer->refresh();
    }
    Probe probe;
    WindowHandle window;
};

TEST_F(GuiMainWindow, TheMenuBarSitsAboveTheDialogUnits) {
    const Font& font = *DesktopEnvironment::font;
    int width = 0, height = 0;
    SDL_GetWindowSize(renderer->sdlWindow(window), &width, &height);
    EXPECT_EQ(width, scale.x(320));
    EXPECT_EQ(height, scale.y(319) + menuBarHeight(font));
    EXPECT_EQ(hitsOf(window, Press::MenuTitle).size(), 2u);
    const auto lists = hitsOf(window, Press::Control);
    const auto files = std::find_if(lists.begin(), lists.end(),
                                    [&](const Hit* h) { return h->what.window == getDlgItem(window, res::kFileList); });
    ASSERT_NE(files, lists.end());
    EXPECT_EQ((*files)->area.top, scale.y(16) + menuBarHeight(font));
}

// The window manager makes the window twice as large: the list takes the room
// and the buttons under it stand below its new lower edge.
TEST_F(GuiMainWindow, AtTwiceItsSizeTheListIsLargerAndTheButtonsBelowIt) {
    SDL_Window* shown = renderer->sdlWindow(window);
    ASSERT_TRUE(SDL_GetWindowFlags(shown) & SDL_WINDOW_RESIZABLE);
    int width = 0, height = 0, leastWidth = 0, leastHeight = 0;
    SDL_GetWindowSize(shown, &width, &height);
    SDL_GetWindowMinimumSize(shown, &leastWidth, &leastHeight);
    EXPECT_EQ(leastWidth, width);
    EXPECT_EQ(leastHeight, height);
    const WindowHandle list = getDlgItem(window, res::kFileList);
    const WindowHandle button = getDlgItem(window, res::kAddFolder);
    const Rect listBefore = hitsOf(window, Press::Control, list).front()->area;
    const Rect buttonBefore = hitsOf(window, Press::Control, button).front()->area;
    const int rowsBefore = windowOf(list)->visibleRows();

    SDL_SetWindowSize(shown, 2 * width, 2 * height);
    for (SDL_Event event; SDL_PollEvent(&event);) renderer->handle(event);
    renderer->refresh();
    SDL_GetWindowSize(shown, &width, &height);
    const Rect listAfter = hitsOf(window, Press::Control, list).front()->area;
    const Rect buttonAfter = hitsOf(window, Press::Control, button).front()->area;
    EXPECT_GT(listAfter.width(), listBefore.width() + width / 3);
    EXPECT_GT(listAfter.height(), listBefore.height() + height / 3);
    EXPECT_EQ(listAfter.top, listBefore.top);
    EXPECT_GE(buttonAfter.top, listAfter.bottom);
    EXPECT_NEAR(buttonAfter.top - listAfter.bottom, buttonBefore.top - listBefore.bottom, 1);
    EXPECT_EQ(buttonAfter.left, buttonBefore.left);
    EXPECT_GT(windowOf(list)->visibleRows(), 4 * rowsBefore);
}

TEST_F(GuiMainWindow, F10AndAltLettersOpenMenusAndKeysChooseItems) {
    key(window, SDLK_F10);
    key(window, SDLK_DOWN);
    key(window, SDLK_RETURN);
    key(window, SDLK_a, KMOD_LALT);
    type(window, "a");  // the text of the Alt key types nothing
    setFocus(getDlgItem(window, res::kTitleEdit));
    key(window, SDLK_g);
    type(window, "g");  // the letter's text, after the window it chose has opened
    EXPECT_EQ(probe.ids(), (std::vector<int>{res::kMenuSaveList, res::kMenuSaveList}));
    EXPECT_EQ(getWindowText(getDlgItem(window, res::kTitleEdit)), "");
    key(window, SDLK_x);
    type(window, "x");
    EXPECT_EQ(getWindowText(getDlgItem(window, res::kTitleEdit)), "x");
    key(window, SDLK_F10);
    key(window, SDLK_F10);  // closed again: Enter now goes to the window
    EXPECT_TRUE(hitsOf(window, Press::MenuItem).empty());
}

TEST_F(GuiMainWindow, ClicksOpenAMenuAndChooseAnItem) {
    const auto titles = hitsOf(window, Press::MenuTitle);
    ASSERT_EQ(titles.size(), 2u);
    click(window, middleX(titles[1]->area), middleY(titles[1]->area));
    const auto items = hitsOf(window, Press::MenuItem);
    ASSERT_EQ(items.size(), 1u);
    click(window, middleX(items[0]->area), middleY(items[0]->area));
    EXPECT_EQ(probe.ids(), std::vector<int>{res::kMenuAbout});
    EXPECT_TRUE(hitsOf(window, Press::MenuItem).empty());
}

TEST_F(GuiMainWindow, AnotherWindowOpensOverTheMainWindowAndGoesWithTheLayers) {
    Modeless other(kControls, "Otra");
    renderer->refresh();
    SDL_Window* shown = renderer->sdlWindow(other.window);
    ASSERT_NE(shown, nullptr);
    int x = 0, y = 0, width = 0, mainX = 0, mainWidth = 0;
    SDL_GetWindowPosition(shown, &x, &y);
    SDL_GetWindowSize(shown, &width, nullptr);
    SDL_GetWindowPosition(renderer->sdlWindow(window), &mainX, nullptr);
    SDL_GetWindowSize(renderer->sdlWindow(window), &mainWidth, nullptr);
    EXPECT_NEAR(x + width / 2, mainX + mainWidth / 2, 1);
    EXPECT_STREQ(SDL_GetWindowTitle(shown), "Otra");
    showWindow(other.window, SW_HIDE);
    renderer->refresh();
    EXPECT_TRUE(SDL_GetWindowFlags(shown) & SDL_WINDOW_HIDDEN);
    destroyWindow(other.window);
    renderer->refresh();
    EXPECT_EQ(renderer->sdlWindow(other.window), nullptr);
}

// The files of one drop reach the window it fell on as one message.
TEST_F(GuiControls, TheFilesOfADropGoToTheWindowAsOneMessage) {
    SDL_Event event{};
    event.drop = {SDL_DROPBEGIN, 0, nullptr, idOf(top())};
    renderer->handle(event);
    for (const char* path : {"/música/uno.mp3", "/música/álbum"}) {
        event.drop = {SDL_DROPFILE, 0, SDL_strdup(path), idOf(top())};
        renderer->handle(event);
    }
    event.drop = {SDL_DROPCOMPLETE, 0, nullptr, idOf(top())};
    renderer->handle(event);
    ASSERT_EQ(desktop().queue.size(), 1u);
    const Msg msg = desktop().queue.front();
    EXPECT_EQ(msg.window, top());
    EXPECT_EQ(msg.message, WM_DROPFILES);
    EXPECT_EQ(takeDroppedFiles(msg.wParam), (std::vector<std::string>{"/música/uno.mp3", "/música/álbum"}));
}

}  // namespace
