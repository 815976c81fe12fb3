#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "platform/ui/msgbox.h"
#include "tags/messages.h"

TEST(Messages, APathIsShownAsItIsAndCutToTheBufferBetweenCharacters) {
    platform::clearShownMessageBoxes();
    const std::string prefix = "An error occured while attemping to open '";
    const std::string_view name = "/música/日本\xFF.mp3";  // a stray byte stays as it is
    tags::msg::show({}, tags::msg::kOpenForReading, name);
    // Japanese names of three bytes a character, so some character always meets the limit.
    for (std::size_t pad = 0; pad < 3; ++pad) {
        const std::string longPath = "/" + std::string(pad, 'x') + [] {
            std::string many;
            for (int i = 0; i < 90; ++i) many += "歌";
            return many;
        }();
        tags::msg::show({}, tags::msg::kOpenForReading, longPath);
    }
    const auto boxes = platform::shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, prefix + std::string(name) + "' for reading.");
    for (std::size_t i = 1; i < boxes.size(); ++i) {
        const std::string& text = boxes[i].text;
        EXPECT_GE(text.size(), tags::msg::kBufferSize - 3);
        EXPECT_LT(text.size(), tags::msg::kBufferSize);
        EXPECT_EQ(platform::completeLength(text), text.size()) << "cut inside a character";
    }
    platform::clearShownMessageBoxes();
}
