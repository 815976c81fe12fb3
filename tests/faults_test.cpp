// What happens to the user's file when the disk fills up, a read fails or the
// final rename fails: nothing is lost and nothing is left behind.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "platform/fs.h"
#include "platform/ui/msgbox.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"
#include "tests/testfiles.h"

using namespace testing_support;

namespace {

constexpr platform::WindowHandle kNoOwner{};

Bytes v1Trailer() { return ByteBuilder().text("TAG").field("Song", 30).zeros(92).bytes({0, 1, 17}); }

Bytes v2Tagged(std::size_t audioSize) {
    return concat({v2Header(3, 0, 100), frame("TIT2", ByteBuilder().bytes({0}).text("Song")), Bytes(200, 0),
                   audio(audioSize)});
}

// Runs an operation under a fault plan and checks the promise: result 4, the
// message, the file as it was and no temporary file left.
void expectNothingLost(const TestFolder& folder, const std::string& path, const platform::FaultPlan& plan,
                       const std::function<int()>& operation, const std::string& message) {
    const Bytes before = readAll(path);
    platform::clearShownMessageBoxes();
    platform::setFaults(plan);
    EXPECT_EQ(operation(), tags::TagFileError);
    platform::clearFaults();
    EXPECT_EQ(readAll(path), before);
    EXPECT_TRUE(folder.strayTempFiles().empty());
    ASSERT_EQ(platform::shownMessageBoxes().size(), 1u);
    EXPECT_EQ(platform::shownMessageBoxes()[0].text, message);
    EXPECT_EQ(platform::shownMessageBoxes()[0].title, "ERROR");
}

std::string rewriteFailed(const std::string& path) {
    return "An error occured while rewriting '" + path + "'. The file was left unchanged.";
}

}  // namespace

TEST(NothingLost, FullRemovalsThatCannotFinishLeaveTheOriginal) {
    TestFolder folder;
    const std::string v1 = folder.make("v1.mp3", concat({audio(300000), v1Trailer()}));
    const std::string v2 = folder.make("v2.mp3", v2Tagged(300000));
    tags::V1Tag v1Tag;
    tags::V2Tag v2Tag;
    const auto removeV1 = [&] { return v1Tag.remove(kNoOwner, v1.c_str(), 0); };
    const auto removeV2 = [&] { return v2Tag.remove(kNoOwner, v2.c_str(), 0); };
    const platform::FaultPlan plans[] = {
        {.spaceLeft = 100000},      // the disk fills up during the copy
        {.failWrite = 2},           // a write fails
        {.failReplace = true},      // the final rename fails
        {.failReplace = true, .crossDevice = true},
    };
    for (const platform::FaultPlan& plan : plans) {
        expectNothingLost(folder, v1, plan, removeV1, rewriteFailed(v1));
        expectNothingLost(folder, v2, plan, removeV2, rewriteFailed(v2));
    }
    // Reading the file being copied fails: after the trailer test, and after
    // the marker, the header, two frame headers and a chunk of the audio-start scan.
    expectNothingLost(folder, v1, {.failRead = 2}, removeV1, rewriteFailed(v1));
    expectNothingLost(folder, v2, {.failRead = 7}, removeV2, rewriteFailed(v2));
}

TEST(NothingLost, ARewritingTagWriteThatCannotFinishLeavesTheOriginal) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", v2Tagged(200000));
    tags::V2Tag tag;
    tag.allocFields(tags::kFieldComposer, 400);  // does not fit before the audio
    const auto write = [&] { return tag.write(kNoOwner, path.c_str(), tags::kAllFields, 512); };
    expectNothingLost(folder, path, {.spaceLeft = 1000}, write, rewriteFailed(path));
    expectNothingLost(folder, path, {.failReplace = true}, write, rewriteFailed(path));
}

TEST(NothingLost, ATemporaryFileThatCannotBeCreatedLeavesTheOriginal) {
    TestFolder folder;
    const std::string v1 = folder.make("v1.mp3", concat({audio(3000), v1Trailer()}));
    const std::string v2 = folder.make("v2.mp3", v2Tagged(3000));
    // Root may create files anywhere, but not in a working directory that is gone.
    std::filesystem::create_directory(folder.path() / "gone");
    std::filesystem::current_path(folder.path() / "gone");
    std::filesystem::remove(folder.path() / "gone");
    tags::V1Tag v1Tag;
    tags::V2Tag v2Tag;
    const std::string readWrite = "An error occured while attemping to create temp file for read/write access.";
    expectNothingLost(folder, v1, {}, [&] { return v1Tag.remove(kNoOwner, v1.c_str(), 0); }, readWrite);
    expectNothingLost(folder, v2, {}, [&] { return v2Tag.remove(kNoOwner, v2.c_str(), 0); }, readWrite);
    v2Tag.allocFields(tags::kFieldComposer, 400);
    expectNothingLost(folder, v2, {}, [&] { return v2Tag.write(kNoOwner, v2.c_str(), tags::kAllFields, 512); },
                      "An error occured while attemping to create temp file for write access.");
}

TEST(NothingLost, InPlaceWritesThatFailAreReported) {
    TestFolder folder;
    const Bytes untagged = audio(1000);
    const std::string path = folder.make("a.mp3", untagged);
    tags::V1Tag v1Tag;
    std::strcpy(v1Tag.title, "Song");
    // The disk fills up in the middle of the appended trailer: it is cut off again.
    expectNothingLost(folder, path, {.spaceLeft = 60},
                      [&] { return v1Tag.write(kNoOwner, path.c_str(), tags::kAllFields); },
                      "An error occured while writing to '" + path + "'.");

    const std::string v2 = folder.make("v2.mp3", v2Tagged(1000));
    tags::V2Tag v2Tag;
    platform::setFaults({.failWrite = 1});
    EXPECT_EQ(v2Tag.write(kNoOwner, v2.c_str(), tags::kAllFields, 512), tags::TagFileError);
    platform::clearFaults();
    EXPECT_EQ(platform::shownMessageBoxes().back().text, "An error occured while writing to '" + v2 + "'.");
}
