#include "tags/v2tag.h"

#include <algorithm>
#include <new>

#include "tags/fields.h"
#include "tags/v2layout.h"

namespace tags {
namespace {

// Where the description starts: after the encoding byte, and in a comment
// after the three bytes of its language too.
constexpr std::size_t kCommentDescription = 4;
constexpr std::size_t kUrlDescription = 1;
constexpr std::uint8_t kUtf16WithBom = 1;
constexpr std::uint8_t kUtf16BigEndian = 2;
constexpr std::uint8_t kBomBytes[2][2] = {{0xFF, 0xFE}, {0xFE, 0xFF}};

// Whether the description of a comment or URL body is empty: it begins with
// its terminator, 00, or 00 00 in UTF-16 after an optional byte-order mark.
bool descriptionIsEmpty(std::span<const unsigned char> body, std::size_t at) {
    if (body.size() <= at) return true;
    const bool utf16 = body[0] == kUtf16WithBom || body[0] == kUtf16BigEndian;
    if (!utf16) return body[at] == 0;
    auto rest = body.subspan(at);
    for (const auto& bom : kBomBytes) {
        if (rest.size() >= 2 && rest[0] == bom[0] && rest[1] == bom[1]) rest = rest.subspan(2);
    }
    return rest.size() < 2 || (rest[0] == 0 && rest[1] == 0);
}

}  // namespace

// The slot a frame can go to: its ID matches, and a comment or URL has no
// description (the user's one; the others belong to other programs).
std::optional<std::size_t> v2::slotTaking(const V2Tag& tag, const char (&id)[kFrameIdSize],
                                          std::span<const unsigned char> body) {
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        if (!std::equal(id, id + kFrameIdSize, tag.slots[i].id)) continue;
        switch (slotLayout(i)) {
            case text::BodyLayout::Comment:
                return descriptionIsEmpty(body, kCommentDescription) ? std::optional(i) : std::nullopt;
            case text::BodyLayout::Url:
                return descriptionIsEmpty(body, kUrlDescription) ? std::optional(i) : std::nullopt;
            case text::BodyLayout::Text: return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> v2::slotTaking(const V2Tag& tag, const FrameSlot& frame) {
    // A kept ID3v2.4 frame carries the tag's unsynchronisation in its own flags.
    if (!bodyIsEncoded(frame.flags, tag.version, false)) return slotTaking(tag, frame.id, frame.body());
    const auto decoded = decodedBody(frame.body(), frame.flags, tag.version, false);
    if (!decoded || decoded->empty()) return std::nullopt;
    return slotTaking(tag, frame.id, *decoded);
}

void V2Tag::reset() {
    std::copy(std::begin(v2::kIdentifier), std::end(v2::kIdentifier), identifier);
    version = v2::kSupportedVersion;
    revision = 0;
    flags = 0;
    audioStart = 0;
    declaredSize = 0;
    unconvertibleFrames = 0;
    useVersion(version);
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        slots[i].length = 0;
        slots[i].stored.reset();
        std::fill(std::begin(slots[i].flags), std::end(slots[i].flags), 0);
        slots[i].buffer.reset();  // an owned block cannot be dropped without being released
    }
    otherFrames.clear();
}

TagResult V2Tag::allocFields(FieldMask mask, std::uint32_t blockSize) {
    TagResult result = TagSuccess;
    v2::forEachSelectedSlot(mask, [&](std::size_t index) {
        FrameSlot& slot = slots[index];
        slot.buffer.reset(new (std::nothrow) unsigned char[blockSize]());
        slot.length = slot.buffer ? blockSize : 0;
        slot.endsInAddedZero = false;
        slot.stored.reset();
        if (!slot.buffer) result = TagOutOfMemory;
        return result == TagSuccess;
    });
    return result;
}

void V2Tag::freeFields(FieldMask mask) {
    v2::forEachSelectedSlot(mask, [&](std::size_t index) {
        slots[index].buffer.reset();
        slots[index].length = 0;
        slots[index].endsInAddedZero = false;
        slots[index].stored.reset();
        return true;
    });
    if ((mask & kAllFields) == kAllFields) otherFrames.clear();
}

std::array<unsigned char, 4> V2Tag::encodeSyncsafe(std::uint32_t value) { return v2::encodeSyncsafe(value); }

void V2Tag::useVersion(unsigned char major) {
    for (std::size_t i = 0; i < kSlotCount; ++i)
        std::copy_n(frameIdOf(tagFieldOfSlot(i), major), kFrameIdSize, slots[i].id);
}

}  // namespace tags
