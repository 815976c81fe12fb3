#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tags/v2tag.h"
#include "tests/testfiles.h"

namespace {

using namespace testing_support;
using tags::V2Tag;

// Puts a body into the slot of one mask bit, as the batch operations do.
void setBody(V2Tag& tag, tags::FieldMask bit, const Bytes& body) {
    tag.freeFields(bit);
    ASSERT_EQ(tag.allocFields(bit, static_cast<std::uint32_t>(body.size())), tags::TagSuccess);
    const std::size_t slot = tags::slotOfBit(static_cast<std::size_t>(std::countr_zero(bit)));
    std::memcpy(tag.slots[slot].buffer.get(), body.data(), body.size());
}

// A file whose tag ends at AudioStart 25, with 200 bytes of audio after it.
Bytes smallTaggedFile() {
    return ByteBuilder()
        .append(v2Header(3, 0, 15))
        .append(frame("TIT2", {0x00, 0x4F, 0x4C, 0x44, 0x00}))
        .append(audio(200));
}

TEST(V2TagWrite, TagThatFitsIsWrittenInPlaceWithZerosUpToTheAudio) {
    TestFolder folder;
    const std::string path = folder.make("f.mp3", ByteBuilder()
                                                      .append(v2Header(3, 0, 2038))
                                                      .append(frame("TIT2", {0x00, 0x4F, 0x4C, 0x44}))
                                                      .append(frame("TPE1", {0x00, 0x41}))
                                                      .zeros(2048 - 10 - 14 - 12)
                                                      .append(audio(300)));
    const Bytes title = ByteBuilder().bytes({0x00}).text(std::string(1489, 'n'));
    V2Tag tag;
    setBody(tag, tags::kFieldTitle, title);
    tag.flags = 0xC0;

    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldTitle, 512), tags::TagSuccess);
    const Bytes expected = ByteBuilder()
                               .text("ID3")
                               .bytes({0x03, 0x00})              // version, revision
                               .bytes({0x00})                    // flags
                               .bytes({0x00, 0x00, 0x0F, 0x76})  // size 2038
                               .text("TIT2")
                               .be32(1490)
                               .bytes({0x00, 0x00})
                               .append(title)
                               .zeros(2048 - 1510)  // the old TPE1 frame included
                               .append(audio(300));
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(tag.declaredSize, 2038u);
    EXPECT_EQ(tag.flags, 0);
    EXPECT_EQ(std::string(tag.identifier, 4), std::string("ID3\0", 4));
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(V2TagWrite, TagFillingTheSpaceExactlyStaysInPlaceAndOneByteMoreIsRewritten) {
    TestFolder folder;
    V2Tag tag;
    std::string path = folder.make("exact.mp3", smallTaggedFile());
    setBody(tag, tags::kFieldTitle, {0x00, 0x4E, 0x45, 0x57, 0x00});
    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldTitle, 512), tags::TagSuccess);
    const Bytes exact = ByteBuilder()
                            .text("ID3")
                            .bytes({0x03, 0x00})
                            .bytes({0x00})
                            .bytes({0x00, 0x00, 0x00, 0x0F})  // size 15
                            .append(frame("TIT2", {0x00, 0x4E, 0x45, 0x57, 0x00}))
                            .append(audio(200));
    EXPECT_EQ(readAll(path), exact);
    EXPECT_EQ(tag.declaredSize, 15u);

    path = folder.make("over.mp3", smallTaggedFile());
    setBody(tag, tags::kFieldTitle, {0x00, 0x4E, 0x45, 0x57, 0x45, 0x52});
    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldTitle, 512), tags::TagSuccess);
    const Bytes over = ByteBuilder()
                           .text("ID3")
                           .bytes({0x03, 0x00})
                           .bytes({0x00})
                           .bytes({0x00, 0x00, 0x04, 0x10})  // size 16 + 512
                           .append(frame("TIT2", {0x00, 0x4E, 0x45, 0x57, 0x45, 0x52}))
                           .zeros(512)
                           .append(audio(200));
    EXPECT_EQ(readAll(path), over);
    EXPECT_EQ(tag.declaredSize, 528u);
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(V2TagWrite, FileBeginningWithAudioAndEveryEmptySlotGetsAHeaderAndPadding) {
    TestFolder folder;
    const std::string path = folder.make("f.mp3", audio(1000));
    V2Tag tag;

    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, 512), tags::TagSuccess);
    const Bytes expected = ByteBuilder()
                               .text("ID3")
                               .bytes({0x03, 0x00})
                               .bytes({0x00})
                               .bytes({0x00, 0x00, 0x04, 0x00})  // size 512
                               .zeros(512)
                               .append(audio(1000));
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(tag.declaredSize, 512u);
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(V2TagWrite, InPlaceWriteZeroesLeftoverBytesOfAFileWithoutId3) {
    TestFolder folder;
    const std::string path = folder.make("f.mp3", ByteBuilder().text(std::string(100, '\x11')).append(audio(200)));
    V2Tag tag;
    setBody(tag, tags::kFieldTitle, {0x00, 0x41});

    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldTitle, 512), tags::TagSuccess);
    const Bytes expected = ByteBuilder()
                               .text("ID3")
                               .bytes({0x03, 0x00})
                               .bytes({0x00})
                               .bytes({0x00, 0x00, 0x00, 0x5A})  // size 90
                               .append(frame("TIT2", {0x00, 0x41}))
                               .zeros(100 - 22)
                               .append(audio(200));
    EXPECT_EQ(readAll(path), expected);
}

TEST(V2TagWrite, FrameFlagBytesAreWrittenAsTheSlotHoldsThem) {
    TestFolder folder;
    const std::string path = folder.make("f.mp3", audio(100));
    V2Tag tag;
    setBody(tag, tags::kFieldTitle, {0x00, 0x41});
    setBody(tag, tags::kFieldComment, {0x00, 0x00, 0x00, 0x00, 0x00, 0x43});
    tag.slots[0].flags[0] = 0x40;
    tag.slots[4].flags[0] = 0x80;
    tag.slots[4].flags[1] = 0x20;

    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldTitle | tags::kFieldComment, 0), tags::TagSuccess);
    const Bytes expected = ByteBuilder()
                               .text("ID3")
                               .bytes({0x03, 0x00})
                               .bytes({0x00})
                               .bytes({0x00, 0x00, 0x00, 0x1C})  // size 28, no padding asked for
                               .text("TIT2")
                               .be32(2)
                               .bytes({0x40, 0x00})
                               .bytes({0x00, 0x41})
                               .text("COMM")
                               .be32(6)
                               .bytes({0x80, 0x20})
                               .bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x43})
                               .append(audio(100));
    EXPECT_EQ(readAll(path), expected);
}

TEST(V2TagWrite, UnsupportedVersionRecordIsWrittenAsVersion3KeepingItsRevision) {
    TestFolder folder;
    V2Tag tag;
    // A record read from an ID3v2.5 file: every slot empty, revision from the file.
    const std::string path = folder.make("f.mp3", ByteBuilder()
                                                      .text("ID3")
                                                      .bytes({0x05, 0x02})  // version, revision
                                                      .bytes({0x00})
                                                      .bytes({0x00, 0x00, 0x01, 0x3E})
                                                      .append(frame("TIT2", {0x00, 0x41}))
                                                      .zeros(200 - 22)
                                                      .append(audio(100)));
    ASSERT_EQ(tag.read(path.c_str()), tags::TagUnsupportedVersion);
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, 512), tags::TagSuccess);
    const Bytes expected = ByteBuilder()
                               .text("ID3")
                               .bytes({0x03, 0x02})
                               .bytes({0x00})
                               .bytes({0x00, 0x00, 0x01, 0x3E})  // size 190
                               .zeros(200 - 10)
                               .append(audio(100));
    EXPECT_EQ(readAll(path), expected);
}

// The zero byte the reader adds after each body is no part of the frame: a
// tag read and written back keeps its bytes, however often that happens.
TEST(V2TagWrite, ATagReadAndWrittenBackKeepsItsBytes) {
    TestFolder folder;
    const Bytes original = ByteBuilder()
                               .append(v2Header(3, 0, 30))
                               .append(frame("TIT2", {0x00, 0x41, 0x42, 0x43}))
                               .append(frame("COMM", {0x00, 0x00, 0x00, 0x00, 0x00, 0x43}))
                               .append(audio(300));
    const std::string path = folder.make("f.mp3", original);
    V2Tag tag;
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
        EXPECT_EQ(tag.slots[0].length, 5u) << "the text still ends in a zero byte";
        ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, 512), tags::TagSuccess);
        EXPECT_EQ(readAll(path), original) << "round " << round;
    }
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(V2TagWrite, TagSizeBeyond28BitsIsRefused) {
    TestFolder folder;
    const Bytes original = audio(100);
    const std::string path = folder.make("f.mp3", original);
    V2Tag tag;
    setBody(tag, tags::kFieldTitle, {0x00, 0x41});
    expectFailure(tag.write(path.c_str(), tags::kFieldTitle, 0x0FFFFFFF), tags::TagFileError,
                  "The new ID3v2.3 tag of '" + path + "' is too large to be written.");
    EXPECT_EQ(readAll(path), original);
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(V2TagWrite, LockedFileGives4WithTheErrorCode) {
    TestFolder folder;
    const Bytes original = smallTaggedFile();
    const std::string path = folder.make("f.mp3", original);
    const ForeignLock lock(path);
    V2Tag tag;
    setBody(tag, tags::kFieldTitle, {0x00, 0x41});
    char code[16];
    std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(EWOULDBLOCK));  // B
    expectFailure(tag.write(path.c_str(), tags::kAllFields, 512), tags::TagFileError,
                  "An error occured while attemping to open '" + path + "' for read/write access.\n Error:" + code);
    EXPECT_EQ(readAll(path), original);
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

}  // namespace
