// The window layer's message boxes, common dialogs and scripted input.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/ui/filedialogs.h"
#include "platform/ui/input.h"
#include "platform/ui/script.h"
#include "platform/ui/wrap.h"
#include "testfiles.h"
#include "ui_probe.h"

namespace {

using namespace ui_testing;
using Texts = std::vector<std::string>;

using UiMessageBox = UiTest;
using UiScript = UiTest;

const DialogTemplate kMain = dialogTemplate("Main", kButtonControls);

// --- Message boxes --------------------------------------------------------------

TEST_F(UiMessageBox, WithAScriptItIsModalAndDisablesItsOwnerUntilOk) {
    Script script(reportFailure);
    Probe main;
    int answer = 0;
    main.onCommand = [&](WindowHandle window, int id) {
        if (id == kOpen) answer = messageBox(window, "Disk full", "ERROR");
        if (id == kOther) messageBox(window, "Second", "Note");
    };
    script.then("show a box", [&] { script::click(main.window, kOpen); })
        .then("the box waits for OK",
              [&] {
                  const WindowHandle box = script::messageBoxWindow();
                  ASSERT_TRUE(box);
                  EXPECT_EQ(script::caption(box), "ERROR");
                  EXPECT_EQ(getActiveWindow(), box);
                  EXPECT_FALSE(isWindowEnabled(main.window));
                  script::click(main.window, kCount);
                  script::pressOk();
              })
        .then("show another, ended by Enter",
              [&] {
                  EXPECT_FALSE(script::messageBoxWindow());
                  EXPECT_TRUE(isWindowEnabled(main.window));
                  EXPECT_EQ(answer, kIdOk);
                  script::click(main.window, kOther);
              })
        .then("press Enter", [&] { script::key(Key::Enter); })
        .then("close the main window", [&] { script::close(main.window); });
    EXPECT_EQ(runDialog(kMain, main), IDCANCEL);
    EXPECT_EQ(main.count(kCount, BN_CLICKED), 0);
    const auto shown = shownMessageBoxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].owner, main.window);
    EXPECT_EQ(shown[0].text, "Disk full");
    EXPECT_EQ(shown[0].title, "ERROR");
    EXPECT_EQ(shown[1].text, "Second");
}

// A box takes all input while it is up: another window of the program, even
// one without an owner that goes on working under modal dialogs, takes no
// click, and the keyboard stays with the box.
TEST_F(UiMessageBox, WhileItIsUpAClickOnAnotherWindowDoesNothing) {
    Modeless progress(kButtonControls, "Progress");
    progress.probe.endsOn = {};
    Script script(reportFailure);
    Probe main;
    main.onCommand = [&](WindowHandle window, int id) {
        if (id == kOpen) messageBox(window, "The folder does not exist.", "ERROR");
    };
    script.then("show a box", [&] { script::click(main.window, kOpen); })
        .then("click the main window's button and the other window's",
              [&] {
                  ASSERT_TRUE(script::messageBoxWindow());
                  script::click(main.window, kOpen);
                  script::click(progress.window, IDCANCEL);
              })
        .then("nothing happened; Enter is the box's OK",
              [&] {
                  EXPECT_EQ(progress.probe.count(IDCANCEL, BN_CLICKED), 0);
                  EXPECT_EQ(main.count(kOpen, BN_CLICKED), 1);
                  EXPECT_EQ(getActiveWindow(), script::messageBoxWindow());
                  script::key(Key::Enter);
              })
        .then("the other window takes clicks again", [&] {
            EXPECT_FALSE(script::messageBoxWindow());
            script::click(progress.window, IDCANCEL);
            script::close(main.window);
        });
    EXPECT_EQ(runDialog(kMain, main), IDCANCEL);
    EXPECT_EQ(progress.probe.count(IDCANCEL, BN_CLICKED), 1);
    EXPECT_EQ(shownMessageBoxes().size(), 1u);
}

TEST_F(UiMessageBox, WithoutAnInputSourceItIsRecordedAndAnsweredAtOnce) {
    ASSERT_EQ(inputSource(), nullptr);
    EXPECT_EQ(messageBox({}, "No tag found", "Lirvane"), kIdOk);
    EXPECT_FALSE(getActiveWindow());  // no window was made to wait in
    ASSERT_EQ(shownMessageBoxes().size(), 1u);
    EXPECT_EQ(shownMessageBoxes()[0].text, "No tag found");
}

TEST_F(UiMessageBox, TextsWrapAtSpacesAndPathsAtTheirSeparators) {
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(wrapText("Disk full on the drive", 10), (Lines{"Disk full", "on the", "drive"}));
    EXPECT_EQ(wrapText("open /home/someone/music/file.mp3 now", 12),
              (Lines{"open", "/home/", "someone/", "music/", "file.mp3 now"}));
    EXPECT_EQ(wrapText("abcdefghij", 4), (Lines{"abcd", "efgh", "ij"}));  // no space, no '/': cut
    EXPECT_EQ(wrapText("one\r\n\ntwo", 10), (Lines{"one", "", "two"}));
    EXPECT_EQ(wrapText("", 10), (Lines{""}));
}

// --- The open dialog and the folder browser ---------------------------------------

constexpr char kMp3Filter[] = "MP3s (*.mp3)\0*.mp3\0All files (*.*)\0*.*\0";
constexpr char kTitle[] = "Open...";
constexpr unsigned kOpenFlags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;

// The first control of a kind in a dialog; the common dialogs have one list,
// one name field and one filter choice.
int idOf(WindowHandle dialog, WindowClass kind) {
    for (WindowHandle control : windowOf(dialog)->controls) {
        if (windowOf(control)->windowClass == kind) return getDlgCtrlID(control);
    }
    return kNoControlId;
}

WindowHandle fileDialog() { return script::window(kTitle); }
Texts listed() { return script::items(fileDialog(), idOf(fileDialog(), WindowClass::ListBox)); }

// A folder with music/{a,b,c}.mp3, music/cover.jpg, notes.txt and top.mp3.
class UiOpenDialog : public UiTest {
protected:
    UiOpenDialog() {
        std::filesystem::create_directory(folder.path() / "music");
        for (const char* name :
             {"music/a.mp3", "music/b.mp3", "music/c.mp3", "music/cover.jpg", "notes.txt", "top.mp3"}) {
            folder.make(name, {1, 2, 3});
        }
    }
    bool open(unsigned flags, const char* initialDir = ".", std::span<char> buffer = {}) {
        request.filter = kMp3Filter;
        request.file = buffer.empty() ? std::span<char>(file) : buffer;
        request.initialDir = initialDir;
        request.title = kTitle;
        request.flags = flags;
        return getOpenFileName(request);
    }
    // The result up to the empty string that ends it.
    std::string result() const {
        std::string text;
        for (std::size_t at = 0; at < file.size() && file[at] != '\0'; at += std::string(&file[at]).size() + 1) {
            text += std::string(&file[at]) + '|';
        }
        return text;
    }

    testing_support::TestFolder folder;
    const std::string base = currentFolder();
    const std::string music = base + "/music";
    std::array<char, 512> file{};
    OpenFileName request;
    Script script{reportFailure};
};

TEST_F(UiOpenDialog, KeyboardWalksIntoAFolderAndATypedNameGivesTheFullPath) {
    script
        .then("walk into music",
              [&] {
                  EXPECT_EQ(listed(), (Texts{"[..]", "[music]", "top.mp3"}));
                  EXPECT_EQ(getDlgCtrlID(getFocus()), idOf(fileDialog(), WindowClass::Edit));
                  script::key(Key::Tab);
                  script::key(Key::Down);
                  script::key(Key::Enter);
              })
        .then("type a name", [&] {
            EXPECT_EQ(listed(), (Texts{"[..]", "a.mp3", "b.mp3", "c.mp3"}));
            script::typeInto(fileDialog(), idOf(fileDialog(), WindowClass::Edit), "b.mp3");
            script::key(Key::Enter);
        });
    ASSERT_TRUE(open(kOpenFlags | OFN_ALLOWMULTISELECT));
    EXPECT_EQ(result(), music + "/b.mp3|");
    EXPECT_EQ(currentFolder(), music);
}

TEST_F(UiOpenDialog, SeveralFilesChosenWithCtrlSpaceGiveTheFolderThenTheNames) {
    script.then("choose a.mp3 and c.mp3", [&] {
        script::key(Key::Tab);
        script::key(Key::Down);
        script::key(Key::Down, kControl);
        script::key(Key::Down, kControl);
        script::key(Key::Space, kControl);
        script::key(Key::Enter);
    });
    ASSERT_TRUE(open(kOpenFlags | OFN_ALLOWMULTISELECT, "music"));
    EXPECT_EQ(result(), music + "|a.mp3|c.mp3|");
    EXPECT_EQ(std::string(file.data(), music.size() + 14), music + std::string("\0a.mp3\0c.mp3\0\0", 14));
    EXPECT_EQ(currentFolder(), music);
}

TEST_F(UiOpenDialog, CtrlClickChoiceFailsWhenItDoesNotFitTheBufferAndKeepsTheFolder) {
    const auto chooseAAndB = [&] {
        const int list = idOf(fileDialog(), WindowClass::ListBox);
        script::clickRow(fileDialog(), list, 1);
        script::clickRow(fileDialog(), list, 2, kControl);
        script::click(fileDialog(), IDOK);
    };
    std::array<char, 24> small{};
    script.then("choose a.mp3 and b.mp3", chooseAAndB);
    EXPECT_FALSE(open(kOpenFlags | OFN_ALLOWMULTISELECT, "music", small));
    EXPECT_FALSE(fileDialog());
    EXPECT_EQ(currentFolder(), base);
    script.then("choose them again", chooseAAndB);
    ASSERT_TRUE(open(kOpenFlags | OFN_ALLOWMULTISELECT, "music"));
    EXPECT_EQ(result(), music + "|a.mp3|b.mp3|");
}

TEST_F(UiOpenDialog, MissingTypedNameIsRefusedWithAMessageWhenFilesMustExist) {
    WindowHandle dialog;  // the box below has the same title
    script
        .then("type a missing name",
              [&] {
                  dialog = fileDialog();
                  script::typeInto(dialog, idOf(dialog, WindowClass::Edit), "missing.mp3");
                  script::key(Key::Enter);
              })
        .then("a message box tells so",
              [&] {
                  ASSERT_TRUE(script::messageBoxWindow());
                  EXPECT_FALSE(isWindowEnabled(dialog));
                  ASSERT_EQ(shownMessageBoxes().size(), 1u);
                  EXPECT_NE(shownMessageBoxes()[0].text.find("missing.mp3"), std::string::npos);
                  script::pressOk();
              })
        .then("the dialog is still up", [&] {
            EXPECT_TRUE(isWindowEnabled(dialog));
            script::click(dialog, IDCANCEL);
        });
    EXPECT_FALSE(open(kOpenFlags));
    EXPECT_EQ(currentFolder(), base);
}

TEST_F(UiOpenDialog, FilterChoiceChangesTheListing) {
    script
        .then("choose all files",
              [&] {
                  EXPECT_EQ(listed(), (Texts{"[..]", "a.mp3", "b.mp3", "c.mp3"}));
                  script::key(Key::Tab);
                  script::key(Key::Tab);
                  script::key(Key::Down);
              })
        .then("the listing shows every file", [&] {
            EXPECT_EQ(listed(), (Texts{"[..]", "a.mp3", "b.mp3", "c.mp3", "cover.jpg"}));
            script::key(Key::Escape);
        });
    EXPECT_FALSE(open(kOpenFlags, "music"));
}

TEST_F(UiOpenDialog, TypedRelativePathWithNoChangeDirKeepsTheWorkingDirectory) {
    script.then("type a path", [&] {
        script::typeInto(fileDialog(), idOf(fileDialog(), WindowClass::Edit), "music/../music/a.mp3");
        script::key(Key::Enter);
    });
    ASSERT_TRUE(open(kOpenFlags | OFN_NOCHANGEDIR));
    EXPECT_EQ(result(), music + "/a.mp3|");
    EXPECT_EQ(currentFolder(), base);
}

TEST_F(UiOpenDialog, FolderBrowserReturnsTheFolderShownOrOneWalkedInto) {
    std::array<char, 300> chosen{};
    const auto browser = [] { return script::window("Buscar carpeta"); };
    const auto pathField = [&] { return script::text(browser(), idOf(browser(), WindowClass::Edit)); };
    script.then("take the folder shown", [&] {
        EXPECT_EQ(script::items(browser(), idOf(browser(), WindowClass::ListBox)), (Texts{"[..]", "[music]"}));
        EXPECT_EQ(pathField(), "");  // "[..]" is highlighted: OK takes the folder shown
        script::click(browser(), IDOK);
    });
    ASSERT_TRUE(browseForFolder({}, "Choose a folder", chosen));
    EXPECT_EQ(std::string(chosen.data()), base);
    script
        .then("walk into music",
              [&] {
                  script::key(Key::Down);
                  script::key(Key::Enter);
              })
        .then("take it", [&] {
            EXPECT_EQ(pathField(), "");
            script::click(browser(), IDOK);
        });
    ASSERT_TRUE(browseForFolder({}, "Choose a folder", chosen));
    EXPECT_EQ(std::string(chosen.data()), music);
    // A path typed into the field and the OK button clicked: that folder is chosen.
    script.then("type a path and click OK", [&] {
        script::typeInto(browser(), idOf(browser(), WindowClass::Edit), "music");
        script::click(browser(), IDOK);
    });
    std::filesystem::current_path(base);
    ASSERT_TRUE(browseForFolder({}, "Choose a folder", chosen));
    EXPECT_EQ(std::string(chosen.data()), music);
}

TEST_F(UiOpenDialog, FolderBrowserOkTakesTheHighlightedSubFolderWhichThePathFieldShows) {
    std::filesystem::create_directory(folder.path() / "music" / "live");
    std::array<char, 300> chosen{};
    const auto browser = [] { return script::window("Buscar carpeta"); };
    const auto list = [&] { return idOf(browser(), WindowClass::ListBox); };
    script
        .then("highlight live inside music",
              [&] {
                  script::doubleClickRow(browser(), list(), 1);  // into music
              })
        .then("click live",
              [&] {
                  EXPECT_EQ(script::items(browser(), list()), (Texts{"[..]", "[live]"}));
                  EXPECT_EQ(script::selection(browser(), list()), std::vector<int>{0});  // its first entry
                  script::clickRow(browser(), list(), 1);
              })
        .then("the path field shows it; OK", [&] {
            EXPECT_EQ(script::text(browser(), idOf(browser(), WindowClass::Edit)), music + "/live");
            script::click(browser(), IDOK);
        });
    ASSERT_TRUE(browseForFolder({}, "Choose a folder", chosen));
    EXPECT_EQ(std::string(chosen.data()), music + "/live");
    // Back on "[..]": the folder shown again.
    script.then("highlight music, then [..], then OK", [&] {
        script::clickRow(browser(), list(), 1);
        script::clickRow(browser(), list(), 0);
        script::click(browser(), IDOK);
    });
    ASSERT_TRUE(browseForFolder({}, "Choose a folder", chosen));
    EXPECT_EQ(std::string(chosen.data()), base);
}

TEST_F(UiOpenDialog, ADoubleClickOrAbrirOnAHighlightedFolderOpensItAndEnterGoesOn) {
    script
        .then("double click music",
              [&] {
                  EXPECT_EQ(listed(), (Texts{"[..]", "[music]", "top.mp3"}));
                  script::doubleClickRow(fileDialog(), idOf(fileDialog(), WindowClass::ListBox), 1);
              })
        .then("[..] is highlighted: Enter in the list goes back up",
              [&] {
                  EXPECT_EQ(listed(), (Texts{"[..]", "a.mp3", "b.mp3", "c.mp3"}));
                  EXPECT_EQ(script::selection(fileDialog(), idOf(fileDialog(), WindowClass::ListBox)),
                            std::vector<int>{0});
                  script::key(Key::Enter);
              })
        .then("highlight music and press Abrir",
              [&] {
                  EXPECT_EQ(listed(), (Texts{"[..]", "[music]", "top.mp3"}));
                  script::clickRow(fileDialog(), idOf(fileDialog(), WindowClass::ListBox), 1);
                  script::click(fileDialog(), IDOK);
              })
        .then("a double click on a file chooses it", [&] {
            EXPECT_EQ(listed(), (Texts{"[..]", "a.mp3", "b.mp3", "c.mp3"}));
            script::doubleClickRow(fileDialog(), idOf(fileDialog(), WindowClass::ListBox), 2);
        });
    ASSERT_TRUE(open(kOpenFlags | OFN_ALLOWMULTISELECT));
    EXPECT_EQ(result(), music + "/b.mp3|");
}

TEST_F(UiOpenDialog, EnterInTheNameFieldActsOnWhatIsTypedThereWhateverTheListHighlights) {
    const auto nameField = [] { return idOf(script::window("Save..."), WindowClass::Edit); };
    const auto entryList = [] { return idOf(script::window("Save..."), WindowClass::ListBox); };
    script
        .then("highlight music",
              [&] {
                  const auto d = script::window("Save...");
                  EXPECT_EQ(script::items(d, entryList()), (Texts{"[..]", "[music]", "top.mp3"}));
                  script::clickRow(d, entryList(), 1);
              })
        .then("type the folder's own path",
              [&] {
                  script::typeInto(script::window("Save..."), nameField(), base);
                  script::key(Key::Enter);
              })
        .then("the typed folder is shown; Enter in the empty field stays there",
              [&] {
                  const auto d = script::window("Save...");
                  EXPECT_EQ(script::items(d, entryList()), (Texts{"[..]", "[music]", "top.mp3"}));
                  EXPECT_EQ(script::text(d, nameField()), "");
                  script::key(Key::Enter);
              })
        .then("a full path typed saves there, though [..] is highlighted", [&] {
            const auto d = script::window("Save...");
            ASSERT_TRUE(d);
            EXPECT_EQ(script::items(d, entryList()).size(), 3u);
            script::typeInto(d, nameField(), music + "/lista.lv3");
            script::key(Key::Enter);
        });
    request.filter = kMp3Filter;
    request.file = file;
    request.initialDir = ".";
    request.title = "Save...";
    request.flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    ASSERT_TRUE(getSaveFileName(request));
    EXPECT_EQ(result(), music + "/lista.lv3|");
}

// --- The scripted input source ------------------------------------------------------

TEST_F(UiScript, ProgramWaitingAfterTheLastStepFailsOnceAndEndsEveryLoop) {
    std::vector<std::string> failures;
    Probe main, inner;
    std::intptr_t innerResult = 0;
    main.onCommand = [&](WindowHandle window, int id) {
        if (id == kOpen) innerResult = runDialog(dialogTemplate("Inner", kButtonControls), inner, window);
    };
    {
        Script script([&](const std::string& why) { failures.push_back(why); });
        script.then("open the inner dialog", [&] { script::click(main.window, kOpen); });
        EXPECT_EQ(runDialog(kMain, main), -1);
    }
    EXPECT_EQ(innerResult, -1);
    EXPECT_FALSE(isWindow(main.window));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("after the last step"), std::string::npos) << failures[0];
    EXPECT_NE(failures[0].find("Inner"), std::string::npos) << failures[0];
}

TEST_F(UiScript, StepsLeftOverOrAPumpStepWhileWaitingAreReported) {
    std::vector<std::string> failures;
    {
        Script script([&](const std::string& why) { failures.push_back(why); });
        script.whilePumping("cancel the walk", [] {});
        Probe main;
        EXPECT_EQ(runDialog(kMain, main), -1);
    }
    {
        Script script([&](const std::string& why) { failures.push_back(why); });
        script.then("never reached", [] {});
    }
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[0].find("cancel the walk"), std::string::npos) << failures[0];
    EXPECT_NE(failures[1].find("never reached"), std::string::npos) << failures[1];
}

}  // namespace
