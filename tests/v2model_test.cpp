#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tags/fields.h"
#include "tags/v2tag.h"

namespace {

using tags::FieldMask;
using tags::FrameSlot;
using tags::V2Tag;

std::vector<std::size_t> filledSlots(const V2Tag& tag) {
    std::vector<std::size_t> filled;
    for (std::size_t i = 0; i < tags::kSlotCount; ++i) {
        if (tag.slots[i].length != 0 || tag.slots[i].buffer) filled.push_back(i);
    }
    return filled;
}

void expectEmptyVersion3Record(const V2Tag& tag) {
    EXPECT_EQ(std::string(tag.identifier, 4), std::string("ID3\0", 4));
    EXPECT_EQ(tag.version, 3);
    EXPECT_EQ(tag.revision, 0);
    EXPECT_EQ(tag.flags, 0);
    EXPECT_EQ(tag.audioStart, 0u);
    EXPECT_EQ(tag.declaredSize, 0u);
    for (std::size_t i = 0; i < tags::kSlotCount; ++i) {
        const FrameSlot& slot = tag.slots[i];
        EXPECT_EQ(std::string(slot.id, 4), tags::tagFieldOfSlot(i).frameId) << "slot " << i;
        EXPECT_EQ(slot.length, 0u) << "slot " << i;
        EXPECT_EQ(slot.buffer, nullptr) << "slot " << i;
        EXPECT_EQ(slot.flags[0], 0) << "slot " << i;
        EXPECT_EQ(slot.flags[1], 0) << "slot " << i;
    }
}

TEST(V2TagModel, NewAndResetRecordsAreEmptyVersion3Tags) {
    V2Tag tag;
    expectEmptyVersion3Record(tag);

    std::fill(std::begin(tag.identifier), std::end(tag.identifier), 'X');
    tag.version = 4;
    tag.revision = 2;
    tag.flags = 0xC0;
    tag.audioStart = 4096;
    tag.declaredSize = 4096;
    ASSERT_EQ(tag.allocFields(tags::kAllFields, 3), tags::TagSuccess);
    for (FrameSlot& slot : tag.slots) {
        std::fill(std::begin(slot.id), std::end(slot.id), 'Z');
        slot.flags[0] = 0x80;
        slot.flags[1] = 0x40;
    }
    tag.reset();
    expectEmptyVersion3Record(tag);
}

TEST(V2TagModel, AllocFieldsFillsTheSlotsOfTheMaskBits) {
    struct Case {
        FieldMask mask;
        std::vector<std::size_t> slots;
    };
    const Case cases[] = {
        {tags::kFieldTitle, {0}},
        {tags::kFieldComment, {4}},
        {tags::kFieldTrack, {6}},  // TRCK
        {tags::kFieldGenre, {5}},  // TCON
        {tags::kFieldTrack | tags::kFieldGenre, {5, 6}},
        {tags::kFieldComposer, {11}},
        {0x1000, {}},
        {0xFFFFE000, {}},
        {tags::kAllFields, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mask 0x" << std::hex << c.mask);
        V2Tag tag;
        ASSERT_EQ(tag.allocFields(c.mask, 7), tags::TagSuccess);
        EXPECT_EQ(filledSlots(tag), c.slots);
        for (std::size_t i : c.slots) {
            const FrameSlot& slot = tag.slots[i];
            ASSERT_EQ(slot.length, 7u);
            ASSERT_NE(slot.buffer, nullptr);
            EXPECT_TRUE(std::all_of(slot.buffer.get(), slot.buffer.get() + 7, [](unsigned char b) { return b == 0; }));
        }
    }
}

TEST(V2TagModel, FreeFieldsEmptiesOnlyTheSlotsOfTheMaskBits) {
    V2Tag tag;
    ASSERT_EQ(tag.allocFields(tags::kAllFields, 2), tags::TagSuccess);
    const std::vector<std::size_t> withoutGenreAndTrack = {0, 1, 2, 3, 4, 7, 8, 9, 10, 11};
    tag.freeFields(tags::kFieldTrack);
    EXPECT_EQ(filledSlots(tag), (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11}));
    tag.freeFields(tags::kFieldGenre);
    EXPECT_EQ(filledSlots(tag), withoutGenreAndTrack);
    // Bits beyond the twelve, and slots that are already empty, change nothing.
    tag.freeFields(0x1000);
    tag.freeFields(tags::kFieldTrack | tags::kFieldGenre);
    EXPECT_EQ(filledSlots(tag), withoutGenreAndTrack);
    EXPECT_EQ(tag.slots[0].length, 2u);

    tag.freeFields(tags::kAllFields);
    expectEmptyVersion3Record(tag);
}

TEST(V2TagModel, EncodeSyncsafePutsSevenBitsInEachByte) {
    struct Case {
        std::uint32_t value;
        std::array<unsigned char, 4> bytes;
    };
    const Case cases[] = {
        {0, {0x00, 0x00, 0x00, 0x00}},
        {127, {0x00, 0x00, 0x00, 0x7F}},
        {128, {0x00, 0x00, 0x01, 0x00}},
        {632, {0x00, 0x00, 0x04, 0x78}},
        {2038, {0x00, 0x00, 0x0F, 0x76}},
        {16383, {0x00, 0x00, 0x7F, 0x7F}},
        {16384, {0x00, 0x01, 0x00, 0x00}},
        {20000, {0x00, 0x01, 0x1C, 0x20}},
        {1u << 21, {0x01, 0x00, 0x00, 0x00}},
        {0x0FFFFFFF, {0x7F, 0x7F, 0x7F, 0x7F}},
        // Beyond 28 bits the largest value is written.
        {0x10000000, {0x7F, 0x7F, 0x7F, 0x7F}},
        {0xFFFFFFFF, {0x7F, 0x7F, 0x7F, 0x7F}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(V2Tag::encodeSyncsafe(c.value), c.bytes) << "value " << c.value;
    }
}

}  // namespace
