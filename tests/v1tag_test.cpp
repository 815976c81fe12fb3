#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "tags/v1tag.h"
#include "tests/testfiles.h"

using namespace testing_support;
using tags::V1Tag;

namespace {

struct TrailerText {
    std::string title, artist, album, year, comment;
    int byte125 = 0;
    int track = 0;
    int genre = 255;
};

Bytes trailer(const TrailerText& t) {
    return ByteBuilder()
        .text("TAG")
        .field(t.title, 30)
        .field(t.artist, 30)
        .field(t.album, 30)
        .field(t.year, 4)
        .field(t.comment, 28)
        .bytes({t.byte125})
        .bytes({t.track})
        .bytes({t.genre});
}

const TrailerText kSample{"Title", "Artist", "Album", "1999", "Comment", 0, 7, 17};

void fill(V1Tag& tag, const TrailerText& t) {
    tag = V1Tag{};
    std::strncpy(tag.title, t.title.c_str(), 30);
    std::strncpy(tag.artist, t.artist.c_str(), 30);
    std::strncpy(tag.album, t.album.c_str(), 30);
    std::strncpy(tag.year, t.year.c_str(), 4);
    std::strncpy(tag.comment, t.comment.c_str(), 28);
    tag.track = static_cast<unsigned char>(t.track);
    tag.genre = static_cast<unsigned char>(t.genre);
}

}  // namespace

TEST(V1Read, TakesEveryFieldOfTheTrailer) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", concat({audio(1000), trailer(kSample)}));
    V1Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_STREQ(tag.title, "Title");
    EXPECT_STREQ(tag.artist, "Artist");
    EXPECT_STREQ(tag.album, "Album");
    EXPECT_STREQ(tag.year, "1999");
    EXPECT_STREQ(tag.comment, "Comment");
    EXPECT_EQ(tag.track, 7);
    EXPECT_EQ(tag.genre, 17);
}

TEST(V1Read, FullFieldsAndAThirtyCharacterID3v10CommentHaveNoTrack) {
    TestFolder folder;
    const std::string thirty(30, 'x');
    // An ID3v1.0 comment of 30 characters: byte 125 is 'Y', byte 126 ('Z') is its last.
    const Bytes v10 = ByteBuilder()
                          .text("TAG")
                          .text(thirty)
                          .text(thirty)
                          .text(thirty)
                          .text("2001")
                          .text(std::string(28, 'c'))
                          .text("YZ")
                          .bytes({5});
    const std::string path = folder.make("a.mp3", v10);
    V1Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    EXPECT_EQ(std::string(tag.title), thirty);
    EXPECT_EQ(std::string(tag.album), thirty);
    EXPECT_EQ(std::string(tag.comment), std::string(28, 'c') + "YZ");
    EXPECT_EQ(tag.track, 0);
    EXPECT_EQ(tag.genre, 5);
}

TEST(V1Read, FileWithoutTrailerLeavesTheRecordAsItWas) {
    TestFolder folder;
    const Bytes noTag = ByteBuilder().text("TAX").zeros(125);
    for (const Bytes& contents : {Bytes{}, audio(127), audio(4000), noTag}) {
        const std::string path = folder.make("a.mp3", contents);
        V1Tag tag;
        fill(tag, kSample);
        EXPECT_EQ(tag.read(path.c_str()), tags::TagNoV1Trailer);
        EXPECT_STREQ(tag.title, "Title");
        EXPECT_EQ(tag.genre, 17);
        EXPECT_EQ(tag.remove(path.c_str(), 1), tags::TagNoV1Trailer);
        EXPECT_EQ(tag.remove(path.c_str(), 0), tags::TagNoV1Trailer);
        EXPECT_EQ(readAll(path), contents);
    }
}

TEST(V1Write, IntoAnExistingTrailerChangesOnlyTheChosenFields) {
    TestFolder folder;
    const Bytes original = concat({audio(2000), trailer({"Old", "Old artist", "Old album", "1980", "Old", 'q', 3, 9})});
    const std::string path = folder.make("a.mp3", original);
    V1Tag tag;
    fill(tag, kSample);

    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldTitle), tags::TagSuccess);
    EXPECT_EQ(readAll(path),
              concat({audio(2000), trailer({"Title", "Old artist", "Old album", "1980", "Old", 'q', 3, 9})}));

    // The old trailer is ID3v1.0 (byte 125 is 'q'): its comment runs over
    // byte 126 too, and a new short comment makes it ID3v1.1 without a track.
    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldComment | tags::kFieldGenre), tags::TagSuccess);
    EXPECT_EQ(readAll(path),
              concat({audio(2000), trailer({"Title", "Old artist", "Old album", "1980", "Comment", 0, 0, 17})}));

    ASSERT_EQ(tag.write(path.c_str(), 0), tags::TagSuccess);
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields), tags::TagSuccess);
    EXPECT_EQ(readAll(path), concat({audio(2000), trailer(kSample)}));
    EXPECT_STREQ(tag.artist, "Artist");  // nothing in the record was cleared
}

TEST(V1Write, AppendsAWholeTrailerAndClearsTheUnchosenFieldsOfTheRecord) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", audio(3000));
    V1Tag tag;
    fill(tag, kSample);
    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldTitle), tags::TagSuccess);
    EXPECT_EQ(readAll(path), concat({audio(3000), trailer({"Title", "", "", "", "", 0, 0, 255})}));
    EXPECT_STREQ(tag.artist, "");
    EXPECT_STREQ(tag.comment, "");
    EXPECT_EQ(tag.track, 0);
    EXPECT_EQ(tag.genre, tags::NoGenre);

    const std::string empty = folder.make("empty.mp3", {});
    fill(tag, kSample);
    ASSERT_EQ(tag.write(empty.c_str(), 0), tags::TagSuccess);
    EXPECT_EQ(readAll(empty), trailer({}));
}

TEST(V1Remove, SoftRemovalZeroesTheTrailerAndKeepsTheLength) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", concat({audio(500), trailer(kSample)}));
    V1Tag tag;
    ASSERT_EQ(tag.remove(path.c_str(), 1), tags::TagSuccess);
    EXPECT_EQ(readAll(path), concat({audio(500), Bytes(128, 0)}));
    EXPECT_EQ(tag.remove(path.c_str(), 1), tags::TagNoV1Trailer);

    // The zeroed trailer is no trailer: a later write appends a new one after it.
    fill(tag, kSample);
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields), tags::TagSuccess);
    EXPECT_EQ(readAll(path), concat({audio(500), Bytes(128, 0), trailer(kSample)}));
}

TEST(V1Remove, FullRemovalKeepsExactlyTheBytesBeforeTheTrailer) {
    TestFolder folder;
    // Lengths around the 1024-byte chunks and beyond the stream buffer.
    for (std::size_t kept : {0u, 1u, 1023u, 1024u, 1025u, 2048u, 70000u, 200001u}) {
        const std::string path = folder.make("a.mp3", concat({audio(kept), trailer(kSample)}));
        ::chmod(path.c_str(), 0640);
        V1Tag tag;
        ASSERT_EQ(tag.remove(path.c_str(), 0), tags::TagSuccess) << kept;
        EXPECT_EQ(readAll(path), audio(kept)) << kept;
        struct stat st {};
        ::stat(path.c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_TRUE(folder.strayTempFiles().empty());
    }
}

TEST(V1Failures, AFileThatCannotBeOpenedIsReportedAndLeftAlone) {
    TestFolder folder;
    V1Tag tag;
    fill(tag, kSample);
    const std::string missing = (folder.path() / "missing.mp3").string();
    const tags::TagOutcome unopened = tag.read(missing.c_str());
    EXPECT_EQ(unopened.result, tags::TagFileError);
    EXPECT_EQ(unopened.message, "An error occured while attemping to open '" + missing + "' for reading.");
    EXPECT_STREQ(tag.title, "Title");

    const Bytes original = concat({audio(300), trailer(kSample)});
    const std::string readOnly = folder.make("ro.mp3", original);
    ::chmod(readOnly.c_str(), 0444);
    const std::string readWriteMessage =
        "An error occured while attemping to open '" + readOnly + "' for read/write access.";
    const tags::TagOutcome unwritten = tag.write(readOnly.c_str(), tags::kAllFields);
    EXPECT_EQ(unwritten.result, tags::TagFileError);
    EXPECT_EQ(unwritten.message, readWriteMessage);
    EXPECT_EQ(tag.remove(readOnly.c_str(), 0), tags::TagFileError);
    EXPECT_EQ(readAll(readOnly), original);

    const std::string held = folder.make("held.mp3", original);
    const ForeignLock lock(held);
    EXPECT_EQ(tag.read(held.c_str()), tags::TagFileError);
    EXPECT_EQ(tag.remove(held.c_str(), 1), tags::TagFileError);
    EXPECT_EQ(readAll(held), original);
}

TEST(V1Failures, AMessageWithALongPathIsCutToItsBuffer) {
    TestFolder folder;
    const std::string longPath = "/no/such/folder/" + std::string(240, 'n') + ".mp3";
    V1Tag tag;
    const tags::TagOutcome outcome = tag.read(longPath.c_str());
    EXPECT_EQ(outcome.result, tags::TagFileError);
    const std::string& text = outcome.message;
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text, ("An error occured while attemping to open '" + longPath).substr(0, 255));
}
