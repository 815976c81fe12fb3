#include "platform/ui/listitems.h"

#include <algorithm>
#include <bit>

namespace platform {
namespace {

std::size_t lowestBit(std::size_t i) { return i & (~i + 1); }

// Where a full chunk of `size` splits: in the middle, or beside a new entry
// that went in at either end of it, so that a list filled from one end (a
// list file, in descending order) keeps its chunks full and splits, and
// counts its chunks again, half as often.
std::size_t splitPoint(std::size_t offset, std::size_t size, std::size_t middle) {
    if (offset == 0) return 1;
    if (offset + 1 == size) return size - 1;
    return middle;
}

}  // namespace

void ListItems::EntryRow::center() {
    const std::size_t first = (kCapacity - size()) / 2;
    if (first < first_)
        std::copy(begin(), end(), slots_.data() + first);
    else
        std::copy_backward(begin(), end(), slots_.data() + first + size());
    last_ = first + size();
    first_ = first;
}

void ListItems::EntryRow::insert(std::size_t offset, const Entry& entry) {
    const bool fewerBefore = offset < size() - offset;
    if (fewerBefore ? first_ == 0 : last_ == kCapacity) center();
    // Centred, a row one short of full has room at one end only.
    const bool lowerMoves = fewerBefore ? first_ > 0 : last_ == kCapacity;
    if (lowerMoves) {
        std::copy(begin(), begin() + offset, begin() - 1);
        --first_;
    } else {
        std::copy_backward(begin() + offset, end(), end() + 1);
        ++last_;
    }
    (*this)[offset] = entry;
}

std::span<ListItems::Entry> ListItems::EntryRow::openFront(std::size_t count) {
    if (first_ < count) {
        std::copy_backward(begin(), end(), slots_.end());
        first_ = kCapacity - size();
        last_ = kCapacity;
    }
    first_ -= count;
    return {begin(), count};
}

void ListItems::EntryRow::erase(std::size_t first, std::size_t last) {
    if (first < size() - last) {
        std::copy_backward(begin(), begin() + first, begin() + last);
        first_ += last - first;
    } else {
        std::copy(begin() + last, end(), begin() + first);
        last_ -= last - first;
    }
}

ListItems::Entry ListItems::Chunk::store(std::string_view text, bool isSelected) {
    const Entry entry{static_cast<std::uint32_t>(texts.size()), static_cast<std::uint32_t>(text.size()), isSelected};
    texts.append(text);
    return entry;
}

void ListItems::Chunk::add(std::size_t offset, std::string_view text, bool isSelected) {
    entries.insert(offset, store(text, isSelected));
    selected += isSelected ? 1u : 0u;
}

void ListItems::Chunk::drop(std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
        unused += entries[i].length;
        selected -= entries[i].selected ? 1u : 0u;
    }
    entries.erase(first, last);
    if (2 * unused <= texts.size()) return;
    std::string kept;
    kept.reserve(texts.size() - unused);
    for (Entry& entry : entries) {
        const auto at = static_cast<std::uint32_t>(kept.size());
        kept.append(textOf(entry));
        entry.at = at;
    }
    texts = std::move(kept);
    unused = 0;
}

std::size_t ListItems::entriesBefore(std::size_t chunk) const {
    const std::vector<std::size_t>& counts = freshCounts();
    std::size_t before = 0;
    for (std::size_t i = chunk; i > 0; i -= lowestBit(i)) before += counts[i];
    return before;
}

void ListItems::addToCount(std::size_t chunk, std::ptrdiff_t delta) {
    // Stale counts are made from the chunks' sizes when next asked for.
    if (countsStale_) return;
    for (std::size_t i = chunk + 1; i < counts_.size(); i += lowestBit(i))
        counts_[i] += static_cast<std::size_t>(delta);
}

// Only when chunks come or go: once per kChunkSize inserts at most, and once
// for all the blocks of a list file.
const std::vector<std::size_t>& ListItems::freshCounts() const {
    if (!countsStale_) return counts_;
    counts_.assign(chunks_.size() + 1, 0);
    for (std::size_t i = 1; i < counts_.size(); ++i) {
        counts_[i] += chunks_[i - 1]->entries.size();
        const std::size_t parent = i + lowestBit(i);
        if (parent < counts_.size()) counts_[parent] += counts_[i];
    }
    countsStale_ = false;
    return counts_;
}

// Descends the tree to the last chunk that starts at or before index; no
// chunk is ever empty, so that one holds it.
ListItems::Place ListItems::locate(std::size_t index) const {
    if (index >= size_) return {chunks_.size(), 0};
    const std::vector<std::size_t>& counts = freshCounts();
    std::size_t chunk = 0;
    for (std::size_t step = std::bit_floor(chunks_.size()); step > 0; step /= 2) {
        if (chunk + step < counts.size() && counts[chunk + step] <= index) {
            chunk += step;
            index -= counts[chunk];
        }
    }
    return {chunk, index};
}

ListEntry ListItems::operator[](std::size_t index) const {
    const Place place = locate(index);
    return chunks_[place.chunk]->entryAt(place.offset);
}

void ListItems::insert(std::size_t index, std::string_view text, bool selected) {
    if (chunks_.empty()) {
        chunks_.push_back(std::make_unique<Chunk>());
        countsStale_ = true;
    }
    // At the very end the last chunk takes it.
    const Place place = index >= size_ ? Place{chunks_.size() - 1, chunks_.back()->entries.size()} : locate(index);
    Chunk& chunk = *chunks_[place.chunk];
    chunk.add(place.offset, text, selected);
    ++size_;
    if (chunk.entries.size() < 2 * kChunkSize)
        addToCount(place.chunk, 1);
    else
        split(place.chunk, place.offset);
}

void ListItems::Chunk::prepend(std::span<const std::string_view> given) {
    const std::span<Entry> opened = entries.openFront(given.size());
    auto slot = opened.rbegin();
    for (const std::string_view text : given) *slot++ = store(text, false);
}

void ListItems::prepend(std::span<const std::string_view> texts) {
    constexpr std::size_t kFull = 2 * kChunkSize - 1;
    for (std::size_t next = 0; next < texts.size();) {
        // A full first chunk stays as it is: the next entries start one
        // before it, in a buffer made once for the texts it will hold.
        if (chunks_.empty() || chunks_.front()->entries.size() == kFull) {
            auto chunk = std::make_unique<Chunk>();
            std::size_t bytes = 0;
            for (const std::string_view text : texts.subspan(next, std::min(kFull, texts.size() - next)))
                bytes += text.size();
            chunk->texts.reserve(bytes);
            chunks_.insert(chunks_.begin(), std::move(chunk));
        }
        Chunk& front = *chunks_.front();
        const std::size_t count = std::min(kFull - front.entries.size(), texts.size() - next);
        front.prepend(texts.subspan(next, count));
        next += count;
    }
    size_ += texts.size();
    countsStale_ = true;
}

// The smaller part of a full chunk moves to a new chunk beside it.
void ListItems::split(std::size_t index, std::size_t offset) {
    Chunk& chunk = *chunks_[index];
    const std::size_t size = chunk.entries.size();
    const std::size_t at = splitPoint(offset, size, kChunkSize);
    const bool lowerMoves = at < size - at;
    const std::size_t first = lowerMoves ? 0 : at;
    const std::size_t last = lowerMoves ? at : size;
    auto part = std::make_unique<Chunk>();
    for (std::size_t i = first; i < last; ++i) {
        part->add(i - first, chunk.textOf(chunk.entries[i]), chunk.entries[i].selected);
    }
    chunk.drop(first, last);
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(index + (lowerMoves ? 0 : 1)), std::move(part));
    countsStale_ = true;
}

void ListItems::erase(std::size_t index) {
    const Place place = locate(index);
    Chunk& chunk = *chunks_[place.chunk];
    chunk.drop(place.offset, place.offset + 1);
    --size_;
    if (!chunk.entries.empty()) {
        addToCount(place.chunk, -1);
        return;
    }
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(place.chunk));
    countsStale_ = true;
}

void ListItems::select(std::size_t index, bool selected) {
    const Place place = locate(index);
    Chunk& chunk = *chunks_[place.chunk];
    bool& flag = chunk.entries[place.offset].selected;
    if (flag == selected) return;
    flag = selected;
    if (selected)
        ++chunk.selected;
    else
        --chunk.selected;
}

void ListItems::selectAll(bool selected) {
    for (auto& chunk : chunks_) {
        if (chunk->selected == (selected ? chunk->entries.size() : 0)) continue;
        for (Entry& entry : chunk->entries) entry.selected = selected;
        chunk->selected = selected ? chunk->entries.size() : 0;
    }
}

void ListItems::clear() {
    chunks_.clear();
    countsStale_ = true;
    size_ = 0;
}

}  // namespace platform
