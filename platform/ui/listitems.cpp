#include "platform/ui/listitems.h"

#include <algorithm>
#include <bit>
#include <iterator>

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

std::size_t ListItems::entriesBefore(std::size_t chunk) const {
    std::size_t before = 0;
    for (std::size_t i = chunk; i > 0; i -= lowestBit(i)) before += counts_[i];
    return before;
}

void ListItems::addToCount(std::size_t chunk, std::ptrdiff_t delta) {
    for (std::size_t i = chunk + 1; i < counts_.size(); i += lowestBit(i))
        counts_[i] += static_cast<std::size_t>(delta);
}

// Only when chunks come or go: once per kChunkSize inserts at most.
void ListItems::recount() {
    counts_.assign(chunks_.size() + 1, 0);
    for (std::size_t i = 1; i < counts_.size(); ++i) {
        counts_[i] += chunks_[i - 1]->entries.size();
        const std::size_t parent = i + lowestBit(i);
        if (parent < counts_.size()) counts_[parent] += counts_[i];
    }
}

// Descends the tree to the last chunk that starts at or before index; no
// chunk is ever empty, so that one holds it.
ListItems::Place ListItems::locate(std::size_t index) const {
    if (index >= size_) return {chunks_.size(), 0};
    std::size_t chunk = 0;
    for (std::size_t step = std::bit_floor(chunks_.size()); step > 0; step /= 2) {
        if (chunk + step < counts_.size() && counts_[chunk + step] <= index) {
            chunk += step;
            index -= counts_[chunk];
        }
    }
    return {chunk, index};
}

const ListItem& ListItems::operator[](std::size_t index) const {
    const Place place = locate(index);
    return chunks_[place.chunk]->entries[place.offset];
}

void ListItems::Chunk::countSelected() {
    selected = static_cast<std::size_t>(std::ranges::count_if(entries, &ListItem::selected));
}

void ListItems::insert(std::size_t index, ListItem item) {
    if (chunks_.empty()) {
        chunks_.push_back(std::make_unique<Chunk>());
        recount();
    }
    // At the very end the last chunk takes it.
    const Place place = index >= size_ ? Place{chunks_.size() - 1, chunks_.back()->entries.size()} : locate(index);
    Chunk& chunk = *chunks_[place.chunk];
    chunk.selected += item.selected ? 1 : 0;
    chunk.entries.insert(chunk.entries.begin() + static_cast<std::ptrdiff_t>(place.offset), std::move(item));
    ++size_;
    if (chunk.entries.size() < 2 * kChunkSize) {
        addToCount(place.chunk, 1);
        return;
    }
    // The smaller part moves to a new chunk beside the old one.
    const std::size_t split = splitPoint(place.offset, chunk.entries.size(), kChunkSize);
    const auto at = chunk.entries.begin() + static_cast<std::ptrdiff_t>(split);
    const bool lowerMoves = split < chunk.entries.size() - split;
    auto part = std::make_unique<Chunk>();
    if (lowerMoves) {
        part->entries.assign(std::make_move_iterator(chunk.entries.begin()), std::make_move_iterator(at));
        chunk.entries.erase(chunk.entries.begin(), at);
    } else {
        part->entries.assign(std::make_move_iterator(at), std::make_move_iterator(chunk.entries.end()));
        chunk.entries.erase(at, chunk.entries.end());
    }
    chunk.countSelected();
    part->countSelected();
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(place.chunk + (lowerMoves ? 0 : 1)), std::move(part));
    recount();
}

void ListItems::erase(std::size_t index) {
    const Place place = locate(index);
    Chunk& chunk = *chunks_[place.chunk];
    const auto entry = chunk.entries.begin() + static_cast<std::ptrdiff_t>(place.offset);
    chunk.selected -= entry->selected ? 1u : 0u;
    chunk.entries.erase(entry);
    --size_;
    if (!chunk.entries.empty()) {
        addToCount(place.chunk, -1);
        return;
    }
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(place.chunk));
    recount();
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
        for (ListItem& item : chunk->entries) item.selected = selected;
        chunk->selected = selected ? chunk->entries.size() : 0;
    }
}

void ListItems::clear() {
    chunks_.clear();
    counts_.assign(1, 0);
    size_ = 0;
}

}  // namespace platform
