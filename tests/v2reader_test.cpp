#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/fs.h"
#include "tags/filehead.h"
#include "tags/v2tag.h"
#include "tests/invariants.h"
#include "tests/testfiles.h"

namespace {

using namespace testing_support;
using tags::V2Tag;

Bytes bodyOf(const tags::FrameSlot& slot) {
    if (!slot.buffer) return {};
    return Bytes(slot.buffer.get(), slot.buffer.get() + slot.length);
}

// Checks every slot: those named hold exactly the given bodies, the rest are empty.
void expectSlots(const V2Tag& tag, const std::map<std::size_t, Bytes>& filled) {
    for (std::size_t i = 0; i < tags::kSlotCount; ++i) {
        const auto it = filled.find(i);
        const Bytes expected = it == filled.end() ? Bytes{} : it->second;
        EXPECT_EQ(bodyOf(tag.slots[i]), expected) << "slot " << i;
        EXPECT_EQ(tag.slots[i].length, expected.size()) << "slot " << i;
        EXPECT_EQ(tag.slots[i].buffer == nullptr, expected.empty()) << "slot " << i;
    }
}

// A record left full by an earlier file, to see that a read empties it.
void fillEverySlot(V2Tag& tag) { ASSERT_EQ(tag.allocFields(tags::kAllFields, 3), tags::TagSuccess); }

TEST(FindAudioStart, FindsTheFirstFFFollowedByE0OrMore) {
    TestFolder folder;
    struct Case {
        const char* name;
        Bytes contents;
        tags::AudioStart expected;
    };
    constexpr auto kBlock = static_cast<tags::AudioStart>(tags::kFirstBlock);
    const Case cases[] = {
        {"begins with audio", audio(3000), 0},
        {"pair across the first chunk boundary", ByteBuilder().zeros(1023).bytes({0xFF, 0xE0}).zeros(100), 1023},
        {"FF ending a chunk, 00 after it", ByteBuilder().zeros(1023).bytes({0xFF, 0x00}).zeros(975).append(audio(50)),
         2000},
        {"pair at the start of the second chunk", ByteBuilder().zeros(1024).bytes({0xFF, 0xE0}).zeros(10), 1024},
        {"pair across the second chunk boundary", ByteBuilder().zeros(2047).bytes({0xFF, 0xF3}).zeros(10), 2047},
        {"FF DF is no sync, FF FF is", ByteBuilder().bytes({0x00, 0xFF, 0xDF, 0x00, 0xFF, 0xFF, 0x00}), 4},
        {"pair across the end of the first block", ByteBuilder().zeros(kBlock - 1).bytes({0xFF, 0xE0}).zeros(10),
         kBlock - 1},
        {"FF ending the first block, 00 after it",
         ByteBuilder().zeros(kBlock - 1).bytes({0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xFB}), kBlock + 3},
        {"FF FF E0 far beyond the first block", ByteBuilder().zeros(150000).bytes({0xFF, 0xFF, 0xE0}), 150000},
        {"no sync, the end the tag declares", concat({v2Header(3, 0, 90), Bytes(3000, 0)}), 100},
        {"no sync, a tag that declares all of the file", concat({v2Header(4, 0, 1014), Bytes(1014, 0)}), 1024},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(invariants::audioStartOf(folder.make("f.mp3", c.contents)), c.expected) << c.name;
    }
    // Without a sync and without a declared end inside the file there is no audio.
    const Bytes noAudio[] = {ByteBuilder().zeros(3000), ByteBuilder().zeros(1024), Bytes{},
                             ByteBuilder().zeros(1023).bytes({0xFF}), concat({v2Header(3, 0, 3000), Bytes(100, 0)})};
    for (const Bytes& contents : noAudio)
        EXPECT_EQ(invariants::audioStartOf(folder.make("f.mp3", contents)), std::nullopt);
}

TEST(V2TagRead, FileWithoutId3MarkerGives2AndEmptyRecord) {
    TestFolder folder;
    V2Tag tag;
    const Bytes notTags[] = {audio(500), ByteBuilder().text("ID"), ByteBuilder().text("ID4").zeros(20)};
    for (const Bytes& contents : notTags) {
        fillEverySlot(tag);
        tag.audioStart = 99;
        EXPECT_EQ(tag.read(folder.make("f.mp3", contents).c_str()), tags::TagNoV2Header);
        expectSlots(tag, {});
        EXPECT_EQ(tag.audioStart, 0u);
    }
}

TEST(V2TagRead, ReadsKnownFramesAndTheirFirstFlagByteUpToThePadding) {
    TestFolder folder;
    const std::string path = folder.make("f.mp3", ByteBuilder()
                                                      .text("ID3")
                                                      .bytes({0x03, 0x01})  // version, revision
                                                      .bytes({0x20})        // flags: a bit the reader ignores
                                                      .bytes({0x00, 0x00, 0x00, 0x00})  // declared size, not used
                                                      .append(frame("TIT2", {0x00, 0x41, 0x42, 0x43}, 0x80, 0x00))
                                                      .append(frame("TALB", {0x00, 0x58}, 0x00, 0x00))
                                                      .zeros(500)
                                                      // Behind the padding: not a frame of this tag.
                                                      .append(frame("TPE1", {0x00, 0x59}))
                                                      .zeros(10)
                                                      .append(audio(64)));
    V2Tag tag;
    fillEverySlot(tag);
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    expectSlots(tag, {{0, {0x00, 0x41, 0x42, 0x43, 0x00}}, {2, {0x00, 0x58, 0x00}}});
    EXPECT_EQ(tag.slots[0].flags[0], 0x80);
    EXPECT_EQ(tag.slots[0].flags[1], 0x00);
    EXPECT_EQ(tag.slots[2].flags[0], 0x00);
    EXPECT_EQ(tag.slots[2].flags[1], 0x00);
    EXPECT_EQ(tag.version, 3);
    EXPECT_EQ(tag.revision, 1);
    EXPECT_EQ(tag.flags, 0x20);
    EXPECT_EQ(tag.audioStart, 10u + 14 + 12 + 500 + 12 + 10);  // the offset of the first audio byte
}

TEST(V2TagRead, FramesGoToSlotsByExactIdAndLaterFramesWin) {
    TestFolder folder;
    const std::string path = folder.make("f.mp3", ByteBuilder()
                                                      .append(v2Header(3, 0, 200))
                                                      .append(frame("TPE1", {0x00, 0x41}))
                                                      .append(frame("PRIV", {0x01, 0x02, 0x03, 0x04, 0x05}))
                                                      .append(frame("TIT3", {0x00, 0x62}))
                                                      .append(frame("APIC", {}))
                                                      .append(frame("TPE1", {0x00, 0x42, 0x42}))
                                                      .append(frame("WXXX", {0x00, 0x00, 0x75}, 0x80))
                                                      .append(frame("WXXX", {}))  // size 0: no frame
                                                      .append(frame("TCOM", {0x00, 0x43}))
                                                      // No frame ID: the frames end here, as at padding.
                                                      .append(frame("tpe1", {0x00, 0x61}))
                                                      .append(frame("TALB", {0x00, 0x44}))
                                                      .zeros(100)
                                                      .append(audio(64)));
    V2Tag tag;
    fillEverySlot(tag);
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    expectSlots(tag, {{1, {0x00, 0x42, 0x42, 0x00}}, {8, {0x00, 0x00, 0x75, 0x00}}, {11, {0x00, 0x43, 0x00}}});
    EXPECT_EQ(tag.slots[8].flags[0], 0x80);
}

TEST(V2TagRead, ExtendedHeaderIsSkipped) {
    TestFolder folder;
    const Bytes plain = ByteBuilder()
                            .append(v2Header(3, 0x40, 100))
                            .be32(6)  // extended header size
                            .bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00})
                            .append(frame("TIT2", {0x00, 0x41}))  // at offset 20
                            .zeros(50)
                            .append(audio(64));
    // Unsynchronised: the size field is taken as stored, the bytes it counts are not.
    const Bytes unsynchronised = ByteBuilder()
                                     .append(v2Header(3, 0xC0, 400))
                                     .bytes({0x00, 0x00, 0x00, 0xFF})  // 255
                                     .bytes({0x01, 0xFF, 0x00})        // 01 FF, and a dropped 00
                                     .zeros(253)
                                     .append(frame("TIT2", {0x00, 0x41}))
                                     .zeros(50)
                                     .append(audio(64));
    for (const Bytes& contents : {plain, unsynchronised}) {
        V2Tag tag;
        ASSERT_EQ(tag.read(folder.make("f.mp3", contents).c_str()), tags::TagSuccess);
        expectSlots(tag, {{0, {0x00, 0x41, 0x00}}});
        EXPECT_EQ(tag.flags, contents[5]);
    }
}

// A picture often holds FF E0; inside a frame that the declared tag size
// covers it is no audio. Outside the declared size the scan finds it.
TEST(V2TagRead, FrameSyncInsideABodyIsNoAudioWhileTheDeclaredTagHoldsTheFrame) {
    TestFolder folder;
    const auto file = [](std::uint32_t declared) {
        return ByteBuilder()
            .append(v2Header(3, 0, declared))
            .append(frame("TIT2", {0x00, 0xFF, 0xE0, 0x41}))
            .append(frame("TPE1", {0x00, 0x42}))
            .zeros(50)
            .append(audio(64))
            .build();
    };
    V2Tag tag;
    ASSERT_EQ(tag.read(folder.make("f.mp3", file(76)).c_str()), tags::TagSuccess);
    EXPECT_EQ(tag.audioStart, 86u);
    expectSlots(tag, {{0, {0x00, 0xFF, 0xE0, 0x41, 0x00}}, {1, {0x00, 0x42, 0x00}}});

    ASSERT_EQ(tag.read(folder.make("g.mp3", file(4)).c_str()), tags::TagSuccess);
    EXPECT_EQ(tag.audioStart, 21u);
    expectSlots(tag, {{0, {0x00, 0xFF, 0xE0, 0x41, 0x00}}});
}

TEST(V2TagRead, UnsynchronisedTagDropsTheByteAfterEachFF) {
    TestFolder folder;
    const std::string path = folder.make("f.mp3", ByteBuilder()
                                                      .append(v2Header(3, 0x80, 100))
                                                      .text("TIT2")
                                                      .be32(3)
                                                      .bytes({0x00, 0x00})
                                                      .bytes({0x00, 0xFF, 0x00, 0x41})
                                                      // FF E0 stored as FF 00 E0 is no frame sync.
                                                      .text("TALB")
                                                      .be32(3)
                                                      .bytes({0x00, 0x00})
                                                      .bytes({0x00, 0xFF, 0x00, 0xE0})
                                                      // A body ending in FF: its next byte is dropped too.
                                                      .text("TYER")
                                                      .be32(2)
                                                      .bytes({0x00, 0x00})
                                                      .bytes({0x00, 0xFF, 0x00})
                                                      .append(frame("TCOM", {0x00, 0x43}))
                                                      .zeros(50)
                                                      .append(audio(64)));
    V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    expectSlots(tag, {{0, {0x00, 0xFF, 0x41, 0x00}},
                      {2, {0x00, 0xFF, 0xE0, 0x00}},
                      {3, {0x00, 0xFF, 0x00}},
                      {11, {0x00, 0x43, 0x00}}});
}

TEST(V2TagRead, VersionsBeyond4Give3WithTheVersionMessage) {
    TestFolder folder;
    for (const int version : {5, 0x7F}) {
        const std::string path = folder.make("v.mp3", ByteBuilder()
                                                          .text("ID3")
                                                          .bytes({version, 0x01})
                                                          .bytes({0x80})
                                                          .bytes({0x00, 0x00, 0x00, 0x40})
                                                          .append(frame("TIT2", {0x00, 0x41}))
                                                          .zeros(52)
                                                          .append(audio(64)));
        V2Tag tag;
        fillEverySlot(tag);
        expectFailure(tag.read(path.c_str()), tags::TagUnsupportedVersion,
                      "Version of ID3v2 used in file '" + path + "' is not supported by Lirvane.");
        expectSlots(tag, {});
        EXPECT_EQ(tag.version, version);
        EXPECT_EQ(tag.revision, 1);
        EXPECT_EQ(tag.flags, 0x80);
        EXPECT_EQ(tag.audioStart, 74u);
    }
}

// Not reading the tag protects the frames after the large one from a write;
// the user hears which file was left alone.
TEST(V2TagRead, BodyLargerThanTheFileGives5KeepingEarlierFramesAndNamesTheFile) {
    TestFolder folder;
    V2Tag tag;
    const std::uint32_t fileLength = 10 + 12 + 10 + 20 + 64;
    for (const std::uint32_t declared : {0xFFFFFFFFu, 0x7FFFFFFFu, fileLength + 1}) {
        const std::string path = folder.make("f.mp3", ByteBuilder()
                                                          .append(v2Header(3, 0, 100))
                                                          .append(frame("TIT2", {0x00, 0x41}))
                                                          .text("TPE1")
                                                          .be32(declared)
                                                          .bytes({0x00, 0x00})
                                                          .zeros(20)
                                                          .append(audio(64)));
        SCOPED_TRACE(declared);
        expectFailure(
            tag.read(path.c_str()), tags::TagOutOfMemory,
            "A frame of the ID3v2 tag of '" + path + "' is larger than the file. The file was left unchanged.");
        expectSlots(tag, {{0, {0x00, 0x41, 0x00}}});
    }
}

TEST(V2TagRead, TruncatedFileKeepsZerosForTheMissingBytes) {
    TestFolder folder;
    struct Case {
        const char* name;
        Bytes contents;
        std::map<std::size_t, Bytes> slots;
    };
    // The tags declare the whole file, which has no frame sync: all of it is tag.
    const Case cases[] = {
        {"body cut short",
         ByteBuilder().append(v2Header(3, 0, 13)).text("TIT2").be32(8).bytes({0x00, 0x00}).bytes({0x00, 0x41, 0x42}),
         {{0, {0x00, 0x41, 0x42, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}}},
        {"frame header cut short",
         ByteBuilder().append(v2Header(3, 0, 15)).append(frame("TPE1", {0x00, 0x41})).text("TIT"),
         {{1, {0x00, 0x41, 0x00}}}},
    };
    V2Tag tag;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fillEverySlot(tag);
        ASSERT_EQ(tag.read(folder.make("f.mp3", c.contents).c_str()), tags::TagSuccess);
        expectSlots(tag, c.slots);
        EXPECT_EQ(tag.audioStart, c.contents.size());
    }
}

TEST(V2TagRead, FileThatCannotBeOpenedGives4AndReadingMessage) {
    TestFolder folder;
    const std::string path = folder.make(
        "f.mp3", ByteBuilder().append(v2Header(3, 0, 20)).append(frame("TIT2", {0x00, 0x41})).append(audio(64)));
    V2Tag tag;
    {
        const ForeignLock lock(path);
        fillEverySlot(tag);
        expectFailure(tag.read(path.c_str()), tags::TagFileError,
                      "An error occured while attemping to open '" + path + "' for reading.");
        expectSlots(tag, {});
    }
    const std::string missing = (folder.path() / "missing.mp3").string();
    expectFailure(tag.read(missing.c_str()), tags::TagFileError,
                  "An error occured while attemping to open '" + missing + "' for reading.");
}

// A file longer than the 4 GiB an audio start can point into, with no frame
// sync there, is refused for what it is, not as a failed read (a sparse file:
// its 4 GiB take no room).
TEST(V2TagRead, NoFrameSyncWithin4GiBSaysSo) {
    TestFolder folder;
    const std::string path = folder.make("big.mp3", concat({v2Header(3, 0, 20), frame("TIT2", textBody("x"))}));
    constexpr std::uintmax_t kBeyondReach = (std::uintmax_t{1} << 32) + 65536;
    std::filesystem::resize_file(path, kBeyondReach);
    V2Tag tag;
    expectFailure(tag.read(path.c_str()), tags::TagFileError,
                  "No MPEG audio was found in the first 4 GiB of '" + path +
                      "', and a tag cannot reach further. The file was left unchanged.");
}

}  // namespace
