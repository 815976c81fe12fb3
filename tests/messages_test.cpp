#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "tags/messages.h"

TEST(Messages, APathIsGivenAsItIsAndCutToTheBufferBetweenCharacters) {
    const std::string prefix = "An error occured while attemping to open '";
    const std::string_view name = "/música/日本\xFF.mp3";  // a stray byte stays as it is
    EXPECT_EQ(tags::msg::format(tags::msg::kOpenForReading, name), prefix + std::string(name) + "' for reading.");
    // Japanese names of three bytes a character, so some character always meets the limit.
    for (std::size_t pad = 0; pad < 3; ++pad) {
        std::string longPath = "/" + std::string(pad, 'x');
        for (int i = 0; i < 90; ++i) longPath += "歌";
        const std::string text = tags::msg::format(tags::msg::kOpenForReading, longPath);
        EXPECT_GE(text.size(), platform::kMessageBufferSize - 3);
        EXPECT_LT(text.size(), platform::kMessageBufferSize);
        EXPECT_EQ(platform::completeLength(text), text.size()) << "cut inside a character";
    }
}
