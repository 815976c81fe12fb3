// The window layer's input that the desktop renderer relies on: selecting in
// edits with Shift and the mouse, the clipboard, scroll bar positions, the
// menu bar's keyboard and mouse, and where top-level windows are placed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/input.h"
#include "platform/ui/menu.h"
#include "platform/ui/placement.h"
#include "platform/ui/script.h"
#include "res/resources.h"
#include "ui_probe.h"

namespace {

using namespace ui_testing;

using UiSelection = UiTest;
using UiScroll = UiTest;
using UiMenu = UiTest;

constexpr int kField = 601;
constexpr int kNotes = 602;
constexpr int kRows = 603;
constexpr int kListHeight = 40;  // five rows
constexpr int kListWidth = 100;
constexpr ControlTemplate kControls[] = {
    {WindowClass::Edit, kField, 0, 0, 80, 12, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
    {WindowClass::Edit, kNotes, 0, 14, 80, 30, "", ES_MULTILINE | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
    {WindowClass::ListBox, kRows, 0, 50, kListWidth, kListHeight, "",
     LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP},
};

constexpr char kSelectAll = 0x01, kCopy = 0x03, kPaste = 0x16, kCut = 0x18;

void typeCommand(char command) {
    inputText(std::string_view(&command, 1));
    deliver();
}

void press(Key key, unsigned modifiers = 0) {
    inputKey(key, modifiers);
    deliver();
}

const EditState& editOf(const Modeless& d, int id) { return windowOf(d.item(id))->edit; }

TEST_F(UiSelection, ShiftWithCaretKeysSelectsAndTypingReplacesTheSelection) {
    Modeless d(kControls);
    inputText("Hola mundo");
    press(Key::Home);
    press(Key::Right, kShift);
    press(Key::Right, kShift);
    EXPECT_EQ(editOf(d, kField).selectionStart(), 0u);
    EXPECT_EQ(editOf(d, kField).selectionEnd(), 2u);
    inputText("Ch");
    deliver();
    EXPECT_EQ(script::text(d.window, kField), "Chla mundo");
    press(Key::End, kShift);
    press(Key::Home, kShift);  // the selection turns round its anchor
    press(Key::Delete);
    EXPECT_EQ(script::text(d.window, kField), "la mundo");
    press(Key::Home);
    press(Key::End, kShift);
    press(Key::Backspace);
    EXPECT_EQ(script::text(d.window, kField), "");
    // Left without Shift leaves a selection at its start.
    inputText("abc");
    press(Key::Left, kShift);
    press(Key::Left, kShift);
    press(Key::Left);
    EXPECT_EQ(editOf(d, kField).caret, 1u);
    EXPECT_FALSE(editOf(d, kField).hasSelection());
}

TEST_F(UiSelection, ClicksPlaceTheCaretShiftClickAndDragSelect) {
    Modeless d(kControls);
    setWindowText(d.item(kField), "abcdefgh");
    inputClick(d.item(kField), 0, 2);
    inputDrag(d.item(kField), 5);
    deliver();
    EXPECT_EQ(editOf(d, kField).selectionStart(), 2u);
    EXPECT_EQ(editOf(d, kField).selectionEnd(), 5u);
    inputClick(d.item(kField), 0, 99);  // past the end: at the end
    inputClick(d.item(kField), kShift, 6);
    deliver();
    EXPECT_EQ(editOf(d, kField).selectionStart(), 6u);
    EXPECT_EQ(editOf(d, kField).selectionEnd(), 8u);
    inputClick(d.item(kField));  // no offset: the end, as before
    deliver();
    EXPECT_EQ(editOf(d, kField).caret, 8u);
    EXPECT_FALSE(editOf(d, kField).hasSelection());
}

TEST_F(UiSelection, CutCopyAndPasteGoThroughTheClipboard) {
    Modeless d(kControls);
    inputText("uno dos");
    typeCommand(kSelectAll);
    typeCommand(kCopy);
    EXPECT_EQ(clipboard(), "uno dos");
    EXPECT_EQ(script::text(d.window, kField), "uno dos");
    press(Key::End);
    press(Key::Left, kShift);
    press(Key::Left, kShift);
    press(Key::Left, kShift);
    typeCommand(kCut);
    EXPECT_EQ(clipboard(), "dos");
    EXPECT_EQ(script::text(d.window, kField), "uno ");
    press(Key::Home);
    typeCommand(kPaste);
    EXPECT_EQ(script::text(d.window, kField), "dosuno ");
    EXPECT_EQ(d.probe.count(kField, EN_CHANGE), 7 + 2);  // seven typed, one cut, one paste
    // A single-line field takes the first line of a longer clip; a multi-line one all of it.
    setClipboard("eins\r\nzwei");
    typeCommand(kPaste);
    EXPECT_EQ(script::text(d.window, kField), "doseinsuno ");
    setFocus(d.item(kNotes));
    typeCommand(kPaste);
    EXPECT_EQ(script::text(d.window, kNotes), "eins\r\nzwei");
}

TEST_F(UiSelection, CopyWithoutSelectionAndCommandsOutsideEditsChangeNothing) {
    Modeless d(kControls);
    setClipboard("kept");
    inputText("texto");
    typeCommand(kCopy);
    typeCommand(kCut);
    EXPECT_EQ(clipboard(), "kept");
    EXPECT_EQ(script::text(d.window, kField), "texto");
    setFocus(d.item(kRows));
    typeCommand(kPaste);
    EXPECT_EQ(script::text(d.window, kField), "texto");
}

TEST_F(UiScroll, ScrollBarPositionsMoveTheListWithinItsEntries) {
    Modeless d(kControls);
    const WindowHandle list = d.item(kRows);
    for (int i = 0; i < 20; ++i) listAddString(list, "entry " + std::to_string(i));
    listSetHorizontalExtent(list, kListWidth + 50);
    inputScroll(list, SB_VERT, SB_THUMBTRACK, 7);
    deliver();
    EXPECT_EQ(listGetTopIndex(list), 7);
    inputScroll(list, SB_VERT, SB_THUMBTRACK, 500);  // no further than the last page
    deliver();
    EXPECT_EQ(listGetTopIndex(list), 20 - kListHeight / kUnitsPerRow);
    inputScroll(list, SB_VERT, SB_THUMBTRACK, -3);
    inputScroll(list, SB_HORZ, SB_THUMBTRACK, 30);
    deliver();
    EXPECT_EQ(listGetTopIndex(list), 0);
    EXPECT_EQ(windowOf(list)->list.horizontalOffset, 30);
    inputScroll(list, SB_HORZ, SB_THUMBTRACK, 999);  // no further than the extent allows
    deliver();
    EXPECT_EQ(windowOf(list)->list.horizontalOffset, 50);
    EXPECT_TRUE(script::selection(d.window, kRows).empty());  // scrolling selects nothing
}

TEST_F(UiScroll, ADraggedThumbReachesEntriesPastTheSixteenBitPositions) {
    Modeless d(kControls);
    const WindowHandle list = d.item(kRows);
    constexpr int kMany = 70000;
    for (int i = 0; i < kMany; ++i) listInsertString(list, -1, "x");
    inputScroll(list, SB_VERT, SB_THUMBTRACK, 68000);
    deliver();
    EXPECT_EQ(listGetTopIndex(list), 68000);
    EXPECT_EQ(getScrollInfo(list, SB_VERT).pos, 68000);
}

// The program's own menu: "&Archivo" (Cargar, Guardar, Renombrar, a separator,
// "&Opciones") and "&Ayuda" (Acerca de).
class MainMenu : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        window =
            createDialogParam(res::lirvaneModule(), res::kMainDialog, {}, probeProc, reinterpret_cast<LParam>(&probe));
        showWindow(window, SW_SHOWNORMAL);
    }
    Probe probe;
    WindowHandle window;
    MenuState menu;
};

TEST_F(MainMenu, ArrowsSkipTheSeparatorAndEnterSendsTheItemsCommand) {
    menu.open(window, 0);
    EXPECT_EQ(menu.item, 0);
    menu.key(Key::Down);
    menu.key(Key::Down);
    menu.key(Key::Down);  // over the separator
    EXPECT_EQ(menu.item, 4);
    menu.key(Key::Right);  // the next popup, at its first item
    EXPECT_EQ(menu.popup, 1);
    menu.key(Key::Right);  // round to the first
    menu.key(Key::Up);     // round to the last item
    EXPECT_EQ(menu.item, 4);
    menu.key(Key::Enter);
    EXPECT_FALSE(menu.isOpen());
    deliver();
    EXPECT_EQ(probe.ids(), std::vector<int>{res::kMenuOptions});
}

TEST_F(MainMenu, AccessLettersOpenPopupsAndChooseItems) {
    EXPECT_FALSE(menu.openByAccess(window, 'y'));
    // Both titles have the access key 'a': the first one opens, then the next.
    EXPECT_TRUE(menu.openByAccess(window, 'a'));
    EXPECT_EQ(menu.popup, 0);
    EXPECT_TRUE(menu.openByAccess(window, 'a'));
    EXPECT_EQ(menu.popup, 1);
    EXPECT_TRUE(menu.openByAccess(window, 'a'));
    EXPECT_EQ(menu.popup, 0);
    menu.access('z');  // no such item: the menu stays open
    EXPECT_TRUE(menu.isOpen());
    menu.access(0);  // a key without a letter chooses nothing, not the item without access key
    EXPECT_TRUE(menu.isOpen());
    menu.access('g');
    EXPECT_FALSE(menu.isOpen());
    deliver();
    EXPECT_EQ(probe.ids(), std::vector<int>{res::kMenuSaveList});
}

TEST_F(MainMenu, AClickOnATitleOpensOrClosesItsPopupAndAClickOnAnItemChoosesIt) {
    menu.clickTitle(window, 1);
    EXPECT_EQ(menu.popup, 1);
    menu.clickTitle(window, 1);
    EXPECT_FALSE(menu.isOpen());
    menu.clickTitle(window, 0);
    menu.clickItem(2);
    EXPECT_FALSE(menu.isOpen());
    deliver();
    EXPECT_EQ(probe.ids(), std::vector<int>{res::kMenuRenameFromTags});
}

TEST_F(MainMenu, ADisabledWindowOpensNoMenuAndAnOpenOneClosesWhenItIsDisabled) {
    enableWindow(window, false);
    menu.open(window, 0);
    EXPECT_FALSE(menu.isOpen());
    enableWindow(window, true);
    menu.open(window, 1);
    EXPECT_TRUE(menu.isOpen());
    enableWindow(window, false);
    menu.keepValid();
    EXPECT_FALSE(menu.isOpen());
    menu.open(WindowHandle{}, 0);
    EXPECT_FALSE(menu.isOpen());
    int access = -1;
    EXPECT_EQ(menuText("&Guardar Lista...", access), "Guardar Lista...");
    EXPECT_EQ(access, 0);
    EXPECT_EQ(menuAccessKey("Opciones..."), 0);
    EXPECT_EQ(menuAccessKey("&Opciones..."), 'o');
}

TEST(UiPlacement, MainWindowAtTheCornerOwnedOverItsOwnerAndOwnerlessOverTheMainWindow) {
    const Rect screen{0, 0, 1000, 700};
    const Rect main{0, 0, 560, 540};
    const Rect small{0, 0, 300, 200};
    EXPECT_EQ(placeTopLevel(main, nullptr, {}, screen).left, 0);
    const std::vector<Rect> placed{main, {600, 0, 900, 200}};
    const Rect owned = placeTopLevel(small, &placed[1], placed, screen);
    EXPECT_EQ(owned.left, 600);
    EXPECT_EQ(owned.top, 0);
    // Without owner: over the main window's centre, wherever the others stand.
    const Rect ownerless = placeTopLevel(small, nullptr, placed, screen);
    EXPECT_EQ(ownerless.left, 130);
    EXPECT_EQ(ownerless.top, 170);
    // An owner near the edge keeps the window inside the screen.
    const std::vector<Rect> wide{{0, 0, 900, 500}};
    const Rect corner{900, 650, 1000, 700};
    const Rect kept = placeTopLevel(small, &corner, wide, screen);
    EXPECT_EQ(kept.right, 1000);
    EXPECT_EQ(kept.bottom, 700);
}

}  // namespace
