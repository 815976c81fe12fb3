// Scenario tests that drive the real program through the scripted input: a
// fresh desktop, program state and registry folder per test, and the steps
// that reach the main window's dialogs.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/filelist.h"
#include "app/mainwindow.h"
#include "app/panel.h"
#include "app/program.h"
#include "app/settings.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/script.h"
#include "platform/ui/window.h"
#include "res/resources.h"
#include "tests/testfiles.h"

namespace app_testing {

using namespace testing_support;
namespace script = platform::script;
using platform::Key;

// The common dialogs' name field.
inline constexpr int kNameEdit = 1103;
inline constexpr int kEntryList = 1102;
inline constexpr char kOpenFailed[] = "An error occured while attemping to open '%s' for reading.";

// The panel's check boxes and controls, from its table: all, or those of the
// fields only ID3v2.3 has.
inline std::vector<int> panelIds(int app::PanelField::*id, bool v2OnlyRows) {
    std::vector<int> ids;
    for (const app::PanelField& row : app::kPanelFields) {
        if (!v2OnlyRows || row.v2Only) ids.push_back(row.*id);
    }
    return ids;
}
inline const std::vector<int> kFieldChecks = panelIds(&app::PanelField::check, false);
inline const std::vector<int> kV2OnlyChecks = panelIds(&app::PanelField::check, true);
inline const std::vector<int> kV2OnlyFields = panelIds(&app::PanelField::control, true);

inline std::string openFailed(const std::string& path) {
    char text[512];
    std::snprintf(text, sizeof text, kOpenFailed, path.c_str());
    return text;
}

inline Bytes v1Trailer(std::string_view title, int track, int genre) {
    return ByteBuilder()
        .text("TAG")
        .field(title, 30)
        .field("V1 Artist", 30)
        .field("V1 Album", 30)
        .field("1999", 4)
        .field("V1 comment", 28)
        .bytes({0, track, genre});
}

inline Bytes textFrame(std::string_view id, std::string_view text) {
    return frame(id, ByteBuilder().bytes({0}).text(text));
}

inline Bytes v2Tag(std::initializer_list<Bytes> frames) {
    ByteBuilder body;
    for (const Bytes& f : frames) body.append(f);
    body.zeros(32);
    return concat({v2Header(3, 0, static_cast<std::uint32_t>(body.build().size())), body});
}

inline Bytes listRecords(std::initializer_list<std::string> paths) {
    ByteBuilder records;
    for (const std::string& path : paths) records.field(path, app::kListRecordSize);
    return records;
}

inline std::optional<std::uint32_t> storedSetting(const char* name) {
    platform::RegKey key;
    if (platform::regOpenKeyEx(platform::HKEY_LOCAL_MACHINE, app::kSettingsKey, platform::KEY_READ, key) != 0) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 4> data{};
    std::uint32_t size = data.size();
    std::uint32_t type = 0;
    if (platform::regQueryValueEx(key, name, &type, data, size) != 0 || type != platform::REG_DWORD)
        return std::nullopt;
    return data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

inline int windowsCaptioned(const std::string& caption) {
    int count = 0;
    for (platform::WindowHandle w : platform::desktop().zOrder) count += script::caption(w) == caption ? 1 : 0;
    return count;
}

class AppScenario : public ::testing::Test {
protected:
    AppScenario() {
        platform::resetDesktop();
        app::resetProgramState();
        platform::setRegistryFolder((folder.path() / "config").string());
    }
    ~AppScenario() override {
        platform::setShellOpener({});
        platform::setRegistryFolder("");
        platform::resetDesktop();
        app::resetProgramState();
    }

    platform::WindowHandle main() const { return script::window("Lirvane v3.0"); }
    platform::WindowHandle fileList() const { return platform::getDlgItem(main(), res::kFileList); }
    std::vector<std::string> entries() const { return script::items(main(), res::kFileList); }
    std::string pathIn(const std::string& relative) const { return (folder.path() / relative).string(); }
    void run() { EXPECT_EQ(app::runProgram(res::lirvaneModule()), 0); }

    void then(std::string name, platform::Script::Action action) { steps.then(std::move(name), std::move(action)); }
    void closeMain() {
        then("close the main window", [this] { script::close(main()); });
    }

    // Types a path into the topmost dialog of that caption and confirms with Enter.
    void typeAndEnter(const std::string& caption, const std::string& typed) {
        then("type " + typed + " into " + caption, [caption, typed] {
            const auto dialog = script::window(caption);
            ASSERT_TRUE(dialog) << caption;
            script::typeInto(dialog, kNameEdit, typed);
            script::key(Key::Enter);
        });
    }
    // "Añadir Archivo": goes to the folder, then chooses one name or several in quotes.
    void addFiles(const std::string& folderPath, const std::string& names) {
        then("click Añadir Archivo", [this] { script::click(main(), res::kAddFile); });
        typeAndEnter("Open...", folderPath);
        typeAndEnter("Open...", names);
    }
    void useListFile(int command, const std::string& caption, const std::string& path) {
        then("choose " + caption, [this, command] { script::menu(main(), command); });
        typeAndEnter(caption, path);
    }
    void expectBoxThenOk(const std::string& text) {
        then("acknowledge '" + text + "'", [this, text] {
            ASSERT_TRUE(script::messageBoxWindow());
            const auto boxes = platform::shownMessageBoxes();
            ASSERT_FALSE(boxes.empty());
            EXPECT_EQ(boxes.back().text, text);
            EXPECT_EQ(boxes.back().title, "ERROR");
            EXPECT_EQ(boxes.back().owner, main());
            script::pressOk();
        });
    }
    void expectReadFailure(const std::string& path, const char* viewMessage) {
        expectBoxThenOk(openFailed(path));
        expectBoxThenOk(viewMessage);
    }
    void expectEnabled(const std::vector<int>& ids, bool enabled) const {
        for (int id : ids) EXPECT_EQ(script::enabled(main(), id), enabled) << "control " << id;
    }
    // The view buttons and what each view enables; the copy buttons work in both.
    void expectView(bool v1) const {
        EXPECT_EQ(script::checked(main(), res::kViewV1), v1);
        EXPECT_EQ(script::checked(main(), res::kViewV2), !v1);
        expectEnabled({res::kApplyV1, res::kRemoveV1}, v1);
        expectEnabled({res::kApplyV2, res::kRemoveV2}, !v1);
        expectEnabled({res::kCopyV1ToV2, res::kCopyV2ToV1}, true);
        expectEnabled(kV2OnlyChecks, !v1);
    }
    void expectTexts(std::initializer_list<std::pair<int, const char*>> expected) const {
        for (const auto& [id, text] : expected) EXPECT_EQ(script::text(main(), id), text) << "control " << id;
    }
    void expectPanelEmpty() {
        const auto w = main();
        for (int id = res::kTitleEdit; id <= res::kGenreCombo; ++id)
            EXPECT_EQ(script::text(w, id), "") << "control " << id;
        EXPECT_EQ(platform::comboGetCurSel(platform::getDlgItem(w, res::kGenreCombo)), -1);
    }

    void openOptions() {
        then("choose Opciones...", [this] { script::menu(main(), res::kMenuOptions); });
    }
    static platform::WindowHandle options() { return script::window("Opciones..."); }
    static void expectOptions(bool v1Soft, bool v2Soft) {
        const auto d = options();
        ASSERT_TRUE(d);
        EXPECT_EQ(script::checked(d, res::kOptionsV1Soft), v1Soft);
        EXPECT_EQ(script::checked(d, res::kOptionsV1Full), !v1Soft);
        EXPECT_EQ(script::checked(d, res::kOptionsV2Soft), v2Soft);
        EXPECT_EQ(script::checked(d, res::kOptionsV2Full), !v2Soft);
    }
    static void expectSettings(int v1, int v2) {
        EXPECT_EQ(app::QuickV1, v1);
        EXPECT_EQ(app::QuickV2, v2);
    }
    static void expectStored(std::uint32_t v1, std::uint32_t v2) {
        EXPECT_EQ(storedSetting(app::kQuickV1Value), v1);
        EXPECT_EQ(storedSetting(app::kQuickV2Value), v2);
    }
    void writeHive(const std::string& values) {
        std::filesystem::create_directories(folder.path() / "config");
        std::ofstream(platform::registryFile(), std::ios::binary)
            << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvisel\\Lirvane_v3]\n"
            << values;
    }
    Bytes hive() const { return readAll(platform::registryFile()); }

    TestFolder folder;
    platform::Script steps{[](const std::string& why) { ADD_FAILURE() << why; }};
};

}  // namespace app_testing
