#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/ui/messages.h"
#include "res/resources.h"

namespace {

const platform::Module& module() { return res::lirvaneModule(); }

}  // namespace

TEST(Resources, EveryResourceIsFoundByItsNumberAndOthersAreNot) {
    for (int id :
         {res::kMainDialog, res::kProgressDialog, res::kRenameDialog, res::kOptionsDialog, res::kAboutDialog}) {
        ASSERT_NE(module().dialog(id), nullptr) << id;
        EXPECT_EQ(module().dialog(id)->id, id);
    }
    EXPECT_EQ(module().dialog(res::kMainDialog)->menuId, res::kMainMenu);
    EXPECT_NE(module().menu(res::kMainMenu), nullptr);
    EXPECT_NE(module().icon(res::kLargeIcon), nullptr);
    EXPECT_NE(module().icon(res::kSmallIcon), nullptr);
    EXPECT_EQ(module().dialog(res::kMainMenu), nullptr);
    EXPECT_EQ(module().menu(res::kMainDialog), nullptr);
    EXPECT_EQ(module().icon(0), nullptr);
}

TEST(Resources, ControlIdsAreUniqueWithinEachDialog) {
    for (const auto& dialog : module().dialogs) {
        std::set<int> seen;
        for (const auto& control : dialog.controls) {
            if (control.id == platform::kNoControlId) continue;
            EXPECT_TRUE(seen.insert(control.id).second) << dialog.id << ": " << control.id;
        }
    }
}

TEST(Resources, EveryControlLiesInsideItsDialog) {
    for (const auto& dialog : module().dialogs) {
        for (const auto& c : dialog.controls) {
            EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.cx > 0 && c.cy > 0 && c.x + c.cx <= dialog.cx &&
                        c.y + c.cy <= dialog.cy)
                << dialog.id << ": " << (c.text ? c.text : "") << " (" << c.id << ")";
        }
    }
}

TEST(Resources, MainWindowTabStopsRunFieldsFirstAndTheId3v2OnlyRowsLast) {
    std::vector<int> expected = {1004, 1005, 1006, 1007, 1008, 1015, 1013, 1009};
    auto append = [&](int first, int last) {
        for (int id = first; id <= last; ++id) expected.push_back(id);
    };
    append(1018, 1024);
    expected.push_back(1029);
    append(1030, 1035);
    append(1040, 1043);
    expected.insert(expected.end(), {1002, 1010, 1011, 1012, 1014});
    append(1025, 1028);
    std::vector<int> tabStops;
    for (const auto& control : module().dialog(res::kMainDialog)->controls) {
        if (control.style & platform::WS_TABSTOP) tabStops.push_back(control.id);
    }
    EXPECT_EQ(tabStops, expected);
}

TEST(Resources, EveryCaptionIsWholeUtf8Characters) {
    std::vector<const char*> texts;
    for (const auto& dialog : module().dialogs) {
        texts.push_back(dialog.caption);
        for (const auto& control : dialog.controls) texts.push_back(control.text);
    }
    for (const auto& menu : module().menus) {
        for (const auto& popup : menu.popups) {
            texts.push_back(popup.text);
            for (const auto& item : popup.items) {
                if (item.command != 0) texts.push_back(item.text);
            }
        }
    }
    for (const char* text : texts) {
        ASSERT_NE(text, nullptr);
        const std::string_view caption = text;
        for (std::size_t pos = 0; pos < caption.size();) {
            EXPECT_NE(platform::decodeUtf8(caption, pos), platform::kNoCharacter) << text;
        }
    }
    const auto& controls = module().dialog(res::kMainDialog)->controls;
    auto removeSelected =
        std::find_if(controls.begin(), controls.end(), [](const auto& c) { return c.id == res::kRemoveSelected; });
    ASSERT_NE(removeSelected, controls.end());
    EXPECT_EQ(platform::displayWidth(removeSelected->text), 16);  // "Borrar Selección"
}

TEST(Resources, MainMenuIssuesTheListOptionsAboutAndRenameCommands) {
    std::multiset<int> commands;
    for (const auto& popup : module().menu(res::kMainMenu)->popups) {
        for (const auto& item : popup.items) {
            if (item.command == 0)
                EXPECT_EQ(item.text, nullptr);  // a separator
            else
                commands.insert(item.command);
        }
    }
    EXPECT_EQ(commands, (std::multiset<int>{res::kMenuRenameFromTags, res::kMenuSaveList, res::kMenuLoadList,
                                            res::kMenuAbout, res::kMenuOptions}));
}

TEST(Resources, EveryIconImageIsSquareAndUsesOnlyThePaletteCharacters) {
    for (const auto& icon : module().icons) {
        ASSERT_FALSE(icon.images.empty()) << icon.id;
        for (const auto& image : icon.images) {
            ASSERT_EQ(static_cast<int>(image.rows.size()), image.size) << icon.id;
            for (const char* row : image.rows) {
                EXPECT_EQ(static_cast<int>(std::strlen(row)), image.size) << icon.id << ": " << row;
                EXPECT_EQ(std::strspn(row, ".#+"), std::strlen(row)) << icon.id << ": " << row;
            }
        }
    }
}
