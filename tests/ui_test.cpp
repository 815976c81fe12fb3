// The window layer's core and controls: modal loops and owners, the filtered
// pump, the dialog keyboard handling, and each control kind under input.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/ui/input.h"
#include "platform/ui/keyhints.h"
#include "platform/ui/listitems.h"
#include "platform/ui/scrollbar.h"
#include "platform/ui/view.h"
#include "platform/ui/wrap.h"
#include "platform/ui/script.h"
#include "ui_probe.h"

namespace {

using namespace ui_testing;
using Rows = std::vector<int>;

using UiModal = UiTest;
using UiPump = UiTest;
using UiKeyboard = UiTest;
using UiList = UiTest;
using UiCombo = UiTest;
using UiEdit = UiTest;
using UiProgress = UiTest;
using UiView = UiTest;

const DialogTemplate kMain = dialogTemplate("Main", kButtonControls);
const DialogTemplate kFirst = dialogTemplate("First", kButtonControls);
const DialogTemplate kSecond = dialogTemplate("Second", kButtonControls);

// --- Modal loops and owners ---------------------------------------------------

TEST_F(UiModal, NestedDialogsEndInnermostFirstWithTheirOwnResults) {
    Script script(reportFailure);
    Probe main, outer, inner;
    std::vector<std::string> returned;
    main.onCommand = [&](WindowHandle dialog, int id) {
        if (id == kOpen) returned.push_back("outer " + std::to_string(runDialog(kFirst, outer, dialog)));
    };
    outer.endsOn = inner.endsOn = {};
    outer.onCommand = [&](WindowHandle dialog, int id) {
        if (id == kOpen) returned.push_back("inner " + std::to_string(runDialog(kSecond, inner, dialog)));
        if (id == IDOK) endDialog(dialog, 22);
    };
    inner.onCommand = [&](WindowHandle dialog, int id) {
        if (id == IDOK) endDialog(dialog, 33);
    };
    script.then("open the outer dialog", [&] { script::click(main.window, kOpen); })
        .then("open the inner dialog", [&] { script::click(outer.window, kOpen); })
        .then("only the inner dialog takes input",
              [&] {
                  EXPECT_FALSE(isWindowEnabled(main.window));
                  EXPECT_FALSE(isWindowEnabled(outer.window));
                  EXPECT_EQ(getActiveWindow(), inner.window);
                  script::click(inner.window, IDOK);
              })
        .then("the outer dialog is back",
              [&] {
                  EXPECT_FALSE(isWindow(inner.window));
                  EXPECT_TRUE(isWindowEnabled(outer.window));
                  EXPECT_EQ(returned, std::vector<std::string>{"inner 33"});
                  script::click(outer.window, IDOK);
              })
        .then("close the main window", [&] {
            EXPECT_TRUE(isWindowEnabled(main.window));
            script::close(main.window);
        });
    EXPECT_EQ(runDialog(kMain, main), IDCANCEL);
    EXPECT_EQ(returned, (std::vector<std::string>{"inner 33", "outer 22"}));
}

TEST_F(UiModal, QuitRequestEndsEveryModalLoop) {
    Script script(reportFailure);
    Probe main, dialog;
    std::intptr_t dialogResult = -1;
    main.onCommand = [&](WindowHandle, int id) {
        if (id == kOpen) dialogResult = runDialog(kFirst, dialog);
    };
    dialog.onCommand = [&](WindowHandle, int id) {
        if (id == kOther) postQuitMessage(7);
    };
    script.then("open a dialog", [&] { script::click(main.window, kOpen); }).then("ask to quit from it", [&] {
        script::click(dialog.window, kOther);
    });
    EXPECT_EQ(runDialog(kMain, main), 0);
    EXPECT_EQ(dialogResult, 0);
    EXPECT_TRUE(quitRequested());
    EXPECT_EQ(quitExitCode(), 7);
    EXPECT_FALSE(isWindow(main.window));
    EXPECT_FALSE(isWindow(dialog.window));
}

TEST_F(UiModal, EndedDialogDisappearsAtOnceWhileALaterDialogsLoopRuns) {
    Script script(reportFailure);
    Probe main, first, second;
    std::vector<std::string> returned;
    main.onCommand = [&](WindowHandle, int id) {
        if (id == kOpen) returned.push_back("first " + std::to_string(runDialog(kFirst, first)));
        if (id == kOther) returned.push_back("second " + std::to_string(runDialog(kSecond, second)));
    };
    script.then("open the first dialog", [&] { script::click(main.window, kOpen); })
        .then("open the second beside it", [&] { script::click(main.window, kOther); })
        .then("end the first", [&] { script::click(first.window, IDOK); })
        .then("the first is gone from the screen",
              [&] {
                  EXPECT_FALSE(isWindowVisible(first.window));
                  EXPECT_FALSE(script::window("First"));
                  EXPECT_EQ(getActiveWindow(), second.window);
                  EXPECT_TRUE(returned.empty());  // its loop is outside the second's
                  script::click(second.window, IDCANCEL);
              })
        .then("close the main window", [&] { script::close(main.window); });
    runDialog(kMain, main);
    EXPECT_EQ(returned, (std::vector<std::string>{"second 2", "first 1"}));
}

TEST_F(UiModal, OwnerlessDialogLeavesTheOtherWindowUsable) {
    Script script(reportFailure);
    Probe main, dialog;
    main.onCommand = [&](WindowHandle, int id) {
        if (id == kOpen) runDialog(kFirst, dialog);
    };
    script.then("open a dialog without owner", [&] { script::click(main.window, kOpen); })
        .then("use the main window",
              [&] {
                  EXPECT_TRUE(isWindowEnabled(main.window));
                  script::click(main.window, kCount);
              })
        .then("its command ran inside the dialog's loop",
              [&] {
                  EXPECT_EQ(main.count(kCount, BN_CLICKED), 1);
                  EXPECT_EQ(getActiveWindow(), main.window);
                  EXPECT_TRUE(isWindow(dialog.window));
                  script::click(dialog.window, IDCANCEL);
              })
        .then("close the main window", [&] { script::close(main.window); });
    EXPECT_EQ(runDialog(kMain, main), IDCANCEL);
}

TEST_F(UiModal, OwnedDialogDisablesItsOwnerUntilItEnds) {
    Script script(reportFailure);
    Probe main, dialog;
    main.onCommand = [&](WindowHandle window, int id) {
        if (id == kOpen) runDialog(kFirst, dialog, window);
    };
    script.then("open an owned dialog", [&] { script::click(main.window, kOpen); })
        .then("the owner ignores the user",
              [&] {
                  EXPECT_FALSE(isWindowEnabled(main.window));
                  script::click(main.window, kCount);
                  script::close(main.window);
                  inputActivate(main.window);
                  EXPECT_EQ(getActiveWindow(), dialog.window);
                  script::key(Key::Escape);
              })
        .then("the owner is back", [&] {
            EXPECT_FALSE(isWindow(dialog.window));
            EXPECT_TRUE(isWindowEnabled(main.window));
            EXPECT_EQ(main.ids(), std::vector<int>{kOpen});
            script::close(main.window);
        });
    EXPECT_EQ(runDialog(kMain, main), IDCANCEL);
}

// --- The filtered pump ----------------------------------------------------------

// The main window's kOpen runs a walk of up to kRounds rounds that pumps only
// a modeless progress window's messages, as the tag operations do.
struct Walk {
    static constexpr int kRounds = 3;
    Probe main, progress;
    std::vector<std::string> log;
    bool cancelled = false;
    DialogTemplate progressTemplate = dialogTemplate("Progress", kButtonControls);
    Module module{std::span(&progressTemplate, 1), {}, {}};

    Walk() {
        progress.endsOn = {};
        progress.onCommand = [this](WindowHandle, int id) { cancelled = cancelled || id == IDCANCEL; };
        main.onCommand = [this](WindowHandle, int id) {
            if (id == kCount) log.push_back("main count");
            if (id == kOpen) run();
        };
    }
    void run() {
        const WindowHandle window = createDialogParam(module, 0, {}, probeProc, reinterpret_cast<LParam>(&progress));
        showWindow(window, SW_SHOWNORMAL);
        for (int round = 0; round < kRounds && !cancelled; ++round) pumpOnly(window);
        log.push_back(cancelled ? "walk cancelled" : "walk finished");
        destroyWindow(window);
    }
};

TEST_F(UiPump, FilteredPumpLeavesOtherWindowsInputQueued) {
    Script script(reportFailure);
    Walk walk;
    script.then("start the walk", [&] { script::click(walk.main.window, kOpen); })
        .whilePumping("click the main window, then Cancel",
                      [&] {
                          script::click(walk.main.window, kCount);
                          script::click(walk.progress.window, IDCANCEL);
                      })
        .then("close the main window", [&] { script::close(walk.main.window); });
    runDialog(kMain, walk.main);
    EXPECT_EQ(walk.log, (std::vector<std::string>{"walk cancelled", "main count"}));
}

TEST_F(UiPump, EscapeReachesTheProgressWindowThroughThePump) {
    Script script(reportFailure);
    Walk walk;
    script.then("start the walk", [&] { script::click(walk.main.window, kOpen); })
        .whilePumping("press Esc", [&] { script::key(Key::Escape); })
        .then("close the main window", [&] { script::close(walk.main.window); });
    EXPECT_EQ(runDialog(kMain, walk.main), IDCANCEL);
    EXPECT_EQ(walk.log, std::vector<std::string>{"walk cancelled"});
    EXPECT_EQ(walk.main.ids(), (std::vector<int>{kOpen, IDCANCEL}));  // the Esc went to the walk only
}

// --- Dialog keyboard handling ---------------------------------------------------------

constexpr int kEdit = 101;
constexpr int kGo = 5;

void press(Key key, unsigned modifiers = 0) {
    inputKey(key, modifiers);
    deliver();
}

TEST_F(UiKeyboard, EnterGivesTheDefaultButtonsCommandUnlessItIsDisabled) {
    constexpr ControlTemplate controls[] = {
        {WindowClass::Edit, kEdit, 0, 0, 80, 12, "", ES_AUTOHSCROLL | WS_TABSTOP},
        {WindowClass::Button, IDOK, 0, 20, 50, 14, "OK", BS_PUSHBUTTON | WS_TABSTOP},
        {WindowClass::Button, kGo, 0, 40, 50, 14, "Go", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {WindowClass::Button, IDCANCEL, 0, 60, 50, 14, "Cancel", BS_PUSHBUTTON | WS_TABSTOP},
    };
    Modeless d(controls);
    d.probe.endsOn = {};
    ASSERT_TRUE(script::focused(d.window, kEdit));
    press(Key::Enter);
    EXPECT_EQ(d.probe.ids(), std::vector<int>{kGo});
    enableWindow(d.item(kGo), false);
    press(Key::Enter);
    EXPECT_EQ(d.probe.ids(), std::vector<int>{kGo});
    setFocus(d.item(IDOK));  // a focused push button takes the Enter key itself
    press(Key::Enter);
    EXPECT_EQ(d.probe.ids(), (std::vector<int>{kGo, IDOK}));
}

TEST_F(UiKeyboard, WithoutDefaultOrCancelButtonEnterIsOkAndEscapeAndCloseBoxAreCancel) {
    constexpr ControlTemplate controls[] = {
        {WindowClass::Edit, kEdit, 0, 0, 80, 12, "", ES_AUTOHSCROLL | WS_TABSTOP},
        {WindowClass::Button, IDOK, 0, 20, 50, 14, "OK", BS_PUSHBUTTON | WS_TABSTOP},
    };
    Modeless d(controls);
    d.probe.endsOn = {};
    inputKey(Key::Enter);
    inputKey(Key::Escape);
    inputClose(d.window);
    deliver();
    EXPECT_EQ(d.probe.ids(), (std::vector<int>{IDOK, IDCANCEL, IDCANCEL}));
    EXPECT_EQ(d.probe.commands[1].control, 0);  // no cancel button to name
}

TEST_F(UiKeyboard, TabVisitsEnabledTabStopsInTemplateOrderAndWraps) {
    constexpr ControlTemplate controls[] = {
        {WindowClass::Edit, 1, 0, 0, 80, 12, "", WS_TABSTOP},
        {WindowClass::Static, kNoControlId, 0, 14, 80, 8, "label", SS_LEFT},
        {WindowClass::Edit, 2, 0, 24, 80, 12, "", WS_TABSTOP | WS_DISABLED},
        {WindowClass::Button, 3, 0, 40, 80, 10, "no stop", BS_AUTOCHECKBOX},
        {WindowClass::Button, 4, 0, 52, 50, 14, "Four", BS_PUSHBUTTON | WS_TABSTOP},
        {WindowClass::ListBox, 5, 0, 70, 80, 40, "", WS_TABSTOP},
    };
    Modeless d(controls);
    const auto focusAfter = [](Key key, unsigned modifiers) {
        press(key, modifiers);
        return getDlgCtrlID(getFocus());
    };
    EXPECT_EQ(getDlgCtrlID(getFocus()), 1);
    EXPECT_EQ(focusAfter(Key::Tab, 0), 4);
    EXPECT_EQ(focusAfter(Key::Tab, 0), 5);
    EXPECT_EQ(focusAfter(Key::Tab, 0), 1);
    EXPECT_EQ(focusAfter(Key::Tab, kShift), 5);
    EXPECT_EQ(focusAfter(Key::Tab, kShift), 4);
    enableWindow(d.item(2), true);
    EXPECT_EQ(focusAfter(Key::Tab, kShift), 2);
    enableWindow(d.item(2), false);  // the focus does not stay on a disabled control
    EXPECT_EQ(getDlgCtrlID(getFocus()), 4);
}

TEST_F(UiKeyboard, SpacePressesButtonsButOnlyAutoCheckBoxesCheckThemselves) {
    constexpr ControlTemplate controls[] = {
        {WindowClass::Button, 1, 0, 0, 80, 10, "auto", BS_AUTOCHECKBOX | WS_TABSTOP},
        {WindowClass::Button, 2, 0, 12, 80, 10, "radio", BS_RADIOBUTTON | WS_TABSTOP},
        {WindowClass::Button, 3, 0, 24, 80, 12, "pushlike", BS_RADIOBUTTON | BS_PUSHLIKE | WS_TABSTOP},
        {WindowClass::Button, 4, 0, 40, 50, 14, "push", BS_PUSHBUTTON | WS_TABSTOP},
    };
    Modeless d(controls);
    d.probe.endsOn = {};
    for (int button = 0; button < 4; ++button) {
        inputKey(Key::Space);
        inputKey(Key::Tab);
    }
    deliver();
    EXPECT_EQ(d.probe.ids(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(script::checked(d.window, 1));
    EXPECT_FALSE(script::checked(d.window, 2));
    EXPECT_FALSE(script::checked(d.window, 3));
    script::click(d.window, 1);
    script::click(d.window, 2);
    deliver();
    EXPECT_FALSE(script::checked(d.window, 1));
    EXPECT_FALSE(script::checked(d.window, 2));
}

using Hints = std::vector<KeyHint>;

constexpr ControlTemplate kFieldsOnly[] = {
    {WindowClass::Edit, 601, 0, 0, 60, 12, "", ES_AUTOHSCROLL | WS_TABSTOP},
    {WindowClass::Edit, 602, 0, 20, 60, 12, "", ES_AUTOHSCROLL | WS_TABSTOP},
    {WindowClass::Button, 603, 0, 40, 60, 12, "View", BS_RADIOBUTTON | BS_PUSHLIKE},
    {WindowClass::ListBox, 604, 0, 60, 60, 40, "", LBS_EXTENDEDSEL | WS_TABSTOP},
};

TEST_F(UiKeyboard, KeyHintsNameOnlyWhatActsOnTheFocusedWindowAndControl) {
    Modeless fields(kFieldsOnly, "Fields");
    // No OK or Cancel button: Enter and Esc do nothing, so they are not named.
    EXPECT_EQ(keyHints(), (Hints{KeyHint::Help, KeyHint::NextField, KeyHint::AnyControl}));
    setFocus(fields.item(604));
    EXPECT_EQ(keyHints(),
              (Hints{KeyHint::Help, KeyHint::Pick, KeyHint::AddToPick, KeyHint::NextField, KeyHint::AnyControl}));
    Modeless buttons(kButtonControls, "Buttons");
    EXPECT_EQ(keyHints(), (Hints{KeyHint::Help, KeyHint::Press, KeyHint::Accept, KeyHint::Cancel, KeyHint::NextField,
                                 KeyHint::NextWindow}));
    enableWindow(buttons.item(IDCANCEL), false);
    const Hints withoutCancel = keyHints();
    EXPECT_EQ(std::count(withoutCancel.begin(), withoutCancel.end(), KeyHint::Cancel), 0);
}

TEST_F(UiKeyboard, F1ShowsTheKeyHelpInAMessageBoxOverTheActiveWindowButNotOverItself) {
    Script script(reportFailure);
    Probe main;
    script.then("F1 without key help: nothing", [&] { script::key(Key::F1); })
        .then("F1 with it",
              [&] {
                  EXPECT_FALSE(script::messageBoxWindow());
                  setKeyHelp("F1: this table of keys");
                  script::key(Key::F1);
              })
        .then("F1 in the box",
              [&] {
                  ASSERT_TRUE(script::messageBoxWindow());
                  script::key(Key::F1);
              })
        .then("still one box; OK",
              [&] {
                  EXPECT_EQ(shownMessageBoxes().size(), 1u);
                  script::pressOk();
              })
        .then("close", [&] { script::close(main.window); });
    runDialog(kMain, main);
    ASSERT_EQ(shownMessageBoxes().size(), 1u);
    EXPECT_EQ(shownMessageBoxes()[0].text, "F1: this table of keys");
    EXPECT_EQ(shownMessageBoxes()[0].title, kKeyHelpTitle);
    EXPECT_EQ(shownMessageBoxes()[0].owner, main.window);
}

// --- List boxes -----------------------------------------------------------------

constexpr int kExtended = 301;
constexpr int kSingle = 302;
constexpr int kQuiet = 303;
constexpr ControlTemplate kLists[] = {
    {WindowClass::ListBox, kExtended, 0, 0, 100, 80, "", LBS_EXTENDEDSEL | LBS_NOTIFY | WS_TABSTOP},
    {WindowClass::ListBox, kSingle, 0, 90, 100, 80, "", LBS_NOTIFY | LBS_SORT | WS_TABSTOP},
    {WindowClass::ListBox, kQuiet, 100, 0, 100, 80, "", LBS_EXTENDEDSEL | WS_TABSTOP},
};

void fill(WindowHandle list, std::initializer_list<const char*> texts) {
    for (const char* text : texts) listAddString(list, text);
}

void clickRow(const Modeless& d, int id, int row, unsigned modifiers = 0) {
    script::clickRow(d.window, id, row, modifiers);
    deliver();
}

TEST_F(UiList, SortedListInsertsIgnoringCaseAfterEqualEntries) {
    Modeless d(kLists);
    const WindowHandle sorted = d.item(kSingle);
    EXPECT_EQ(listAddString(sorted, "beta"), 0);
    EXPECT_EQ(listAddString(sorted, "Alpha"), 0);
    EXPECT_EQ(listAddString(sorted, "gamma"), 2);
    EXPECT_EQ(listAddString(sorted, "alpha"), 1);
    EXPECT_EQ(listAddString(sorted, "BETA"), 3);
    EXPECT_EQ(script::items(d.window, kSingle), (std::vector<std::string>{"Alpha", "alpha", "beta", "BETA", "gamma"}));
    const WindowHandle unsorted = d.item(kExtended);
    fill(unsorted, {"b", "a"});
    EXPECT_EQ(listInsertString(unsorted, 1, "c"), 1);
    EXPECT_EQ(listInsertString(unsorted, -1, "d"), 3);
    EXPECT_EQ(script::items(d.window, kExtended), (std::vector<std::string>{"b", "c", "a", "d"}));
    // Many at once go where each alone would.
    const std::string_view more[] = {"delta", "ALPHA", "Gamma"};
    EXPECT_EQ(listAddStrings(sorted, more), 8);
    EXPECT_EQ(script::items(d.window, kSingle),
              (std::vector<std::string>{"Alpha", "alpha", "ALPHA", "beta", "BETA", "delta", "gamma", "Gamma"}));
    // A descending run before the first entry, as a list file's block.
    const std::string_view front[] = {"ab", "Aa", "a"};
    EXPECT_EQ(listAddStrings(sorted, front), 11);
    EXPECT_EQ(script::items(d.window, kSingle)[0], "a");
    EXPECT_EQ(script::items(d.window, kSingle)[3], "Alpha");
    EXPECT_EQ(listAddStrings(unsorted, more), 7);
    EXPECT_EQ(script::items(d.window, kExtended),
              (std::vector<std::string>{"b", "c", "a", "d", "delta", "ALPHA", "Gamma"}));
}

// Thousands of entries go in and out at the front, the back and anywhere
// between, as a folder add, a list file and a removal put them: every entry
// and the selection stay reachable by index, and the sorted place is found,
// across many chunks splitting and emptying.
TEST(ListEntries, ByIndexSelectionAndSortedPlaceMatchAPlainVectorAcrossChunks) {
    struct ListItem {
        std::string text;
        bool selected = false;
    };
    ListItems items;
    std::vector<ListItem> model;
    unsigned value = 12345;
    const auto next = [&] { return value = value * 1103515245u + 12345u; };
    const auto insertAt = [&](std::size_t index, const ListItem& item) {
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(index), item);
        items.insert(index, item.text, item.selected);
    };
    const auto expectSame = [&] {
        ASSERT_EQ(items.size(), model.size());
        std::vector<std::size_t> selected;
        for (std::size_t i = 0; i < model.size(); ++i) {
            ASSERT_EQ(items[i].text, model[i].text) << i;
            if (model[i].selected) selected.push_back(i);
        }
        std::vector<std::size_t> visited;
        items.forEachSelected([&](std::size_t i, const ListEntry& item) {
            EXPECT_TRUE(item.selected);
            visited.push_back(i);
        });
        EXPECT_EQ(visited, selected);
    };
    for (int i = 0; i < 6000; ++i) {
        const std::size_t places[] = {0, model.size(), next() % (model.size() + 1)};
        insertAt(places[i % 3], {std::to_string(i), i % 7 == 0});
    }
    for (int i = 0; i < 4000; ++i) {
        const std::size_t index = i % 2 == 0 ? model.size() - 1 : next() % model.size();
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(index));
        items.erase(index);
        if (i % 5 == 0) {
            const std::size_t chosen = next() % model.size();
            model[chosen].selected = !model[chosen].selected;
            items.select(chosen, model[chosen].selected);
        }
    }
    expectSame();
    items.selectAll(false);
    for (ListItem& item : model) item.selected = false;
    items.select(1234, true);
    model[1234].selected = true;
    expectSame();

    items.clear();
    model.clear();
    const auto less = [](std::string_view a, std::string_view b) { return a < b; };
    for (int i = 0; i < 5000; ++i) {
        const std::string text = std::to_string(next() % 3000);
        const std::size_t place = items.upperBound(text, less);
        const auto byText = [](const std::string& t, const ListItem& item) { return t < item.text; };
        ASSERT_EQ(place,
                  static_cast<std::size_t>(std::upper_bound(model.begin(), model.end(), text, byText) - model.begin()));
        insertAt(place, {text, false});
    }
    expectSame();
    // A run put in at the front, across chunks, as one insert at 0 after another.
    std::vector<std::string> run;
    for (int i = 0; i < 700; ++i) run.push_back("run" + std::to_string(i));
    const std::vector<std::string_view> views(run.begin(), run.end());
    items.prepend(views);
    for (const std::string& text : run) model.insert(model.begin(), {text, false});
    expectSame();
}

TEST_F(UiList, ExtendedSelectionFollowsClicksWithControlAndShift) {
    Modeless d(kLists);
    fill(d.item(kExtended), {"r0", "r1", "r2", "r3", "r4"});
    const auto state = [&] { return script::selection(d.window, kExtended); };
    clickRow(d, kExtended, 1);
    EXPECT_EQ(state(), Rows{1});
    clickRow(d, kExtended, 3, kShift);
    EXPECT_EQ(state(), (Rows{1, 2, 3}));
    clickRow(d, kExtended, 0, kControl);
    EXPECT_EQ(state(), (Rows{0, 1, 2, 3}));
    clickRow(d, kExtended, 2, kShift);  // the range starts where the Ctrl+click was
    EXPECT_EQ(state(), (Rows{0, 1, 2}));
    clickRow(d, kExtended, 4, kShift | kControl);
    EXPECT_EQ(state(), (Rows{0, 1, 2, 3, 4}));
    clickRow(d, kExtended, 2, kControl);
    EXPECT_EQ(state(), (Rows{0, 1, 3, 4}));
    EXPECT_EQ(listGetCaretIndex(d.item(kExtended)), 2);
}

TEST_F(UiList, ExtendedSelectionKeysMoveTheCaretAndTheRange) {
    Modeless d(kLists);
    const WindowHandle list = d.item(kExtended);
    fill(list, {"r0", "r1", "r2", "r3", "r4"});
    const auto state = [&] { return script::selection(d.window, kExtended); };
    clickRow(d, kExtended, 1);
    press(Key::Down);
    EXPECT_EQ(state(), Rows{2});
    press(Key::Down, kShift);
    EXPECT_EQ(state(), (Rows{2, 3}));
    press(Key::Down, kControl);
    EXPECT_EQ(state(), (Rows{2, 3}));
    EXPECT_EQ(listGetCaretIndex(list), 4);
    press(Key::Space, kControl);
    EXPECT_EQ(state(), (Rows{2, 3, 4}));
    press(Key::Up, kShift);  // the anchor moved to the toggled entry
    EXPECT_EQ(state(), (Rows{3, 4}));
    press(Key::Home, kControl);
    press(Key::Space, kControl);
    EXPECT_EQ(state(), (Rows{0, 3, 4}));
    press(Key::Space, kControl);
    EXPECT_EQ(state(), (Rows{3, 4}));
    press(Key::Space);
    EXPECT_EQ(state(), Rows{0});
    EXPECT_EQ(listGetCaretIndex(list), 0);
}

TEST_F(UiList, SelectionChangeIsNotifiedOnlyWithTheNotifyStyle) {
    Modeless d(kLists);
    d.probe.endsOn = {};
    fill(d.item(kExtended), {"a", "b", "c"});
    fill(d.item(kQuiet), {"a", "b", "c"});
    for (int id : {kExtended, kQuiet}) {
        clickRow(d, id, 0);
        press(Key::Down);
        press(Key::Down, kControl);  // moves the caret only: no change to tell
        press(Key::Space, kControl);
    }
    EXPECT_EQ(d.probe.count(kExtended, LBN_SELCHANGE), 3);
    EXPECT_EQ(d.probe.count(kQuiet, LBN_SELCHANGE), 0);
    EXPECT_EQ(d.probe.commands.size(), 3u);
}

TEST_F(UiList, DeletingEntriesKeepsTheCaretOnAValidEntry) {
    Modeless d(kLists);
    const WindowHandle list = d.item(kExtended);
    fill(list, {"a", "b", "c", "d", "e"});
    clickRow(d, kExtended, 4);
    EXPECT_EQ(listDeleteString(list, 4), 4);
    EXPECT_EQ(listGetCaretIndex(list), 3);
    clickRow(d, kExtended, 2);
    listDeleteString(list, 0);
    EXPECT_EQ(listGetText(list, listGetCaretIndex(list)), "c");
    listDeleteString(list, listGetCaretIndex(list));
    EXPECT_EQ(listGetText(list, listGetCaretIndex(list)), "d");
    EXPECT_EQ(listDeleteString(list, 5), LB_ERR);
    for (int index = listGetCount(list) - 1; index >= 0; --index) listDeleteString(list, index);
    EXPECT_EQ(listGetCount(list), 0);
    press(Key::Down, kShift);  // nothing to move over
    listAddString(list, "x");
    EXPECT_EQ(listGetText(list, listGetCaretIndex(list)), "x");
}

constexpr int kFramed = 304;
constexpr ControlTemplate kScrolledList[] = {
    // 8 rows of 8 units between a border row above and one below.
    {WindowClass::ListBox, kFramed, 0, 0, 100, 80, "",
     LBS_EXTENDEDSEL | LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP},
};

TEST_F(UiList, ScrollBarClicksMoveByALineOrAPageAndTheThumbGoesWhereItIsDragged) {
    Modeless d(kScrolledList);
    const WindowHandle list = d.item(kFramed);
    for (int i = 0; i < 40; ++i) listAddString(list, "entry");
    listSetHorizontalExtent(list, 400);
    const auto scroll = [&](int bar, unsigned code, int position = 0) {
        inputScroll(list, bar, code, position);
        deliver();
        return getScrollInfo(list, bar).pos;
    };
    const ScrollInfo vertical = getScrollInfo(list, SB_VERT);
    EXPECT_EQ(vertical.page, 8);
    EXPECT_EQ(vertical.max, 39);
    EXPECT_EQ(scroll(SB_VERT, SB_LINEUP), 0);  // stays at the top
    EXPECT_EQ(scroll(SB_VERT, SB_LINEDOWN), 1);
    EXPECT_EQ(scroll(SB_VERT, SB_PAGEDOWN), 9);
    EXPECT_EQ(scroll(SB_VERT, SB_THUMBTRACK, 100), 32);  // the last page, not beyond it
    EXPECT_EQ(scroll(SB_VERT, SB_PAGEUP), 24);
    EXPECT_EQ(listGetTopIndex(list), 24);
    EXPECT_EQ(listGetSelCount(list), 0);  // scrolling picks nothing
    EXPECT_EQ(scroll(SB_HORZ, SB_LINEDOWN), 8);
    EXPECT_EQ(scroll(SB_HORZ, SB_PAGEDOWN), 108);
    EXPECT_EQ(scroll(SB_HORZ, SB_THUMBTRACK, 1000), 300);

    // A thumb a quarter of its 20-cell track long, at both ends and halfway.
    const ScrollInfo info{0, 39, 10, 0};
    EXPECT_EQ(thumbSpan(info, 20).length, 5);
    EXPECT_EQ(thumbSpan(info, 20).start, 0);
    EXPECT_EQ(thumbSpan({0, 39, 10, 30}, 20).start, 15);
    EXPECT_EQ(scrollPositionAt(info, 20, 15), 30);
    EXPECT_EQ(scrollPositionAt(info, 20, 99), 30);
    EXPECT_EQ(scrollPositionAt(info, 20, -3), 0);
    EXPECT_EQ(scrollPositionAt(info, 20, 8), 16);
    EXPECT_EQ(thumbSpan({0, 4, 10, 0}, 20).length, 20);  // nothing to scroll: the whole track
}

TEST_F(UiList, ADoubleClickPicksItsEntryAloneAndIsNotified) {
    Modeless d(kLists);
    const WindowHandle list = d.item(kExtended);
    fill(list, {"a", "b", "c"});
    clickRow(d, kExtended, 0);
    inputDoubleClick(list, 2);
    deliver();
    EXPECT_EQ(listGetSelItems(list), Rows{2});
    EXPECT_EQ(d.probe.count(kExtended, LBN_DBLCLK), 1);
    inputDoubleClick(d.item(kQuiet), 0);  // without the notify style: no notification
    deliver();
    EXPECT_EQ(d.probe.count(kQuiet, LBN_DBLCLK), 0);
}

// --- Combo boxes ----------------------------------------------------------------

constexpr int kGenre = 401;
constexpr int kChoice = 402;
constexpr ControlTemplate kCombos[] = {
    {WindowClass::ComboBox, kGenre, 0, 0, 90, 40, "", CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
    {WindowClass::ComboBox, kChoice, 0, 50, 90, 40, "", CBS_DROPDOWNLIST | WS_TABSTOP},
};

TEST_F(UiCombo, ExactSearchIgnoresCaseAndWrapsOverTheWholeList) {
    Modeless d(kCombos);
    const WindowHandle combo = d.item(kGenre);
    for (const char* genre : {"Rock", "Pop", "ROCK", "Rock & Roll", "Ñandú", "Šaman", "Рок"}) {
        comboAddString(combo, genre);
    }
    ASSERT_EQ(script::items(d.window, kGenre),
              (std::vector<std::string>{"Pop", "Rock", "ROCK", "Rock & Roll", "Ñandú", "Šaman", "Рок"}));
    EXPECT_EQ(comboFindStringExact(combo, -1, "rock"), 1);
    EXPECT_EQ(comboFindStringExact(combo, 1, "rock"), 2);
    EXPECT_EQ(comboFindStringExact(combo, 2, "rock"), 1);  // wrapped round
    EXPECT_EQ(comboFindStringExact(combo, 3, "pop"), 0);
    EXPECT_EQ(comboFindStringExact(combo, -1, "Roc"), CB_ERR);
    EXPECT_EQ(comboFindStringExact(combo, -1, "ñANDÚ"), 4);
    EXPECT_EQ(comboFindStringExact(combo, -1, "šAMAN"), 5);
    EXPECT_EQ(comboFindStringExact(combo, -1, "РОК"), 6);
}

TEST_F(UiCombo, SelectingNoItemEmptiesTheTextField) {
    Modeless d(kCombos);
    const WindowHandle combo = d.item(kGenre);
    for (const char* genre : {"Blues", "Jazz"}) comboAddString(combo, genre);
    EXPECT_EQ(comboSetCurSel(combo, 1), 1);
    EXPECT_EQ(getWindowText(combo), "Jazz");
    comboAddString(combo, "Acid");  // inserted before the selection, which stays on its item
    EXPECT_EQ(comboGetItemText(combo, comboGetCurSel(combo)), "Jazz");
    EXPECT_EQ(comboSetCurSel(combo, -1), CB_ERR);
    EXPECT_EQ(getWindowText(combo), "");
    comboSetCurSel(combo, 0);
    comboResetContent(combo);
    EXPECT_EQ(comboGetCount(combo), 0);
    EXPECT_EQ(getWindowText(combo), "");
}

TEST_F(UiCombo, TypingEditsOnlyAnEditableComboAndArrowsSelect) {
    Modeless d(kCombos);
    d.probe.endsOn = {};
    for (const char* genre : {"Blues", "Jazz"}) comboAddString(d.item(kGenre), genre);
    for (const char* choice : {"one", "two"}) comboAddString(d.item(kChoice), choice);
    comboSetCurSel(d.item(kGenre), 0);
    script::typeInto(d.window, kGenre, "Ska");
    deliver();
    EXPECT_EQ(script::text(d.window, kGenre), "Ska");
    EXPECT_EQ(comboGetCurSel(d.item(kGenre)), -1);
    EXPECT_EQ(d.probe.count(kGenre, CBN_EDITCHANGE), 8);  // five Backspaces and three letters
    comboSetCurSel(d.item(kChoice), 0);
    script::typeInto(d.window, kChoice, "x");
    press(Key::Down);
    EXPECT_EQ(script::text(d.window, kChoice), "two");
    EXPECT_EQ(d.probe.count(kChoice, CBN_SELCHANGE), 1);
    press(Key::F4);
    EXPECT_TRUE(comboGetDroppedState(d.item(kChoice)));
    press(Key::Escape);  // closes the list, not the dialog
    EXPECT_FALSE(comboGetDroppedState(d.item(kChoice)));
    EXPECT_EQ(d.probe.count(IDCANCEL, BN_CLICKED), 0);
}

// --- Edits ------------------------------------------------------------------------

constexpr int kNarrow = 501;
constexpr int kNarrowWidth = 40;
constexpr int kColumnUnits = 4;
constexpr ControlTemplate kEdits[] = {
    {WindowClass::Edit, kNarrow, 0, 0, kNarrowWidth, 12, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
};

TEST_F(UiEdit, TypingBackspaceDeleteAndCaretKeysEditAtTheCaret) {
    Modeless d(kEdits);
    inputText("abc");
    press(Key::Left);
    press(Key::Left);
    inputText("X");
    deliver();
    EXPECT_EQ(script::text(d.window, kNarrow), "aXbc");
    press(Key::Backspace);
    press(Key::Home);
    press(Key::Backspace);  // nothing before the caret
    press(Key::Delete);
    press(Key::End);
    inputText(
        "\t\x7F"
        "d");  // control characters are not text
    deliver();
    EXPECT_EQ(script::text(d.window, kNarrow), "bcd");
    EXPECT_EQ(d.probe.count(kNarrow, EN_CHANGE), 7);
}

TEST_F(UiEdit, TextOfAnyScriptIsEditedByCharacterAndTakenOutWhole) {
    Modeless d(kEdits);
    inputText("Кино\u0085");  // the C1 control is not text
    press(Key::Left);
    press(Key::Backspace);
    inputText("ñ");
    deliver();
    EXPECT_EQ(script::text(d.window, kNarrow), "Киñо");
    EXPECT_EQ(windowOf(d.item(kNarrow))->edit.caret, 6u);  // after three two-byte characters
    std::array<char, 4> buffer{};
    EXPECT_EQ(getDlgItemText(d.window, kNarrow, buffer), 2);  // "К": "и" would not fit with the terminator
    EXPECT_STREQ(buffer.data(), "К");
}

TEST_F(UiEdit, SingleLineEditScrollsSidewaysToKeepTheCaretShown) {
    Modeless d(kEdits);
    const Window& edit = *windowOf(d.item(kNarrow));
    const auto caretShown = [&] {
        return edit.edit.caret >= edit.edit.scroll && edit.edit.caret - edit.edit.scroll < kNarrowWidth / kColumnUnits;
    };
    inputText("abcdefghijklmnopqrstuvwxyz");
    deliver();
    EXPECT_EQ(edit.edit.caret, 26u);
    EXPECT_GT(edit.edit.scroll, 0u);
    EXPECT_TRUE(caretShown());
    press(Key::Home);
    EXPECT_EQ(edit.edit.scroll, 0u);
    // A text the program puts in shows from its start; only the caret scrolls it.
    setWindowText(d.item(kNarrow), std::string(300, 'x'));
    EXPECT_EQ(edit.edit.caret, 0u);
    EXPECT_EQ(edit.edit.scroll, 0u);
    press(Key::End);
    EXPECT_TRUE(caretShown());
    EXPECT_EQ(edit.edit.scroll, 300u + 1 - kNarrowWidth / kColumnUnits);
}

TEST_F(UiEdit, AFieldShowsAsManyCharactersAsItHasColumnsWithTheCaretAfterThem) {
    Modeless d(kEdits);
    const Window& edit = *windowOf(d.item(kNarrow));
    constexpr std::size_t kColumns = kNarrowWidth / kColumnUnits;
    inputText(std::string(kColumns - 1, '9'));  // the caret after them takes the last column
    deliver();
    EXPECT_EQ(edit.edit.scroll, 0u);
    inputText("9");
    deliver();
    EXPECT_EQ(edit.edit.scroll, 1u);
    press(Key::Backspace);
    EXPECT_EQ(edit.edit.scroll, 0u);  // nothing is hidden while the whole text fits
    // A renderer with twice the columns shows the whole text.
    inputText("99");
    deliver();
    EXPECT_EQ(edit.edit.scroll, 2u);
    EXPECT_EQ(edit.edit.firstShown(edit.text, 2 * kColumns), 0u);
}

TEST_F(UiEdit, GetDlgItemIntTakesOnlyANumberInRangeBetweenBlanks) {
    Modeless d(kEdits);
    struct Case {
        const char* text;
        bool isSigned;
        unsigned value;
        bool translated;
    };
    const Case cases[] = {
        {"300", false, 300, true},
        {" 12 ", false, 12, true},
        {"\t7", false, 7, true},
        {"12a", false, 0, false},
        {"1 2", false, 0, false},
        {"", false, 0, false},
        {"  ", false, 0, false},
        {"4294967295", false, 4294967295u, true},
        {"4294967296", false, 0, false},
        {"-5", false, 0, false},
        {"-5", true, static_cast<unsigned>(-5), true},
        {"-", true, 0, false},
        {"2147483648", true, 0, false},
        {"-2147483648", true, 0x80000000u, true},
    };
    for (const Case& c : cases) {
        setDlgItemText(d.window, kNarrow, c.text);
        bool translated = !c.translated;
        EXPECT_EQ(getDlgItemInt(d.window, kNarrow, &translated, c.isSigned), c.value) << '"' << c.text << '"';
        EXPECT_EQ(translated, c.translated) << '"' << c.text << '"';
    }
    setDlgItemInt(d.window, kNarrow, static_cast<unsigned>(-42), true);
    EXPECT_EQ(script::text(d.window, kNarrow), "-42");
}

// --- Progress bars ----------------------------------------------------------------

constexpr int kBar = 601;
constexpr ControlTemplate kBars[] = {{WindowClass::Progress, kBar, 0, 0, 170, 14, "", WS_BORDER}};

TEST_F(UiProgress, StepsFillTheRangeStartOverInsideItAndPositionsStayInRange) {
    Modeless d(kBars);
    const WindowHandle bar = d.item(kBar);
    progressSetRange(bar, 0, 3);
    progressSetStep(bar, 1);
    EXPECT_EQ(progressStepIt(bar), 0);
    EXPECT_EQ(progressStepIt(bar), 1);
    EXPECT_EQ(progressStepIt(bar), 2);
    EXPECT_EQ(progressGetPos(bar), 3);  // full after one step per entry
    progressStepIt(bar);
    EXPECT_LT(progressGetPos(bar), 3);
    progressSetStep(bar, 5);
    for (int step = 0; step < 4; ++step) {
        progressStepIt(bar);
        EXPECT_GE(progressGetPos(bar), 0);
        EXPECT_LE(progressGetPos(bar), 3);
    }
    progressSetRange(bar, 0, 0);  // a count of 65536 entries kept in 16 bits
    progressSetStep(bar, 1);
    progressStepIt(bar);
    progressStepIt(bar);
    EXPECT_EQ(progressGetPos(bar), 0);
    progressSetRange(bar, 0, 65535);
    progressSetPos(bar, 65535);
    EXPECT_EQ(progressGetPos(bar), 65535);
    progressSetRange(bar, 10, 20);
    EXPECT_EQ(progressGetPos(bar), 20);
    progressSetPos(bar, 3);
    EXPECT_EQ(progressGetPos(bar), 10);
}

// --- What each control shows, and what a click on it means ---------------------------

std::vector<const ViewElement*> elementsOf(const DialogView& view, WindowHandle control, Shape shape) {
    std::vector<const ViewElement*> found;
    for (const ViewElement& e : view.elements) {
        if (e.control == control && e.shape == shape) found.push_back(&e);
    }
    return found;
}

std::vector<std::pair<std::string, Role>> runsOf(const TextLine& line) {
    std::vector<std::pair<std::string, Role>> runs;
    for (const TextRun& run : line.runs) runs.emplace_back(run.text, run.role);
    return runs;
}

DialogView viewOf(const Modeless& d) { return dialogView(*windowOf(d.window), true); }

using Runs = std::vector<std::pair<std::string, Role>>;

TEST_F(UiView, AnEditsSelectionAndCaretAreRunsOfTheirOwnInEveryKindOfTextField) {
    constexpr int kNotes = 502;
    constexpr ControlTemplate controls[] = {
        {WindowClass::Edit, kNarrow, 0, 0, kNarrowWidth, 12, "", ES_AUTOHSCROLL | WS_TABSTOP},
        {WindowClass::Edit, kNotes, 0, 20, 40, 24, "", ES_MULTILINE | WS_TABSTOP},
        {WindowClass::ComboBox, kGenre, 0, 50, 90, 40, "", CBS_DROPDOWN | WS_TABSTOP},
    };
    Modeless d(controls);
    d.probe.endsOn = {};
    struct Case {
        int id;
        Shape shape;
    };
    for (const Case& c : {Case{kNarrow, Shape::Field}, Case{kNotes, Shape::TextBox}, Case{kGenre, Shape::Field}}) {
        script::typeInto(d.window, c.id, "abcdef");
        press(Key::Home);
        for (int i = 0; i < 3; ++i) press(Key::Right, kShift);
        const DialogView view = viewOf(d);
        const auto shown = elementsOf(view, d.item(c.id), c.shape);
        ASSERT_EQ(shown.size(), 1u) << c.id;
        EXPECT_EQ(shown.front()->role, Role::Focus);
        EXPECT_EQ(runsOf(shown.front()->lines.front()),
                  (Runs{{"abc", Role::Selected}, {"", Role::Caret}, {"def", Role::Normal}}))
            << c.id;
    }
    // Without the focus the caret goes and the selection stays; disabled text is greyed.
    enableWindow(d.item(kNarrow), false);
    const DialogView view = viewOf(d);
    const auto field = elementsOf(view, d.item(kNarrow), Shape::Field);
    EXPECT_EQ(field.front()->role, Role::Disabled);
    EXPECT_EQ(runsOf(field.front()->lines.front()), (Runs{{"abc", Role::Selected}, {"def", Role::Disabled}}));
}

TEST_F(UiView, AMultiLineEditShowsTheLinesFromItsFirstShownOneWithTheCaretLineAmongThem) {
    constexpr int kNotes = 502;
    constexpr int kRows = 3;
    constexpr ControlTemplate controls[] = {
        {WindowClass::Edit, kNotes, 0, 0, 10 * kUnitsPerColumn, kRows * kUnitsPerRow, "",
         ES_MULTILINE | WS_VSCROLL | WS_TABSTOP},
    };
    Modeless d(controls);
    const WindowHandle notes = d.item(kNotes);
    setFocus(notes);
    const DialogView empty = viewOf(d);
    EXPECT_FALSE(elementsOf(empty, notes, Shape::ScrollBar).front()->bar.scrolls);  // all of it shown
    // Ten columns, one of them the scroll bar's: lines of nine, the caret after the last.
    constexpr int kLine = 9;
    inputText(std::string(111 * kLine, 'x'));
    deliver();
    auto view = viewOf(d);
    auto box = elementsOf(view, notes, Shape::TextBox);
    ASSERT_EQ(box.front()->lines.size(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(runsOf(box.front()->lines.back()), (Runs{{"xxxxxxxxx", Role::Normal}, {"", Role::Caret}}));
    EXPECT_EQ(windowOf(notes)->edit.scroll, static_cast<std::size_t>((111 - kRows) * kLine));
    // Home wraps back from the paragraph's start once; the bar follows by bytes.
    press(Key::Home);
    view = viewOf(d);
    box = elementsOf(view, notes, Shape::TextBox);
    EXPECT_EQ(windowOf(notes)->edit.scroll, 0u);
    EXPECT_EQ(runsOf(box.front()->lines.front()), (Runs{{"", Role::Caret}, {"xxxxxxxxx", Role::Normal}}));
    const auto bar = elementsOf(view, notes, Shape::ScrollBar);
    ASSERT_EQ(bar.size(), 1u);
    EXPECT_TRUE(bar.front()->bar.scrolls);
    EXPECT_EQ(bar.front()->bar.thumb.top, bar.front()->bar.track.top);
    // A click on a line finds its bytes; below the lines, the end.
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    for (const HitArea& hit : view.hits) {
        if (hit.window == notes && hit.press == Press::Text) lines.emplace_back(hit.first, hit.length);
    }
    EXPECT_EQ(lines, (std::vector<std::pair<std::size_t, std::size_t>>{{111 * kLine, 0}, {0, 9}, {9, 9}, {18, 9}}));
}

TEST_F(UiView, ListRowsShowSelectionAndCaretAndTheirBarsAnswerWithScrollCodes) {
    Modeless d(kScrolledList);
    const WindowHandle list = d.item(kFramed);
    setFocus(list);
    // Empty, with an extent: nowhere to scroll, so no thumb and no clicks.
    listSetHorizontalExtent(list, 400);
    auto view = viewOf(d);
    for (const ViewElement* bar : elementsOf(view, list, Shape::ScrollBar)) EXPECT_FALSE(bar->bar.scrolls);
    EXPECT_EQ(
        std::count_if(view.hits.begin(), view.hits.end(), [](const HitArea& h) { return h.press == Press::Scroll; }),
        0);
    const auto empty = elementsOf(view, list, Shape::Row);
    ASSERT_EQ(empty.size(), 1u);  // where the caret stands in a list without entries
    EXPECT_TRUE(empty.front()->caretRow);
    for (int i = 0; i < 40; ++i) listAddString(list, "entry " + std::to_string(i));
    clickRow(d, kFramed, 1);
    press(Key::Down, kShift);
    view = viewOf(d);
    const auto rows = elementsOf(view, list, Shape::Row);
    ASSERT_EQ(rows.size(), 8u);
    std::vector<std::pair<Role, bool>> states;
    for (const ViewElement* row : rows) states.emplace_back(row->role, row->caretRow);
    EXPECT_EQ(states[0], (std::pair{Role::Normal, false}));
    EXPECT_EQ(states[1], (std::pair{Role::Selected, false}));
    EXPECT_EQ(states[2], (std::pair{Role::Selected, true}));
    // Rows a row below the border's, one after the other; the bars on the border.
    EXPECT_EQ(rows[0]->area.top, kUnitsPerRow);
    EXPECT_EQ(rows[7]->area.bottom, 9 * kUnitsPerRow);
    const auto bars = elementsOf(view, list, Shape::ScrollBar);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0]->area.left, 100 - kUnitsPerColumn);
    EXPECT_EQ(bars[1]->area.top, 9 * kUnitsPerRow);
    // 40 entries, 8 shown, on a track of 6 rows: a thumb of one row at the top.
    const ScrollView& vertical = bars[0]->bar;
    EXPECT_EQ(vertical.thumb.top, vertical.track.top);
    EXPECT_EQ(vertical.thumb.height(), kUnitsPerRow);
    struct Part {
        Press press;
        unsigned code;
        Rect area;
    };
    std::vector<Part> parts;
    for (const HitArea& hit : view.hits) {
        if (hit.bar == SB_VERT && (hit.press == Press::Scroll || hit.press == Press::Thumb)) {
            parts.push_back({hit.press, static_cast<unsigned>(hit.index), hit.area});
        }
    }
    ASSERT_EQ(parts.size(), 5u);  // page up is empty with the thumb at the top, but listed
    EXPECT_EQ(parts[0].code, SB_LINEUP);
    EXPECT_EQ(parts[1].code, SB_LINEDOWN);
    EXPECT_EQ(parts[3].code, SB_PAGEDOWN);
    EXPECT_EQ(parts[4].press, Press::Thumb);
    // The thumb dragged to the track's end shows the last page.
    const HitArea* thumb =
        &*std::find_if(view.hits.begin(), view.hits.end(), [](const HitArea& h) { return h.press == Press::Thumb; });
    EXPECT_EQ(thumbPositionAt(*thumb, thumb->track.height()), 40 - 8);
    EXPECT_EQ(thumbPositionAt(*thumb, -kUnitsPerRow), 0);
}

TEST_F(UiView, AnOpenDropDownHasAScrollBarAndATypedLetterGoesToTheFirstEntryWithIt) {
    Modeless d(kCombos);
    d.probe.endsOn = {};
    const WindowHandle choice = d.item(kChoice);
    for (const char* genre : {"Acid", "Blues", "Bebop", "Jazz", "Polka", "Pop", "Rock", "Ska"})
        comboAddString(choice, genre);
    setFocus(choice);
    press(Key::F4);
    auto view = viewOf(d);
    ASSERT_EQ(elementsOf(view, choice, Shape::Popup).size(), 1u);
    EXPECT_EQ(view.firstPopupElement + 1,
              static_cast<std::size_t>(&*elementsOf(view, choice, Shape::Popup).front() - view.elements.data() + 1));
    const auto rows = elementsOf(view, choice, Shape::Row);
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(windowOf(choice)->dropRows()));
    ASSERT_EQ(elementsOf(view, choice, Shape::ScrollBar).size(), 1u);
    for (const auto& [typed, expected] : std::vector<std::pair<const char*, const char*>>{
             {"b", "Blues"}, {"B", "Bebop"}, {"b", "Blues"}, {"p", "Polka"}, {"z", "Polka"}, {"s", "Ska"}}) {
        inputText(typed);
        deliver();
        EXPECT_EQ(script::text(d.window, kChoice), expected) << typed;
    }
    // Typed into an editable combo box, the text moves the open list to the
    // first entry that begins with it, and Enter takes that entry.
    const WindowHandle genre = d.item(kGenre);
    for (const char* name : {"Rock", "Reggae", "Pop"}) comboAddString(genre, name);
    script::typeInto(d.window, kGenre, "");
    press(Key::F4);
    inputText("ro");
    deliver();
    view = viewOf(d);
    const auto genreRows = elementsOf(view, genre, Shape::Row);
    ASSERT_EQ(genreRows.size(), 3u);
    EXPECT_EQ(genreRows[2]->role, Role::Selected);  // Pop, Reggae, Rock
    EXPECT_EQ(script::text(d.window, kGenre), "ro");
    press(Key::Enter);
    EXPECT_EQ(script::text(d.window, kGenre), "Rock");
    EXPECT_FALSE(comboGetDroppedState(genre));
    // The list closes when the focus moves on.
    setFocus(choice);
    press(Key::F4);
    press(Key::Tab);
    EXPECT_FALSE(comboGetDroppedState(choice));
    view = viewOf(d);
    EXPECT_TRUE(elementsOf(view, choice, Shape::Popup).empty());
}

TEST_F(UiView, GroupFramesKnowTheFrameAroundThemAndComeFirst) {
    constexpr ControlTemplate controls[] = {
        {WindowClass::Button, kOpen, 10, 10, 50, 14, "Open", BS_PUSHBUTTON | WS_TABSTOP},
        {WindowClass::Button, kNoControlId, 0, 0, 180, 100, "Outer", BS_GROUPBOX},
        {WindowClass::Button, kNoControlId, 5, 30, 100, 40, "Inner", BS_GROUPBOX},
        {WindowClass::Button, kNoControlId, 110, 30, 60, 40, "Beside", BS_GROUPBOX},
    };
    Modeless d(controls);
    const DialogView view = viewOf(d);
    ASSERT_EQ(view.elements.size(), 4u);
    EXPECT_EQ(view.elements[0].parent, -1);
    EXPECT_EQ(view.elements[1].parent, 0);
    EXPECT_EQ(view.elements[2].parent, 0);
    EXPECT_EQ(view.elements[3].shape, Shape::PushButton);
    // Only the button takes clicks.
    ASSERT_EQ(view.hits.size(), 1u);
    EXPECT_EQ(view.hits[0].element, 3);
}

TEST_F(UiKeyboard, EachControlKindAnswersWhatKeysItWantsAndAnEnterOnAnOpenListClosesIt) {
    constexpr ControlTemplate controls[] = {
        {WindowClass::Button, kOpen, 0, 0, 50, 14, "Open", BS_PUSHBUTTON | WS_TABSTOP},
        {WindowClass::Button, IDOK, 0, 20, 50, 14, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {WindowClass::Button, kOther, 0, 40, 50, 14, "Tick", BS_AUTOCHECKBOX | WS_TABSTOP},
        {WindowClass::Static, kNoControlId, 60, 0, 50, 8, "Label", SS_LEFT},
        {WindowClass::Edit, kEdit, 60, 20, 50, 12, "", ES_AUTOHSCROLL | WS_TABSTOP},
        {WindowClass::ListBox, kExtended, 60, 40, 50, 40, "", LBS_NOTIFY | WS_TABSTOP},
        {WindowClass::ComboBox, kGenre, 120, 0, 50, 40, "", CBS_DROPDOWN | WS_TABSTOP},
        {WindowClass::ComboBox, kChoice, 120, 40, 50, 40, "", CBS_DROPDOWNLIST | WS_TABSTOP},
    };
    Modeless d(controls);
    d.probe.endsOn = {};
    const auto code = [&](int id) { return static_cast<unsigned>(sendMessage(d.item(id), WM_GETDLGCODE, 0, 0)); };
    EXPECT_EQ(code(kOpen), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(code(IDOK), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(code(kOther), DLGC_BUTTON);
    EXPECT_EQ(sendMessage(windowOf(d.window)->controls[3], WM_GETDLGCODE, 0, 0), static_cast<LParam>(DLGC_STATIC));
    EXPECT_EQ(code(kEdit), DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL);
    EXPECT_EQ(code(kExtended), DLGC_WANTCHARS | DLGC_WANTARROWS);
    EXPECT_EQ(code(kGenre), DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL);
    EXPECT_EQ(code(kChoice), DLGC_WANTCHARS | DLGC_WANTARROWS);
    EXPECT_TRUE(takesTyping(d.item(kGenre)));
    EXPECT_FALSE(takesTyping(d.item(kChoice)));
    comboAddString(d.item(kChoice), "one");
    comboShowDropdown(d.item(kChoice), true);  // takes the focus with it
    EXPECT_EQ(code(kChoice), DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTALLKEYS);
    press(Key::Enter);
    EXPECT_FALSE(comboGetDroppedState(d.item(kChoice)));
    EXPECT_EQ(d.probe.count(IDOK, BN_CLICKED), 0);  // the open list took the Enter
    press(Key::Enter);
    EXPECT_EQ(d.probe.count(IDOK, BN_CLICKED), 1);
}

}  // namespace
