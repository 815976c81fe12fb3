// The terminal front end without a terminal: where units land in cells, what
// keys mean, and what the painter draws.
#include <curses.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "platform/ui/input.h"
#include "platform/ui/script.h"
#include "platform/ui/term/keys.h"
#include "platform/ui/term/layout.h"
#include "platform/ui/term/painter.h"
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

TEST(TermLayout, WindowsArePlacedBesideOrOverTheirOwner) {
    const CellRect main{0, 0, 80, 42};
    const CellRect small{0, 0, 47, 12};
    EXPECT_EQ(placeWindow(main, {}, {}, 160, 50), main);
    const std::vector<Placement> placed = {{WindowHandle{2}, main}};
    EXPECT_EQ(placeWindow(small, {}, placed, 160, 50), (CellRect{80, 0, 127, 12}));
    const CellRect owned = placeWindow(small, WindowHandle{2}, placed, 160, 50);
    EXPECT_EQ(owned, (CellRect{16, 15, 63, 27}));
    // No room beside it: centred on the screen.
    EXPECT_EQ(placeWindow(small, {}, placed, 100, 45), (CellRect{26, 16, 73, 28}));
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
            Painter painter(canvas, Scale{1.0});
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
        return found == painted.hits.rend() ? std::pair{HitKind::Caption, -2} : std::pair{found->kind, found->index};
    };
    EXPECT_EQ(hitAt(28, 0), (std::pair{HitKind::CloseBox, -1}));
    EXPECT_EQ(hitAt(5, 0), (std::pair{HitKind::Caption, -1}));
    EXPECT_EQ(hitAt(4, 4), (std::pair{HitKind::ListRow, 1}));
    EXPECT_EQ(hitAt(4, 5).first, HitKind::Control);  // the list below its entries
    EXPECT_EQ(hitAt(3, 7).first, HitKind::Control);  // the button
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
            const Scale scale = scaleForWindow(Scale{1.0}, windowOf(shown)->rect.width(), kMinColumns);
            const CellRect outer{0, 0, scale.columns(windowOf(shown)->rect.width()),
                                 frameRows(false) + scale.rows(windowOf(shown)->rect.height())};
            Painter painter(canvas, Scale{1.0});
            painter.paint({{shown, outer}}, {}, "");
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
};

PaintedEdit paintEdit(WindowHandle dialog) {
    Canvas canvas(32, 12);
    Painter painter(canvas, Scale{1.0});
    painter.paint({{dialog, {0, 0, 30, 9}}}, {}, "");
    return {canvas.rowText(canvas.cursorY), canvas.cursorX};
}

}  // namespace

TEST(TermPainter, TheRenameDialogShowsEveryButtonWholeInEightyColumns) {
    const std::vector<std::string> rows = paintedAtSmallestSize(res::kRenameDialog);
    const auto shown = [&](const std::string& text) {
        return std::any_of(rows.begin(), rows.end(), [&](const std::string& row) { return row.find(text) != std::string::npos; });
    };
    ASSERT_FALSE(rows.empty());
    EXPECT_TRUE(shown("Renombrar desde TAG's"));
    EXPECT_TRUE(shown("[X]"));
    for (const char* caption : {"Añadir texto", "Borrar", "Mover Arriba", "Mover Abajo", "○ID3v1.1", "○ID3v2.3",
                                "Añadir Tag", "Renombrar", "Cancelar", "○Seleccionado", "○Todo", "Texto Plano",
                                "ID3 Tags", "Estructura de archivo"}) {
        EXPECT_TRUE(shown(caption)) << caption;
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
    steps.then("type a Japanese title", [&] {
        d = getActiveWindow();
        script::typeInto(d, kTitleEdit, "日本の歌");
        inputKey(Key::Home);
    })
        .then("at its start", [&] { look(d); inputKey(Key::End); })
        .then("at its end", [&] { look(d); inputKey(Key::Left); })
        .then("one character back", [&] { look(d); inputKey(Key::Backspace); })
        .then("the character before the caret deleted", [&] { look(d); inputKey(Key::Delete); })
        .then("the character after it deleted", [&] { look(d); script::typeInto(d, kTitleEdit, "e\u0301x"); inputKey(Key::Left); inputKey(Key::Left); })
        .then("a letter and its mark are one character", [&] { look(d); inputKey(Key::Delete); })
        .then("done", [&] { look(d); endDialog(d, IDOK); });
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

TEST(TermEdit, ALongJapaneseTitleScrollsByWholeCharacters) {
    resetDesktop();
    const std::string title = "日本の歌日本の歌日本の歌";  // 24 cells in an edit of 15
    PaintedEdit atEnd;
    PaintedEdit atStart;
    Script steps([](const std::string& why) { ADD_FAILURE() << why; });
    steps.then("type a long title", [&] { script::typeInto(getActiveWindow(), kTitleEdit, title); })
        .then("look at its end", [&] {
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
