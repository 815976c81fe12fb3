// What happens to the user's file when the disk fills up, a read fails or the
// final rename fails: nothing is lost and nothing is left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/fs.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"
#include "tests/invariants.h"
#include "tests/testfiles.h"

using namespace testing_support;

namespace {

Bytes v1Trailer() { return ByteBuilder().text("TAG").field("Song", 30).zeros(92).bytes({0, 1, 17}); }

Bytes v2Tagged(std::size_t audioSize) {
    return concat(
        {v2Header(3, 0, 100), frame("TIT2", ByteBuilder().bytes({0}).text("Song")), Bytes(200, 0), audio(audioSize)});
}

using Operation = std::function<tags::TagOutcome()>;

// Runs an operation under a fault plan and checks the promise: result 4, the
// message, the file as it was and no temporary file left.
void expectNothingLost(const TestFolder& folder, const std::string& path, const platform::FaultPlan& plan,
                       const Operation& operation, const std::string& message) {
    const Bytes before = readAll(path);
    platform::setFaults(plan);
    const tags::TagOutcome outcome = operation();
    platform::clearFaults();
    EXPECT_EQ(outcome.result, tags::TagFileError);
    EXPECT_EQ(outcome.message, message);
    EXPECT_EQ(readAll(path), before);
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

std::string rewriteFailed(const std::string& path) {
    return "An error occured while rewriting '" + path + "'. The file was left unchanged.";
}

}  // namespace

TEST(NothingLost, FullRemovalsThatCannotFinishLeaveTheOriginal) {
    TestFolder folder;
    const std::string v2 = folder.make("v2.mp3", v2Tagged(300000));
    tags::V2Tag v2Tag;
    const auto removeV2 = [&] { return v2Tag.remove(v2.c_str(), 0); };
    const platform::FaultPlan plans[] = {
        {.spaceLeft = 100000},                      // the disk fills up during the copy
        {.failWrite = 1},                           // the copy of the audio fails
        {.failReplace = true},                      // the final rename fails
        {.failRead = 2, .refuseKernelCopy = true},  // reading the audio fails
    };
    for (const platform::FaultPlan& plan : plans) expectNothingLost(folder, v2, plan, removeV2, rewriteFailed(v2));

    // The trailer is cut off; a cut that fails leaves the file as it was.
    const std::string v1 = folder.make("v1.mp3", concat({audio(300000), v1Trailer()}));
    tags::V1Tag v1Tag;
    // open, fstat, flock, pread, then ftruncate fails:
    expectNothingLost(
        folder, v1, {.failCall = 5}, [&] { return v1Tag.remove(v1.c_str(), 0); },
        "An error occured while writing to '" + v1 + "'.");
}

TEST(NothingLost, ARewritingTagWriteThatCannotFinishLeavesTheOriginal) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", v2Tagged(200000));
    tags::V2Tag tag;
    ASSERT_EQ(tag.allocFields(tags::kFieldComposer, 400), tags::TagSuccess);  // does not fit before the audio
    const auto write = [&] { return tag.write(path.c_str(), tags::kAllFields, 512); };
    expectNothingLost(folder, path, {.spaceLeft = 1000}, write, rewriteFailed(path));
    expectNothingLost(folder, path, {.failReplace = true}, write, rewriteFailed(path));
}

// The temporary file stands beside the file it replaces: a working directory
// that is gone (or read-only) changes nothing.
TEST(NothingLost, ARewriteDoesNotNeedTheWorkingDirectory) {
    TestFolder folder;
    const std::string v2 = folder.make("v2.mp3", v2Tagged(3000));
    std::filesystem::create_directory(folder.path() / "gone");
    std::filesystem::current_path(folder.path() / "gone");
    std::filesystem::remove(folder.path() / "gone");
    tags::V2Tag v2Tag;
    ASSERT_EQ(v2Tag.allocFields(tags::kFieldComposer, 400), tags::TagSuccess);
    EXPECT_EQ(v2Tag.write(v2.c_str(), tags::kAllFields, 512), tags::TagSuccess);
    EXPECT_EQ(v2Tag.remove(v2.c_str(), 0), tags::TagSuccess);
    EXPECT_EQ(readAll(v2), audio(3000));
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(NothingLost, InPlaceWritesThatFailAreReported) {
    TestFolder folder;
    const Bytes untagged = audio(1000);
    const std::string path = folder.make("a.mp3", untagged);
    tags::V1Tag v1Tag;
    std::strcpy(v1Tag.title, "Song");
    // The disk fills up in the middle of the appended trailer: it is cut off again.
    expectNothingLost(
        folder, path, {.spaceLeft = 60}, [&] { return v1Tag.write(path.c_str(), tags::kAllFields); },
        "An error occured while writing to '" + path + "'.");

    const std::string v2 = folder.make("v2.mp3", v2Tagged(1000));
    tags::V2Tag v2Tag;
    expectNothingLost(
        folder, v2, {.failWrite = 1}, [&] { return v2Tag.write(v2.c_str(), tags::kAllFields, 512); },
        "An error occured while writing to '" + v2 + "'.");
}

// --- Inputs that once broke the engine (tests/fixtures/faults) -------------

namespace {

constexpr char kUnsyncInvalidId[] = "faults/v2-unsync-invalid-id-kept-frame.mp3";
constexpr char kFuzzCrash[] = "faults/fuzz-v2rw-crash-852df333.mp3";
// Repeated TPE1 frames between others: the earlier one is written before the slots.
constexpr char kRepeatedFrames[] = "fuzz/v2rw-repeated-frames-order.mp3";
constexpr char kJpegCover[] = "faults/v2-apic-jpeg.mp3";
constexpr char kTextFile[] = "faults/no-sync-text-file.mp3";
constexpr char kDeclaredBeyond[] = "faults/v2-no-sync-declared-beyond-file.mp3";

std::string readFailed(const std::string& path) {
    return "An error occured while reading '" + path + "'. The file was left unchanged.";
}

std::string noAudio(const std::string& path) {
    return "No MPEG audio was found in '" + path + "'. The file was left unchanged.";
}

}  // namespace

TEST(FoundFaults, AFrameWithoutAFrameIdEndsTheFramesSoWhatIsWrittenIsReadBackTheSame) {
    TestFolder folder;
    for (const char* name : {kUnsyncInvalidId, kFuzzCrash, kRepeatedFrames}) {
        SCOPED_TRACE(name);
        const std::string path = folder.make("a.mp3", fixture(name));
        const auto audioStart = invariants::audioStartOf(path);
        tags::V2Tag tag;
        ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
        for (const tags::FrameSlot& kept : tag.otherFrames) {
            EXPECT_TRUE(std::all_of(kept.id, kept.id + 4, [](char c) { return std::isupper(c) || std::isdigit(c); }));
        }
        for (int round = 0; round < 2; ++round) EXPECT_EQ(invariants::checkRoundTrip(path), "") << round;
        EXPECT_EQ(invariants::audioStartOf(path), audioStart);  // written in place, the audio stays
    }
}

// A read that fails while the audio start is sought (the marker, the header,
// the frame walk, the scan) or while the tag is read: every ID3v2 operation
// then fails with 4 and the read message, and the file is as it was.
TEST(FoundFaults, AReadFailureAnywhereFailsTheV2OperationAndChangesNothing) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", fixture(kJpegCover));
    const Bytes original = readAll(path);
    tags::V2Tag tag;
    const std::pair<const char*, Operation> operations[] = {
        {"read", [&] { return tag.read(path.c_str()); }},
        {"write", [&] { return tag.write(path.c_str(), tags::kFieldTitle, 512); }},
        {"soft removal", [&] { return tag.remove(path.c_str(), 1); }},
        {"full removal", [&] { return tag.remove(path.c_str(), 0); }},
    };
    for (const auto& [name, operation] : operations) {
        for (int read = 1;; ++read) {
            SCOPED_TRACE(std::string(name) + ", read " + std::to_string(read));
            folder.make("a.mp3", original);
            platform::setFaults({.failRead = read});
            const tags::TagOutcome outcome = operation();
            const bool failed = *platform::failedCallName() != 0;
            platform::clearFaults();
            if (!failed) break;
            EXPECT_EQ(outcome.result, tags::TagFileError);
            EXPECT_EQ(readAll(path), original);
            EXPECT_TRUE(outcome.message == readFailed(path) || outcome.message == rewriteFailed(path))
                << outcome.message;
        }
    }
}

TEST(FoundFaults, WithoutFrameSyncOrADeclaredEndInsideTheFileNoV2OperationWrites) {
    TestFolder folder;
    tags::V2Tag tag;
    const auto expectRefused = [&](const char* name,
                                   const std::function<tags::TagOutcome(const std::string&)>& operation) {
        SCOPED_TRACE(name);
        const std::string path = folder.make("a.mp3", fixture(name));
        const tags::TagOutcome outcome = operation(path);
        EXPECT_EQ(outcome.result, tags::TagFileError);
        EXPECT_EQ(outcome.message, noAudio(path));
        EXPECT_EQ(readAll(path), fixture(name));
    };
    const auto write = [&](const std::string& path) { return tag.write(path.c_str(), tags::kAllFields, 512); };
    expectRefused(kTextFile, write);
    expectRefused(kDeclaredBeyond, write);
    expectRefused(kDeclaredBeyond, [&](const std::string& path) { return tag.read(path.c_str()); });
    for (int soft : {1, 0}) {
        expectRefused(kDeclaredBeyond, [&](const std::string& path) { return tag.remove(path.c_str(), soft); });
    }
    // A text file has no ID3v2 tag to read or remove.
    const std::string text = folder.make("t.mp3", fixture(kTextFile));
    EXPECT_EQ(tag.read(text.c_str()), tags::TagNoV2Header);
    EXPECT_EQ(tag.remove(text.c_str(), 0), tags::TagNoV2Header);
}

// Another program acts at each file-system call of a growing write in turn
// once the write has opened the file (the fault plan's intervention makes the
// moment exact): a link swapped in for the file, or an append to it. The file
// outside is never written, and the appended bytes are never lost.
TEST(Races, ALinkSwappedInOrAnAppendDuringARewriteIsNeverOverwritten) {
    TestFolder folder;
    std::filesystem::create_directory(folder.path() / "music");
    const std::string song = (folder.path() / "music/a.mp3").string();
    const std::string outside = (folder.path() / "outside.mp3").string();
    const Bytes appended(1 << 20, 0x5A);
    const auto rewrite = [&] {
        tags::V2Tag tag;
        static_cast<void>(tag.read(song.c_str()));
        static_cast<void>(tag.allocFields(tags::kFieldComposer, 400));
        return tag.write(song.c_str(), tags::kAllFields, 512);
    };
    folder.make("music/a.mp3", v2Tagged(3000));
    platform::setFaults({});
    static_cast<void>(tags::V2Tag().read(song.c_str()));
    const int readCalls = platform::faultCallCount();
    int swapsRefused = 0;
    int appendsRefused = 0;
    for (int call = readCalls + 2;; ++call) {
        folder.make("music/a.mp3", v2Tagged(3000));
        folder.make("outside.mp3", audio(100));
        platform::setFaults({.interveneAt = call, .intervene = [&] {
                                 std::filesystem::rename(song, song + ".moved");
                                 std::filesystem::create_symlink(outside, song);
                             }});
        const tags::TagOutcome swapped = rewrite();
        const bool reached = platform::faultCallCount() >= call;
        platform::clearFaults();
        EXPECT_EQ(readAll(outside), audio(100)) << "call " << call;
        if (swapped.message.find("changed by another program") != std::string::npos) ++swapsRefused;
        std::filesystem::remove(song);
        std::filesystem::remove(song + ".moved");

        folder.make("music/a.mp3", v2Tagged(3000));
        platform::setFaults({.interveneAt = call, .intervene = [&] {
                                 std::ofstream out(song, std::ios::binary | std::ios::app);
                                 out.write(reinterpret_cast<const char*>(appended.data()),
                                           static_cast<std::streamsize>(appended.size()));
                             }});
        const tags::TagOutcome grown = rewrite();
        platform::clearFaults();
        if (!reached) break;  // past the write's last call: nothing was appended
        const Bytes now = readAll(song);
        ASSERT_GE(now.size(), appended.size());
        EXPECT_TRUE(
            std::equal(appended.begin(), appended.end(), now.end() - static_cast<std::ptrdiff_t>(appended.size())))
            << "call " << call << ": the appended bytes were lost";
        if (!grown.succeeded()) ++appendsRefused;
        EXPECT_TRUE(folder.strayTempFiles().empty());
    }
    EXPECT_GT(swapsRefused, 0);
    EXPECT_GT(appendsRefused, 0);
}
