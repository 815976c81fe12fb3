// The terminal front end without a terminal: where units land in cells, what
// keys mean, and what the painter draws.
#include <curses.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "platform/ui/input.h"
#include "platform/ui/script.h"
#include "platform/ui/term/keys.h"
#include "platform/ui/term/layout.h"
#include "platform/ui/term/painter.h"
#include "platform/ui/term/renderer.h"
#include "platform/ui/window.h"
#include "res/resources.h"

using namespace platform;
using namespace platform::term;

TEST(TermLayout, TheMainWindowFitsTheSmallestTerminalAndLargerOnesScaleInWholeSteps) {
    const Scale one = Scale::forTerminal(kMinColumns, kMinRows);
    EXPECT_EQ(one.columns(320), 80);
    EXPECT_LE(frameRows(true) + one.rows(319), kMinRows - kHelpRows);
    EXPECT_EQ(Scale::forTerminal(159, 200).factor, 1.0);
    EXPECT_EQ(Scale::forTerminal(160, 86).factor, 2.0);
    EXPECT_TRUE(terminalTooSmall(79, 43));
    EXPECT_TRUE(terminalTooSmall(80, 42));
    EXPECT_FALSE(terminalTooSmall(80, 43));
}

TEST(TermLayout, OneLineControlsStandOnTheRowOfTheirMiddle) {
    const Scale scale{1.0};
    // A field check box and the edit beside it, of different heights, share a row.
    EXPECT_EQ(scale.control({15, 160, 50, 170}), (CellRect{3, 20, 12, 21}));
    EXPECT_EQ(scale.control({53, 158, 142, 170}), (CellRect{13, 20, 35, 21}));
    // A list keeps its rows; a control narrower than a cell still gets one.
    EXPECT_EQ(scale.control({11, 16, 309, 118}), (CellRect{2, 2, 77, 14}));
    EXPECT_EQ(scale.control({10, 10, 11, 11}).width(), 1);
    const Scale two{2.0};
    EXPECT_EQ(two.control({53, 158, 142, 170}), (CellRect{26, 41, 71, 42}));
}

TEST(TermLayout, WindowsArePlacedOverTheirOwnerOrOverTheMainWindow) {
    const CellRect main{0, 0, 80, 42};
    const CellRect small{0, 0, 47, 12};
    EXPECT_EQ(placeWindow(main, {}, {}, 160, 50), main);
    const std::vector<Placement> placed = {{WindowHandle{2}, main}};
    const CellRect owned = placeWindow(small, WindowHandle{2}, placed, 160, 50);
    EXPECT_EQ(owned, (CellRect{16, 15, 63, 27}));
    // Without owner at 160 by 50, as the progress window: over the main window too.
    EXPECT_EQ(placeWindow(small, {}, placed, 160, 50), owned);
}

TEST(TermLayout, AWindowIsFramedWhenTheFrameFitsAndAGroupBoxTakesTheRowNearestItsTop) {
    // The main window fills the smallest terminal: the screen is its frame.
    const Placement whole = sizeWindow(WindowHandle{2}, 80, 40, true, kMinColumns, kMinRows);
    EXPECT_FALSE(whole.framed);
    EXPECT_EQ(whole.outer, (CellRect{0, 0, 80, 42}));
    const Placement framed = sizeWindow(WindowHandle{2}, 80, 40, true, 120, 50);
    EXPECT_TRUE(framed.framed);
    EXPECT_EQ(framed.outer, (CellRect{0, 0, 82, 43}));
    EXPECT_EQ(clientArea(framed, true), (CellRect{1, 2, 81, 42}));
    // A box's top line on the row nearest its top, so that a list at its top stays below it.
    const Scale one{1.0};
    EXPECT_EQ(one.groupBox({191, 51, 364, 122}).top, 6);
    EXPECT_EQ(one.control({272, 60, 358, 115}).top, 7);
    EXPECT_EQ(one.groupBox({5, 245, 315, 315}).bottom, 40);
}

TEST(TermKeys, KeysAndCharactersDecodeToTheirActions) {
    const KeyTable table = standardKeys();
    const KeyAction backTab = decodeKey(table, true, KEY_BTAB);
    EXPECT_EQ(backTab.action, Action::Press);
    EXPECT_EQ(backTab.key, Key::Tab);
    EXPECT_EQ(backTab.modifiers, kShift);
    EXPECT_EQ(decodeKey(table, true, KEY_SF).modifiers, kShift);
    EXPECT_EQ(decodeKey(table, true, KEY_F(10)).action, Action::Menu);
    EXPECT_EQ(decodeKey(table, true, KEY_F(6)).action, Action::NextWindow);
    EXPECT_EQ(decodeKey(table, true, KEY_F(2)).action, Action::NextControl);
    EXPECT_EQ(decodeKey(table, true, KEY_F(9)).action, Action::None);

    const KeyAction controlSpace = decodeKey(table, false, 0);
    EXPECT_EQ(controlSpace.key, Key::Space);
    EXPECT_EQ(controlSpace.modifiers, kControl);
    EXPECT_EQ(decodeKey(table, false, 23).action, Action::CloseWindow);
    EXPECT_EQ(decodeKey(table, false, 13).key, Key::Enter);
    EXPECT_EQ(decodeKey(table, false, 127).key, Key::Backspace);
    EXPECT_EQ(decodeKey(table, false, 3).action, Action::Quit);  // Ctrl+C, where the terminal hands it over as a key
    EXPECT_EQ(decodeKey(table, false, 12).action, Action::Redraw);
    EXPECT_EQ(decodeKey(table, true, KEY_F(1)).action, Action::Help);
}

// F1 shows the key table; it must name every key the README lists.
TEST(TermKeys, TheKeyTableNamesEveryKeyOfTheReadme) {
    std::ifstream readme(LIRVANE_README);
    ASSERT_TRUE(readme) << LIRVANE_README;
    std::string line;
    int keys = 0;
    const std::string table = kKeyTable;
    while (std::getline(readme, line)) {
        if (!line.starts_with("| ") || line.starts_with("| Key |")) continue;
        const std::string key = line.substr(2, line.find(" |") - 2);
        const std::string action = line.substr(key.size() + 5, line.rfind(" |") - key.size() - 5);
        EXPECT_NE(table.find(key + ": " + action), std::string::npos) << key;
        ++keys;
    }
    EXPECT_GT(keys, 15);
}

TEST(TermKeys, TypedCharactersOfEveryLanguageAreTypedAndControlsRefused) {
    const KeyTable table = standardKeys();
    const KeyAction enye = decodeKey(table, false, U'ñ');
    EXPECT_EQ(enye.action, Action::Type);
    EXPECT_EQ(enye.text, U'ñ');
    EXPECT_EQ(decodeKey(table, false, U'€').text, U'€');
    EXPECT_EQ(decodeKey(table, false, U'日').action, Action::Type);
    EXPECT_EQ(decodeKey(table, false, U'日').text, U'日');
    EXPECT_EQ(decodeKey(table, false, 0x85).action, Action::None);  // a C1 control
    const KeyAction alt = decodeAlt(U'A');
    EXPECT_EQ(alt.action, Action::MenuKey);
    EXPECT_EQ(alt.access, 'a');
    EXPECT_EQ(decodeAlt(U'1').action, Action::None);
}

namespace {

constexpr std::array<ControlTemplate, 4> kControls = {{
    {WindowClass::Button, 10, 4, 4, 40, 10, "Titulo:", BS_AUTOCHECKBOX | WS_TABSTOP},
    {WindowClass::Edit, 11, 48, 3, 60, 12, "", ES_AUTOHSCROLL | WS_TABSTOP},
    {WindowClass::ListBox, 12, 4, 18, 104, 24, "", LBS_NOTIFY | WS_TABSTOP},
    {WindowClass::Button, IDOK, 4, 44, 40, 12, "Aceptar", BS_DEFPUSHBUTTON | WS_TABSTOP},
}};
constexpr DialogTemplate kDialog{0, "Prueba Año", 0, 0, 120, 60, WS_CAPTION | WS_SYSMENU, 0, 8, kControls};

std::intptr_t initChecks(WindowHandle dialog, unsigned message, WParam, LParam) {
    if (message != WM_INITDIALOG) return kNotHandled;
    checkDlgButton(dialog, 10, BST_CHECKED);
    setDlgItemText(dialog, 11, "Canción");
    listAddString(getDlgItem(dialog, 12), "b.mp3");
    listAddString(getDlgItem(dialog, 12), "a.mp3");
    return kHandled;
}

}  // namespace

TEST(TermPainter, DrawsCaptionsAccentsChecksFieldsAndListsAtTheirCells) {
    resetDesktop();
    struct Painted : InputSource {
        bool wait() override {
            const WindowHandle shown = getActiveWindow();
            Canvas canvas(32, 12);
            Painter painter(canvas);
            painter.paint({{shown, {0, 0, 30, 9}}}, {}, "help");
            hits = painter.hits();
            rows.clear();
            for (int y = 0; y < canvas.rows(); ++y) rows.push_back(canvas.rowText(y));
            endDialog(shown, IDOK);
            return true;
        }
        void poll() override {}
        std::vector<std::string> rows;
        std::vector<Hit> hits;
    } painted;
    attachInputSource(&painted);
    dialogBoxIndirect(kDialog, {}, initChecks, 0);
    attachInputSource(nullptr);
    ASSERT_EQ(painted.rows.size(), 12u);
    EXPECT_EQ(painted.rows[0], " Prueba Año                [X]  ");
    EXPECT_EQ(painted.rows[2], " ■Titulo:   Canción             ");
    EXPECT_EQ(painted.rows[3], "  b.mp3                         ");  // in the order added: no sorting asked
    EXPECT_EQ(painted.rows[4], "  a.mp3                         ");
    EXPECT_EQ(painted.rows[7], "  Aceptar                       ");
    EXPECT_EQ(painted.rows[11], "help                            ");

    // What a click at a cell finds: the last drawn thing there.
    const auto hitAt = [&](int x, int y) {
        const auto found = std::find_if(painted.hits.rbegin(), painted.hits.rend(),
                                        [&](const Hit& h) { return h.area.contains(x, y); });
        return found == painted.hits.rend() ? std::pair{Press::Activate, -2}
                                            : std::pair{found->what.press, found->what.index};
    };
    EXPECT_EQ(hitAt(28, 0), (std::pair{Press::Close, -1}));
    EXPECT_EQ(hitAt(5, 0), (std::pair{Press::Activate, -1}));
    EXPECT_EQ(hitAt(4, 4), (std::pair{Press::Row, 1}));
    EXPECT_EQ(hitAt(4, 5).first, Press::Control);  // the list below its entries
    EXPECT_EQ(hitAt(3, 7).first, Press::Control);  // the button
}

namespace {

// Shows a dialog, paints the screen once the way the renderer places its
// windows, and ends the dialog.
class Snapshot : public InputSource {
public:
    Snapshot(int columns, int rows) : canvas(columns, rows) { attachInputSource(this); }
    ~Snapshot() override { attachInputSource(nullptr); }

    bool wait() override {
        const Scale scale = Scale::forTerminal(canvas.columns(), canvas.rows());
        growToScreen(scale, canvas.columns(), canvas.rows());
        for (WindowHandle window : desktop().zOrder) {
            if (isWindowVisible(window))
                placed.push_back(placeTopLevel(*windowOf(window), scale, placed, canvas.columns(), canvas.rows()));
        }
        Painter painter(canvas);
        painter.paint(placed, {}, "help");
        hits = painter.hits();
        endDialog(getActiveWindow(), IDOK);
        return true;
    }
    void poll() override {}

    std::string row(int y) const { return canvas.rowText(y); }
    // The first row that holds the text, or -1.
    int rowOf(std::string_view text) const {
        for (int y = 0; y < canvas.rows(); ++y) {
            if (row(y).find(text) != std::string::npos) return y;
        }
        return -1;
    }
    // The column where the text starts on its row.
    int columnOf(std::string_view text) const {
        const std::string shown = row(rowOf(text));
        const std::string before = shown.substr(0, shown.find(text));
        // One cell per character: the bytes that start one.
        return static_cast<int>(std::count_if(before.begin(), before.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    }

    Canvas canvas;
    std::vector<Placement> placed;
    std::vector<Hit> hits;
};

std::intptr_t fillMainWindow(WindowHandle dialog, unsigned message, WParam, LParam) {
    if (message != WM_INITDIALOG) return kNotHandled;
    setDlgItemText(dialog, res::kYearEdit, "1965");
    setDlgItemText(dialog, res::kUrlEdit, "http://example.org/band");
    setDlgItemText(dialog, res::kTitleEdit, "A title much longer than its field");
    setDlgItemText(dialog, res::kCommentEdit, "Grabado en vivo");
    const WindowHandle list = getDlgItem(dialog, res::kFileList);
    for (int i = 0; i < 40; ++i) listAddString(list, "/music/track.mp3");
    listSetHorizontalExtent(list, 1024);
    setGrowingControl(dialog, res::kFileList);  // as the program's main window does
    return kHandled;
}

class TermScreen : public ::testing::Test {
protected:
    void SetUp() override { resetDesktop(); }
    void TearDown() override { resetDesktop(); }
    static void show(int templateId, DialogProc proc) { dialogBoxParam(res::lirvaneModule(), templateId, {}, proc, 0); }
};

}  // namespace

TEST_F(TermScreen, FieldsShowTheirTextFromItsStartAndEveryCaptionWholeInItsBox) {
    Snapshot screen(kMinColumns, kMinRows);
    show(res::kMainDialog, fillMainWindow);
    EXPECT_NE(screen.row(screen.rowOf("Año:")).find("1965"), std::string::npos);
    EXPECT_NE(screen.row(screen.rowOf("URL:")).find("http://example.org/ban"), std::string::npos);
    EXPECT_NE(screen.row(screen.rowOf("Titulo:")).find("A title much longer th"), std::string::npos);
    // The comment's first line stands level with its label.
    EXPECT_NE(screen.row(screen.rowOf("Comentario:")).find("Grabado en vivo"), std::string::npos);
    // Captions whole, inside their group box's lines and clear of their fields.
    const std::string hint = "Ctrl-Click o Shift-Click para seleccionar multiples archivos";
    EXPECT_NE(screen.row(screen.rowOf(hint)).find(hint + "│"), std::string::npos);
    EXPECT_GE(screen.rowOf("Ver/Editar:"), 0);
    const int label = screen.columnOf("Artista Orig.:");
    const int end = label + static_cast<int>(std::string_view("Artista Orig.:").size());
    const int y = screen.rowOf("Artista Orig.:");
    EXPECT_EQ(screen.canvas.at(end, y).style, Style::Window);  // a gap, then the field
    EXPECT_EQ(screen.canvas.at(end + 1, y).style, Style::Field);
}

// What of the main window's list shows on a terminal of a size.
struct ListOnScreen {
    int entries = 0;    // rows of entries shown
    int right = 0;      // the column of its vertical bar
    int toButtons = 0;  // rows from its bottom line to the buttons under it
    CellRect window;
};

// With room to spare the main window fills the terminal: at 160 by 50 its list
// is longer and wider, and the buttons keep their place under it.
TEST_F(TermScreen, At160By50TheMainWindowFillsTheTerminalWithALongerWiderList) {
    std::vector<ListOnScreen> shown;
    for (const auto& [columns, rows] : {std::pair{kMinColumns, kMinRows}, std::pair{160, 50}}) {
        resetDesktop();
        Snapshot screen(columns, rows);
        show(res::kMainDialog, fillMainWindow);
        ListOnScreen list;
        const int top = screen.rowOf("/music/track.mp3");
        while (screen.row(top + list.entries).find("/music/track.mp3") != std::string::npos) ++list.entries;
        const std::u32string upArrow = U"▲";
        for (int x = 0; x < columns; ++x) {
            if (screen.canvas.at(x, top).ch == upArrow[0]) list.right = x;
        }
        list.toButtons = screen.rowOf("Añadir Carpeta") - screen.rowOf("└◄");
        list.window = screen.placed.front().outer;
        shown.push_back(list);
    }
    EXPECT_EQ(shown[1].window, (CellRect{0, 0, 160, 50 - kHelpRows}));
    EXPECT_GT(shown[1].entries, shown[0].entries);
    EXPECT_GE(shown[1].right, shown[0].right + 70);
    EXPECT_EQ(shown[1].toButtons, shown[0].toButtons);
}

TEST_F(TermScreen, GroupBoxesKeepTheirWholeOutlineAndTheListItsBorderAndBothScrollBars) {
    Snapshot screen(kMinColumns, kMinRows);
    show(res::kMainDialog, fillMainWindow);
    // Down the left line of the three stacked group boxes: each closes before the next opens.
    std::u32string corners;
    for (int y = 0; y < kMinRows; ++y) {
        const char32_t c = screen.canvas.at(1, y).ch;
        if (c == kTopLeft || c == kBottomLeft) corners += c;
    }
    EXPECT_EQ(corners, U"┌└┌└┌└");
    const int aplicar = screen.rowOf("Aplicar a:");
    const int box = screen.columnOf("Aplicar a:") - 2;
    int below = aplicar + 1;
    while (below < kMinRows && screen.canvas.at(box, below).ch == kVertical) ++below;
    EXPECT_EQ(screen.canvas.at(box, below).ch, kBottomLeft);
    EXPECT_GT(below, screen.rowOf("Seleccionados"));
    // The list: a border, the vertical bar down its right line, the horizontal one along its bottom.
    const int top = screen.rowOf("/music/track.mp3") - 1;
    EXPECT_EQ(screen.canvas.at(2, top).ch, kTopLeft);
    const std::string bottom = screen.row(top + 11);
    EXPECT_NE(bottom.find("└◄█"), std::string::npos) << bottom;
    EXPECT_NE(bottom.find("►┘"), std::string::npos) << bottom;
    EXPECT_NE(screen.row(top + 1).find("▲│"), std::string::npos);
    EXPECT_NE(screen.row(top + 10).find("▼│"), std::string::npos);
}

TEST_F(TermScreen, ScrollBarPartsAnswerClicksWithTheirScrollCodes) {
    Snapshot screen(kMinColumns, kMinRows);
    show(res::kMainDialog, fillMainWindow);
    const auto codeAt = [&](int x, int y) {
        const auto hit =
            std::find_if(screen.hits.rbegin(), screen.hits.rend(), [&](const Hit& h) { return h.area.contains(x, y); });
        const bool bar =
            hit != screen.hits.rend() && (hit->what.press == Press::Scroll || hit->what.press == Press::Thumb);
        return bar ? std::pair{hit->what.bar, hit->what.index} : std::pair{-1, -1};
    };
    const int top = screen.rowOf("/music/track.mp3") - 1;
    const int right = 76;  // the list's right line
    EXPECT_EQ(codeAt(right, top + 1), (std::pair{SB_VERT, static_cast<int>(SB_LINEUP)}));
    EXPECT_EQ(codeAt(right, top + 2), (std::pair{SB_VERT, static_cast<int>(SB_THUMBTRACK)}));  // at the top
    EXPECT_EQ(codeAt(right, top + 9), (std::pair{SB_VERT, static_cast<int>(SB_PAGEDOWN)}));
    EXPECT_EQ(codeAt(right, top + 10), (std::pair{SB_VERT, static_cast<int>(SB_LINEDOWN)}));
    EXPECT_EQ(codeAt(3, top + 11), (std::pair{SB_HORZ, static_cast<int>(SB_LINEUP)}));
    EXPECT_EQ(codeAt(70, top + 11), (std::pair{SB_HORZ, static_cast<int>(SB_PAGEDOWN)}));
    EXPECT_EQ(codeAt(2, top + 5), (std::pair{-1, -1}));  // the border is no bar
}

TEST_F(TermScreen, DialogsHaveAFrameAndAShadowAndTheAboutTextShowsWhole) {
    Snapshot screen(kMinColumns, kMinRows);
    show(res::kAboutDialog, nullptr);
    ASSERT_EQ(screen.placed.size(), 1u);
    const Placement& about = screen.placed[0];
    EXPECT_TRUE(about.framed);
    const CellRect& r = about.outer;
    EXPECT_EQ(screen.canvas.at(r.left, r.top + 1).ch, kVertical);
    EXPECT_EQ(screen.canvas.at(r.right - 1, r.top + 1).ch, kVertical);
    EXPECT_EQ(screen.canvas.at(r.left, r.bottom - 1).ch, kBottomLeft);
    EXPECT_EQ(screen.canvas.at(r.right, r.top + 1).style, Style::Shadow);
    EXPECT_EQ(screen.canvas.at(r.left + 1, r.bottom).style, Style::Shadow);
    EXPECT_EQ(screen.canvas.at(r.right, r.top).style, Style::Desktop);  // the shadow falls one cell down
    const std::string text = "Compprobar actualización y más programas en:";
    ASSERT_GE(screen.rowOf(text), 0);
    EXPECT_GT(screen.columnOf(text), r.left);
    EXPECT_LT(screen.columnOf(text) + 44, r.right);
}

TEST_F(TermScreen, TheTooSmallNoticeWrapsAtSpacesWithinTheScreenAndSaysHowToQuit) {
    Canvas canvas(24, 6);
    Painter(canvas).paintTooSmall(24, 6);
    std::vector<std::string> lines;
    for (int y = 0; y < 4; ++y)
        lines.push_back(canvas.rowText(y).substr(0, canvas.rowText(y).find_last_not_of(' ') + 1));
    EXPECT_EQ(lines, (std::vector<std::string>{"Lirvane needs a terminal", "of at least 80x43; this",
                                               "one is 24x6. Ctrl+W", "quits."}));
}

// --- Dialogs wider than the terminal ----------------------------------------------------

TEST(TermLayout, AWindowWiderThanTheTerminalGetsNarrowerColumnsAndKeepsItsRows) {
    const Scale one = Scale::forTerminal(kMinColumns, kMinRows);
    EXPECT_EQ(scaleForWindow(one, 320, kMinColumns).narrowing, 1.0);  // the main window fits as it is
    const Scale rename = scaleForWindow(one, 375, kMinColumns);
    EXPECT_LT(rename.narrowing, 1.0);
    EXPECT_EQ(rename.columns(375), kMinColumns);
    EXPECT_EQ(rename.rows(164), one.rows(164));
    const Scale two = Scale::forTerminal(160, 86);
    EXPECT_EQ(scaleForWindow(two, 375, 160).columns(375), 160);
    EXPECT_EQ(scaleForWindow(two, 375, 200).narrowing, 1.0);
}

// --- Text of every language on the screen -----------------------------------------

TEST(TermCanvas, WideCharactersTakeTwoCellsMarksJoinTheirLetterStrayBytesShowEscaped) {
    Canvas canvas(12, 1);
    EXPECT_EQ(canvas.text(0, 0, "日本e\u0301\xFF", 12, Style::Field), 9);
    EXPECT_EQ(canvas.rowText(0), "日本e\u0301\\xFF   ");
    // A wide character that would not fit whole is left out, not cut in half.
    EXPECT_EQ(canvas.text(0, 0, "ab日本", 5, Style::Field), 4);
    EXPECT_EQ(canvas.rowText(0), "ab日e\u0301\\xFF   ");
    // Overwriting half of a wide character blanks its other half.
    canvas.put(3, 0, U'x', Style::Field);
    EXPECT_EQ(canvas.rowText(0), "ab xe\u0301\\xFF   ");
    canvas.setClip({0, 0, 3, 1});
    canvas.text(2, 0, "語", 2, Style::Field);  // its right half would fall outside the clip
    EXPECT_EQ(canvas.rowText(0), "ab xe\u0301\\xFF   ");
    // A tab in a name shows escaped like the stray byte, never as a blank or "�".
    Canvas names(16, 1);
    EXPECT_EQ(names.text(0, 0, "a\tb\u202E", 16, Style::Field), 16);
    EXPECT_EQ(names.rowText(0), "a\\tb\\xE2\\x80\\xAE");
}

namespace {

std::intptr_t leaveAlone(WindowHandle, unsigned, WParam, LParam) { return kNotHandled; }

// Paints the program's dialog of that number on an 80 x 43 terminal.
std::vector<std::string> paintedAtSmallestSize(int templateId) {
    resetDesktop();
    struct Painted : InputSource {
        bool wait() override {
            const WindowHandle shown = getActiveWindow();
            Canvas canvas(kMinColumns, kMinRows);
            Painter painter(canvas);
            painter.paint({placeTopLevel(*windowOf(shown), Scale{1.0}, {}, kMinColumns, kMinRows)}, {}, "");
            for (int y = 0; y < canvas.rows(); ++y) rows.push_back(canvas.rowText(y));
            endDialog(shown, IDCANCEL);
            return true;
        }
        void poll() override {}
        std::vector<std::string> rows;
    } painted;
    attachInputSource(&painted);
    dialogBoxParam(res::lirvaneModule(), templateId, {}, leaveAlone, 0);
    attachInputSource(nullptr);
    return painted.rows;
}

constexpr int kTitleEdit = 11;

// The single-line edit of kDialog as painted: its row and where the cursor stands.
struct PaintedEdit {
    std::string row;
    int cursor = -1;
    std::vector<Style> styles;  // of the cursor's row
};

PaintedEdit paintEdit(WindowHandle dialog) {
    Canvas canvas(32, 12);
    Painter painter(canvas);
    painter.paint({{dialog, {0, 0, 30, 9}}}, {}, "");
    std::vector<Style> styles;
    for (int x = 0; x < canvas.columns(); ++x) styles.push_back(canvas.at(x, std::max(0, canvas.cursorY)).style);
    return {canvas.rowText(canvas.cursorY), canvas.cursorX, styles};
}

}  // namespace

TEST(TermPainter, TheRenameDialogShowsEveryButtonWholeInEightyColumns) {
    const std::vector<std::string> rows = paintedAtSmallestSize(res::kRenameDialog);
    const auto shown = [&](const std::string& text) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const std::string& row) { return row.find(text) != std::string::npos; });
    };
    ASSERT_FALSE(rows.empty());
    EXPECT_TRUE(shown("Renombrar desde TAG's"));
    EXPECT_TRUE(shown("[X]"));
    for (const char* caption :
         {"Añadir texto", "Borrar", "Mover Arriba", "Mover Abajo", "○ID3v1.1", "○ID3v2.3", "Añadir Tag", "Renombrar",
          "Cancelar", "○Seleccionado", "○Todo", "Texto Plano", "ID3 Tags", "Estructura de archivo"}) {
        EXPECT_TRUE(shown(caption)) << caption;
    }
    // Captions longer than their boxes end in an ellipsis at the box's corner.
    for (const std::string cut : {"┌ Añadir a la lista de la", "┌ Aplicar a (Basado en"}) {
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const std::string& r) { return r.find(cut) != std::string::npos; });
        ASSERT_NE(row, rows.end()) << cut;
        EXPECT_NE(row->find("…┐", row->find(cut)), std::string::npos) << *row;
    }
}

namespace {

// The boxes drawn on a canvas, each found from its top-left corner: along its
// top line (which may hold a caption) to the first top-right corner, and down
// its left line to its bottom-left corner.
std::vector<CellRect> boxesOn(const Canvas& canvas) {
    std::vector<CellRect> boxes;
    for (int y = 0; y < canvas.rows(); ++y) {
        for (int x = 0; x < canvas.columns(); ++x) {
            if (canvas.at(x, y).ch != kTopLeft) continue;
            int right = x + 1;
            while (right < canvas.columns() && canvas.at(right, y).ch != kTopRight) ++right;
            int bottom = y + 1;
            while (bottom < canvas.rows() && canvas.at(x, bottom).ch == kVertical) ++bottom;
            if (right < canvas.columns() && bottom < canvas.rows() && canvas.at(x, bottom).ch == kBottomLeft) {
                boxes.push_back({x, y, right + 1, bottom + 1});
            }
        }
    }
    return boxes;
}

bool overlap(const CellRect& a, const CellRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Inside with its lines clear of the outer box's lines.
bool within(const CellRect& inner, const CellRect& outer) {
    return outer.left < inner.left && inner.right < outer.right && outer.top < inner.top && inner.bottom < outer.bottom;
}

}  // namespace

TEST_F(TermScreen, TheRenameDialogIsFramedAndEveryBoxLiesInsideTheOneAroundIt) {
    for (const auto& [columns, rows] : {std::pair{kMinColumns, kMinRows}, std::pair{160, 50}}) {
        resetDesktop();
        Snapshot screen(columns, rows);
        show(res::kRenameDialog, nullptr);
        ASSERT_EQ(screen.placed.size(), 1u);
        EXPECT_TRUE(screen.placed[0].framed) << columns;
        const CellRect client = clientArea(screen.placed[0], false);
        const std::vector<CellRect> boxes = boxesOn(screen.canvas);
        EXPECT_GE(boxes.size(), 4u) << columns;
        for (const CellRect& box : boxes) {
            EXPECT_TRUE(box.left >= client.left && box.right <= client.right && box.bottom <= client.bottom) << columns;
            for (const CellRect& other : boxes) {
                if (&box == &other || !overlap(box, other)) continue;
                EXPECT_TRUE(within(box, other) || within(other, box))
                    << columns << ": " << box.left << "," << box.top << " and " << other.left << "," << other.top;
            }
        }
    }
}

TEST(TermEdit, AJapaneseTitleIsDrawnTwoCellsACharacterAndEditedByCharacter) {
    resetDesktop();
    std::vector<PaintedEdit> seen;
    std::vector<std::string> texts;
    const auto look = [&](WindowHandle d) {
        seen.push_back(paintEdit(d));
        texts.push_back(getWindowText(getDlgItem(d, kTitleEdit)));
    };
    Script steps([](const std::string& why) { ADD_FAILURE() << why; });
    WindowHandle d;
    steps
        .then("type a Japanese title",
              [&] {
                  d = getActiveWindow();
                  script::typeInto(d, kTitleEdit, "日本の歌");
                  inputKey(Key::Home);
              })
        .then("at its start",
              [&] {
                  look(d);
                  inputKey(Key::End);
              })
        .then("at its end",
              [&] {
                  look(d);
                  inputKey(Key::Left);
              })
        .then("one character back",
              [&] {
                  look(d);
                  inputKey(Key::Backspace);
              })
        .then("the character before the caret deleted",
              [&] {
                  look(d);
                  inputKey(Key::Delete);
              })
        .then("the character after it deleted",
              [&] {
                  look(d);
                  script::typeInto(d, kTitleEdit, "e\u0301x");
                  inputKey(Key::Left);
                  inputKey(Key::Left);
              })
        .then("a letter and its mark are one character",
              [&] {
                  look(d);
                  inputKey(Key::Delete);
              })
        .then("done", [&] {
            look(d);
            endDialog(d, IDOK);
        });
    dialogBoxIndirect(kDialog, {}, initChecks, 0);
    ASSERT_EQ(seen.size(), 7u);
    const int left = seen[0].cursor;
    EXPECT_NE(seen[0].row.find("日本の歌"), std::string::npos);
    EXPECT_EQ(seen[1].cursor, left + 8);
    EXPECT_EQ(seen[2].cursor, left + 6);
    EXPECT_EQ(texts[3], "日本歌");
    EXPECT_EQ(seen[3].cursor, left + 4);
    EXPECT_EQ(texts[4], "日本");
    EXPECT_EQ(seen[4].cursor, left + 4);
    EXPECT_EQ(seen[5].cursor, left);  // two steps back from the end: over x, then over e and its mark
    EXPECT_EQ(texts[6], "x");
}

TEST(TermEdit, ASelectionShowsInTheSelectionStyleAndTheCursorAtItsCaretEnd) {
    resetDesktop();
    PaintedEdit painted;
    Script steps([](const std::string& why) { ADD_FAILURE() << why; });
    steps
        .then("select three letters from the start",
              [&] {
                  script::typeInto(getActiveWindow(), kTitleEdit, "abcdef");
                  inputKey(Key::Home);
                  for (int i = 0; i < 3; ++i) inputKey(Key::Right, kShift);
              })
        .then("look", [&] {
            painted = paintEdit(getActiveWindow());
            endDialog(getActiveWindow(), IDOK);
        });
    dialogBoxIndirect(kDialog, {}, initChecks, 0);
    ASSERT_NE(painted.row.find("abcdef"), std::string::npos);
    const int left = painted.cursor - 3;  // the caret after the selection
    for (int x = left; x < left + 6; ++x) {
        EXPECT_EQ(painted.styles[static_cast<std::size_t>(x)], x < left + 3 ? Style::Selected : Style::Focused) << x;
    }
}

TEST(TermEdit, ALongJapaneseTitleScrollsByWholeCharacters) {
    resetDesktop();
    const std::string title = "日本の歌日本の歌日本の歌";  // 24 cells in an edit of 15
    PaintedEdit atEnd;
    PaintedEdit atStart;
    Script steps([](const std::string& why) { ADD_FAILURE() << why; });
    steps.then("type a long title", [&] { script::typeInto(getActiveWindow(), kTitleEdit, title); })
        .then("look at its end",
              [&] {
                  atEnd = paintEdit(getActiveWindow());
                  inputKey(Key::Home);
              })
        .then("look at its start", [&] {
            atStart = paintEdit(getActiveWindow());
            endDialog(getActiveWindow(), IDOK);
        });
    dialogBoxIndirect(kDialog, {}, initChecks, 0);
    const int left = atStart.cursor;
    // The end shows whole characters up to the caret, which stands within the edit.
    EXPECT_NE(atEnd.row.find("の歌日本の歌 "), std::string::npos) << atEnd.row;
    EXPECT_LE(atEnd.cursor, left + 14);
    EXPECT_NE(atStart.row.find("日本の歌日本の "), std::string::npos) << atStart.row;  // no half of 歌
}
