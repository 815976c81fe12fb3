#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "tags/fields.h"
#include "tags/v1tag.h"
#include "tags/v2header.h"
#include "tags/v2tag.h"
#include "tests/invariants.h"
#include "tests/testfiles.h"

namespace {

using namespace testing_support;
using tags::V2Tag;

// A frame of an ID3v2.4 tag: its size syncsafe.
Bytes frame24(std::string_view id, const Bytes& body, std::uint8_t flag2 = 0) {
    const auto size = tags::v2::encodeSyncsafe(static_cast<std::uint32_t>(body.size()));
    return ByteBuilder().text(id).bytes({size[0], size[1], size[2], size[3], 0, flag2}).append(body);
}

Bytes frame22(std::string_view id, const Bytes& body) {
    const auto n = body.size();
    return ByteBuilder()
        .text(id)
        .bytes({static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)})
        .append(body);
}

Bytes withTag(std::uint8_t version, std::uint8_t flags, const Bytes& frames, std::size_t padding,
              const Bytes& footer = {}) {
    return concat({v2Header(version, flags, static_cast<std::uint32_t>(frames.size() + padding)), frames,
                   Bytes(padding, 0), footer, audio(300)});
}

std::string titleOf(const V2Tag& tag) { return tags::v2Text(tag, tags::tagField(tags::kFieldTitle)); }

const Bytes kJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0xFF, 0xFE, 0x00};

Bytes compressed(const Bytes& data) {
    uLongf size = compressBound(data.size());
    Bytes out(size);
    compress(out.data(), &size, data.data(), data.size());
    out.resize(size);
    return out;
}

// Every version's tag is read whole and its extent ends where the audio starts.
TEST(V2Versions, EachVersionIsReadAndItsWholeExtentRemoved) {
    TestFolder folder;
    const Bytes picture = concat({ByteBuilder().bytes({0}).text("image/jpeg").bytes({0, 3, 0}), kJpeg});
    const Bytes v24frames = concat({frame24("TIT2", textBody("Four")), frame24("APIC", picture)});
    const auto size = tags::v2::encodeSyncsafe(static_cast<std::uint32_t>(v24frames.size()));
    const Bytes footer = ByteBuilder().text("3DI").bytes({4, 0, 0x10, size[0], size[1], size[2], size[3]});
    struct Case {
        const char* name;
        Bytes file;
        std::string title;
        std::size_t tagEnd;
    };
    const Bytes v22frames =
        concat({frame22("TT2", textBody("Two")),
                frame22("PIC", concat({ByteBuilder().bytes({0}).text("JPG").bytes({3, 0}), kJpeg}))});
    const Bytes plain = concat({frame("TIT2", textBody("Plain")), frame("APIC", picture)});
    const Case cases[] = {
        {"v2.4 with padding", withTag(4, 0, v24frames, 40), "Four", 10 + v24frames.size() + 40},
        {"v2.4 with a footer", withTag(4, 0x10, v24frames, 0, footer), "Four", 20 + v24frames.size()},
        {"v2.4 written with plain sizes", withTag(4, 0, plain, 30), "Plain", 10 + plain.size() + 30},
        {"v2.2", withTag(2, 0, v22frames, 20), "Two", 10 + v22frames.size() + 20},
        {"v2.3 extended-header flag without one", withTag(3, 0x40, plain, 20), "Plain", 10 + plain.size() + 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const int soft : {1, 0}) {
            const std::string path = folder.make("f.mp3", c.file);
            V2Tag tag;
            ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
            EXPECT_EQ(titleOf(tag), c.title);
            EXPECT_EQ(tag.audioStart, c.tagEnd);
            ASSERT_EQ(tag.otherFrames.size(), 1u);
            EXPECT_EQ(std::string(tag.otherFrames[0].id, 4), "APIC");
            ASSERT_EQ(tag.remove(path.c_str(), soft), tags::TagSuccess);
            const Bytes rest(c.file.begin() + static_cast<std::ptrdiff_t>(c.tagEnd), c.file.end());
            EXPECT_EQ(readAll(path), soft ? concat({Bytes(c.tagEnd, 0), rest}) : rest);
        }
    }
}

// A syncsafe size read as a plain one (01 48 is 200, or 328) can reach past
// the declared tag to bytes that only look like frames: the declared tag
// alone decides how its sizes are read.
TEST(V2Versions, FrameSizesAreReadAsTheDeclaredTagHasThem) {
    TestFolder folder;
    const Bytes picture = concat({ByteBuilder().bytes({0}).text("image/jpeg").bytes({0, 3, 0}), kJpeg});
    const Bytes apic = frame24("APIC", concat({picture, Bytes(200 - picture.size(), 'p')}));
    const Bytes frames = concat({frame24("TIT2", textBody("Four")), apic});
    const std::size_t plainEnd = 10 + frames.size() - 200 + 328;
    const std::size_t declaredEnd = 10 + frames.size() + 20;
    const Bytes lookalikes = concat({frame24("TPE1", textBody("x")), frame24("TALB", textBody("y"))});
    const Bytes file = concat({v2Header(4, 0, static_cast<std::uint32_t>(frames.size() + 20)), frames, Bytes(20, 0),
                               Bytes(plainEnd - declaredEnd, 'j'), lookalikes, audio(300)});
    const std::string path = folder.make("f.mp3", file);
    V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    ASSERT_EQ(tag.otherFrames.size(), 1u);
    EXPECT_EQ(tag.otherFrames[0].body().size(), 200u);
    EXPECT_EQ(invariants::checkRoundTrip(path), "");
    // The input the round-trip fuzzer found it with.
    const std::string found = folder.make("found.mp3", fixture("fuzz/v2rw-v24-plain-reading-past-tag.mp3"));
    EXPECT_EQ(invariants::checkRoundTrip(found), "");
}

// A kept frame whose flags hide that a slot could take it (a group byte before
// an empty description) is written before the slot, so that the next read
// gives the slot the same frame again.
TEST(V2Versions, AKeptFrameIsJudgedByItsDecodedBody) {
    TestFolder folder;
    const Bytes comment = ByteBuilder().bytes({0}).text("eng").bytes({0}).text("mine");
    const Bytes frames = concat({frame("COMM", concat({Bytes{0x30}, comment}), 0, 0x20), frame("COMM", comment)});
    const std::string path = folder.make("f.mp3", withTag(3, 0, frames, 20));
    EXPECT_EQ(invariants::checkRoundTrip(path), "");
}

// Flags the engine honours give the slot the real text; an encrypted frame stays as it is.
TEST(V2Versions, FrameFlagsAreUndoneForTheSlotAndKeptOnTheWayBack) {
    TestFolder folder;
    const Bytes title = textBody("Zipped title");
    struct Case {
        const char* name;
        std::uint8_t version;
        Bytes frame;
        std::string shown;
    };
    const Case cases[] = {
        {"v2.3 compressed", 3,
         frame("TIT2", concat({ByteBuilder().be32(static_cast<std::uint32_t>(title.size())), compressed(title)}), 0,
               0x80),
         "Zipped title"},
        {"v2.3 grouped", 3, frame("TIT2", concat({Bytes{0x07}, title}), 0, 0x20), "Zipped title"},
        {"v2.3 encrypted", 3, frame("TIT2", concat({Bytes{0x01}, title}), 0, 0x40), ""},
        {"v2.4 compressed with data length", 4,
         frame24("TIT2", concat({Bytes{0, 0, 0, static_cast<std::uint8_t>(title.size())}, compressed(title)}), 0x09),
         "Zipped title"},
        {"v2.4 grouped", 4, frame24("TIT2", concat({Bytes{0x07}, title}), 0x40), "Zipped title"},
        {"v2.4 unsynchronised", 4, frame24("TIT2", {0x00, 'A', 0xFF, 0x00, 'B'}, 0x02),
         "A\xC3\xBF"
         "B"},
        {"v2.4 encrypted", 4, frame24("TIT2", concat({Bytes{0x01}, title}), 0x04), ""},
        {"v2.4 data length and no data", 4, frame24("TIT2", {0, 0, 0, 4}, 0x01), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = withTag(c.version, 0, concat({c.frame, frame("TPE1", textBody("A"))}), 30);
        const std::string path = folder.make("f.mp3", file);
        V2Tag tag;
        ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
        EXPECT_EQ(titleOf(tag), c.shown);
        // Written back unedited: the same bytes (before or after the slots).
        ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding), tags::TagSuccess);
        const Bytes after = readAll(path);
        EXPECT_NE(std::search(after.begin(), after.end(), c.frame.begin(), c.frame.end()), after.end());
        EXPECT_EQ(after[3], c.version);
    }
}

// Proper unsynchronisation only ever puts a 00 after an FF: FF D8 and FF E0 survive.
TEST(V2Versions, UnsynchronisationDropsOnlyAZeroAfterFF) {
    TestFolder folder;
    const Bytes stored = {0x00, 'x', 0x00, 0x03, 0x00, 0xFF, 0x00, 0xD8, 0xFF, 0x00, 0xE0, 0xFF, 0x12};
    const Bytes frames = concat({frame("APIC", stored), frame("TIT2", textBody("After"))});
    const std::string path = folder.make("f.mp3", withTag(3, 0x80, frames, 20));
    V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    ASSERT_EQ(tag.otherFrames.size(), 1u);
    const Bytes expected = {0x00, 'x', 0x00, 0x03, 0x00, 0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0x12};
    // The frame size counts the stored bytes here; what the body holds is resynchronised.
    const auto body = tag.otherFrames[0].body();
    EXPECT_EQ(Bytes(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
}

// A v2.4 file stays v2.4: syncsafe sizes, edited text in Latin-1 or UTF-8, year as TDRC, lists kept.
TEST(V2Versions, WritingAV24FileKeepsItV24) {
    TestFolder folder;
    const Bytes artists = {0x03, 'A', 0x00, 'B'};
    const std::string path = folder.make(
        "f.mp3", withTag(4, 0x10,
                         concat({frame24("TIT2", textBody("Old")), frame24("TPE1", artists),
                                 frame24("TDRC", textBody("2004-05-06")),
                                 frame24("COMM", ByteBuilder().bytes({0}).text("deu").bytes({0}).text("alt"))}),
                         0, ByteBuilder().text("3DI").bytes({4, 0, 0x10, 0, 0, 0, 0})));
    V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(tags::v2Text(tag, tags::tagField(tags::kFieldYear)), "2004-05-06");
    EXPECT_EQ(tags::v2Text(tag, tags::tagField(tags::kFieldArtist)), "A / B");
    ASSERT_EQ(tags::setV2Text(tag, tags::tagField(tags::kFieldTitle), "\xE6\x97\xA5", false), tags::TagSuccess);
    ASSERT_EQ(tags::setV2Text(tag, tags::tagField(tags::kFieldArtist), "A / B", false), tags::TagSuccess);
    ASSERT_EQ(tags::setV2Text(tag, tags::tagField(tags::kFieldComment), "neu", false), tags::TagSuccess);
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding), tags::TagSuccess);
    const Bytes after = readAll(path);
    EXPECT_EQ(Bytes(after.begin(), after.begin() + 6), (ByteBuilder().text("ID3").bytes({4, 0, 0}).build()));
    V2Tag again;
    ASSERT_EQ(again.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(again.version, 4);
    EXPECT_EQ(Bytes(again.slots[0].body().begin(), again.slots[0].body().end()), (Bytes{0x03, 0xE6, 0x97, 0xA5, 0x00}));
    EXPECT_EQ(Bytes(again.slots[1].frameBody().begin(), again.slots[1].frameBody().end()), artists);
    EXPECT_EQ(std::string(again.slots[3].id, 4), "TDRC");
    EXPECT_EQ(Bytes(again.slots[4].frameBody().begin(), again.slots[4].frameBody().begin() + 4),
              (ByteBuilder().bytes({0}).text("deu").build()));
}

// A v2.2 tag is written as v2.3; a frame without a v2.3 form leaves the file alone.
TEST(V2Versions, AV22TagIsConvertedOrLeftAloneWithAMessage) {
    TestFolder folder;
    const Bytes pic = concat({ByteBuilder().bytes({0}).text("JPG").bytes({3, 0}), kJpeg});
    const std::string path =
        folder.make("a.mp3", withTag(2, 0, concat({frame22("TT2", textBody("Two")), frame22("PIC", pic)}), 20));
    V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding), tags::TagSuccess);
    V2Tag again;
    ASSERT_EQ(again.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(again.version, 3);
    EXPECT_EQ(titleOf(again), "Two");
    ASSERT_EQ(again.otherFrames.size(), 1u);
    const auto apic = again.otherFrames[0].body();
    EXPECT_EQ(Bytes(apic.begin(), apic.end()),
              concat({ByteBuilder().bytes({0}).text("image/jpeg").bytes({0, 3, 0}), kJpeg}));

    const Bytes odd = withTag(2, 0, concat({frame22("TT2", textBody("Two")), frame22("CRM", {1, 2, 3})}), 20);
    const std::string oddPath = folder.make("b.mp3", odd);
    ASSERT_EQ(tag.read(oddPath.c_str()), tags::TagSuccess);
    const tags::TagOutcome refused = tag.write(oddPath.c_str(), tags::kAllFields, tags::kDefaultPadding);
    EXPECT_EQ(refused, tags::TagFileError);
    EXPECT_NE(refused.message.find(oddPath), std::string::npos);
    EXPECT_EQ(readAll(oddPath), odd);
}

TEST(V1Versions, AnID3v10CommentKeepsItsBytesAndExtendedGenresHaveNames) {
    TestFolder folder;
    const Bytes trailer = ByteBuilder().text("TAG").zeros(94).text(std::string(29, 'c')).text("z").bytes({131});
    const std::string path = folder.make("a.mp3", concat({audio(100), trailer}));
    tags::V1Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(tag.track, 0);
    EXPECT_EQ(std::string(tag.comment), std::string(29, 'c') + "z");
    EXPECT_EQ(tags::v1Text(tag, tags::tagField(tags::kFieldGenre)), "Indie");
    std::strcpy(tag.title, "New");
    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldTitle | tags::kFieldTrack), tags::TagSuccess);
    const Bytes after = readAll(path);
    EXPECT_EQ(Bytes(after.end() - 31, after.end()), Bytes(trailer.end() - 31, trailer.end()));
    tag.setGenreByName("Psybient");
    EXPECT_EQ(tag.genre, 191);
}

}  // namespace

namespace {

// Real files of other taggers: each is read whole, written back with a new
// title and the same audio, and removed down to the audio's first frame.
TEST(V2Versions, FilesOfOtherTaggersAreReadWrittenAndRemovedWhole) {
    TestFolder folder;
    const char* const names[] = {
        "mut23_rich",      "mut24_rich",   "mut24_utf16",    "eyed3_24",        "ffmpeg_v24",
        "kid3_v24",        "hand_v22",     "hand_v22_latin", "hand_v23_unsync", "hand_v23_frameflags",
        "hand_v24_footer", "id3lib_v2only"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const Bytes original = fixture(std::string("writers/") + name + ".mp3");
        const std::string path = folder.make("f.mp3", original);
        EXPECT_EQ(invariants::checkRoundTrip(path), "");
        folder.make("f.mp3", original);
        for (const int soft : {1, 0}) {
            folder.make("f.mp3", original);
            EXPECT_EQ(invariants::checkRemoval(path, soft), "");
        }
        const Bytes removed = readAll(path);
        ASSERT_GE(removed.size(), 2u);
        EXPECT_EQ(removed[0], 0xFF);
        EXPECT_GE(removed[1], 0xE0);
        folder.make("f.mp3", original);
        V2Tag tag;
        ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
        const unsigned char version = tag.version;
        ASSERT_EQ(tags::setV2Text(tag, tags::tagField(tags::kFieldTitle), "Nuevo", true), tags::TagSuccess);
        ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding), tags::TagSuccess);
        V2Tag again;
        ASSERT_EQ(again.read(path.c_str()), tags::TagSuccess);
        EXPECT_EQ(titleOf(again), "Nuevo");
        EXPECT_EQ(again.version, version == 2 ? 3 : version);
        const Bytes after = readAll(path);
        const Bytes audioBefore(original.begin() + static_cast<std::ptrdiff_t>(tag.audioStart), original.end());
        const Bytes audioAfter(after.begin() + static_cast<std::ptrdiff_t>(again.audioStart), after.end());
        EXPECT_EQ(audioAfter, audioBefore);
    }
}

}  // namespace
