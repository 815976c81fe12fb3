// Frames the program does not edit (pictures, lyrics, user texts) live on
// through every read and write of a tag.
#include <gtest/gtest.h>

#include <cstring>

#include "tags/v2tag.h"
#include "tests/testfiles.h"

using namespace testing_support;

namespace {

const Bytes kPicture =
    frame("APIC", ByteBuilder().bytes({0}).text("image/png").bytes({0, 3, 0}).bytes({0x89, 'P', 'N', 'G', 1, 2, 3}),
          0x00, 0x40);
const Bytes kUserText = frame("TXXX", ByteBuilder().bytes({0}).text("MOOD").bytes({0}).text("calm"));
const Bytes kLyrics = frame("USLT", ByteBuilder().bytes({0}).text("eng").bytes({0}).text("la la"));

// A tag with the three between known frames, padding, then the audio.
Bytes taggedFile(std::size_t padding) {
    return concat({v2Header(3, 0, 0), frame("TIT2", textBody("Old")), kPicture, frame("TPE1", textBody("Band")),
                   kUserText, kUserText, kLyrics, Bytes(padding, 0), audio(3000)});
}

// What the batch write does for one field: read, replace the slot, write, release.
void writeTitle(tags::V2Tag& tag, const std::string& path, const char* title) {
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    tag.freeFields(tags::kFieldTitle);
    const auto length = static_cast<std::uint32_t>(std::strlen(title) + 2);
    ASSERT_EQ(tag.allocFields(tags::kFieldTitle, length), tags::TagSuccess);
    std::memcpy(tag.slots[0].buffer.get() + 1, title, length - 2);
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding), tags::TagSuccess);
    tag.freeFields(tags::kAllFields);
}

bool endsWithAudio(const Bytes& file) {
    const Bytes tail = audio(3000);
    return file.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), file.rbegin());
}

bool contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

}  // namespace

TEST(KeptFrames, ReadKeepsEveryOtherFrameInFileOrderWithBothFlagBytes) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", taggedFile(600));
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    ASSERT_EQ(tag.otherFrames.size(), 4u);  // the second TXXX does not replace the first
    EXPECT_EQ(std::string(tag.otherFrames[0].id, 4), "APIC");
    EXPECT_EQ(tag.otherFrames[0].flags[1], 0x40);
    EXPECT_EQ(std::string(tag.otherFrames[1].id, 4), "TXXX");
    EXPECT_EQ(std::string(tag.otherFrames[2].id, 4), "TXXX");
    EXPECT_EQ(std::string(tag.otherFrames[3].id, 4), "USLT");
    EXPECT_EQ(tag.otherFrames[3].length, kLyrics.size() - 10);  // no zero byte added
    tag.freeFields(tags::kFieldTitle);
    EXPECT_EQ(tag.otherFrames.size(), 4u);
    tag.freeFields(tags::kAllFields);
    EXPECT_TRUE(tag.otherFrames.empty());
}

TEST(KeptFrames, ATitleWriteKeepsThemByteForByteInPlaceAndThroughTheTemporaryFile) {
    TestFolder folder;
    for (std::size_t padding : {600u, 0u}) {
        const std::string path = folder.make("a.mp3", taggedFile(padding));
        tags::V2Tag tag;
        writeTitle(tag, path, "New title");
        const Bytes written = readAll(path);
        EXPECT_TRUE(contains(written, kPicture)) << padding;
        EXPECT_TRUE(contains(written, concat({kUserText, kUserText, kLyrics}))) << padding;
        EXPECT_TRUE(contains(written, frame("TIT2", ByteBuilder().append(textBody("New title")).bytes({0}))));
        EXPECT_EQ(written.size() == taggedFile(padding).size(), padding != 0) << "in place only when it fits";
        // Read back and written again: still there, once each.
        writeTitle(tag, path, "Newer");
        tags::V2Tag check;
        ASSERT_EQ(check.read(path.c_str()), tags::TagSuccess);
        EXPECT_EQ(check.otherFrames.size(), 4u);
    }
}

TEST(KeptFrames, UnsynchronisedFramesAreKeptResynchronised) {
    TestFolder folder;
    const Bytes body = ByteBuilder().bytes({0}).text("x").bytes({0xFF, 0x00, 0xE0});  // FF E0 once resynchronised
    const std::string path =
        folder.make("a.mp3", concat({v2Header(3, 0x80, 0), ByteBuilder().text("PRIV").be32(4).bytes({0, 0}), body,
                                     Bytes(64, 0), audio(100)}));
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    ASSERT_EQ(tag.otherFrames.size(), 1u);
    const auto kept = tag.otherFrames[0].body();
    EXPECT_EQ(Bytes(kept.begin(), kept.end()), (Bytes{0, 'x', 0xFF, 0xE0}));
}

TEST(KeptFrames, ATagWithoutOtherFramesIsWrittenAsBefore) {
    TestFolder folder;
    const std::string path =
        folder.make("a.mp3", concat({v2Header(3, 0, 0), frame("TIT2", textBody("Old")), Bytes(300, 0), audio(500)}));
    tags::V2Tag tag;
    writeTitle(tag, path, "T");
    const Bytes expected = ByteBuilder()
                               .text("ID3")
                               .bytes({3, 0, 0})
                               .bytes({0, 0, 2, 0x3A})                   // S = AudioStart - 10 = 314
                               .append(frame("TIT2", Bytes{0, 'T', 0}))  // the empty slots are no frames
                               .zeros(324 - 10 - 13)                     // up to the audio
                               .append(audio(500));
    EXPECT_EQ(readAll(path), expected);
}

TEST(KeptFrames, AnOtherFrameLargerThanTheFileIsNotAllocated) {
    TestFolder folder;
    const std::string path =
        folder.make("a.mp3", concat({v2Header(3, 0, 0), frame("TIT2", textBody("Kept")),
                                     ByteBuilder().text("APIC").be32(0x7FFFFFFF).bytes({0, 0}), audio(100)}));
    tags::V2Tag tag;
    EXPECT_EQ(tag.read(path.c_str()), tags::TagOutOfMemory);
    EXPECT_EQ(tag.slots[0].length, 6u);
    EXPECT_TRUE(tag.otherFrames.empty());
}

// A JPEG picture begins FF D8 FF E0: no audio for the tag's reader. Written
// again and again, the picture stays once and the file does not grow.
TEST(KeptFrames, AJpegPictureSurvivesRepeatedWritesWithoutGrowingTheFile) {
    TestFolder folder;
    const Bytes jpeg = frame("APIC", ByteBuilder()
                                         .bytes({0})
                                         .text("image/jpeg")
                                         .bytes({0, 3, 0})
                                         .bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10})
                                         .text("JFIF")
                                         .zeros(40));
    const Bytes frames = concat({frame("TIT2", textBody("Old")), jpeg, kUserText, frame("TPE1", textBody("Band"))});
    const std::string path = folder.make(
        "a.mp3",
        concat({v2Header(3, 0, static_cast<std::uint32_t>(frames.size() + 300)), frames, Bytes(300, 0), audio(3000)}));
    tags::V2Tag tag;
    writeTitle(tag, path, "First");
    const std::size_t size = readAll(path).size();
    for (const char* title : {"Second", "Third"}) {
        writeTitle(tag, path, title);
        const Bytes written = readAll(path);
        EXPECT_EQ(written.size(), size);
        EXPECT_TRUE(contains(written, jpeg));
        EXPECT_TRUE(contains(written, kUserText));
        EXPECT_TRUE(endsWithAudio(written));
    }
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(tag.otherFrames.size(), 2u);
    EXPECT_GT(tag.slots[1].length, 0u);  // the artist after the picture is read too
}

// A frame whose declared size runs on into the audio is not kept: the audio
// would be written once in the tag and once after it.
TEST(KeptFrames, AFrameRunningIntoTheAudioIsNotKept) {
    TestFolder folder;
    const Bytes original = concat({v2Header(3, 0, 30), frame("TIT2", textBody("Old")),
                                   ByteBuilder().text("XING").be32(2000).bytes({0, 0}), audio(3000)});
    const std::string path = folder.make("a.mp3", original);
    tags::V2Tag tag;
    writeTitle(tag, path, "New");
    const Bytes written = readAll(path);
    EXPECT_LT(written.size(), original.size() + 1000);
    EXPECT_TRUE(endsWithAudio(written));
}

// --- Comments and URLs with a description, and repeated frames -------------

namespace {

// A comment frame: encoding byte, language, then the description bytes and the text.
Bytes comment(std::initializer_list<int> encodingAndDescription, std::string_view text) {
    Bytes body = ByteBuilder().bytes(encodingAndDescription);
    body.insert(body.begin() + 1, {'e', 'n', 'g'});
    return frame("COMM", ByteBuilder().append(body).text(text));
}

const Bytes kUserComment = comment({0, 0}, "mine");
const Bytes kLoudness = comment({0, 'i', 'T', 'u', 'n', 'N', 'O', 'R', 'M', 0}, " 0000021F");
const Bytes kGapless = comment({1, 0xFF, 0xFE, 'g', 0, 0, 0}, "x");  // UTF-16 description "g"
const Bytes kUserUrl = frame("WXXX", ByteBuilder().bytes({0, 0}).text("http://example.org/"));
const Bytes kShopUrl = frame("WXXX", ByteBuilder().bytes({0}).text("shop").bytes({0}).text("http://shop.example/"));
const Bytes kFirstArtist = frame("TPE1", textBody("First"));
const Bytes kSecondArtist = frame("TPE1", textBody("Second"));

Bytes slotBody(const tags::FrameSlot& slot) { return Bytes(slot.body().begin(), slot.body().end()); }

// A tag that declares its frames and padding, so that the scan walks over the
// byte-order marks (FF FE) of UTF-16 texts.
Bytes taggedWith(const Bytes& frames, std::size_t padding) {
    return concat(
        {v2Header(3, 0, static_cast<std::uint32_t>(frames.size() + padding)), frames, Bytes(padding, 0), audio(500)});
}

void writeComment(tags::V2Tag& tag, const std::string& path, std::string_view text) {
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    const Bytes body = ByteBuilder().zeros(5).text(text);
    tag.freeFields(tags::kFieldComment);
    ASSERT_EQ(tag.allocFields(tags::kFieldComment, static_cast<std::uint32_t>(body.size())), tags::TagSuccess);
    std::ranges::copy(body, tag.slots[4].buffer.get());
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding), tags::TagSuccess);
    tag.freeFields(tags::kAllFields);
}

}  // namespace

TEST(DescribedFrames, TheSlotsTakeTheUsersCommentAndUrlAndTheRestIsKeptByteForByte) {
    TestFolder folder;
    const Bytes others = concat({kLoudness, kShopUrl, kGapless});
    const Bytes original =
        taggedWith(concat({kLoudness, kUserComment, kFirstArtist, kShopUrl, kUserUrl, kGapless, kSecondArtist}), 400);
    const std::string path = folder.make("a.mp3", original);
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(slotBody(tag.slots[4]), concat({Bytes(kUserComment.begin() + 10, kUserComment.end()), Bytes{0}}));
    EXPECT_EQ(slotBody(tag.slots[8]), concat({Bytes(kUserUrl.begin() + 10, kUserUrl.end()), Bytes{0}}));
    EXPECT_EQ(slotBody(tag.slots[1]), concat({textBody("Second"), Bytes{0}}));  // the later one
    ASSERT_EQ(tag.otherFrames.size(), 4u);

    writeComment(tag, path, "new");
    const Bytes written = readAll(path);
    // The earlier artist goes before the slots, so that the next read gives the
    // slot the same artist; the described frames follow them.
    EXPECT_EQ(Bytes(written.begin() + 10, written.begin() + 10 + static_cast<std::ptrdiff_t>(kFirstArtist.size())),
              kFirstArtist);
    EXPECT_TRUE(contains(written, others)) << "in file order, unchanged";
    EXPECT_TRUE(contains(written, frame("COMM", ByteBuilder().zeros(5).text("new"))));
    EXPECT_FALSE(contains(written, kUserComment));
    EXPECT_EQ(written.size(), original.size()) << "in place";
    EXPECT_TRUE(std::equal(written.end() - 500, written.end(), original.end() - 500));
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(slotBody(tag.slots[1]), concat({textBody("Second"), Bytes{0}}));
    EXPECT_EQ(tag.otherFrames.size(), 4u);
}

TEST(DescribedFrames, OnlyDescribedCommentsShowAnEmptyCommentAndAWriteAddsTheUsersOne) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", taggedWith(concat({kLoudness, kGapless}), 300));
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(tag.slots[4].length, 0u);
    writeComment(tag, path, "mine");
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(slotBody(tag.slots[4]), ByteBuilder().zeros(5).text("mine").bytes({0}).build());
    ASSERT_EQ(tag.otherFrames.size(), 2u);
    EXPECT_TRUE(contains(readAll(path), concat({kLoudness, kGapless})));
}

TEST(DescribedFrames, AnEmptyDescriptionInEitherEncodingIsTheUsers) {
    struct Case {
        const char* name;
        Bytes frame;
        bool users;
    };
    const Case cases[] = {
        {"Latin-1, empty", comment({0, 0}, "c"), true},
        {"Latin-1, described", comment({0, 'd', 0}, "c"), false},
        {"UTF-16, byte-order mark and terminator", comment({1, 0xFF, 0xFE, 0, 0}, "c"), true},
        {"UTF-16, big-endian mark", comment({1, 0xFE, 0xFF, 0, 0}, "c"), true},
        {"UTF-16, terminator alone", comment({1, 0, 0}, "c"), true},
        {"UTF-16, described", comment({1, 0xFF, 0xFE, 'd', 0, 0, 0}, "c"), false},
        {"UTF-16, a first 00 that is half a character", comment({1, 0xFE, 0xFF, 0, 'd', 0, 0}, "c"), false},
        {"URL, Latin-1, empty", kUserUrl, true},
        {"URL, described", kShopUrl, false},
        {"URL, UTF-16, empty", frame("WXXX", ByteBuilder().bytes({1, 0xFF, 0xFE, 0, 0}).text("http://a/")), true},
    };
    TestFolder folder;
    for (const Case& c : cases) {
        const std::string path = folder.make("a.mp3", taggedWith(c.frame, 100));
        tags::V2Tag tag;
        ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess) << c.name;
        EXPECT_EQ(tag.otherFrames.empty(), c.users) << c.name;
        EXPECT_EQ(tag.slots[4].length + tag.slots[8].length > 0, c.users) << c.name;
    }
}

TEST(DescribedFrames, FramesOfSizeZeroAreNoFramesAndAreNeverWritten) {
    TestFolder folder;
    const std::string path =
        folder.make("a.mp3", concat({v2Header(3, 0, 0), frame("TIT2", textBody("T")), frame("APIC", {}),
                                     frame("TIT2", {}), Bytes(100, 0), audio(100)}));
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_TRUE(tag.otherFrames.empty());
    EXPECT_EQ(slotBody(tag.slots[0]), concat({textBody("T"), Bytes{0}}));
    writeTitle(tag, path, "New");
    const Bytes written = readAll(path);
    EXPECT_EQ(Bytes(written.begin() + 10, written.begin() + 30),
              concat({frame("TIT2", ByteBuilder().bytes({0}).text("New").bytes({0})), Bytes(5, 0)}));
}
