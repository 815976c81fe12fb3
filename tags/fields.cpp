#include "tags/fields.h"

#include <algorithm>

#include "tags/v2header.h"

namespace tags {

const TagField& tagFieldOfSlot(std::size_t slot) { return *std::ranges::find(kFields, slot, &TagField::slot); }

std::size_t slotOfBit(std::size_t bitIndex) { return kFields[bitIndex].slot; }

std::size_t slotOfField(FieldMask field) { return tagField(field).slot; }

text::BodyLayout slotLayout(std::size_t slot) { return tagFieldOfSlot(slot).layout; }

std::string v1Text(const V1Tag& tag, const TagField& field) {
    switch (field.v1) {
        case V1Kind::Text: {
            const std::span<char> text = field.v1Member(const_cast<V1Tag&>(tag));
            return text::fromV1({text.data(), text.size()});
        }
        case V1Kind::Track: return std::to_string(tag.track);
        case V1Kind::Genre: {
            char name[kGenreNameBuffer] = {};
            tag.genreName(name);
            return name;
        }
        case V1Kind::Absent: break;
    }
    return {};
}

void setV1Text(V1Tag& tag, const TagField& field, std::string_view utf8) {
    const std::span<char> member = field.v1Member(tag);
    std::ranges::fill(member, '\0');
    std::ranges::copy(text::toV1(utf8, member.size() - 1), member.begin());
}

std::string v2Text(const V2Tag& tag, const TagField& field) {
    const auto values = tag.version == v2::kVersion24 ? text::Values::All : text::Values::First;
    return text::bodyText(tag.slots[field.slot].body(), field.layout, values);
}

namespace {

text::BodyStyle styleFor(const V2Tag& tag, const TagField& field) {
    text::BodyStyle style;
    if (tag.version == v2::kVersion24) style.wideEncoding = text::kUtf8;
    const auto old = tag.slots[field.slot].body();
    if (field.layout == text::BodyLayout::Comment && old.size() > text::kLanguageSize) {
        std::copy_n(old.begin() + 1, text::kLanguageSize, style.language);
    }
    return style;
}

}  // namespace

TagResult setV2Text(V2Tag& tag, const TagField& field, std::string_view utf8, bool terminated) {
    const FrameSlot& slot = tag.slots[field.slot];
    if (tag.version == v2::kVersion24 && text::valueCount(slot.body(), field.layout) > 1 &&
        v2Text(tag, field) == utf8) {
        return TagSuccess;
    }
    const std::vector<std::uint8_t> body = text::makeBody(utf8, field.layout, terminated, styleFor(tag, field));
    tag.freeFields(field.bit);
    if (const TagResult result = tag.allocFields(field.bit, static_cast<std::uint32_t>(body.size()));
        result != TagSuccess) {
        return result;
    }
    std::ranges::copy(body, tag.slots[field.slot].buffer.get());
    return TagSuccess;
}

}  // namespace tags
