// How the engine reads and writes: the head of a file in one large read, tags
// and audio beyond it, the kernel's copy and the copy through a buffer where
// the kernel's is refused, and how few file-system calls a tag costs.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <optional>

#include "platform/fs.h"
#include "tags/filehead.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"
#include "tests/invariants.h"
#include "tests/testfiles.h"

using namespace testing_support;

namespace {

// A JPEG cover of `size` bytes: FF D8 FF E0 at its start, FF E0 pairs all through.
Bytes cover(std::size_t size) {
    Bytes picture = ByteBuilder().bytes({0}).text("image/jpeg").bytes({0, 3, 0, 0xFF, 0xD8, 0xFF, 0xE0});
    for (std::size_t i = picture.size(); i < size; ++i)
        picture.push_back(i % 1000 == 0 ? 0xFF : static_cast<std::uint8_t>(0xE0 + i % 7));
    return frame("APIC", picture);
}

Bytes tagged(const Bytes& frames, std::size_t padding, std::size_t audioSize) {
    return concat({v2Header(3, 0, static_cast<std::uint32_t>(frames.size() + padding)), frames, Bytes(padding, 0),
                   audio(audioSize)});
}

void writeTitle(const std::string& path, const char* title) {
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    tag.freeFields(tags::kFieldTitle);
    ASSERT_EQ(tag.allocFields(tags::kFieldTitle, static_cast<std::uint32_t>(std::strlen(title) + 1)), tags::TagSuccess);
    std::memcpy(tag.slots[0].buffer.get() + 1, title, std::strlen(title));
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding), tags::TagSuccess);
}

}  // namespace

TEST(HeadOfTheFile, ATagLargerThanTheFirstBlockIsReadWholeAndKept) {
    TestFolder folder;
    const Bytes picture = cover(200 * 1024);
    ASSERT_GT(picture.size(), tags::kFirstBlock);
    const Bytes frames = concat({frame("TIT2", textBody("Old")), picture, frame("TPE1", textBody("Band"))});
    const std::string path = folder.make("a.mp3", tagged(frames, 300, 5000));
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    ASSERT_EQ(tag.otherFrames.size(), 1u);
    EXPECT_EQ(Bytes(tag.otherFrames[0].body().begin(), tag.otherFrames[0].body().end()),
              Bytes(picture.begin() + 10, picture.end()));
    EXPECT_EQ(tag.audioStart, 10 + frames.size() + 300);
    EXPECT_GT(tag.slots[1].length, 0u) << "the frame after the cover is read too";
    EXPECT_EQ(invariants::checkRoundTrip(path), "");
}

TEST(HeadOfTheFile, AudioThatStartsBeyondTheFirstBlockIsFoundThere) {
    TestFolder folder;
    // Padding the declared size leaves out, and a file without a tag whose audio starts late.
    const Bytes title = frame("TIT2", textBody("T"));
    const Bytes padded =
        concat({v2Header(3, 0, static_cast<std::uint32_t>(title.size())), title, Bytes(40000, 0), audio(3000)});
    const Bytes late = concat({Bytes(70000, 0x11), audio(3000)});
    for (const Bytes& contents : {padded, late}) {
        const std::string path = folder.make("a.mp3", contents);
        const auto audioStart = invariants::audioStartOf(path);
        ASSERT_TRUE(audioStart);
        EXPECT_EQ(*audioStart, contents.size() - 3000);
        EXPECT_EQ(invariants::checkRoundTrip(path), "");
        EXPECT_EQ(readAll(path).size(), contents.size()) << "written in place";
    }
}

// The growth copies its audio between offsets that sit differently within a
// page (through the buffer); the removal of a tag that ends on a page copies
// in the kernel, or through the buffer where the kernel refuses.
TEST(KernelCopy, EveryWayOfCopyingGivesTheSameBytes) {
    TestFolder folder;
    const Bytes title = frame("TIT2", textBody("Old"));
    const Bytes original = tagged(title, 0, 300000);
    const Bytes onPage = tagged(title, 2 * platform::kCopyAlignment - 10 - title.size(), 300000);
    ASSERT_TRUE(platform::kernelCopyFits(onPage.size() - 300000, 0));
    ASSERT_FALSE(platform::kernelCopyFits(original.size() - 300000, 10 + 10 + 35 + 512));
    std::vector<Bytes> grownFiles;
    for (const bool refuse : {false, true}) {
        SCOPED_TRACE(refuse ? "refused" : "kernel");
        const std::string grown = folder.make(refuse ? "g1.mp3" : "g0.mp3", original);
        const std::string removed = folder.make(refuse ? "r1.mp3" : "r0.mp3", onPage);
        platform::setFaults({.refuseKernelCopy = refuse});
        writeTitle(grown, "A longer title that no longer fits");
        EXPECT_EQ(tags::V2Tag().remove(removed.c_str(), 0), tags::TagSuccess);
        platform::clearFaults();
        EXPECT_EQ(readAll(removed), audio(300000));
        const Bytes written = readAll(grown);
        EXPECT_TRUE(std::equal(written.end() - 300000, written.end(), audio(300000).begin()));
        EXPECT_EQ(written.size(), 10 + 10 + 35 + 512 + 300000);
        grownFiles.push_back(written);
    }
    EXPECT_EQ(grownFiles[0], grownFiles[1]);
}

TEST(KernelCopy, ASourceThatEndsEarlyFailsTheCopyEveryWay) {
    TestFolder folder;
    constexpr std::uint64_t kPage = platform::kCopyAlignment;
    const std::string from = folder.make("from", audio(kPage + 500));
    const std::string to = folder.make("to", {});
    for (const std::uint64_t fromOffset : {kPage + 100, kPage}) {
        for (const bool refuse : {false, true}) {
            platform::File source;
            platform::File target;
            ASSERT_EQ(source.open(from, platform::Access::Read), 0);
            ASSERT_EQ(target.open(to, platform::Access::WriteTruncate), 0);
            const std::uint64_t rest = kPage + 500 - fromOffset;
            platform::setFaults({.refuseKernelCopy = refuse});
            EXPECT_EQ(platform::copyRange(source, fromOffset, target, 0, rest), 0);
            EXPECT_EQ(platform::copyRange(source, fromOffset, target, 0, rest + 1), EIO) << "one byte short";
            platform::clearFaults();
        }
    }
}

// A tag that fits is read and written with at most twelve file-system calls:
// open, fstat and flock twice, one read of the head each, one write, two closes.
TEST(FileSystemCalls, ATagThatFitsCostsAtMostTwelveCallsForItsReadAndWrite) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", tagged(frame("TIT2", textBody("Old")), 2000, 2 * 1024 * 1024));
    platform::setFaults({});
    writeTitle(path, "New");
    EXPECT_LE(platform::faultCallCount(), 12);
    const int pair = platform::faultCallCount();

    // Full removal of the trailer: a cut and one sync, no copy.
    const std::string v1 = folder.make("b.mp3", concat({audio(100000), ByteBuilder().text("TAG").zeros(125)}));
    platform::setFaults({});
    EXPECT_EQ(tags::V1Tag().remove(v1.c_str(), 0), tags::TagSuccess);
    EXPECT_LE(platform::faultCallCount(), 7);
    std::cout << "[ CALLS    ] " << pair << " for a tag read and written in place, " << platform::faultCallCount()
              << " for a trailer cut off\n";
    platform::clearFaults();
}
