// Names and tags in every language: paths of any bytes, UTF-16 frames of
// other editors, and the conversions of the batch operations.
#include <algorithm>
#include <cstdlib>

#include "platform/text.h"
#include "tests/app_scenario.h"

using namespace app_testing;

// --- Names and tags in every language --------------------------------------------

namespace {

constexpr std::size_t kTrailerSize = 128;
constexpr std::size_t kTitleOffset = 3;
constexpr std::size_t kArtistOffset = 33;
constexpr std::size_t kCommentOffset = 97;

class Languages : public AppScenario {
protected:
    // Tags another editor made, by a Python script given the file and a text.
    void tagWith(const std::string& path, const std::string& script, const std::string& text) {
        const std::string command = "/usr/bin/python3 -c \"import sys; " + script + "\" '" + path + "' '" + text +
                                    "' > '" + path + ".out' 2>&1";
        const int status = std::system(command.c_str());
        const Bytes out = readAll(path + ".out");
        ASSERT_EQ(status, 0) << std::string(out.begin(), out.end());
    }
};

Bytes utf16Frame(std::string_view id, std::initializer_list<int> units) {
    ByteBuilder body;
    body.bytes({1, 0xFF, 0xFE});
    for (int unit : units) body.bytes({unit & 0xFF, unit >> 8});
    return frame(id, body);
}

}  // namespace

TEST_F(Languages, ATreeOfNamesInEveryScriptIsAddedShownSavedAndLoaded) {
    namespace fs = std::filesystem;
    const std::vector<std::string> names = {"Кино/Группа крови.mp3", "Ελληνικά/Σαββατόβραδο.mp3", "日本/君が代.mp3",
                                            "Café/Señor.mp3", "raw \xFF\xFE.mp3"};
    for (const char* sub : {"Кино", "Ελληνικά", "日本", "Café"}) fs::create_directories(folder.path() / "tree" / sub);
    // Each file's ID3v1.1 title is its index and a Windows-1252 "é €"; the
    // ID3v2.3 title is UTF-16 "Кино".
    const Bytes v2 = v2Tag({utf16Frame("TIT2", {0x041A, 0x0438, 0x043D, 0x043E})});
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string title = std::to_string(i) + " \xE9 \x80";
        paths.push_back(folder.make("tree/" + names[i], concat({v2, audio(400), v1Trailer(title, 1, 17)})));
    }
    std::vector<std::string> sortedPaths = paths;
    std::sort(sortedPaths.begin(), sortedPaths.end(),
              [](const std::string& a, const std::string& b) { return platform::compareNoCase(a, b) < 0; });
    then("add the tree", [&] { script::click(main(), res::kAddFolder); });
    then("go to the tree and accept it", [&] {
        const auto d = script::window("Buscar carpeta");
        ASSERT_TRUE(d);
        script::typeInto(d, kNameEdit, pathIn("tree"));
        script::key(Key::Enter);
        script::key(Key::Enter);
    });
    then("every file is there, by its own bytes", [&] { ASSERT_EQ(entries(), sortedPaths); });
    for (std::size_t row = 0; row < paths.size(); ++row) {
        then("select row " + std::to_string(row),
             [&, row] { script::clickRow(main(), res::kFileList, static_cast<int>(row)); });
        then("its ID3v1.1 title", [&, row] {
            const auto at = std::find(paths.begin(), paths.end(), sortedPaths[row]);
            EXPECT_EQ(script::text(main(), res::kTitleEdit), std::to_string(at - paths.begin()) + " é €") << *at;
        });
    }
    then("switch views", [&] {
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        script::click(main(), res::kViewV2);
    });
    then("the ID3v2.3 title of the current entry", [&] { EXPECT_EQ(script::text(main(), res::kTitleEdit), "Кино"); });
    useListFile(res::kMenuSaveList, "Save Filelist...", pathIn("lista ñ.lv3"));
    then("the records hold the paths' bytes; empty the list", [&] {
        ByteBuilder records;
        for (auto it = sortedPaths.rbegin(); it != sortedPaths.rend(); ++it) records.field(*it, app::kListRecordSize);
        EXPECT_EQ(readAll(pathIn("lista ñ.lv3")), records.build());
        script::click(main(), res::kRemoveAll);
    });
    useListFile(res::kMenuLoadList, "Load Filelist...", pathIn("lista ñ.lv3"));
    then("the same files again", [&] {
        EXPECT_EQ(entries(), sortedPaths);
        script::clickRow(main(), res::kFileList, 0);
    });
    then("and they open", [&] {
        EXPECT_EQ(script::text(main(), res::kTitleEdit), "Кино");
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        script::close(main());
    });
    run();
}

TEST_F(Languages, Utf16TagsOfMutagenAndEyeD3AreShownAndCopiedIntoTheTrailer) {
    const std::string text = "日本の歌 “€” Ñandú";
    const std::string byMutagen = folder.make("a-mutagen.mp3", audio(400));
    tagWith(byMutagen,
            "import mutagen.id3 as i; t = i.ID3(); t.add(i.TIT2(encoding=1, text=sys.argv[2])); "
            "t.add(i.TPE1(encoding=1, text='Кино')); t.add(i.COMM(encoding=1, lang='eng', desc='', text=sys.argv[2])); "
            "t.add(i.WXXX(encoding=1, desc='', url='http://example.org/')); t.save(sys.argv[1], v2_version=3)",
            text);
    const std::string byEyeD3 = folder.make("b-eyed3.mp3", audio(400));
    tagWith(byEyeD3,
            "import eyed3.id3 as i; t = i.Tag(); t.title = sys.argv[2]; t.artist = 'Кино'; "
            "t.comments.set(sys.argv[2], ''); t.save(sys.argv[1], version=i.ID3_V2_3, encoding='utf16')",
            text);
    addFiles(folder.path().string(), "\"a-mutagen.mp3\" \"b-eyed3.mp3\"");
    then("the mutagen file in the ID3v2.3 view", [&] {
        script::click(main(), res::kViewV2);
        script::clickRow(main(), res::kFileList, 0);
    });
    // The user's comment and URL are those without a description; in UTF-16 an
    // empty description is a byte-order mark and its terminator.
    then("its texts, the comment and URL after their empty descriptions", [&] {
        expectTexts({{res::kTitleEdit, text.c_str()},
                     {res::kArtistEdit, "Кино"},
                     {res::kCommentEdit, text.c_str()},
                     {res::kUrlEdit, "http://example.org/"}});
        script::clickRow(main(), res::kFileList, 1);
    });
    then("the eyeD3 file; copy both into ID3v1.1", [&] {
        expectTexts({{res::kTitleEdit, text.c_str()}, {res::kArtistEdit, "Кино"}, {res::kCommentEdit, text.c_str()}});
        EXPECT_TRUE(platform::shownMessageBoxes().empty());
        script::click(main(), res::kScopeAll);
        script::click(main(), res::kCopyV2ToV1);
    });
    then("Windows-1252 in the trailers, '?' for what it lacks", [&] {
        const std::string converted =
            "???? \x93\x80\x94 \xD1"
            "and\xFA";
        for (const std::string& path : {byMutagen, byEyeD3}) {
            const Bytes file = readAll(path);
            const std::string trailer(file.end() - kTrailerSize, file.end());
            EXPECT_EQ(trailer.substr(0, 3), "TAG") << path;
            EXPECT_EQ(trailer.substr(kTitleOffset, converted.size() + 1), converted + '\0') << path;
            EXPECT_EQ(trailer.substr(kArtistOffset, 5), std::string_view("????\0", 5)) << path;
            EXPECT_EQ(trailer.substr(kCommentOffset, converted.size() + 1), converted + '\0') << path;
        }
        script::close(main());
    });
    run();
}
