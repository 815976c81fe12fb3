#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <utility>

#include "tags/v2tag.h"
#include "tests/testfiles.h"

namespace {

using namespace testing_support;
using tags::V2Tag;

constexpr int kSoft = 1;
constexpr int kFull = 0;

// An ID3v2 tag of the given major version whose padding runs up to audioStart,
// followed by audioSize bytes of audio.
Bytes taggedFile(std::size_t audioStart, std::size_t audioSize, int version = 3) {
    const Bytes title = frame("TIT2", {0x00, 0x41, 0x42, 0x43});
    return ByteBuilder()
        .append(v2Header(static_cast<std::uint8_t>(version), 0, static_cast<std::uint32_t>(audioStart - 10)))
        .append(title)
        .zeros(audioStart - 10 - title.size())
        .append(audio(audioSize));
}

mode_t permissionsOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(V2TagRemove, SoftRemovalKeepsLengthAndZeroesTag) {
    TestFolder folder;
    // Any non-zero flag means soft.
    for (const auto& [audioStart, soft] : {std::pair{1025u, kSoft}, std::pair{2048u, -1}}) {
        SCOPED_TRACE(audioStart);
        const std::string path = folder.make("f.mp3", taggedFile(audioStart, 500));
        V2Tag tag;
        ASSERT_EQ(tag.remove(path.c_str(), soft), tags::TagSuccess);
        EXPECT_EQ(readAll(path), ByteBuilder().zeros(audioStart).append(audio(500)).build());

        // The file now has no tag to remove or read.
        EXPECT_EQ(tag.remove(path.c_str(), kSoft), tags::TagNoV2Header);
        EXPECT_EQ(tag.read(path.c_str()), tags::TagNoV2Header);
        EXPECT_EQ(readAll(path), ByteBuilder().zeros(audioStart).append(audio(500)).build());
    }
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(V2TagRemove, FullRemovalLeavesTheBytesFromAudioStartOn) {
    TestFolder folder;
    struct Case {
        std::size_t audioStart;
        std::size_t kept;
    };
    const Case cases[] = {
        {2048, 1023}, {2048, 1024}, {2048, 1025}, {2048, 2048}, {1025, 2},      {1024, 3000},
        {1023, 4096}, {700, 65535}, {700, 65536}, {700, 65537}, {2048, 200000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "AudioStart " << c.audioStart << ", kept " << c.kept);
        const std::string path = folder.make("f.mp3", taggedFile(c.audioStart, c.kept));
        V2Tag tag;
        ASSERT_EQ(tag.remove(path.c_str(), kFull), tags::TagSuccess);
        EXPECT_EQ(readAll(path), audio(c.kept));
        EXPECT_TRUE(folder.strayTempFiles().empty());
        // With the tag gone there is nothing left to remove.
        EXPECT_EQ(tag.remove(path.c_str(), kFull), tags::TagNoV2Header);
    }
}

TEST(V2TagRemove, FullRemovalKeepsThePermissionsOfTheFile) {
    TestFolder folder;
    const std::string path = folder.make("f.mp3", taggedFile(300, 100));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    V2Tag tag;
    ASSERT_EQ(tag.remove(path.c_str(), kFull), tags::TagSuccess);
    EXPECT_EQ(readAll(path), audio(100));
    EXPECT_EQ(permissionsOf(path), 0640u);
}

TEST(V2TagRemove, Version4TagIsRemovedLikeVersion3) {
    TestFolder folder;
    V2Tag tag;
    std::string path = folder.make("soft.mp3", taggedFile(300, 100, 4));
    ASSERT_EQ(tag.remove(path.c_str(), kSoft), tags::TagSuccess);
    EXPECT_EQ(readAll(path), ByteBuilder().zeros(300).append(audio(100)).build());

    path = folder.make("full.mp3", taggedFile(300, 100, 4));
    ASSERT_EQ(tag.remove(path.c_str(), kFull), tags::TagSuccess);
    EXPECT_EQ(readAll(path), audio(100));
}

TEST(V2TagRemove, FrameSyncInsideAFrameBodyBeyondTheDeclaredTagEndsTheTagThere) {
    TestFolder folder;
    const Bytes rest = ByteBuilder()
                           .bytes({0xFF, 0xE0, 0x41})  // the end of the TIT2 body, taken as audio
                           .append(frame("TPE1", {0x00, 0x42}))
                           .zeros(50)
                           .append(audio(100));
    const Bytes original = ByteBuilder()
                               .append(v2Header(3, 0, 4))  // declares less than the frame
                               .text("TIT2")
                               .be32(4)
                               .bytes({0x00, 0x00})
                               .bytes({0x00})  // AudioStart is 21, the FF after this byte
                               .append(rest);
    V2Tag tag;
    std::string path = folder.make("soft.mp3", original);
    ASSERT_EQ(tag.remove(path.c_str(), kSoft), tags::TagSuccess);
    EXPECT_EQ(readAll(path), ByteBuilder().zeros(21).append(rest).build());

    path = folder.make("full.mp3", original);
    ASSERT_EQ(tag.remove(path.c_str(), kFull), tags::TagSuccess);
    EXPECT_EQ(readAll(path), rest);
}

TEST(V2TagRemove, APictureWithFrameSyncsIsRemovedWithTheRestOfTheTag) {
    TestFolder folder;
    const Bytes jpeg = ByteBuilder()
                           .bytes({0, 'i', 'm', 'a', 'g', 'e', '/', 'j', 'p', 'e', 'g', 0, 3, 0})
                           .bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10})
                           .text("JFIF");
    const Bytes tag = concat({frame("TIT2", {0x00, 0x41}), frame("APIC", jpeg), frame("TPE1", {0x00, 0x42})});
    const Bytes head = concat({v2Header(3, 0, static_cast<std::uint32_t>(tag.size() + 40)), tag, Bytes(40, 0)});
    V2Tag record;
    std::string path = folder.make("soft.mp3", concat({head, audio(200)}));
    ASSERT_EQ(record.remove(path.c_str(), kSoft), tags::TagSuccess);
    EXPECT_EQ(readAll(path), concat({Bytes(head.size(), 0), audio(200)}));
    path = folder.make("full.mp3", concat({head, audio(200)}));
    ASSERT_EQ(record.remove(path.c_str(), kFull), tags::TagSuccess);
    EXPECT_EQ(readAll(path), audio(200));
}

TEST(V2TagRemove, TagWithoutAnyFrameSyncIsTheWholeFile) {
    TestFolder folder;
    const Bytes original =
        ByteBuilder().append(v2Header(3, 0, 1100)).append(frame("TIT2", {0x00, 0x41})).zeros(1100 - 12);
    V2Tag tag;
    std::string path = folder.make("soft.mp3", original);
    ASSERT_EQ(tag.remove(path.c_str(), kSoft), tags::TagSuccess);
    EXPECT_EQ(readAll(path), Bytes(original.size(), 0));

    path = folder.make("full.mp3", original);
    ASSERT_EQ(tag.remove(path.c_str(), kFull), tags::TagSuccess);
    EXPECT_EQ(readAll(path), Bytes{});
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

// Data after the declared tag that holds no frame sync is no part of the tag.
TEST(V2TagRemove, WithoutAnyFrameSyncOnlyTheDeclaredTagIsRemoved) {
    TestFolder folder;
    const Bytes tag = ByteBuilder().append(v2Header(3, 0, 20)).append(frame("TIT2", {0x00, 0x41})).zeros(8);
    const Bytes other(500, 0x11);
    V2Tag record;
    std::string path = folder.make("soft.mp3", concat({tag, other}));
    ASSERT_EQ(record.remove(path.c_str(), kSoft), tags::TagSuccess);
    EXPECT_EQ(readAll(path), concat({Bytes(tag.size(), 0), other}));
    path = folder.make("full.mp3", concat({tag, other}));
    ASSERT_EQ(record.remove(path.c_str(), kFull), tags::TagSuccess);
    EXPECT_EQ(readAll(path), other);
}

TEST(V2TagRemove, FileWithoutId3MarkerGives2AndIsUnchanged) {
    TestFolder folder;
    const Bytes contents[] = {
        audio(2000),
        ByteBuilder().text("ID"),
        ByteBuilder().text("ID4").bytes({0x03, 0x00}).zeros(100).append(audio(100)),
        Bytes{},
    };
    V2Tag tag;
    for (const Bytes& original : contents) {
        for (const int soft : {kSoft, kFull}) {
            const std::string path = folder.make("f.mp3", original);
            EXPECT_EQ(tag.remove(path.c_str(), soft), tags::TagNoV2Header);
            EXPECT_EQ(readAll(path), original);
        }
    }
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(V2TagRemove, FileThatCannotBeOpenedForWritingIsRefusedWith4) {
    TestFolder folder;
    const Bytes original = taggedFile(300, 100);
    const std::string path = folder.make("f.mp3", original);
    const std::string message = "An error occured while attemping to open '" + path + "' for read/write access.";
    V2Tag tag;
    // Read-only: refused even when run as root, who could write it anyway.
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    for (const int soft : {kSoft, kFull}) {
        expectFailure(tag.remove(path.c_str(), soft), tags::TagFileError, message);
        EXPECT_EQ(readAll(path), original);
        EXPECT_EQ(permissionsOf(path), 0444u);
    }

    EXPECT_TRUE(folder.strayTempFiles().empty());
}

}  // namespace
