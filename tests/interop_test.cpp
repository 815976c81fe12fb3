// Cross-checks of the tag engine against TagLib, an independent reader of both
// tag formats: what the engine writes TagLib reads back field for field, and
// after a removal TagLib finds no tag of that kind while the audio is intact.
#include <gtest/gtest.h>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegproperties.h>
#include <taglib/urllinkframe.h>
#include <taglib/attachedpictureframe.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "tags/fields.h"
#include "tags/v1tag.h"
#include "tags/textcodec.h"
#include "tags/v2tag.h"
#include "tests/testfiles.h"

namespace {

using namespace testing_support;
using tags::FieldMask;

const char kArtist[] =
    "Mar\xED"
    "a Jos\xE9";  // Latin-1
const char kV1Title[] = "A title of exactly thirty chrs";
constexpr std::uint32_t kOldTagSpace = 4096;

// MPEG-1 Layer III frames at 128 kbit/s and 44.1 kHz without padding, 417 bytes
// each, more of them than one buffer of a rewrite holds. The bodies hold a
// pattern without 0xFF, so a shifted or cut copy never equals the original.
Bytes mpegAudio() {
    Bytes data;
    for (std::size_t f = 0; f < 200; ++f) {
        data.insert(data.end(), {0xFF, 0xFB, 0x90, 0x00});
        for (std::size_t i = 4; i < 417; ++i) data.push_back(static_cast<std::uint8_t>((f * 31 + i * 7) % 251));
    }
    return data;
}

// A tag whose frames fill its space up to the audio, the last of them a frame
// the engine does not know, with non-zero bytes to its end.
Bytes oldTag() {
    const Bytes title = frame("TIT2", textBody("Old title"));
    const Bytes priv =
        frame("PRIV", ByteBuilder().text("old").bytes({0}).append(Bytes(kOldTagSpace - 24 - title.size(), 0xA5)));
    return concat({v2Header(3, 0, kOldTagSpace - 10), title, priv});
}

bool endsWith(const Bytes& file, const Bytes& tail) {
    return file.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), file.rbegin());
}

std::string latin1(const TagLib::String& s) { return s.to8Bit(false); }

// Opens the file with TagLib, which must take it for a valid MPEG stream
// whatever tags it carries.
std::unique_ptr<TagLib::MPEG::File> openWithTagLib(const std::string& path) {
    auto file = std::make_unique<TagLib::MPEG::File>(path.c_str(), TagLib::ID3v2::FrameFactory::instance());
    EXPECT_TRUE(file->isValid());
    if (file->audioProperties() == nullptr) {
        ADD_FAILURE() << "TagLib found no audio in " << path;
    } else {
        EXPECT_EQ(file->audioProperties()->bitrate(), 128);
        EXPECT_EQ(file->audioProperties()->sampleRate(), 44100);
    }
    return file;
}

void setV1(tags::V1Tag& tag) {
    std::strcpy(tag.title, kV1Title);
    std::strcpy(tag.artist, kArtist);
    std::strcpy(tag.album, "Album");
    std::strcpy(tag.year, "1999");
    std::strcpy(tag.comment, "A comment of twenty-eight ch");
    tag.track = 7;
    tag.setGenreByName("Hard Rock");
}

void setSlot(tags::V2Tag& tag, FieldMask bit, const Bytes& body) {
    tag.freeFields(bit);
    ASSERT_EQ(tag.allocFields(bit, static_cast<std::uint32_t>(body.size())), tags::TagSuccess);
    const tags::FrameSlot& slot = tag.slots[tags::slotOfBit(static_cast<std::size_t>(std::countr_zero(bit)))];
    std::ranges::copy(body, slot.buffer.get());
}

// Fills all twelve slots.
void setV2(tags::V2Tag& tag) {
    setSlot(tag, tags::kFieldTitle, textBody("Canci\xF3n de prueba"));
    setSlot(tag, tags::kFieldArtist, textBody("Artist"));
    setSlot(tag, tags::kFieldAlbum, textBody("Album"));
    setSlot(tag, tags::kFieldYear, textBody("1999"));
    setSlot(tag, tags::kFieldComment, ByteBuilder().bytes({0, 0, 0, 0, 0}).text("A comment"));
    setSlot(tag, tags::kFieldTrack, textBody("7"));
    setSlot(tag, tags::kFieldGenre, textBody("Rock"));
    setSlot(tag, tags::kFieldEncodedBy, textBody("Encoder"));
    setSlot(tag, tags::kFieldUrl, ByteBuilder().bytes({0, 0}).text("http://example.org/"));
    setSlot(tag, tags::kFieldCopyright, textBody("2024 Somebody"));
    setSlot(tag, tags::kFieldOriginalArtist, textBody("Original"));
    setSlot(tag, tags::kFieldComposer, textBody("Composer"));
}

std::string frameText(TagLib::ID3v2::Tag& tag, const char* id) {
    const auto& frames = tag.frameListMap()[id];
    return frames.isEmpty() ? std::string("<missing>") : latin1(frames.front()->toString());
}

void expectV2AsSet(const std::string& path, std::uint32_t tagSize) {
    const auto file = openWithTagLib(path);
    ASSERT_TRUE(file->hasID3v2Tag());
    EXPECT_FALSE(file->hasID3v1Tag());
    TagLib::ID3v2::Tag& tag = *file->ID3v2Tag();
    EXPECT_EQ(tag.header()->majorVersion(), 3u);
    EXPECT_EQ(tag.header()->tagSize(), tagSize);
    EXPECT_EQ(tag.frameList().size(), 12u);
    EXPECT_EQ(latin1(tag.title()), "Canci\xF3n de prueba");
    EXPECT_EQ(latin1(tag.artist()), "Artist");
    EXPECT_EQ(latin1(tag.album()), "Album");
    EXPECT_EQ(tag.year(), 1999u);
    EXPECT_EQ(tag.track(), 7u);
    EXPECT_EQ(latin1(tag.genre()), "Rock");
    EXPECT_EQ(latin1(tag.comment()), "A comment");
    EXPECT_EQ(frameText(tag, "TENC"), "Encoder");
    EXPECT_EQ(frameText(tag, "TCOP"), "2024 Somebody");
    EXPECT_EQ(frameText(tag, "TOPE"), "Original");
    EXPECT_EQ(frameText(tag, "TCOM"), "Composer");
    const auto& urls = tag.frameListMap()["WXXX"];
    ASSERT_EQ(urls.size(), 1u);
    const auto* url = dynamic_cast<const TagLib::ID3v2::UserUrlLinkFrame*>(urls.front());
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(latin1(url->url()), "http://example.org/");
    EXPECT_TRUE(url->description().isEmpty());
}

TEST(InteropV1, TagLibReadsTheTrailerWrittenAndUpdated) {
    TestFolder folder;
    const Bytes audio = mpegAudio();
    const std::string path = folder.make("song.mp3", audio);
    tags::V1Tag tag;
    setV1(tag);
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields), tags::TagSuccess);
    const Bytes written = readAll(path);
    EXPECT_EQ(written.size(), audio.size() + 128);
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), written.begin()));
    {
        const auto file = openWithTagLib(path);
        ASSERT_TRUE(file->hasID3v1Tag());
        EXPECT_FALSE(file->hasID3v2Tag());
        TagLib::ID3v1::Tag& v1 = *file->ID3v1Tag();
        EXPECT_EQ(latin1(v1.title()), kV1Title);
        EXPECT_EQ(latin1(v1.artist()), kArtist);
        EXPECT_EQ(latin1(v1.album()), "Album");
        EXPECT_EQ(v1.year(), 1999u);
        EXPECT_EQ(latin1(v1.comment()), "A comment of twenty-eight ch");
        EXPECT_EQ(v1.track(), 7u);  // only an ID3v1.1 trailer has a track number
        EXPECT_EQ(v1.genreNumber(), 79u);
        EXPECT_EQ(latin1(v1.genre()), "Hard Rock");
    }

    // Updating one field in place leaves TagLib seeing the others unchanged.
    std::memset(tag.title, 0, sizeof tag.title);
    std::strcpy(tag.title, "New");
    ASSERT_EQ(tag.write(path.c_str(), tags::kFieldTitle), tags::TagSuccess);
    EXPECT_EQ(readAll(path).size(), written.size());
    const auto file = openWithTagLib(path);
    ASSERT_TRUE(file->hasID3v1Tag());
    EXPECT_EQ(latin1(file->ID3v1Tag()->title()), "New");
    EXPECT_EQ(latin1(file->ID3v1Tag()->artist()), kArtist);
    EXPECT_EQ(file->ID3v1Tag()->track(), 7u);
    EXPECT_EQ(file->ID3v1Tag()->genreNumber(), 79u);
}

// The two ways a tag reaches the file: into the space of an old tag, or in
// front of audio that starts at offset 0, through a temporary file.
enum class WritePath { InPlace, ThroughTempFile };

class InteropV2Write : public ::testing::TestWithParam<WritePath> {};

TEST_P(InteropV2Write, TagLibReadsEveryFieldAndTheAudioIsIntact) {
    TestFolder folder;
    const Bytes audio = mpegAudio();
    const bool inPlace = GetParam() == WritePath::InPlace;
    const Bytes original = inPlace ? concat({oldTag(), audio}) : audio;
    const std::string path = folder.make("song.mp3", original);
    tags::V2Tag tag;
    setV2(tag);
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, 512), tags::TagSuccess);

    std::uint32_t frameBytes = 0;
    for (const tags::FrameSlot& slot : tag.slots) frameBytes += 10 + slot.length;
    const Bytes written = readAll(path);
    EXPECT_EQ(tag.declaredSize, inPlace ? kOldTagSpace - 10 : frameBytes + 512);
    ASSERT_EQ(written.size(), inPlace ? original.size() : 10 + frameBytes + 512 + audio.size());
    EXPECT_TRUE(endsWith(written, audio));
    // Nothing of the old tag is left between the new frames and the audio.
    EXPECT_TRUE(std::all_of(written.begin() + 10 + frameBytes,
                            written.end() - static_cast<std::ptrdiff_t>(audio.size()),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(folder.strayTempFiles().empty());
    expectV2AsSet(path, tag.declaredSize);

    // Read back by the engine and written again, every body gains a zero byte;
    // TagLib still reads the same texts, and the audio stays where it is.
    tags::V2Tag again;
    ASSERT_EQ(again.read(path.c_str()), tags::TagSuccess);
    ASSERT_EQ(again.write(path.c_str(), tags::kAllFields, 512), tags::TagSuccess);
    const Bytes rewritten = readAll(path);
    EXPECT_EQ(rewritten.size(), written.size());
    EXPECT_TRUE(endsWith(rewritten, audio));
    expectV2AsSet(path, tag.declaredSize);
}

INSTANTIATE_TEST_SUITE_P(Paths, InteropV2Write, ::testing::Values(WritePath::InPlace, WritePath::ThroughTempFile),
                         [](const auto& test) {
                             return test.param == WritePath::InPlace ? "InPlace" : "ThroughTempFile";
                         });

// Removal of each kind, softly (1) or fully (0), from a file carrying both.
class InteropRemoval : public ::testing::TestWithParam<int> {};

TEST_P(InteropRemoval, TagLibFindsNoTagOfThatKindAndTheAudioIsIntact) {
    TestFolder folder;
    const int soft = GetParam();
    const Bytes audio = mpegAudio();
    const std::string path = folder.make("song.mp3", concat({oldTag(), audio}));
    tags::V1Tag v1;
    setV1(v1);
    ASSERT_EQ(v1.write(path.c_str(), tags::kAllFields), tags::TagSuccess);
    const Bytes tagged = readAll(path);
    const Bytes audioAndTrailer = concat({audio, Bytes(tagged.end() - 128, tagged.end())});
    {
        const auto file = openWithTagLib(path);
        ASSERT_TRUE(file->hasID3v2Tag() && file->hasID3v1Tag());
        EXPECT_EQ(latin1(file->ID3v2Tag()->title()), "Old title");
    }

    tags::V2Tag v2;
    ASSERT_EQ(v2.remove(path.c_str(), soft), tags::TagSuccess);
    const Bytes withoutV2 = readAll(path);
    EXPECT_EQ(withoutV2, soft ? concat({Bytes(kOldTagSpace, 0), audioAndTrailer}) : audioAndTrailer);
    {
        const auto file = openWithTagLib(path);
        EXPECT_FALSE(file->hasID3v2Tag());
        ASSERT_TRUE(file->hasID3v1Tag());
        EXPECT_EQ(latin1(file->ID3v1Tag()->title()), kV1Title);
    }

    ASSERT_EQ(v1.remove(path.c_str(), soft), tags::TagSuccess);
    const Bytes head(withoutV2.begin(), withoutV2.end() - 128);
    EXPECT_EQ(readAll(path), soft ? concat({head, Bytes(128, 0)}) : head);
    const auto file = openWithTagLib(path);
    EXPECT_FALSE(file->hasID3v1Tag());
    EXPECT_FALSE(file->hasID3v2Tag());
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, InteropRemoval, ::testing::Values(1, 0),
                         [](const auto& test) { return test.param ? "Soft" : "Full"; });

// --- Frames the program does not edit ----------------------------------------

const Bytes kPictureData = ByteBuilder().bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}).text("cover bytes");
const Bytes kPicture = frame(
    "APIC", ByteBuilder().bytes({0}).text("image/png").bytes({0, 3}).text("Cover").bytes({0}).append(kPictureData));
const Bytes kUserText = frame("TXXX", ByteBuilder().bytes({0}).text("MOOD").bytes({0}).text("calm"));
const Bytes kLyrics = frame("USLT", ByteBuilder().bytes({0}).text("eng").bytes({0}).text("la la la"));

// A tagged file whose tag holds a picture, a user text and lyrics between the
// frames the program edits, and room to spare before the audio.
Bytes fileWithOtherFrames(bool everyField) {
    Bytes frames =
        concat({frame("TIT2", textBody("Old title")), kPicture, frame("TPE1", textBody("Artist")), kUserText});
    if (everyField) {
        for (const char* id : {"TALB", "TYER", "TRCK", "TCON", "TENC", "TCOP", "TOPE", "TCOM"}) {
            frames = concat({frames, frame(id, textBody("1"))});
        }
        frames = concat({frames, frame("COMM", ByteBuilder().bytes({0}).text("eng").bytes({0}).text("c")),
                         frame("WXXX", ByteBuilder().bytes({0, 0}).text("http://example.org/"))});
    }
    frames = concat({frames, kLyrics});
    return concat(
        {v2Header(3, 0, static_cast<std::uint32_t>(frames.size() + 700)), frames, Bytes(700, 0), mpegAudio()});
}

// What a batch title write does: read, replace the slot, write, release.
void writeNewTitle(const std::string& path) {
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    setSlot(tag, tags::kFieldTitle, ByteBuilder().append(textBody("New title")).bytes({0}));
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, 512), tags::TagSuccess);
    tag.freeFields(tags::kAllFields);
}

// TagLib finds the one picture, with its bytes whole.
void expectThePicture(TagLib::ID3v2::Tag& tag) {
    const auto pictures = tag.frameListMap()["APIC"];
    ASSERT_EQ(pictures.size(), 1u);
    const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
    ASSERT_NE(picture, nullptr);
    const TagLib::ByteVector data = picture->picture();
    EXPECT_EQ(Bytes(data.begin(), data.end()), kPictureData);
}

TEST(InteropKeptFrames, ATitleWriteLeavesThePictureUserTextAndLyricsForTagLib) {
    TestFolder folder;
    const std::string path = folder.make("song.mp3", fileWithOtherFrames(true));
    writeNewTitle(path);
    const auto file = openWithTagLib(path);
    ASSERT_TRUE(file->hasID3v2Tag());
    TagLib::ID3v2::Tag& tag = *file->ID3v2Tag();
    EXPECT_EQ(latin1(tag.title()), "New title");
    expectThePicture(tag);
    EXPECT_EQ(frameText(tag, "TXXX"), "[MOOD] calm");
    EXPECT_NE(frameText(tag, "USLT").find("la la la"), std::string::npos);
    EXPECT_TRUE(endsWith(readAll(path), mpegAudio()));
}

std::string hexOf(const Bytes& bytes) {
    std::string hex;
    for (std::uint8_t b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex;
}

// What mutagen prints when it runs the script on the file (sys.argv[1]) with
// one more argument; empty when the script fails.
std::string runMutagen(const std::string& script, const std::string& path, const std::string& argument = "") {
    const std::string command =
        "PYTHONIOENCODING=utf-8 /usr/bin/python3 -c \"import sys, mutagen.id3 as i; t = i.ID3(sys.argv[1]); " + script +
        "\" '" + path + "' '" + argument + "' > '" + path + ".out' 2>&1";
    const int status = std::system(command.c_str());
    const Bytes out = readAll(path + ".out");
    const std::string printed(out.begin(), out.end());
    EXPECT_EQ(status, 0) << printed;
    return status == 0 ? printed : std::string();
}

TEST(InteropKeptFrames, MutagenSeesThemToo) {
    TestFolder folder;
    const std::string path = folder.make("song.mp3", fileWithOtherFrames(false));
    writeNewTitle(path);
    const std::string script =
        "print(t['TIT2'].text[0], t['TXXX:MOOD'].text[0], len(t.getall('APIC')), "
        "t.getall('APIC')[0].data == bytes.fromhex(sys.argv[2]), t.getall('USLT')[0].text)";
    EXPECT_EQ(runMutagen(script, path, hexOf(kPictureData)), "New title calm 1 True la la la\n");
}

// Writes that leave slots empty: a copy of the ID3v1.1 fields leaves the five
// slots that only ID3v2 has empty, and a title write leaves empty the fields
// the file lacks. An empty slot is no frame, so a reader that stops at a frame
// of size 0 (TagLib before 2.2) still reads every frame after it, the cover too.
class InteropEmptySlots : public ::testing::TestWithParam<bool> {};

TEST_P(InteropEmptySlots, TagLibAndMutagenSeeEveryFrameAndTheCover) {
    TestFolder folder;
    const bool copyOfV1 = GetParam();
    const std::string path = folder.make("song.mp3", fileWithOtherFrames(false));
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    setSlot(tag, tags::kFieldTitle, textBody("New title"));
    if (copyOfV1) {
        setSlot(tag, tags::kFieldAlbum, textBody("Album"));
        setSlot(tag, tags::kFieldYear, textBody("1999"));
        setSlot(tag, tags::kFieldComment, ByteBuilder().zeros(5).text("c"));
        setSlot(tag, tags::kFieldTrack, textBody("7"));
        setSlot(tag, tags::kFieldGenre, textBody("Rock"));
        tag.freeFields(tags::kFieldEncodedBy | tags::kFieldUrl | tags::kFieldCopyright | tags::kFieldOriginalArtist |
                       tags::kFieldComposer);
    }
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, 512), tags::TagSuccess);
    const unsigned frames = copyOfV1 ? 10u : 5u;  // the slots filled, then picture, user text and lyrics
    {
        const auto file = openWithTagLib(path);
        ASSERT_TRUE(file->hasID3v2Tag());
        TagLib::ID3v2::Tag& v2 = *file->ID3v2Tag();
        EXPECT_EQ(v2.frameList().size(), frames);
        EXPECT_EQ(latin1(v2.title()), "New title");
        expectThePicture(v2);
        EXPECT_NE(frameText(v2, "USLT").find("la la la"), std::string::npos);
    }
    const std::string script = "print(len(t.values()), t.getall('APIC')[0].data == bytes.fromhex(sys.argv[2]))";
    EXPECT_EQ(runMutagen(script, path, hexOf(kPictureData)), std::to_string(frames) + " True\n");
    EXPECT_TRUE(endsWith(readAll(path), mpegAudio()));
}

INSTANTIATE_TEST_SUITE_P(Writes, InteropEmptySlots, ::testing::Values(true, false),
                         [](const auto& test) { return test.param ? "CopyOfV1" : "TitleOnly"; });

// --- Text beyond ISO-8859-1 ----------------------------------------------------

// What WriteV2 builds from the panel: the title and comment bodies in the
// encoding their text needs.
void writeTitleAndComment(const std::string& path, std::string_view text) {
    using tags::text::BodyLayout;
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
    setSlot(tag, tags::kFieldTitle, tags::text::makeBody(text, BodyLayout::Text, true));
    setSlot(tag, tags::kFieldComment, tags::text::makeBody(text, BodyLayout::Comment, true));
    ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, 512), tags::TagSuccess);
    tag.freeFields(tags::kAllFields);
}

class InteropText : public ::testing::TestWithParam<const char*> {};

TEST_P(InteropText, TagLibAndMutagenReadTheTitleAndCommentAsWritten) {
    TestFolder folder;
    const std::string path = folder.make("song.mp3", fileWithOtherFrames(true));
    const std::string text = GetParam();
    writeTitleAndComment(path, text);
    {
        const auto file = openWithTagLib(path);
        ASSERT_TRUE(file->hasID3v2Tag());
        EXPECT_EQ(file->ID3v2Tag()->title().to8Bit(true), text);
        EXPECT_EQ(file->ID3v2Tag()->comment().to8Bit(true), text);
    }
    EXPECT_EQ(runMutagen("print(t['TIT2'].text[0] + '|' + t.getall('COMM')[0].text[0])", path),
              text + "|" + text + "\n");
}

constexpr const char* kTextNames[] = {"Japanese", "Windows1252Punctuation", "Latin1"};

INSTANTIATE_TEST_SUITE_P(Titles, InteropText, ::testing::Values("日本の歌", "“€5” it’s", "Canción"),
                         [](const auto& test) { return std::string(kTextNames[test.index]); });

}  // namespace

// Files other taggers wrote, given a new title by the engine as "Aplicar
// ID3v2.3" gives it: mutagen sees the same version and every other frame as it
// was, TagLib the new title, and the audio bytes stay.
TEST(InteropOtherWriters, OnlyTheEditedFrameChangesForMutagenAndTagLib) {
    TestFolder folder;
    const std::string frames =
        "print(t.version[1], sorted((k, repr(v.__dict__)) for k, v in t.items() if not k.startswith('TIT2')))";
    for (const char* name : {"mut23_rich", "mut24_rich", "mut24_utf16", "eyed3_24", "kid3_v24", "id3lib_v2only"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.make("song.mp3", fixture(std::string("writers/") + name + ".mp3"));
        const std::string before = runMutagen(frames, path);
        tags::V2Tag tag;
        ASSERT_EQ(tag.read(path.c_str()), tags::TagSuccess);
        const Bytes original = readAll(path);
        const Bytes audio(original.begin() + static_cast<std::ptrdiff_t>(tag.audioStart), original.end());
        ASSERT_EQ(tags::setV2Text(tag, tags::tagField(tags::kFieldTitle), "Nuevo título", true), tags::TagSuccess);
        ASSERT_EQ(tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding), tags::TagSuccess);
        EXPECT_EQ(runMutagen(frames, path), before);
        EXPECT_EQ(runMutagen("print(t['TIT2'].text[0])", path), "Nuevo título\n");
        TagLib::MPEG::File file(path.c_str(), TagLib::ID3v2::FrameFactory::instance());
        ASSERT_TRUE(file.isValid() && file.audioProperties() != nullptr);
        EXPECT_EQ(file.ID3v2Tag()->title().to8Bit(true), "Nuevo título");
        tags::V2Tag again;
        ASSERT_EQ(again.read(path.c_str()), tags::TagSuccess);
        const Bytes after = readAll(path);
        EXPECT_EQ(Bytes(after.begin() + static_cast<std::ptrdiff_t>(again.audioStart), after.end()), audio);
    }
}
