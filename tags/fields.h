// The tag fields the program edits: one row per FieldMask bit, saying where
// the field lives in each tag, and the record accessors that read the rows.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "tags/fieldmask.h"
#include "tags/tagresult.h"
#include "tags/textcodec.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"

namespace tags {

// How the ID3v1.1 record holds a field.
enum class V1Kind {
    Text,    // a zero-terminated text member; at most its width less one characters
    Track,   // the track byte
    Genre,   // the genre byte, shown by its name
    Absent,  // an ID3v2.3 field only
};

struct TagField {
    FieldMask bit;
    const char* frameId;  // the ID3v2.3 frame of its slot
    std::size_t slot;     // its V2Tag slot
    text::BodyLayout layout;
    V1Kind v1;
    std::span<char> (*v1Member)(V1Tag&);  // the text member, for V1Kind::Text
    const char* name;                     // its name in a rename pattern
    const char* v24FrameId = nullptr;     // the ID3v2.4 frame of its slot, where it differs
};

template <std::size_t N>
constexpr std::span<char> memberText(char (&field)[N]) {
    return field;
}

// In bit order: kFields[i].bit is 1 << i. Slot order differs at genre and track.
inline constexpr std::array<TagField, kSlotCount> kFields = {{
    {kFieldTitle, "TIT2", 0, text::BodyLayout::Text, V1Kind::Text, [](V1Tag& t) { return memberText(t.title); },
     "Title"},
    {kFieldArtist, "TPE1", 1, text::BodyLayout::Text, V1Kind::Text, [](V1Tag& t) { return memberText(t.artist); },
     "Artist"},
    {kFieldAlbum, "TALB", 2, text::BodyLayout::Text, V1Kind::Text, [](V1Tag& t) { return memberText(t.album); },
     "Album"},
    {kFieldYear, "TYER", 3, text::BodyLayout::Text, V1Kind::Text, [](V1Tag& t) { return memberText(t.year); }, "Year",
     "TDRC"},
    {kFieldComment, "COMM", 4, text::BodyLayout::Comment, V1Kind::Text, [](V1Tag& t) { return memberText(t.comment); },
     "Comment"},
    {kFieldTrack, "TRCK", 6, text::BodyLayout::Text, V1Kind::Track, nullptr, "Track"},
    {kFieldGenre, "TCON", 5, text::BodyLayout::Text, V1Kind::Genre, nullptr, "Genre"},
    {kFieldEncodedBy, "TENC", 7, text::BodyLayout::Text, V1Kind::Absent, nullptr, "Encoded By"},
    {kFieldUrl, "WXXX", 8, text::BodyLayout::Url, V1Kind::Absent, nullptr, "URL"},
    {kFieldCopyright, "TCOP", 9, text::BodyLayout::Text, V1Kind::Absent, nullptr, "Copyright"},
    {kFieldOriginalArtist, "TOPE", 10, text::BodyLayout::Text, V1Kind::Absent, nullptr, "Orig. Artist"},
    {kFieldComposer, "TCOM", 11, text::BodyLayout::Text, V1Kind::Absent, nullptr, "Composer"},
}};

// The row of a single field bit (kFieldTitle and the others).
constexpr const TagField& tagField(FieldMask bit) { return kFields[static_cast<std::size_t>(std::countr_zero(bit))]; }
// The row whose slot this is.
const TagField& tagFieldOfSlot(std::size_t slot);
// The frame of the field's slot in a tag of that major version.
constexpr const char* frameIdOf(const TagField& field, unsigned char major) {
    constexpr unsigned char kFrameIdsChangedIn = 4;
    return major >= kFrameIdsChangedIn && field.v24FrameId != nullptr ? field.v24FrameId : field.frameId;
}

// The field's text in the record, as UTF-8: a text member out of
// Windows-1252, the track's number, the genre's name (empty for none).
std::string v1Text(const V1Tag& tag, const TagField& field);
// Puts at most the member's width less one characters of the text into a
// text member, in Windows-1252, after clearing all of it.
void setV1Text(V1Tag& tag, const TagField& field, std::string_view utf8);

// The text of the field's slot, read by its encoding byte.
std::string v2Text(const V2Tag& tag, const TagField& field);
// Gives the field's slot a new body holding the text in the encoding it
// needs (UTF-8 in an ID3v2.4 tag where Latin-1 does not serve), with a
// terminator when asked for; a comment keeps the language of the one it
// replaces. A list of values given back as it is shown stays the list it
// was. 5, with the slot empty, when the block cannot be had.
TagResult setV2Text(V2Tag& tag, const TagField& field, std::string_view utf8, bool terminated);

}  // namespace tags
