// Scenarios that drive the real main window through the scripted input.
#include "tests/app_scenario.h"

using namespace app_testing;

namespace {

class MainWindowStart : public AppScenario {};
class TagViews : public AppScenario {};
class TagPanel : public AppScenario {};
class OptionsDialog : public AppScenario {};
class SmallDialogs : public AppScenario {};
class AddingFiles : public AppScenario {};
class RemovingEntries : public AppScenario {};
class ListFiles : public AppScenario {};

}  // namespace

// --- Start and end ---------------------------------------------------------------

TEST_F(MainWindowStart, ShowsTheV1ViewWithEveryBoxCheckedAndIgnoresEnterAndEsc) {
    then("look at the start state", [&] {
        const auto w = main();
        ASSERT_TRUE(w);
        expectView(true);
        expectEnabled(kV2OnlyFields, false);
        for (int id : kFieldChecks) EXPECT_TRUE(script::checked(w, id)) << id;
        EXPECT_TRUE(script::checked(w, res::kScopeSelected));
        EXPECT_FALSE(script::checked(w, res::kScopeAll));
        EXPECT_TRUE(script::focused(w, res::kTitleEdit));
        EXPECT_EQ(script::items(w, res::kGenreCombo).size(), tags::kGenreCount);
        EXPECT_TRUE(entries().empty());
        EXPECT_EQ(platform::listGetHorizontalExtent(fileList()), 1024);
        EXPECT_EQ(platform::windowOf(w)->grows, fileList());  // a larger window shows more of the list
        expectPanelEmpty();
        script::key(Key::Escape);
        script::key(Key::Enter);
    });
    then("Enter and Esc did nothing", [&] {
        EXPECT_TRUE(main());
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        EXPECT_EQ(platform::desktop().zOrder.size(), 1u);
        script::close(main());
    });
    run();
}

// --- Views and field check boxes ---------------------------------------------------

TEST_F(TagViews, CheckStatesAndEnabledStatesSurviveViewSwitches) {
    then("uncheck Titulo: in the v1 view", [&] { script::click(main(), res::kTitleCheck); });
    then("switch to the v2 view", [&] {
        EXPECT_FALSE(script::checked(main(), res::kTitleCheck));
        expectEnabled({res::kTitleEdit}, false);
        script::click(main(), res::kViewV2);
    });
    then("uncheck Compositor: in the v2 view", [&] {
        expectView(false);
        expectEnabled(kV2OnlyFields, true);
        expectEnabled({res::kTitleEdit}, false);
        script::click(main(), res::kComposerCheck);
    });
    then("back to the v1 view", [&] {
        expectEnabled({res::kComposerEdit}, false);
        script::click(main(), res::kViewV1);
    });
    then("and to the v2 view again", [&] {
        expectView(true);
        EXPECT_FALSE(script::checked(main(), res::kComposerCheck));
        EXPECT_FALSE(script::checked(main(), res::kTitleCheck));
        script::click(main(), res::kViewV2);
    });
    then("Compositor: is enabled, its edit is not", [&] {
        expectView(false);
        EXPECT_FALSE(script::checked(main(), res::kComposerCheck));
        expectEnabled({res::kComposerEdit, res::kTitleEdit}, false);
        expectEnabled({res::kCopyrightEdit, res::kUrlEdit}, true);
        script::click(main(), res::kTitleCheck);
    });
    then("checking Titulo: again enables its edit", [&] {
        EXPECT_TRUE(script::checked(main(), res::kTitleCheck));
        expectEnabled({res::kTitleEdit}, true);
        script::close(main());
    });
    run();
}

TEST_F(TagViews, SwitchingWithAnEmptyListClearsThePanelAndReadsNothing) {
    then("type into the panel and switch", [&] {
        script::typeInto(main(), res::kTitleEdit, "typed title");
        script::typeInto(main(), res::kCommentEdit, "typed comment");
        script::typeInto(main(), res::kGenreCombo, "Rock");
        script::click(main(), res::kViewV2);
    });
    then("the v2 view is empty", [&] {
        EXPECT_TRUE(script::checked(main(), res::kViewV2));
        expectPanelEmpty();
        script::typeInto(main(), res::kComposerEdit, "typed composer");
        script::click(main(), res::kViewV1);
    });
    then("the v1 view is empty", [&] {
        EXPECT_TRUE(script::checked(main(), res::kViewV1));
        expectPanelEmpty();
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        script::close(main());
    });
    run();
}

TEST_F(TagViews, ClickingTheViewAlreadyShownChangesNothingAndReadsNoFile) {
    const std::string gone = folder.make("gone.mp3", audio(400));
    addFiles(folder.path().string(), "gone.mp3");
    then("remove the file and click the v1 view", [&] {
        std::filesystem::remove(gone);
        script::typeInto(main(), res::kTitleEdit, "kept");
        script::click(main(), res::kViewV1);
    });
    then("switch for real", [&] {
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        EXPECT_EQ(script::text(main(), res::kTitleEdit), "kept");
        script::click(main(), res::kViewV2);
    });
    // A real switch reads the current entry, so the missing file is reported.
    expectReadFailure(gone, app::kReadV2Failed);
    then("click the v2 view again", [&] {
        platform::clearShownMessageBoxes();
        script::typeInto(main(), res::kTitleEdit, "kept again");
        script::click(main(), res::kViewV2);
    });
    then("nothing was read", [&] {
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        EXPECT_EQ(script::text(main(), res::kTitleEdit), "kept again");
        EXPECT_TRUE(script::checked(main(), res::kViewV2));
        script::close(main());
    });
    run();
}

// --- Showing tags ------------------------------------------------------------------

TEST_F(TagPanel, ShowsTheV1AndV2TagsOfTheSelectedFile) {
    const Bytes v2 =
        v2Tag({textFrame("TIT2", "V2 Title"), textFrame("TPE1", "V2 Artist"), textFrame("TALB", "V2 Album"),
               textFrame("TYER", "2001"), textFrame("TRCK", "7/12"), textFrame("TCON", "(17)"),
               frame("COMM", ByteBuilder().bytes({0}).text("eng").bytes({0}).text("V2 comment")),
               textFrame("TCOM", "Composer"), textFrame("TCOP", "Copyright"), textFrame("TENC", "Encoder"),
               textFrame("TOPE", "Orig Artist"), frame("WXXX", ByteBuilder().bytes({0, 0}).text("http://u.example"))});
    folder.make("a-both.mp3", concat({v2, audio(400), v1Trailer("Rock song", 0, 17)}));
    folder.make("b-nogenre.mp3", concat({audio(400), v1Trailer("No genre", 5, 255)}));
    folder.make("c-untagged.mp3", audio(400));
    addFiles(folder.path().string(), "\"a-both.mp3\" \"b-nogenre.mp3\" \"c-untagged.mp3\"");
    then("select the file with both tags", [&] { script::clickRow(main(), res::kFileList, 0); });
    then("its v1 tag is shown", [&] {
        expectTexts({{res::kTitleEdit, "Rock song"},
                     {res::kArtistEdit, "V1 Artist"},
                     {res::kAlbumEdit, "V1 Album"},
                     {res::kYearEdit, "1999"},
                     {res::kCommentEdit, "V1 comment"},
                     {res::kTrackEdit, "0"},
                     {res::kGenreCombo, "Rock"}});
        const auto combo = platform::getDlgItem(main(), res::kGenreCombo);
        EXPECT_EQ(platform::comboGetItemText(combo, platform::comboGetCurSel(combo)), "Rock");
        script::clickRow(main(), res::kFileList, 1);
    });
    then("genre 255 leaves the combo box empty", [&] {
        expectTexts({{res::kTitleEdit, "No genre"}, {res::kTrackEdit, "5"}, {res::kGenreCombo, ""}});
        EXPECT_EQ(platform::comboGetCurSel(platform::getDlgItem(main(), res::kGenreCombo)), -1);
        script::clickRow(main(), res::kFileList, 2);
    });
    then("an untagged file shows nothing", [&] {
        expectPanelEmpty();
        script::clickRow(main(), res::kFileList, 0);
        script::click(main(), res::kViewV2);
    });
    then("the v2 tag of the current entry is shown", [&] {
        expectTexts({{res::kTitleEdit, "V2 Title"},
                     {res::kArtistEdit, "V2 Artist"},
                     {res::kAlbumEdit, "V2 Album"},
                     {res::kYearEdit, "2001"},
                     {res::kTrackEdit, "7/12"},
                     {res::kGenreCombo, "(17)"},
                     {res::kCommentEdit, "V2 comment"},
                     {res::kComposerEdit, "Composer"},
                     {res::kCopyrightEdit, "Copyright"},
                     {res::kEncodedByEdit, "Encoder"},
                     {res::kOrigArtistEdit, "Orig Artist"},
                     {res::kUrlEdit, "http://u.example"}});
        // A numeric genre reference stays as written: no list item is chosen for it.
        EXPECT_EQ(platform::comboGetCurSel(platform::getDlgItem(main(), res::kGenreCombo)), -1);
        script::clickRow(main(), res::kFileList, 1);
    });
    then("a file without a v2 tag shows nothing", [&] {
        expectPanelEmpty();
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        script::close(main());
    });
    run();
}

TEST_F(TagPanel, ACtrlClickSelectionShowsTheEntryClickedLast) {
    for (const char* name : {"a", "b", "c"})
        folder.make(name + std::string(".mp3"), concat({audio(300), v1Trailer(name, 1, 0)}));
    addFiles(folder.path().string(), "\"a.mp3\" \"b.mp3\" \"c.mp3\"");
    then("click a, Ctrl-click c", [&] {
        script::clickRow(main(), res::kFileList, 0);
        script::clickRow(main(), res::kFileList, 2, platform::kControl);
    });
    then("c is shown; Ctrl-click b", [&] {
        EXPECT_EQ(script::text(main(), res::kTitleEdit), "c");
        script::clickRow(main(), res::kFileList, 1, platform::kControl);
    });
    then("b is shown; press Down", [&] {
        EXPECT_EQ(script::text(main(), res::kTitleEdit), "b");
        EXPECT_EQ(script::selection(main(), res::kFileList), (std::vector<int>{0, 1, 2}));
        script::key(Key::Down);
    });
    then("the keyboard selection shows c", [&] {
        EXPECT_EQ(script::selection(main(), res::kFileList), std::vector<int>{2});
        EXPECT_EQ(script::text(main(), res::kTitleEdit), "c");
        script::close(main());
    });
    run();
}

TEST_F(TagPanel, AnUnreadableFileGivesTheEngineMessageAndThenTheWindowsOwn) {
    const std::string held = folder.make("held.mp3", concat({audio(300), v1Trailer("x", 1, 0)}));
    const std::string gone = folder.make("missing.mp3", audio(300));
    std::optional<ForeignLock> lock;
    addFiles(folder.path().string(), "\"held.mp3\" \"missing.mp3\"");
    then("lock one file, delete the other, select the locked one", [&] {
        lock.emplace(held);
        std::filesystem::remove(gone);
        script::typeInto(main(), res::kTitleEdit, "cleared");
        script::clickRow(main(), res::kFileList, 0);
    });
    expectReadFailure(held, app::kReadV1Failed);
    then("the panel is empty; switch to the v2 view", [&] {
        expectPanelEmpty();
        script::click(main(), res::kViewV2);
    });
    expectReadFailure(held, app::kReadV2Failed);
    then("select the missing file", [&] { script::clickRow(main(), res::kFileList, 1); });
    expectReadFailure(gone, app::kReadV2Failed);
    then("the panel stays empty", [&] {
        expectPanelEmpty();
        EXPECT_EQ(platform::shownMessageBoxes().size(), 6u);
        script::close(main());
    });
    run();
}

// --- Options -----------------------------------------------------------------------

TEST_F(OptionsDialog, WithoutTheKeyBothAreSuaveAndOkCreatesBothValues) {
    openOptions();
    then("both Suave; press OK unchanged", [&] {
        expectSettings(1, 1);
        expectOptions(true, true);
        script::click(options(), platform::IDOK);
    });
    then("both values are stored", [&] {
        EXPECT_FALSE(options());
        expectStored(1, 1);
        script::close(main());
    });
    run();
}

TEST_F(OptionsDialog, AStoredZeroShowsFullAndEnterActsAsOk) {
    writeHive("\"QuickV1\"=dword:00000000\n\"QuickV2\"=dword:00000000\n");
    openOptions();
    then("Full is checked; choose Suave for v1 twice", [&] {
        expectSettings(0, 0);
        expectOptions(false, false);
        script::click(options(), res::kOptionsV1Soft);
        script::click(options(), res::kOptionsV1Soft);
    });
    then("press Enter", [&] {
        expectOptions(true, false);
        expectSettings(0, 0);  // nothing takes effect before OK
        script::key(Key::Enter);
    });
    then("the choice is stored and in effect", [&] {
        EXPECT_FALSE(options());
        expectSettings(1, 0);
        expectStored(1, 0);
        script::close(main());
    });
    run();
}

TEST_F(OptionsDialog, AStoredTwoIsSuaveAndStoredBackAsOneWhileATooLongValueKeepsItsDefault) {
    writeHive("\"QuickV1\"=hex:00,00,00,00,00\n\"QuickV2\"=dword:00000002\n");
    openOptions();
    then("both Suave; OK", [&] {
        expectSettings(1, 2);
        expectOptions(true, true);
        script::click(options(), platform::IDOK);
    });
    then("1 is stored for both", [&] {
        expectSettings(1, 1);
        expectStored(1, 1);
        script::close(main());
    });
    run();
}

TEST_F(OptionsDialog, CancelEscAndTheCloseBoxLeaveRegistryAndSettingsAsTheyWere) {
    writeHive("\"QuickV1\"=dword:00000000\n\"QuickV2\"=dword:00000001\n");
    const Bytes before = hive();
    const auto toggleThenLeave = [&](const std::string& how, std::function<void()> leave) {
        openOptions();
        then("toggle both and leave by " + how, [this, leave] {
            expectOptions(false, true);  // the earlier state, whatever was toggled before
            script::click(options(), res::kOptionsV1Soft);
            script::click(options(), res::kOptionsV2Full);
            leave();
        });
        then("nothing changed after " + how, [&] {
            EXPECT_FALSE(options());
            EXPECT_FALSE(app::OptionsDialogHandle);
            expectSettings(0, 1);
            EXPECT_EQ(hive(), before);
        });
    };
    toggleThenLeave("Cancelar", [] { script::click(options(), platform::IDCANCEL); });
    toggleThenLeave("Esc", [] { script::key(Key::Escape); });
    toggleThenLeave("the close box", [] { script::close(options()); });
    closeMain();
    run();
}

TEST_F(OptionsDialog, AChoiceTakesEffectInMemoryWhereTheHiveCannotBeWritten) {
    writeHive("\"QuickV1\"=dword:00000000\n\"QuickV2\"=dword:00000000\n");
    ASSERT_EQ(chmod(platform::registryFile().c_str(), 0444), 0);
    const Bytes before = hive();
    openOptions();
    then("choose Full for v1 and OK", [&] {
        expectSettings(1, 1);  // the key cannot be opened with full access: the defaults hold
        expectOptions(true, true);
        script::click(options(), res::kOptionsV1Full);
        script::click(options(), platform::IDOK);
    });
    then("the user hears that the choice was not stored", [&] {
        ASSERT_TRUE(script::messageBoxWindow());
        const auto boxes = platform::shownMessageBoxes();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, "The options could not be stored in '" + platform::registryFile() +
                                         "'. They apply until Lirvane is closed.");
        script::pressOk();
    });
    then("in memory, not in the hive", [&] {
        EXPECT_FALSE(options());
        expectSettings(0, 1);
        EXPECT_EQ(hive(), before);
    });
    openOptions();
    then("the dialog shows the choice", [&] {
        expectOptions(false, true);
        script::click(options(), platform::IDCANCEL);
    });
    closeMain();
    run();
}

// --- About and the one-copy rule -------------------------------------------------

TEST_F(SmallDialogs, AboutIgnoresEscOpensTheSiteAndClosesWithEnterOrTheCloseBox) {
    std::vector<std::string> opened;
    platform::setShellOpener([&](std::string_view address) { opened.emplace_back(address); });
    then("open About", [&] { script::menu(main(), res::kMenuAbout); });
    then("press Esc", [&] { script::key(Key::Escape); });
    then("still open; click the web site", [&] {
        ASSERT_TRUE(script::window("Acerca de Lirvane"));
        script::click(script::window("Acerca de Lirvane"), res::kAboutWebSite);
    });
    then("the shell was asked; close with the close box", [&] {
        EXPECT_EQ(opened, std::vector<std::string>{res::kMakerWebSiteAddress});
        ASSERT_TRUE(script::window("Acerca de Lirvane"));
        script::close(script::window("Acerca de Lirvane"));
    });
    then("open About again", [&] {
        EXPECT_FALSE(script::window("Acerca de Lirvane"));
        EXPECT_FALSE(app::AboutDialogHandle);
        script::menu(main(), res::kMenuAbout);
    });
    then("press Enter", [&] {
        EXPECT_TRUE(script::focused(script::window("Acerca de Lirvane"), platform::IDOK));
        script::key(Key::Enter);
    });
    then("About is closed", [&] {
        EXPECT_FALSE(script::window("Acerca de Lirvane"));
        script::close(main());
    });
    run();
}

TEST_F(SmallDialogs, ASecondOptionsIsRefusedAndTheFirstComesToTheFrontWhileAboutOpensBesideIt) {
    then("open Options", [&] { script::menu(main(), res::kMenuOptions); });
    then("bring up the main window over it, choose Opciones... again", [&] {
        ASSERT_TRUE(app::OptionsDialogHandle);
        platform::inputActivate(main());
        ASSERT_EQ(platform::getActiveWindow(), main());
        script::menu(main(), res::kMenuOptions);
    });
    then("still one copy, come to the front; choose Acerca de...", [&] {
        EXPECT_EQ(windowsCaptioned("Opciones..."), 1);
        EXPECT_EQ(platform::getActiveWindow(), app::OptionsDialogHandle);
        script::menu(main(), res::kMenuAbout);
    });
    then("both are open; close About", [&] {
        EXPECT_EQ(windowsCaptioned("Opciones..."), 1);
        ASSERT_TRUE(script::window("Acerca de Lirvane"));
        EXPECT_TRUE(script::enabled(main(), res::kAddFile));  // no owner: the main window stays usable
        script::click(script::window("Acerca de Lirvane"), platform::IDOK);
    });
    then("Options is still open; cancel it", [&] {
        EXPECT_FALSE(script::window("Acerca de Lirvane"));
        ASSERT_TRUE(script::window("Opciones..."));
        script::click(script::window("Opciones..."), platform::IDCANCEL);
    });
    closeMain();
    run();
}

TEST_F(SmallDialogs, TheMainWindowsCloseBoxEndsTheProgramWithBothOpen) {
    then("open Options", [&] { script::menu(main(), res::kMenuOptions); });
    then("open About", [&] { script::menu(main(), res::kMenuAbout); });
    then("close the main window", [&] {
        ASSERT_TRUE(script::window("Opciones..."));
        ASSERT_TRUE(script::window("Acerca de Lirvane"));
        script::close(main());
    });
    run();
    EXPECT_FALSE(app::OptionsDialogHandle);
    EXPECT_FALSE(app::AboutDialogHandle);
}

// --- Adding files ------------------------------------------------------------------

TEST_F(AddingFiles, OneChosenFileGivesExactlyItsPathAndTwiceGivesTwoEntries) {
    std::filesystem::create_directory(folder.path() / "m");
    const std::string a = folder.make("m/a.mp3", audio(100));
    then("click Añadir Archivo", [&] { script::click(main(), res::kAddFile); });
    then("the dialog offers mp3 files; type the path", [&] {
        const auto d = script::window("Open...");
        ASSERT_TRUE(d);
        EXPECT_EQ(script::text(d, 1104), "MP3s (*.mp3)");
        EXPECT_EQ(script::text(d, kNameEdit), "");
        script::typeInto(d, kNameEdit, a);
        script::key(Key::Enter);
    });
    then("one entry, nothing selected", [&] {
        EXPECT_EQ(entries(), std::vector<std::string>{a});
        EXPECT_TRUE(script::selection(main(), res::kFileList).empty());
        expectPanelEmpty();
    });
    addFiles(pathIn("m"), "a.mp3");
    then("two equal entries; cancel both dialogs", [&] {
        EXPECT_EQ(entries(), (std::vector<std::string>{a, a}));
        script::click(main(), res::kAddFile);
    });
    then("Esc in the open dialog", [&] { script::key(Key::Escape); });
    then("open the folder browser", [&] { script::click(main(), res::kAddFolder); });
    then("Cancelar in the folder browser",
         [&] { script::click(script::window("Buscar carpeta"), platform::IDCANCEL); });
    then("nothing was added", [&] {
        EXPECT_EQ(entries(), (std::vector<std::string>{a, a}));
        script::close(main());
    });
    run();
}

TEST_F(AddingFiles, SeveralFilesChosenInOneFolderAreAddedWithTheirFolder) {
    std::filesystem::create_directory(folder.path() / "m");
    folder.make("m/a.mp3", audio(100));
    folder.make("m/b.mp3", audio(100));
    folder.make("m/c.mp3", audio(100));
    then("click Añadir Archivo", [&] { script::click(main(), res::kAddFile); });
    typeAndEnter("Open...", pathIn("m"));
    then("click a.mp3, Ctrl-click c.mp3, Enter", [&] {
        const auto d = script::window("Open...");
        const auto shown = script::items(d, kEntryList);
        const auto row = [&](const char* name) {
            return static_cast<int>(std::find(shown.begin(), shown.end(), name) - shown.begin());
        };
        ASSERT_LT(row("c.mp3"), static_cast<int>(shown.size()));
        script::clickRow(d, kEntryList, row("a.mp3"));
        script::clickRow(d, kEntryList, row("c.mp3"), platform::kControl);
        script::key(Key::Enter);
    });
    then("both are in the list", [&] {
        EXPECT_EQ(entries(), (std::vector<std::string>{pathIn("m/a.mp3"), pathIn("m/c.mp3")}));
        const std::string firstEndsInSeparator = pathIn("m") + "/" + '\0' + "x.mp3" + '\0' + "y.mp3" + '\0' + '\0';
        EXPECT_EQ(app::addSelectedFiles(fileList(), firstEndsInSeparator), 1);
        // '/' sorts before the letters, so the doubled separators come first.
        EXPECT_EQ(entries(), (std::vector<std::string>{pathIn("m") + "//x.mp3", pathIn("m") + "//y.mp3",
                                                       pathIn("m/a.mp3"), pathIn("m/c.mp3")}));
        script::close(main());
    });
    run();
}

TEST_F(AddingFiles, TwoHundredFilesChosenAtOnceAreReportedAndTheListKept) {
    constexpr int kChosen = 200;  // their names need more than the 5120 bytes of the result
    std::filesystem::create_directory(folder.path() / "many");
    for (int i = 0; i < kChosen; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "many/track %03d of a long album title.mp3", i);
        folder.make(name, audio(10));
    }
    folder.make("kept.mp3", audio(10));
    then("add one file first", [&] {
        EXPECT_EQ(app::addSelectedFiles(fileList(), pathIn("kept.mp3") + '\0' + '\0'), 1);
        script::click(main(), res::kAddFile);
    });
    typeAndEnter("Open...", pathIn("many"));
    then("click the first file, Shift-click the last, Enter", [&] {
        const auto d = script::window("Open...");
        ASSERT_EQ(script::items(d, kEntryList).size(), kChosen + 1u);  // and "[..]"
        script::clickRow(d, kEntryList, 1);
        script::clickRow(d, kEntryList, kChosen, platform::kShift);
        script::key(Key::Enter);
    });
    then("a message says so, and the list is as it was", [&] {
        ASSERT_TRUE(script::messageBoxWindow());
        ASSERT_EQ(platform::shownMessageBoxes().size(), 1u);
        EXPECT_EQ(platform::shownMessageBoxes()[0].text, app::kTooManyChosen);
        EXPECT_EQ(platform::shownMessageBoxes()[0].title, "Error");
        EXPECT_FALSE(script::window("Open..."));
        script::pressOk();
    });
    then("a cancel says nothing", [&] {
        EXPECT_EQ(entries(), std::vector<std::string>{pathIn("kept.mp3")});
        script::click(main(), res::kAddFile);
    });
    then("cancel", [&] { script::key(Key::Escape); });
    then("no second message", [&] {
        EXPECT_EQ(platform::shownMessageBoxes().size(), 1u);
        script::close(main());
    });
    run();
}

TEST_F(AddingFiles, AFolderTreeAddsExactlyTheNamesEndingInMp3AndSurvivesALinkLoop) {
    namespace fs = std::filesystem;
    fs::create_directories(folder.path() / "tree" / "sub");
    for (const char* name :
         {"tree/a.mp3", "tree/b.MP3", "tree/c.txt", "tree/.e.mp3", "tree/tracksmp3", "tree/sub/d.mp3"}) {
        folder.make(name, audio(10));
    }
    fs::create_directory_symlink("..", folder.path() / "tree" / "sub" / "up");
    const std::vector<std::string> expected = {pathIn("tree/.e.mp3"), pathIn("tree/a.mp3"), pathIn("tree/sub/d.mp3"),
                                               pathIn("tree/tracksmp3")};
    const auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    then("click Añadir Carpeta", [&] { script::click(main(), res::kAddFolder); });
    // Enter both times, not a click on Aceptar: the browser takes a typed path
    // only while its path edit has the focus, and a click takes that away.
    then("go to the tree and accept it", [&] {
        const auto d = script::window("Buscar carpeta");
        ASSERT_TRUE(d);
        EXPECT_EQ(script::text(d, 1100), app::kAddFolderTitle);
        script::typeInto(d, kNameEdit, pathIn("tree"));
        script::key(Key::Enter);
        script::key(Key::Enter);
    });
    then("the mp3 names are added", [&] {
        EXPECT_EQ(sorted(entries()), expected);
        script::click(main(), res::kRemoveAll);
    });
    then("walk the tree by a path ending in a separator", [&] {
        ASSERT_TRUE(entries().empty());
        EXPECT_EQ(app::addFolderTree(fileList(), pathIn("tree") + "/"), 1);
        EXPECT_EQ(sorted(entries()), expected);  // one separator after a folder ending in one
        script::close(main());
    });
    run();
}

TEST_F(AddingFiles, APathLongerThan259BytesIsRefusedNotCut) {
    namespace fs = std::filesystem;
    const fs::path deep = folder.path() / "deep" / std::string(150, 'd');
    fs::create_directories(deep);
    const std::size_t room = platform::kMaxPath - deep.string().size() - 1;  // name bytes that still fit
    if (room < 4 || room > 250) GTEST_SKIP() << "the temporary folder's path is of an unusual length";
    const std::string fits = (deep / (std::string(room - 3, 'f') + "mp3")).string();
    const std::string tooLong = (deep / (std::string(room - 2, 'g') + "mp3")).string();
    std::ofstream(fits).put('x');
    std::ofstream(tooLong).put('x');
    ASSERT_EQ(fits.size(), 259u);
    then("click Añadir Carpeta", [&] { script::click(main(), res::kAddFolder); });
    then("choose the deep folder", [&] {
        const auto d = script::window("Buscar carpeta");
        script::typeInto(d, kNameEdit, pathIn("deep"));
        script::key(Key::Enter);
        script::key(Key::Enter);
    });
    then("only the path that fits is added", [&] {
        EXPECT_EQ(entries(), std::vector<std::string>{fits});
        const std::string result = deep.string() + '\0' + std::string(room - 2, 'g') + "mp3" + '\0' + '\0';
        EXPECT_EQ(app::addSelectedFiles(fileList(), result), 0);
        EXPECT_EQ(entries(), std::vector<std::string>{fits});
        script::close(main());
    });
    run();
}

TEST_F(AddingFiles, FilesAndFoldersDroppedTogetherAreAddedAsTheAddCommandsAddThem) {
    namespace fs = std::filesystem;
    fs::create_directories(folder.path() / "tree" / "sub");
    for (const char* name : {"one.mp3", "notes.txt", "tree/a.mp3", "tree/c.txt", "tree/sub/b.mp3"}) {
        folder.make(name, audio(10));
    }
    const std::string tooLong = pathIn(std::string(platform::kMaxPath, 'x') + ".mp3");
    then("drop two files, a folder tree and a path too long to hold", [&] {
        script::drop(main(), {pathIn("one.mp3"), pathIn("notes.txt"), pathIn("tree"), tooLong});
    });
    then("one message for the path, and the rest added", [&] {
        ASSERT_EQ(platform::shownMessageBoxes().size(), 1u);
        EXPECT_EQ(platform::shownMessageBoxes()[0].text, app::kAddFailed);
        script::pressOk();
    });
    then("the files as they are, the folder by its mp3 names", [&] {
        std::vector<std::string> added = entries();
        std::sort(added.begin(), added.end());
        EXPECT_EQ(added, (std::vector<std::string>{pathIn("notes.txt"), pathIn("one.mp3"), pathIn("tree/a.mp3"),
                                                   pathIn("tree/sub/b.mp3")}));
        script::click(main(), res::kAddFolder);
    });
    then("a drop on a dialog, and on the main window while it is blocked, adds nothing", [&] {
        script::drop(script::window("Buscar carpeta"), {pathIn("one.mp3")});
        script::drop(main(), {pathIn("one.mp3")});
        script::key(Key::Escape);
    });
    then("the list is as it was, and nothing waits", [&] {
        EXPECT_EQ(entries().size(), 4u);
        EXPECT_TRUE(platform::desktop().drops.empty());
        script::close(main());
    });
    run();
}

// --- Removing entries --------------------------------------------------------------

TEST_F(RemovingEntries, RemoveSelectedKeepsTheOthersAndRemoveAllEmptiesTheList) {
    for (int i = 0; i < 5; ++i) folder.make(std::to_string(i) + ".mp3", audio(10));
    addFiles(folder.path().string(), "\"0.mp3\" \"1.mp3\" \"2.mp3\" \"3.mp3\" \"4.mp3\"");
    then("select entries 1 and 3 and remove them", [&] {
        ASSERT_EQ(entries().size(), 5u);
        script::clickRow(main(), res::kFileList, 1);
        script::clickRow(main(), res::kFileList, 3, platform::kControl);
        script::click(main(), res::kRemoveSelected);
    });
    then("0, 2 and 4 are left; remove all", [&] {
        EXPECT_EQ(entries(), (std::vector<std::string>{pathIn("0.mp3"), pathIn("2.mp3"), pathIn("4.mp3")}));
        script::click(main(), res::kRemoveAll);
    });
    then("the list is empty", [&] {
        EXPECT_TRUE(entries().empty());
        script::close(main());
    });
    run();
}

// --- List files --------------------------------------------------------------------

TEST_F(ListFiles, SavingThreeEntriesWritesThreeRecordsLastEntryFirst) {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) folder.make(name, audio(10));
    const std::string longer = folder.make("longer.lv3", Bytes(2000, 'x'));
    const Bytes expected = listRecords({pathIn("c.mp3"), pathIn("b.mp3"), pathIn("a.mp3")});
    addFiles(folder.path().string(), "\"a.mp3\" \"b.mp3\" \"c.mp3\"");
    useListFile(res::kMenuSaveList, "Save Filelist...", pathIn("new.lv3"));
    then("a new file of 780 bytes", [&] {
        EXPECT_EQ(readAll(pathIn("new.lv3")).size(), 780u);
        EXPECT_EQ(readAll(pathIn("new.lv3")), expected);
    });
    useListFile(res::kMenuSaveList, "Save Filelist...", longer);
    then("the longer file now holds 780 bytes", [&] {
        EXPECT_EQ(readAll(longer), expected);
        EXPECT_TRUE(folder.strayTempFiles().empty());
        EXPECT_EQ(entries().size(), 3u);
        script::close(main());
    });
    run();
}

TEST_F(ListFiles, ASaveThatCannotBeWrittenLeavesTheOldListFileAndNoNewOne) {
    folder.make("a.mp3", audio(10));
    const Bytes old = listRecords({"/x/old.mp3"});
    const std::string existing = folder.make("old.lv3", old);
    addFiles(folder.path().string(), "a.mp3");
    for (const std::string& path : {existing, pathIn("new.lv3")}) {
        then("save with a disk that fails", [&, path] {
            platform::setFaults({.failWrite = 1});
            EXPECT_EQ(app::saveFileList(main(), path.c_str(), platform::getDlgItem(main(), res::kFileList)), 0);
            platform::clearFaults();
        });
        then("the failure is reported", [&, path] {
            EXPECT_EQ(platform::shownMessageBoxes().back().text,
                      "An error occured while writing to '" + path + "'. The list file was left unchanged.");
            script::pressOk();
        });
    }
    then("nothing changed", [&] {
        EXPECT_EQ(readAll(existing), old);
        EXPECT_FALSE(std::filesystem::exists(pathIn("new.lv3")));
        EXPECT_TRUE(folder.strayTempFiles().empty());
        script::close(main());
    });
    run();
}

TEST_F(ListFiles, LoadingReplacesTheListAndIgnoresATrailingPartialRecord) {
    folder.make("old.mp3", audio(10));
    const Bytes three = listRecords({"/x/two.mp3", "/x/three.mp3", "/x/one.mp3"});
    folder.make("781.lv3", concat({three, Bytes{'Z'}}));
    folder.make("empty.lv3", {});
    addFiles(folder.path().string(), "old.mp3");
    useListFile(res::kMenuLoadList, "Load Filelist...", pathIn("781.lv3"));
    then("three entries", [&] {
        EXPECT_EQ(entries(), (std::vector<std::string>{"/x/one.mp3", "/x/three.mp3", "/x/two.mp3"}));
    });
    useListFile(res::kMenuLoadList, "Load Filelist...", pathIn("empty.lv3"));
    then("an empty file empties the list", [&] {
        EXPECT_TRUE(entries().empty());
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        script::close(main());
    });
    run();
}

TEST_F(ListFiles, AListFileThatCannotBeOpenedIsReportedAndKeepsTheList) {
    folder.make("old.mp3", audio(10));
    const std::string held = folder.make("held.lv3", listRecords({"/x/one.mp3"}));
    std::optional<ForeignLock> lock;
    addFiles(folder.path().string(), "old.mp3");
    then("lock the list file", [&] { lock.emplace(held); });
    useListFile(res::kMenuLoadList, "Load Filelist...", held);
    expectBoxThenOk(openFailed(held));
    then("the list is kept; load a missing file", [&] {
        EXPECT_EQ(entries(), std::vector<std::string>{pathIn("old.mp3")});
        const std::string missing = pathIn("missing.lv3");
        // The open dialog accepts only existing names, so the missing file is
        // handed over directly; its box is acknowledged by the next step.
        EXPECT_EQ(app::loadFileList(main(), missing.c_str(), fileList()), 0);
        EXPECT_EQ(platform::shownMessageBoxes().back().text, openFailed(missing));
        EXPECT_EQ(entries(), std::vector<std::string>{pathIn("old.mp3")});
    });
    expectBoxThenOk(openFailed(pathIn("missing.lv3")));
    closeMain();
    run();
}
