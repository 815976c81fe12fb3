// The six tag operations, driven through the main window's buttons on real
// files: the walk's order, scope, bar and Cancel, and the bytes each writes.
#include <sys/stat.h>

#include <cstdlib>

#include "app/operations.h"
#include "walk/progress.h"
#include "platform/ui/input.h"
#include "tags/messages.h"
#include "tests/app_scenario.h"

using namespace app_testing;

namespace {

constexpr char kProgressCaption[] = "Progreso del archivo...";
constexpr char kOpenForReadWrite[] = "An error occured while attemping to open '%s' for read/write access.";
constexpr std::size_t kTrailerSize = 128;
constexpr std::size_t kTitleOffset = 3;
constexpr std::size_t kTrackOffset = 126;
constexpr std::size_t kGenreOffset = 127;

std::string formatted(const char* format, const std::string& path) {
    char text[512];
    std::snprintf(text, sizeof text, format, path.c_str());
    return text;
}

platform::WindowHandle progressWindow() { return script::window(kProgressCaption); }

int barPosition() { return platform::progressGetPos(platform::getDlgItem(progressWindow(), res::kProgressBar)); }

Bytes trailerOf(const std::string& path) {
    const Bytes all = readAll(path);
    return all.size() < kTrailerSize ? Bytes{} : Bytes(all.end() - kTrailerSize, all.end());
}

std::string trailerText(const std::string& path, std::size_t offset, std::size_t width) {
    const Bytes trailer = trailerOf(path);
    const auto from = trailer.begin() + static_cast<std::ptrdiff_t>(offset);
    std::string text(from, from + static_cast<std::ptrdiff_t>(width));
    return text.substr(0, text.find('\0'));
}

// The body of the first frame with this ID in the file's leading tag.
std::optional<Bytes> frameBody(const std::string& path, std::string_view id) {
    tags::V2Tag tag;
    if (tag.read(path.c_str()) != tags::TagSuccess) return std::nullopt;
    for (std::size_t i = 0; i < tags::kSlotCount; ++i) {
        const tags::FrameSlot& slot = tag.slots[i];
        if (slot.length > 0 && std::string_view(slot.id, 4) == id) {
            // The reader adds a zero byte after each body it holds.
            return Bytes(slot.body().begin(), slot.body().end() - 1);
        }
    }
    return std::nullopt;
}

// What mutagen, an independent reader, makes of the file's frames.
std::string mutagenView(const std::string& path, const std::string& expression) {
    const std::string command = "/usr/bin/python3 -c \"import sys, mutagen.id3 as i; t = i.ID3(sys.argv[1]); print(" +
                                expression + ")\" '" + path + "' > '" + path + ".out' 2>&1";
    const int status = std::system(command.c_str());
    const Bytes out = readAll(path + ".out");
    std::filesystem::remove(path + ".out");
    return (status == 0 ? "" : "failed: ") + std::string(out.begin(), out.end());
}

class OperationWalk : public AppScenario {
protected:
    // Adds the files and optionally switches the scope to "Todos".
    void addAll(const std::string& names, bool all) {
        addFiles(folder.path().string(), names);
        if (all) then("choose Todos", [this] { script::click(main(), res::kScopeAll); });
    }
    void uncheckAllBut(std::vector<int> kept) {
        then("leave only some boxes checked", [this, kept] {
            for (int id : kFieldChecks) {
                const bool keep = std::find(kept.begin(), kept.end(), id) != kept.end();
                if (script::checked(main(), id) != keep && script::enabled(main(), id)) script::click(main(), id);
            }
        });
    }
    // Typed text reaches the control focused when it leaves the queue, so each
    // field gets a step of its own; the last one also presses the button.
    void typeAndPress(std::initializer_list<std::pair<int, std::string>> fields, int button) {
        for (const auto& [id, text] : fields) {
            then("type into " + std::to_string(id), [this, id, text] { script::typeInto(main(), id, text); });
        }
        then("press " + std::to_string(button), [this, button] { script::click(main(), button); });
    }
    void expectWalkGone() {
        EXPECT_FALSE(progressWindow());
        EXPECT_EQ(windowsCaptioned(kProgressCaption), 0);
    }
};

class WalkProgress : public OperationWalk {};
class WalkCancel : public OperationWalk {};
class WriteV1Walk : public OperationWalk {};
class WriteV2Walk : public OperationWalk {};
class CopyWalks : public OperationWalk {};
class RemoveWalks : public OperationWalk {};
class ForeignTags : public OperationWalk {};

}  // namespace

// --- Order, scope, bar ---------------------------------------------------------------

// Read-only files make each visit visible: one message per file, in walk order,
// with the bar advanced for every failed file before it.
TEST_F(WalkProgress, VisitsEveryEntryLastFirstAndFillsTheBar) {
    std::vector<std::string> paths;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        paths.push_back(folder.make(name, audio(300)));
        ::chmod(paths.back().c_str(), 0444);
    }
    addAll("\"a.mp3\" \"b.mp3\" \"c.mp3\"", true);
    then("click Aplicar ID3v1.1", [this] { script::click(main(), res::kApplyV1); });
    for (int visited = 0; visited < 3; ++visited) {
        then("the walk reaches file " + std::to_string(visited), [this, visited, &paths] {
            ASSERT_TRUE(progressWindow());
            EXPECT_EQ(script::text(progressWindow(), res::kProgressStatus), app::kWritingV1);
            EXPECT_EQ(barPosition(), visited);
            const auto boxes = platform::shownMessageBoxes();
            ASSERT_EQ(boxes.size(), static_cast<std::size_t>(visited + 1));
            EXPECT_EQ(boxes.back().text, formatted(kOpenForReadWrite, paths[static_cast<std::size_t>(2 - visited)]));
            EXPECT_EQ(boxes.back().owner, main());
            script::pressOk();
        });
    }
    steps.whilePumping("the bar is full after the last entry", [] { EXPECT_EQ(barPosition(), 3); });
    then("the window is gone", [this, &paths] {
        expectWalkGone();
        for (const std::string& path : paths) EXPECT_EQ(readAll(path), audio(300));
    });
    closeMain();
    run();
}

TEST_F(WalkProgress, OnlyTheSelectedEntryIsWrittenAndTheBarCountsIt) {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) folder.make(name, audio(300));
    addAll("\"a.mp3\" \"b.mp3\" \"c.mp3\"", false);
    then("select b", [this] { script::clickRow(main(), res::kFileList, 1); });
    typeAndPress({{res::kTitleEdit, "Only b"}}, res::kApplyV1);
    steps.whilePumping("the window paints first", [] {
        EXPECT_EQ(barPosition(), 0);
        EXPECT_TRUE(platform::isWindowVisible(progressWindow()));
    });
    steps.whilePumping("after c, out of scope", [] { EXPECT_EQ(barPosition(), 0); });
    steps.whilePumping("after b", [] { EXPECT_EQ(barPosition(), 1); });
    then("b alone has a trailer, and the panel shows it", [this] {
        expectWalkGone();
        EXPECT_EQ(readAll(pathIn("a.mp3")), audio(300));
        EXPECT_EQ(readAll(pathIn("c.mp3")), audio(300));
        EXPECT_EQ(trailerText(pathIn("b.mp3"), kTitleOffset, 30), "Only b");
        EXPECT_EQ(script::text(main(), res::kTitleEdit), "Only b");
        EXPECT_EQ(script::text(main(), res::kYearEdit), "");
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
    });
    closeMain();
    run();
}

TEST_F(WalkProgress, AnEmptyScopeShowsAndDestroysTheWindowAndRefreshesThePanel) {
    folder.make("a.mp3", concat({audio(300), v1Trailer("On disk", 1, 0)}));
    addAll("a.mp3", false);
    then("clear the selection's panel text and write", [this] {
        platform::listSetSel(fileList(), false, -1);
        script::typeInto(main(), res::kTitleEdit, "typed");
        script::click(main(), res::kApplyV1);
    });
    then("nothing was written, and the panel shows the current entry again", [this] {
        expectWalkGone();
        EXPECT_EQ(trailerText(pathIn("a.mp3"), kTitleOffset, 30), "On disk");
        EXPECT_EQ(script::text(main(), res::kTitleEdit), "On disk");
    });
    closeMain();
    run();
}

TEST(WalkProgressBar, ScalesTheRangeBeyondSixteenBits) {
    platform::resetDesktop();
    app::ModuleInstance = &res::lirvaneModule();
    {
        constexpr std::size_t kEntries = 200'000;
        walking::ProgressRun progress(res::lirvaneModule(), "many", kEntries);
        const auto bar = platform::getDlgItem(walking::ProgressWindowHandle, res::kProgressBar);
        for (std::size_t i = 0; i < kEntries / 2; ++i) progress.advance();
        EXPECT_EQ(platform::progressGetPos(bar), 65535 / 2);
        for (std::size_t i = 0; i < kEntries / 2; ++i) progress.advance();
        EXPECT_EQ(platform::progressGetPos(bar), 65535);
    }
    EXPECT_FALSE(platform::isWindow(walking::ProgressWindowHandle));
    EXPECT_EQ(walking::progressBarEnd(3), 3);
    platform::resetDesktop();
    app::resetProgramState();
}

// --- Cancel ------------------------------------------------------------------------

namespace {

// The user stops the walk while the second file is written: the pump after
// it is the first to see the request.
void cancelDuringSecondFile(platform::Script& steps, const std::function<void()>& cancel) {
    steps.whilePumping("the window paints", [] {});
    steps.whilePumping("after the first file", [] {});
    steps.whilePumping("cancel while the second is written", cancel);
}

}  // namespace

// The window takes the keyboard when it appears, with Cancel focused.
TEST_F(WalkCancel, CancelButtonKeysAndCloseBoxStopAfterTheCurrentFile) {
    const std::vector<std::function<void()>> ways = {
        [] { script::click(progressWindow(), platform::IDCANCEL); },
        [] { script::key(Key::Escape); },
        [] { script::key(Key::Enter); },
        [] { platform::inputText(" "); },
        [] { script::close(progressWindow()); },
    };
    const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"};
    for (std::size_t way = 0; way < ways.size(); ++way) {
        const std::string sub = "way" + std::to_string(way);
        std::filesystem::create_directory(folder.path() / sub);
        for (const std::string& name : names)
            folder.make(sub + "/" + name, concat({audio(300), v1Trailer("old", 1, 0)}));
        addFiles(pathIn(sub), "\"a.mp3\" \"b.mp3\" \"c.mp3\" \"d.mp3\" \"e.mp3\"");
        then("select everything of " + sub, [this, way] {
            if (way == 0) script::click(main(), res::kScopeAll);
            platform::listSetSel(fileList(), true, -1);
        });
        typeAndPress({{res::kTitleEdit, "new"}}, res::kApplyV1);
        cancelDuringSecondFile(steps, ways[way]);
        then("the second file was finished, the other three are untouched", [this, sub, names] {
            expectWalkGone();
            EXPECT_EQ(walking::CancelRequested, 1);
            std::vector<std::string> titles;
            for (const std::string& name : names)
                titles.push_back(trailerText(pathIn(sub + "/" + name), kTitleOffset, 30));
            EXPECT_EQ(titles, (std::vector<std::string>{"old", "old", "old", "new", "new"}));
            // The panel was refreshed from the current entry's file.
            EXPECT_FALSE(script::text(main(), res::kTitleEdit).empty());
            script::click(main(), res::kRemoveAll);
        });
    }
    closeMain();
    run();
}

// A command that reaches the main window while a walk runs (here from a
// message box's loop) waits, and acts only after the walk has ended.
TEST_F(WalkCancel, ACommandDuringAWalkWaitsForItsEnd) {
    const std::string locked = folder.make("a.mp3", audio(300));
    folder.make("b.mp3", audio(300));
    ::chmod(locked.c_str(), 0444);
    addAll("\"a.mp3\" \"b.mp3\"", true);
    then("write", [this] { script::click(main(), res::kApplyV1); });
    then("during the message about a.mp3, another walk and a removal arrive", [this] {
        platform::postMessage(main(), platform::WM_COMMAND, platform::makeWParam(res::kRemoveV1, 0), 0);
        platform::postMessage(main(), platform::WM_COMMAND, platform::makeWParam(res::kRemoveAll, 0), 0);
        script::pressOk();
    });
    then("the removal walk runs after the first one, alone", [this, locked] {
        EXPECT_EQ(windowsCaptioned(kProgressCaption), 1);
        EXPECT_EQ(script::text(progressWindow(), res::kProgressStatus), app::kRemovingV1);
        EXPECT_EQ(entries().size(), 2u);
        EXPECT_EQ(platform::shownMessageBoxes().back().text, formatted(kOpenForReadWrite, locked));
        script::pressOk();
    });
    then("then the list was emptied", [this] {
        expectWalkGone();
        EXPECT_TRUE(entries().empty());
        // b.mp3 got its trailer from the first walk, and lost it softly in the second.
        const Bytes b = readAll(pathIn("b.mp3"));
        ASSERT_EQ(b.size(), 300 + kTrailerSize);
        EXPECT_EQ(trailerOf(pathIn("b.mp3")), Bytes(kTrailerSize, 0));
    });
    closeMain();
    run();
}

TEST_F(WalkCancel, AClickOnTheMainWindowDuringAWalkActsAfterIt) {
    folder.make("a.mp3", audio(300));
    folder.make("b.mp3", audio(300));
    addAll("\"a.mp3\" \"b.mp3\"", true);
    typeAndPress({{res::kTitleEdit, "walked"}}, res::kApplyV1);
    steps.whilePumping("click Titulo: while the walk paints", [this] { script::click(main(), res::kTitleCheck); });
    steps.whilePumping("after b the box is still checked",
                       [this] { EXPECT_TRUE(script::checked(main(), res::kTitleCheck)); });
    then("the click acted after the walk; both files got the title", [this] {
        expectWalkGone();
        EXPECT_FALSE(script::checked(main(), res::kTitleCheck));
        EXPECT_EQ(trailerText(pathIn("a.mp3"), kTitleOffset, 30), "walked");
        EXPECT_EQ(trailerText(pathIn("b.mp3"), kTitleOffset, 30), "walked");
    });
    closeMain();
    run();
}

// --- WriteV1 ---------------------------------------------------------------------

TEST_F(WriteV1Walk, CheckedFieldsOnlyTitleCutAt30TrackLowByte) {
    folder.make("a-tagged.mp3", concat({audio(300), v1Trailer("old title", 3, 17)}));
    folder.make("b-bare.mp3", audio(300));
    addAll("\"a-tagged.mp3\" \"b-bare.mp3\"", true);
    uncheckAllBut({res::kTitleCheck, res::kTrackCheck});
    typeAndPress({{res::kTitleEdit, "12345678901234567890123456789012345"}, {res::kTrackEdit, "300"}}, res::kApplyV1);
    then("both files have the title's first 30 characters and track 44", [this] {
        for (const char* name : {"a-tagged.mp3", "b-bare.mp3"}) {
            EXPECT_EQ(trailerText(pathIn(name), kTitleOffset, 30), "123456789012345678901234567890") << name;
            EXPECT_EQ(trailerOf(pathIn(name))[kTrackOffset], 44) << name;
        }
        // Unchecked fields: kept on disk where there was a trailer, empty in a new one.
        EXPECT_EQ(trailerText(pathIn("a-tagged.mp3"), 33, 30), "V1 Artist");
        EXPECT_EQ(trailerOf(pathIn("a-tagged.mp3"))[kGenreOffset], 17);
        EXPECT_EQ(trailerText(pathIn("b-bare.mp3"), 33, 30), "");
        EXPECT_EQ(trailerOf(pathIn("b-bare.mp3"))[kGenreOffset], 255);
    });
    closeMain();
    run();
}

TEST_F(WriteV1Walk, GenreByNameAndTrackThatIsNoNumber) {
    folder.make("a.mp3", audio(300));
    addAll("a.mp3", true);
    typeAndPress({{res::kGenreCombo, "Rock"}, {res::kTrackEdit, "7b"}, {res::kYearEdit, "199912"}}, res::kApplyV1);
    then("genre 17, track 0, year cut at 4", [this] {
        EXPECT_EQ(trailerOf(pathIn("a.mp3"))[kGenreOffset], 17);
        EXPECT_EQ(trailerOf(pathIn("a.mp3"))[kTrackOffset], 0);
        EXPECT_EQ(trailerText(pathIn("a.mp3"), 93, 4), "1999");
    });
    closeMain();
    run();
}

// --- WriteV2 ---------------------------------------------------------------------

TEST_F(WriteV2Walk, BuildsTheFrameBodiesFromThePanelTakingTextsWhole) {
    const std::string path = folder.make("a.mp3", audio(3000));
    addAll("a.mp3", true);
    then("fill the v2 view", [this] { script::click(main(), res::kViewV2); });
    typeAndPress({{res::kCommentEdit, "abc"},
                  {res::kUrlEdit, "x"},
                  {res::kOrigArtistEdit, std::string(40, 'o')},
                  {res::kArtistEdit, "Artist"}},
                 res::kApplyV2);
    then("the bodies are exactly the panel's texts", [this, path] {
        EXPECT_EQ(frameBody(path, "COMM"), (Bytes{0, 0, 0, 0, 0, 'a', 'b', 'c', 0}));
        EXPECT_EQ(frameBody(path, "WXXX"), (Bytes{0, 0, 'x', 0}));
        EXPECT_EQ(frameBody(path, "TIT2"), (Bytes{0, 0}));
        EXPECT_EQ(frameBody(path, "TOPE")->size(), 42u);
        EXPECT_EQ(mutagenView(path,
                              "t['TPE1'].text[0], t.getall('COMM')[0].text[0], t.getall('WXXX')[0].url, "
                              "len(t['TOPE'].text[0])"),
                  "Artist abc x 40\n");
        EXPECT_TRUE(readAll(path).size() > 3000);
        EXPECT_EQ(script::text(main(), res::kArtistEdit), "Artist");
    });
    closeMain();
    run();
}

TEST_F(WriteV2Walk, UncheckedFieldsKeepTheFilesFramesInPlace) {
    ByteBuilder frames;
    frames.append(textFrame("TIT2", "Old title")).append(textFrame("TPE1", "Old artist")).zeros(600);
    const Bytes tag = concat({v2Header(3, 0, static_cast<std::uint32_t>(frames.build().size())), frames});
    const std::string path = folder.make("a.mp3", concat({tag, audio(3000)}));
    addAll("a.mp3", true);
    then("v2 view", [this] { script::click(main(), res::kViewV2); });
    uncheckAllBut({res::kTitleCheck});
    typeAndPress({{res::kTitleEdit, "New"}}, res::kApplyV2);
    then("the title changed in place, the artist stayed", [this, path, tag] {
        EXPECT_EQ(readAll(path).size(), tag.size() + 3000);
        EXPECT_EQ(frameBody(path, "TIT2"), (Bytes{0, 'N', 'e', 'w', 0}));
        const auto artist = frameBody(path, "TPE1");
        ASSERT_TRUE(artist);
        EXPECT_EQ(std::string(artist->begin() + 1, artist->end()).substr(0, 10), "Old artist");
    });
    closeMain();
    run();
}

// --- Copies --------------------------------------------------------------------------

TEST_F(CopyWalks, V1ToV2BuildsUnterminatedBodiesAndSkipsFilesWithoutATrailer) {
    const std::string song = folder.make("a.mp3", concat({audio(2000), ByteBuilder()
                                                                           .text("TAG")
                                                                           .field("Song", 30)
                                                                           .field("", 30)
                                                                           .field("", 30)
                                                                           .field("", 4)
                                                                           .field("", 28)
                                                                           .bytes({0, 0, 255})
                                                                           .build()}));
    const std::string bare = folder.make("b.mp3", audio(2000));
    addAll("\"a.mp3\" \"b.mp3\"", true);
    then("copy", [this] { script::click(main(), res::kCopyV1ToV2); });
    then("the bodies", [this, song, bare] {
        EXPECT_EQ(frameBody(song, "TIT2"), (Bytes{0, 'S', 'o', 'n', 'g'}));
        EXPECT_EQ(frameBody(song, "TRCK"), (Bytes{0, '0'}));
        EXPECT_EQ(frameBody(song, "TCON"), (Bytes{0}));
        EXPECT_EQ(frameBody(song, "COMM"), (Bytes{0, 0, 0, 0, 0}));
        EXPECT_EQ(readAll(bare), audio(2000));
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
    });
    closeMain();
    run();
}

TEST_F(CopyWalks, V2ToV1CutsTextsAndReadsTrackAndGenre) {
    const auto make = [&](const char* name, std::initializer_list<Bytes> frames, bool trailer) {
        return folder.make(name, concat({v2Tag(frames), audio(500), trailer ? v1Trailer("x", 9, 33) : Bytes{}}));
    };
    const std::string a = make(
        "a.mp3", {textFrame("TIT2", std::string(40, 't')), textFrame("TRCK", "12"), textFrame("TCON", "Rock")}, false);
    const std::string b = make("b.mp3", {textFrame("TRCK", "300"), textFrame("TCON", "(17)")}, false);
    const std::string c = make("c.mp3", {textFrame("TRCK", "5/12"), textFrame("TCON", "Chiptune")}, true);
    const std::string d = make("d.mp3", {textFrame("TCON", "Chiptune")}, false);
    const std::string e = folder.make("e.mp3", concat({audio(500), v1Trailer("kept", 4, 2)}));
    addAll("\"a.mp3\" \"b.mp3\" \"c.mp3\" \"d.mp3\" \"e.mp3\"", true);
    then("copy", [this] { script::click(main(), res::kCopyV2ToV1); });
    then("the trailers", [&] {
        EXPECT_EQ(trailerText(a, kTitleOffset, 30), std::string(30, 't'));
        EXPECT_EQ(trailerOf(a)[kTrackOffset], 12);
        EXPECT_EQ(trailerOf(a)[kGenreOffset], 17);
        EXPECT_EQ(trailerOf(b)[kTrackOffset], 44);
        EXPECT_EQ(trailerOf(b)[kGenreOffset], 17);
        EXPECT_EQ(trailerOf(c)[kTrackOffset], 5);
        EXPECT_EQ(trailerOf(c)[kGenreOffset], 33);  // the file's own genre
        EXPECT_EQ(trailerText(c, kTitleOffset, 30), "");
        EXPECT_EQ(trailerOf(d)[kTrackOffset], 0);
        EXPECT_EQ(trailerOf(d)[kGenreOffset], 255);           // not c's, walked just before
        EXPECT_EQ(trailerText(e, kTitleOffset, 30), "kept");  // no ID3v2 tag: skipped
    });
    closeMain();
    run();
}

// --- Removals --------------------------------------------------------------------------

TEST_F(RemoveWalks, SoftKeepsTheLengthFullDropsTheTag) {
    const Bytes tag = v2Tag({textFrame("TIT2", "T")});
    const Bytes whole = concat({tag, audio(700), v1Trailer("t", 1, 1)});
    for (const char* name : {"soft/a.mp3", "full/a.mp3"}) {
        std::filesystem::create_directories((folder.path() / name).parent_path());
        folder.make(name, whole);
    }
    for (const bool soft : {true, false}) {
        const std::string sub = soft ? "soft" : "full";
        addFiles(pathIn(sub), "a.mp3");
        then("set the modes and remove both tags in " + sub, [this, soft] {
            app::QuickV1 = soft;
            app::QuickV2 = soft;
            script::click(main(), res::kScopeAll);
            script::click(main(), res::kRemoveV1);
        });
        then("v2 view", [this] { script::click(main(), res::kViewV2); });
        then("remove the v2 tag", [this] { script::click(main(), res::kRemoveV2); });
        then("check " + sub, [this, sub, soft, tag] {
            const Bytes after = readAll(pathIn(sub + "/a.mp3"));
            if (soft) {
                ASSERT_EQ(after.size(), tag.size() + 700 + kTrailerSize);
                EXPECT_EQ(Bytes(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(tag.size())),
                          Bytes(tag.size(), 0));
            } else {
                EXPECT_EQ(after, audio(700));
            }
            script::click(main(), res::kRemoveAll);
            script::click(main(), res::kViewV1);
        });
    }
    closeMain();
    run();
}

// --- Tags the reader cannot hold whole -----------------------------------------------------

TEST_F(ForeignTags, AnUnsupportedVersionIsLeftAloneAndACoverPictureIsKept) {
    const Bytes v24 = concat({v2Header(5, 0, 20), frame("TIT2", textBody("v2.4")), ByteBuilder().zeros(5), audio(400)});
    const std::string newer = folder.make("a-v24.mp3", concat({v24, v1Trailer("x", 1, 1)}));
    const Bytes picture =
        frame("APIC", ByteBuilder().bytes({0}).text("image/jpeg").bytes({0, 3, 0, 0xFF, 0xD8, 0xFF, 0xE0}).zeros(64));
    const std::string cover = folder.make(
        "b-cover.mp3", concat({v2Tag({textFrame("TIT2", "T"), picture}), audio(400), v1Trailer("x", 1, 1)}));
    const Bytes newerBefore = readAll(newer);
    addAll("\"a-v24.mp3\" \"b-cover.mp3\"", true);
    then("make the cover file current", [this] { script::clickRow(main(), res::kFileList, 1); });
    then("v2 view", [this] { script::click(main(), res::kViewV2); });
    then("write v2 over both", [this] { script::click(main(), res::kApplyV2); });
    then("the v2.5 file is reported", [newer] {
        ASSERT_EQ(platform::shownMessageBoxes().size(), 1u);
        EXPECT_EQ(platform::shownMessageBoxes().back().text, formatted(tags::msg::kUnsupportedVersion, newer));
        script::pressOk();
    });
    then("copy v1 into v2 as well", [this] { script::click(main(), res::kCopyV1ToV2); });
    then("reported again", [this] { script::pressOk(); });
    then("the v2.5 file is untouched and the picture is still there", [this, newer, cover, newerBefore] {
        EXPECT_EQ(readAll(newer), newerBefore);
        tags::V2Tag tag;
        ASSERT_EQ(tag.read(cover.c_str()), tags::TagSuccess);
        ASSERT_EQ(tag.otherFrames.size(), 1u);
        EXPECT_EQ(std::string_view(tag.otherFrames[0].id, 4), "APIC");
        EXPECT_EQ(frameBody(cover, "TIT2"), textBody("x"));
    });
    closeMain();
    run();
}

// --- The track's text ---------------------------------------------------------------------

TEST(DecimalTextValue, WeighsDigitsByTheWholeTextsLength) {
    EXPECT_EQ(app::decimalTextValue("007", 4), 7);
    EXPECT_EQ(app::decimalTextValue("", 4), 0);
    EXPECT_EQ(app::decimalTextValue("12", 1), 10);
    EXPECT_EQ(app::decimalTextValue(std::string_view("42\0"
                                                     "99",
                                                     5),
                                    5),
              42);
    EXPECT_EQ(app::decimalTextValue("123456789", 9), 123456789);
    // Only the last eight digits decide the low byte, whatever the length.
    const std::string longText = std::string(5000, '9') + "00000300";
    EXPECT_EQ(app::decimalTextValue(longText, longText.size()) & 0xFF, 300 & 0xFF);
}

// --- Text in every language -------------------------------------------------------------

TEST_F(WriteV1Walk, TextsBecomeWindows1252WithQuestionMarksAndLimitsCountCharacters) {
    const std::string path = folder.make("a.mp3", audio(300));
    std::string accents;
    for (int i = 0; i < 31; ++i) accents += "é";  // 62 bytes of UTF-8, 31 characters
    addAll("a.mp3", true);
    typeAndPress({{res::kTitleEdit, "日本の歌 “€” it’s"}, {res::kArtistEdit, accents}}, res::kApplyV1);
    then("Windows-1252 bytes in the trailer, shown back converted", [this, path] {
        EXPECT_EQ(trailerText(path, kTitleOffset, 30), "???? \x93\x80\x94 it\x92s");
        EXPECT_EQ(trailerText(path, 33, 30), std::string(30, '\xE9'));
        EXPECT_EQ(script::text(main(), res::kTitleEdit), "???? “€” it’s");
    });
    closeMain();
    run();
}

TEST_F(WriteV2Walk, TextBeyondIso88591IsWrittenAsUtf16AndTheRestAsBefore) {
    const std::string path = folder.make("a.mp3", audio(3000));
    addAll("a.mp3", true);
    then("v2 view", [this] { script::click(main(), res::kViewV2); });
    typeAndPress({{res::kTitleEdit, "日本の歌"}, {res::kArtistEdit, "“€” it’s"}, {res::kAlbumEdit, "Café"}},
                 res::kApplyV2);
    then("the bodies, and what mutagen and the panel read from them", [this, path] {
        EXPECT_EQ(frameBody(path, "TIT2"), concat({{0x01},                                            // UTF-16
                                                   {0xFF, 0xFE},                                      // byte-order mark
                                                   {0xE5, 0x65, 0x2C, 0x67, 0x6E, 0x30, 0x4C, 0x6B},  // 日本の歌
                                                   {0x00, 0x00}}));                                   // terminator
        EXPECT_EQ(frameBody(path, "TALB"), (Bytes{0, 'C', 'a', 'f', 0xE9, 0}));
        EXPECT_EQ(mutagenView(path, "t['TIT2'].text[0], t['TPE1'].text[0], t['TALB'].text[0]"),
                  "日本の歌 “€” it’s Café\n");
        expectTexts({{res::kTitleEdit, "日本の歌"}, {res::kArtistEdit, "“€” it’s"}, {res::kAlbumEdit, "Café"}});
    });
    closeMain();
    run();
}

TEST_F(CopyWalks, V1ToV2TakesTheTrailersWindows1252Characters) {
    const std::string euro = folder.make("a.mp3", concat({audio(2000), v1Trailer("Caf\xE9 \x80", 1, 17)}));
    const std::string latin1 = folder.make("b.mp3", concat({audio(2000), v1Trailer("Caf\xE9", 1, 17)}));
    addAll("\"a.mp3\" \"b.mp3\"", true);
    then("copy", [this] { script::click(main(), res::kCopyV1ToV2); });
    then("UTF-16 where ISO-8859-1 lacks a character, one byte a character otherwise", [this, euro, latin1] {
        EXPECT_EQ(frameBody(euro, "TIT2"),
                  (Bytes{0x01, 0xFF, 0xFE, 'C', 0, 'a', 0, 'f', 0, 0xE9, 0, ' ', 0, 0xAC, 0x20}));
        EXPECT_EQ(frameBody(latin1, "TIT2"), (Bytes{0, 'C', 'a', 'f', 0xE9}));
        EXPECT_EQ(mutagenView(euro, "t['TIT2'].text[0]"), "Café €\n");
    });
    closeMain();
    run();
}
