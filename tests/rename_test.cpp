// The rename dialog and its run: the pattern rules on their own, then the
// real program driven through the scripted input on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/operations.h"
#include "app/program.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/script.h"
#include "platform/ui/window.h"
#include "rename/namepattern.h"
#include "rename/renamerun.h"
#include "res/resources.h"
#include "tests/testfiles.h"

using namespace testing_support;
namespace script = platform::script;
namespace fs = std::filesystem;
using platform::Key;

namespace {

constexpr char kDialogCaption[] = "Renombrar desde TAG's";
const std::vector<std::string> kV1Names = {"Album", "Artist", "Comment", "Genre", "Title", "Track", "Year"};
const std::vector<std::string> kV2Names = {"Album", "Artist",       "Comment", "Composer", "Copyright", "Encoded By",
                                           "Genre", "Orig. Artist", "Title",   "Track",    "URL",       "Year"};

struct V1Fields {
    std::string_view title;
    std::string_view artist = "";
    int track = 0;
    int genre = tags::NoGenre;
};

Bytes trailer(const V1Fields& f) {
    return ByteBuilder()
        .text("TAG")
        .field(f.title, 30)
        .field(f.artist, 30)
        .field("", 30)
        .field("", 4)
        .field("", 28)
        .bytes({0, f.track, f.genre});
}

Bytes textFrame(std::string_view id, std::string_view text) { return frame(id, textBody(text)); }

Bytes v1File(const V1Fields& f) { return concat({audio(300), trailer(f)}); }

// --- The pattern's items and the names they give -------------------------------------

TEST(NamePattern, ItemsAreToldApartByTheirStarAndVersionDigitOnly) {
    using Kind = renaming::PatternItem::Kind;
    const auto v2Title = renaming::parseItem("*V2Title");
    EXPECT_EQ(v2Title.kind, Kind::Tag);
    EXPECT_EQ(v2Title.version, 2);
    EXPECT_EQ(v2Title.text, "Title");
    EXPECT_EQ(renaming::parseItem("*x1Album").version, 1);  // the second character is not looked at
    EXPECT_EQ(renaming::parseItem("*abc").kind, Kind::Nothing);
    EXPECT_EQ(renaming::parseItem("*V").kind, Kind::Nothing);
    EXPECT_EQ(renaming::parseItem("V1Title").kind, Kind::Text);
    EXPECT_EQ(renaming::parseItem("").kind, Kind::Text);
    EXPECT_EQ(renaming::tagItem(2, "Orig. Artist"), "*V2Orig. Artist");
}

// Tracks 7 and 12 and genres 17 and 255 are renamed on real files below.
TEST(NamePattern, V1FieldsKeepTrailingBlanksTrackZeroIsBlankZeroAndOnlyV1NamesCount) {
    tags::V1Tag tag;
    std::snprintf(tag.title, sizeof tag.title, "Song  ");
    tag.genre = 192;
    EXPECT_EQ(renaming::v1FieldText(tag, "Title"), "Song  ");
    EXPECT_EQ(renaming::v1FieldText(tag, "Track"), " 0");
    EXPECT_EQ(renaming::v1FieldText(tag, "Genre"), "");
    EXPECT_EQ(renaming::v1FieldText(tag, "URL"), "");  // no ID3v1.1 field
    EXPECT_EQ(renaming::v1FieldText(tag, "title"), "");
}

TEST(NamePattern, V2FieldsRunFromTheirOffsetToTheFirstZeroByte) {
    tags::V2Tag tag;
    const auto fill = [&](tags::FieldMask bit, std::size_t slot, const Bytes& body) {
        tag.allocFields(bit, static_cast<std::uint32_t>(body.size()));
        std::copy(body.begin(), body.end(), tag.slots[slot].buffer.get());
    };
    fill(tags::kFieldTitle, 0, ByteBuilder().bytes({0}).text("Ti").bytes({0}).text("junk"));
    fill(tags::kFieldComment, 4, ByteBuilder().bytes({0}).text("eng").bytes({0}).text("Note"));
    fill(tags::kFieldUrl, 8, ByteBuilder().bytes({0, 0}).text("http://x"));
    fill(tags::kFieldArtist, 1, ByteBuilder().bytes({0}));  // ends before its text
    EXPECT_EQ(renaming::v2FieldText(tag, "Title"), "Ti");
    EXPECT_EQ(renaming::v2FieldText(tag, "Comment"), "Note");
    EXPECT_EQ(renaming::v2FieldText(tag, "URL"), "http://x");
    EXPECT_EQ(renaming::v2FieldText(tag, "Artist"), "");
    EXPECT_EQ(renaming::v2FieldText(tag, "Album"), "");  // an empty slot
    tag.freeFields(tags::kAllFields);
}

TEST(NamePattern, AFieldOfATagTheFileLacksEmptiesTheWholeName) {
    tags::V1Tag v1;
    std::snprintf(v1.artist, sizeof v1.artist, "X");
    const tags::V2Tag v2;
    const std::vector<std::string> items = {"*V1Artist", " - ", "*V2Title", "*V3Title", "*"};
    EXPECT_EQ(renaming::composeName(items, v1, v2, {tags::TagSuccess, tags::TagSuccess}), "X - ");
    EXPECT_EQ(renaming::composeName(items, v1, v2, {tags::TagSuccess, tags::TagNoV2Header}), "");
    EXPECT_EQ(renaming::composeName(items, v1, v2, {tags::TagNoV1Trailer, tags::TagSuccess}), "");
    const std::vector<std::string> textOnly = {"a", "", "b"};
    EXPECT_EQ(renaming::composeName(textOnly, v1, v2, {tags::TagFileError, tags::TagFileError}), "ab");
}

TEST(RenamedPath, TheNameStaysInTheFilesFolderWholeOrNotAtAll) {
    EXPECT_EQ(renaming::renamedPath("/music/a.MP3", "X - Y"), "/music/X - Y.mp3");
    EXPECT_EQ(renaming::renamedPath("a.mp3", "b"), "b.mp3");
    EXPECT_EQ(renaming::renamedPath("/music/a.mp3", ""), std::nullopt);
    EXPECT_EQ(renaming::renamedPath("/music/a.mp3", "AC/DC"), std::nullopt);
    EXPECT_EQ(renaming::renamedPath("/music/a.mp3", "../../x"), std::nullopt);
    EXPECT_EQ(renaming::renamedPath("/music/a.mp3", std::string("a\0b", 3)), std::nullopt);
    const std::string folder = "/music/";
    const std::string fits(platform::kMaxPath - folder.size() - 4, 'n');
    EXPECT_EQ(renaming::renamedPath(folder + "a.mp3", fits)->size(), platform::kMaxPath);
    EXPECT_EQ(renaming::renamedPath(folder + "a.mp3", fits + "n"), std::nullopt);
}

// --- Scenarios ------------------------------------------------------------------------

class RenameScenario : public ::testing::Test {
protected:
    RenameScenario() {
        platform::resetDesktop();
        app::resetProgramState();
        platform::setRegistryFolder((folder.path() / "config").string());
    }
    ~RenameScenario() override {
        platform::setRegistryFolder("");
        platform::resetDesktop();
        app::resetProgramState();
    }

    static platform::WindowHandle main() { return script::window("Lirvane v3.0"); }
    static platform::WindowHandle dialog() { return script::window(kDialogCaption); }
    static platform::WindowHandle fileList() { return platform::getDlgItem(main(), res::kFileList); }
    static std::vector<std::string> entries() { return script::items(main(), res::kFileList); }
    static std::vector<std::string> pattern() { return script::items(dialog(), res::kPatternList); }
    std::string at(const std::string& name) const { return (folder.path() / name).string(); }
    bool exists(const std::string& name) const { return fs::exists(folder.path() / name); }
    // The list holds exactly these files of the folder, in this order, and they are there.
    void expectListed(const std::vector<std::string>& names) const {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(at(name));
            EXPECT_TRUE(exists(name)) << name;
        }
        EXPECT_EQ(entries(), paths);
    }

    void then(std::string name, platform::Script::Action action) { steps.then(std::move(name), std::move(action)); }
    void run() { EXPECT_EQ(app::runProgram(res::lirvaneModule()), 0); }

    // Puts the files into the main window's list, none selected, and opens the dialog.
    void openWith(const std::vector<std::string>& names) {
        then("list the files and open the dialog", [this, names] {
            for (const std::string& name : names) platform::listAddString(fileList(), at(name));
            script::menu(main(), res::kMenuRenameFromTags);
        });
    }
    // Adds an item as typed text: a typed "*V1Title" is the tag item itself.
    // A click moves the focus, so typing comes first in a step.
    static void addTyped(const std::string& item) {
        script::typeInto(dialog(), res::kPatternTextEdit, item);
        script::click(dialog(), res::kAddTextItem);
    }
    void compose(const std::vector<std::string>& items) {
        for (const std::string& item : items) then("add the item " + item, [item] { addTyped(item); });
    }
    void renameAll() {
        then("Renombrar over every entry", [] {
            script::click(dialog(), res::kRenameScopeAll);
            script::click(dialog(), res::kRenameRun);
        });
    }
    void expectRenameError(const std::string& when = "") {
        then("acknowledge 'Error renaming file.' " + when, [] {
            ASSERT_TRUE(script::messageBoxWindow());
            const auto boxes = platform::shownMessageBoxes();
            // The message's own line, then the file it is about.
            EXPECT_EQ(boxes.back().text.rfind("Error renaming file.\n File: '", 0), 0u) << boxes.back().text;
            EXPECT_EQ(boxes.back().title, renaming::kRenameFailedTitle);
            EXPECT_EQ(boxes.back().owner, dialog());
            script::pressOk();
        });
    }
    // Checks the outcome once the run is over, then closes both windows.
    void finally(std::string name, platform::Script::Action check) {
        then(std::move(name), [check] {
            check();
            script::close(dialog());
            script::close(main());
        });
    }

    TestFolder folder;
    platform::Script steps{[](const std::string& why) { ADD_FAILURE() << why; }};
};

class RenameEditor : public RenameScenario {};
class RenameRun : public RenameScenario {};
class RenameSafety : public RenameScenario {};

// --- The editor --------------------------------------------------------------------------

TEST_F(RenameEditor, OpensEmptyOnceAtATimeLeavesTheMainWindowUsableAndIgnoresEnter) {
    openWith({});
    then("look at the first state, open again, use the main window", [&] {
        ASSERT_TRUE(dialog());
        EXPECT_TRUE(pattern().empty());
        EXPECT_EQ(script::items(dialog(), res::kFieldNameList), kV1Names);
        EXPECT_TRUE(script::checked(dialog(), res::kRenameVersionV1));
        EXPECT_FALSE(script::checked(dialog(), res::kRenameVersionV2));
        EXPECT_TRUE(script::checked(dialog(), res::kRenameScopeSelected));
        EXPECT_FALSE(script::checked(dialog(), res::kRenameScopeAll));
        EXPECT_EQ(app::RenameDialogHandle, dialog());
        script::menu(main(), res::kMenuRenameFromTags);
        script::click(main(), res::kScopeAll);
    });
    then("one copy; type and press Enter in the text field", [&] {
        int copies = 0;
        for (auto w : platform::desktop().zOrder) copies += script::caption(w) == kDialogCaption ? 1 : 0;
        EXPECT_EQ(copies, 1);
        EXPECT_TRUE(script::checked(main(), res::kScopeAll));
        script::typeInto(dialog(), res::kPatternTextEdit, "x");
        script::key(Key::Enter);
        script::click(dialog(), res::kAddTextItem);
        script::click(dialog(), res::kRenameVersionV2);
        script::click(dialog(), res::kRenameScopeAll);
    });
    then("Enter added nothing; Esc ends the dialog", [&] {
        EXPECT_EQ(pattern(), std::vector<std::string>{"x"});
        script::key(Key::Escape);
    });
    then("reopen", [&] {
        EXPECT_FALSE(dialog());
        EXPECT_FALSE(app::RenameDialogHandle);
        script::menu(main(), res::kMenuRenameFromTags);
    });
    finally("the pattern, the version and the scope start afresh", [&] {
        EXPECT_TRUE(pattern().empty());
        EXPECT_TRUE(script::checked(dialog(), res::kRenameVersionV1));
        EXPECT_TRUE(script::checked(dialog(), res::kRenameScopeSelected));
        EXPECT_FALSE(script::checked(dialog(), res::kRenameScopeAll));
    });
    run();
}

TEST_F(RenameEditor, TagItemsTakeTheChosenVersionAndSwitchingKeepsThePattern) {
    openWith({});
    then("without a chosen field Añadir Tag adds nothing; add Title", [&] {
        script::click(dialog(), res::kAddTagItem);
        script::clickRow(dialog(), res::kFieldNameList, 4);
        script::click(dialog(), res::kAddTagItem);
    });
    then("switch to ID3v2.3", [&] {
        EXPECT_EQ(pattern(), std::vector<std::string>{"*V1Title"});
        script::click(dialog(), res::kRenameVersionV2);
    });
    then("add Orig. Artist and an empty text", [&] {
        EXPECT_TRUE(script::checked(dialog(), res::kRenameVersionV2));
        EXPECT_FALSE(script::checked(dialog(), res::kRenameVersionV1));
        EXPECT_EQ(script::items(dialog(), res::kFieldNameList), kV2Names);
        script::clickRow(dialog(), res::kFieldNameList, 7);
        script::click(dialog(), res::kAddTagItem);
        script::click(dialog(), res::kAddTextItem);
    });
    then("add a text longer than an item may be", [&] {
        std::string accents;
        for (int i = 0; i < 300; ++i) accents += "\xC3\xA9";
        addTyped(accents);
    });
    then("add a typed *V2Title, click ID3v2.3 again", [&] {
        std::string kept;
        for (std::size_t i = 0; i < renaming::kTextItemLimit; ++i) kept += "\xC3\xA9";
        EXPECT_EQ(pattern().back(), kept);  // characters counted, none cut in half
        platform::listDeleteString(platform::getDlgItem(dialog(), res::kPatternList), 3);
        addTyped("*V2Title");
        script::click(dialog(), res::kRenameVersionV2);  // the checked one: refills only
    });
    then("the field's selection is gone; back to ID3v1.1", [&] {
        EXPECT_EQ(platform::listGetCurSel(platform::getDlgItem(dialog(), res::kFieldNameList)), -1);
        EXPECT_TRUE(script::checked(dialog(), res::kRenameVersionV2));
        script::click(dialog(), res::kAddTagItem);
        script::click(dialog(), res::kRenameVersionV1);
    });
    finally("the items keep their own versions", [&] {
        EXPECT_EQ(pattern(), (std::vector<std::string>{"*V1Title", "*V2Orig. Artist", "", "*V2Title"}));
        EXPECT_EQ(script::items(dialog(), res::kFieldNameList), kV1Names);
        EXPECT_EQ(script::text(dialog(), res::kPatternTextEdit), "*V2Title");  // the field keeps its text
    });
    run();
}

TEST_F(RenameEditor, MovesAndDeletesFollowTheSelection) {
    openWith({});
    compose({"a", "b", "c"});
    then("nothing selected: every button does nothing; select the first", [&] {
        for (int id : {res::kMoveItemUp, res::kMoveItemDown, res::kDeleteItem}) script::click(dialog(), id);
        script::clickRow(dialog(), res::kPatternList, 0);
    });
    then("up on the first does nothing; down moves it", [&] {
        EXPECT_EQ(pattern(), (std::vector<std::string>{"a", "b", "c"}));
        script::click(dialog(), res::kMoveItemUp);
        script::click(dialog(), res::kMoveItemDown);
        script::click(dialog(), res::kMoveItemDown);
        script::click(dialog(), res::kMoveItemDown);  // now the last: does nothing
    });
    then("a went to the end, selected; up once", [&] {
        EXPECT_EQ(pattern(), (std::vector<std::string>{"b", "c", "a"}));
        EXPECT_EQ(script::selection(dialog(), res::kPatternList), std::vector<int>{2});
        script::click(dialog(), res::kMoveItemUp);
    });
    then("delete the middle item", [&] {
        EXPECT_EQ(pattern(), (std::vector<std::string>{"b", "a", "c"}));
        EXPECT_EQ(script::selection(dialog(), res::kPatternList), std::vector<int>{1});
        script::click(dialog(), res::kDeleteItem);
    });
    then("the next one took its place and its selection; delete it too", [&] {
        EXPECT_EQ(pattern(), (std::vector<std::string>{"b", "c"}));
        EXPECT_EQ(script::selection(dialog(), res::kPatternList), std::vector<int>{1});
        script::click(dialog(), res::kDeleteItem);
    });
    finally("deleting the last leaves no selection", [&] {
        EXPECT_EQ(pattern(), std::vector<std::string>{"b"});
        EXPECT_TRUE(script::selection(dialog(), res::kPatternList).empty());
    });
    run();
}

// --- The run -------------------------------------------------------------------------------

TEST_F(RenameRun, ArtistDashTitleRenamesAndASecondRunFindsEveryFileNamedRight) {
    folder.make("a.mp3", v1File({"Y", "X"}));
    folder.make("b.mp3", v1File({"Q", "P"}));
    folder.make("keep.mp3", v1File({"K", "J"}));
    openWith({"a.mp3", "b.mp3", "keep.mp3"});
    then("select a and b in the main window, add the tag items and the text", [&] {
        addTyped(" - ");
        script::clickRow(main(), res::kFileList, 0);
        script::clickRow(main(), res::kFileList, 1, platform::kControl);
        for (int field : {1, 4}) {  // Artist, Title
            script::clickRow(dialog(), res::kFieldNameList, field);
            script::click(dialog(), res::kAddTagItem);
        }
        script::clickRow(dialog(), res::kPatternList, 0);
        script::click(dialog(), res::kMoveItemDown);
    });
    then("Renombrar over the selection", [&] {
        EXPECT_EQ(pattern(), (std::vector<std::string>{"*V1Artist", " - ", "*V1Title"}));
        script::click(dialog(), res::kRenameRun);
    });
    then("run again over every entry", [&] {
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        expectListed({"keep.mp3", "P - Q.mp3", "X - Y.mp3"});
        EXPECT_TRUE(script::selection(main(), res::kFileList).empty());
        EXPECT_FALSE(exists("a.mp3") || exists("b.mp3"));
        EXPECT_TRUE(dialog());
        script::click(main(), res::kScopeAll);  // the main window's scope does not count here
        script::click(dialog(), res::kRenameScopeAll);
        script::click(dialog(), res::kRenameRun);
    });
    finally("the files already named right stayed, without a message", [&] {
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        expectListed({"J - K.mp3", "P - Q.mp3", "X - Y.mp3"});
        EXPECT_EQ(readAll(at("X - Y.mp3")), v1File({"Y", "X"}));
    });
    run();
}

TEST_F(RenameRun, TracksTakeTwoCharactersAndGenresTheirNamesOrTheTextStored) {
    folder.make("t07.mp3", v1File({"Y", "", 7}));
    folder.make("t12.mp3", v1File({"Y", "", 12}));
    openWith({"t07.mp3", "t12.mp3"});
    compose({"*V1Track", " ", "*V1Title"});
    renameAll();
    then("genres: rename by the ID3v1.1 genre", [&] {
        expectListed({" 7 Y.mp3", "12 Y.mp3"});
        platform::listResetContent(fileList());
        for (const auto& [name, genre] : {std::pair{"g17.mp3", 17}, std::pair{"g255.mp3", 255}}) {
            folder.make(name, v1File({"", "", 0, genre}));
            platform::listAddString(fileList(), at(name));
        }
        platform::listResetContent(platform::getDlgItem(dialog(), res::kPatternList));
        addTyped("*V1Genre");
        script::click(dialog(), res::kRenameRun);
    });
    expectRenameError("for genre 255");
    then("an ID3v2.3 genre is taken as stored", [&] {
        expectListed({"g255.mp3", "Rock.mp3"});
        platform::listResetContent(fileList());
        folder.make("tcon.mp3", concat({v23Tag({textFrame("TCON", "(17)")}), audio(300)}));
        platform::listAddString(fileList(), at("tcon.mp3"));
        platform::listResetContent(platform::getDlgItem(dialog(), res::kPatternList));
        addTyped("*V2Genre");
        script::click(dialog(), res::kRenameRun);
    });
    finally("(17) it is", [&] { expectListed({"(17).mp3"}); });
    run();
}

TEST_F(RenameRun, TheOldExtensionGoesWhateverItsCase) {
    folder.make("a.MP3", v1File({"t"}));
    openWith({"a.MP3"});
    compose({"a"});
    renameAll();
    finally("a.mp3", [&] {
        expectListed({"a.mp3"});
        EXPECT_FALSE(exists("a.MP3"));
    });
    run();
}

TEST_F(RenameRun, ScopeSelectedWithNothingSelectedDoesNothing) {
    folder.make("a.mp3", v1File({"t"}));
    openWith({"a.mp3"});
    compose({"b"});
    then("Renombrar with the selected scope", [&] { script::click(dialog(), res::kRenameRun); });
    finally("nothing changed, nothing was said", [&] {
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        expectListed({"a.mp3"});
    });
    run();
}

TEST_F(RenameRun, AnEmptyPatternOrAMissingTagFailsEachFileWhichKeepsItsName) {
    folder.make("a.mp3", v1File({"A"}));
    folder.make("b.mp3", audio(300));
    openWith({"a.mp3", "b.mp3"});
    renameAll();
    expectRenameError("for b, empty pattern");
    expectRenameError("for a, empty pattern");
    then("a pattern of the ID3v1.1 title, and Renombrar again", [&] {
        addTyped("*V1Title");
        script::click(dialog(), res::kRenameRun);
    });
    expectRenameError("for b, which has no ID3v1.1 tag");
    finally("a was renamed (its missing ID3v2 tag does not matter), b kept its name", [&] {
        EXPECT_EQ(platform::shownMessageBoxes().size(), 3u);
        expectListed({"A.mp3", "b.mp3"});
    });
    run();
}

TEST_F(RenameRun, OfTwoFilesComposingOneNameTheLaterListedWins) {
    folder.make("a.mp3", v1File({"same"}));
    folder.make("b.mp3", v1File({"same"}));
    openWith({"a.mp3", "b.mp3"});
    compose({"*V1Title"});
    renameAll();
    expectRenameError("for a");
    finally("b took the name, a kept its own", [&] {
        expectListed({"a.mp3", "same.mp3"});
        EXPECT_EQ(readAll(at("same.mp3")), readAll(at("a.mp3")));  // both still there, same tags
        EXPECT_EQ(fs::file_size(at("a.mp3")), v1File({"same"}).size());
    });
    run();
}

TEST_F(RenameRun, CancelStopsAfterTheCurrentFileAndUnreachedEntriesKeepTheirPaths) {
    for (const std::string name : {"a", "b", "c"}) folder.make(name + ".mp3", v1File({"new-" + name}));
    openWith({"a.mp3", "b.mp3", "c.mp3"});
    compose({"*V1Title"});
    renameAll();
    steps.whilePumping("the window paints", [] {});
    steps.whilePumping("Cancel after the first file", [] {
        const auto progress = script::window("Progreso del archivo...");
        EXPECT_EQ(script::text(progress, res::kProgressStatus), renaming::kRenamingFiles);
        script::click(progress, platform::IDCANCEL);
    });
    finally("c was renamed, a and b were not", [&] {
        EXPECT_FALSE(script::window("Progreso del archivo..."));
        expectListed({"a.mp3", "b.mp3", "new-c.mp3"});
    });
    run();
}

// The trailer holds Windows-1252, the frames say their encoding: the names
// are UTF-8 whatever the tags held.
TEST_F(RenameRun, AccentedAndJapaneseTagTextsGiveTheirUtf8FileNames) {
    const Bytes japanese = ByteBuilder().bytes({1, 0xFF, 0xFE, 0xE5, 0x65, 0x2C, 0x67, 0x6E, 0x30, 0x4C, 0x6B, 0, 0});
    folder.make("a.mp3", v1File({"Beyonc\xE9"}));
    folder.make("b.mp3", concat({v23Tag({textFrame("TIT2", "Se\xF1or")}), audio(300)}));
    folder.make("c.mp3", concat({v23Tag({frame("TIT2", japanese)}), audio(300)}));
    openWith({"a.mp3", "b.mp3", "c.mp3"});
    compose({"*V1Title"});
    then("rename a by its ID3v1.1 title", [&] {
        script::clickRow(main(), res::kFileList, 0);
        script::click(dialog(), res::kRenameRun);
    });
    then("then b and c by their ID3v2.3 titles", [&] {
        platform::listResetContent(platform::getDlgItem(dialog(), res::kPatternList));
        addTyped("*V2Title");
        script::click(dialog(), res::kRenameScopeAll);
        script::click(dialog(), res::kRenameRun);
    });
    expectRenameError("for the renamed a, which has no ID3v2.3 tag");
    finally("the names on disk and in the list are UTF-8", [&] {
        expectListed({"Beyoncé.mp3", "Señor.mp3", "日本の歌.mp3"});
    });
    run();
}

// --- What the run must never do ----------------------------------------------------------

TEST_F(RenameSafety, ASlashInAComposedNameNeverMovesTheFileElsewhere) {
    folder.make("t.mp3", concat({v23Tag({textFrame("TRCK", "5/12")}), audio(300)}));
    folder.make("u.mp3", v1File({"x", "AC/DC"}));
    fs::create_directory(folder.path() / "5");
    fs::create_directory(folder.path() / "AC");
    openWith({"t.mp3", "u.mp3"});
    compose({"*V2Track"});
    // A track of "5/12" gives the name "5", in the file's own folder.
    then("rename t by its ID3v2.3 track", [&] {
        script::clickRow(main(), res::kFileList, 0);
        script::click(dialog(), res::kRenameRun);
    });
    then("the artist AC/DC", [&] {
        platform::listResetContent(platform::getDlgItem(dialog(), res::kPatternList));
        addTyped("*V1Artist");
        script::clickRow(main(), res::kFileList, 1);
        script::click(dialog(), res::kRenameRun);
    });
    expectRenameError("for AC/DC");
    finally("t is 5.mp3 beside u, and nothing went into the folders", [&] {
        expectListed({"5.mp3", "u.mp3"});
        EXPECT_TRUE(fs::is_empty(folder.path() / "5"));
        EXPECT_TRUE(fs::is_empty(folder.path() / "AC"));
    });
    run();
}

// A name that fits no path, or more bytes than the file system takes for one
// name (255), fails the file: it is never cut to fit.
TEST_F(RenameSafety, ANameTooLongForAPathOrTheFileSystemFailsUncut) {
    folder.make("a.mp3", v1File({"t"}));
    folder.make("b.mp3", v1File({"t"}));
    openWith({"a.mp3"});
    then("list b by a path relative to the working folder, which is the test's",
         [&] { platform::listAddString(fileList(), "b.mp3"); });
    compose({std::string(200, 'n'), std::string(52, 'm')});
    renameAll();
    expectRenameError("for b: 256 bytes of name, 256 of path");
    expectRenameError("for a: a path longer than 259 bytes");
    finally("both files kept their names", [&] {
        EXPECT_EQ(entries(), (std::vector<std::string>{at("a.mp3"), "b.mp3"}));
        EXPECT_TRUE(exists("a.mp3") && exists("b.mp3"));
    });
    run();
}

// The scope is taken when the run starts: a click in the main window's list
// while a message box waits changes neither what is renamed nor what the list
// loses and gets back.
TEST_F(RenameSafety, AClickInTheListDuringTheRunLosesNoEntry) {
    folder.make("a.mp3", v1File({"A"}));
    folder.make("b.mp3", audio(300));
    folder.make("c.mp3", v1File({"C"}));
    openWith({"a.mp3", "b.mp3", "c.mp3"});
    compose({"*V1Title"});
    then("select b and c, Renombrar", [&] {
        script::clickRow(main(), res::kFileList, 1);
        script::clickRow(main(), res::kFileList, 2, platform::kShift);
        script::click(dialog(), res::kRenameRun);
    });
    then("while b's error waits, click a in the main window", [&] {
        ASSERT_TRUE(script::messageBoxWindow());
        script::clickRow(main(), res::kFileList, 0);
        script::pressOk();
    });
    finally("c was renamed, a and b are listed as they were", [&] { expectListed({"a.mp3", "b.mp3", "C.mp3"}); });
    run();
}

// A rename asked for while a batch walk waits on a message box starts only
// when that walk is over.
TEST_F(RenameSafety, RenombrarDuringABatchWalkWaitsForItsEnd) {
    folder.make("a.mp3", v1File({"A"}));
    const std::string held = folder.make("held.mp3", v1File({"H"}));
    std::optional<ForeignLock> lock;
    openWith({"a.mp3", "held.mp3"});
    compose({"*V1Title"});
    then("lock a file and remove ID3v1.1 tags from every entry", [&] {
        lock.emplace(held);
        script::click(dialog(), res::kRenameScopeAll);
        script::click(main(), res::kScopeAll);
        script::click(main(), res::kRemoveV1);
    });
    then("acknowledge the walk's message about held", [&] {
        ASSERT_TRUE(script::messageBoxWindow());
        script::pressOk();
    });
    steps.whilePumping("while the walk goes on, press Renombrar", [&] { script::click(dialog(), res::kRenameRun); });
    for (const char* read : {"ID3v1.1", "ID3v2"}) {
        then(std::string("the rename runs now: its ") + read + " read of held fails", [&] {
            ASSERT_TRUE(script::messageBoxWindow());
            EXPECT_NE(platform::shownMessageBoxes().back().text.find(held), std::string::npos);
            EXPECT_EQ(platform::shownMessageBoxes().back().owner, dialog());
            script::pressOk();
        });
    }
    expectRenameError("for held");
    expectRenameError("for a, whose tag the walk removed first");
    finally("nothing was renamed", [&] { expectListed({"a.mp3", "held.mp3"}); });
    run();
}

}  // namespace
