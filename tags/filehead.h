// The start of a file as the tag operations read it: one large read of a
// first block, parsed in memory; a tag that declares itself larger is read
// whole with one more, and bytes beyond are read where they are asked for.
// A file's bytes already in memory serve the same way, without a file.
#pragma once

#include <cstdint>
#include <span>
#include <memory>

#include "platform/fs.h"

namespace tags {

// Covers the tag, its padding and the first audio frame of most files; more
// would only cost copying for the many files whose tags are small.
inline constexpr std::size_t kFirstBlock = 4 * 1024;
// Beyond the declared tag: padding that the declared size leaves out, and the sync.
inline constexpr std::size_t kPastDeclaredTag = 1024;
// A declared tag larger than this is not read ahead whole.
inline constexpr std::uint64_t kLargestReadAhead = 16 * 1024 * 1024;

class FileHead {
public:
    FileHead() = default;
    FileHead(platform::File& file, std::uint64_t length) : file_(&file), length_(length) {}
    // Over the whole of a file held in memory, which must outlive the head.
    explicit FileHead(std::span<const std::uint8_t> contents) : contents_(contents), length_(contents.size()) {}

    // Starts over on a file (another, or one that was written): nothing is
    // loaded, and the buffer is kept for the bytes to come.
    void attach(platform::File& file, std::uint64_t length);
    // Reads the first block, and the rest of a larger tag; false on a failure.
    bool load();
    // Reads on up to end (or the file's end) when it is not in memory yet; false on a failure.
    bool loadTo(std::uint64_t end);
    // Copies the bytes at offset into out: as many as the file has there, or
    // -1 when a read fails.
    std::int64_t copy(std::uint64_t offset, std::span<std::uint8_t> out);
    // Where the file's data goes on from offset, past a hole.
    std::uint64_t nextData(std::uint64_t offset) const { return file_ ? file_->nextData(offset) : offset; }
    std::span<const std::uint8_t> loaded() const {
        return file_ ? std::span<const std::uint8_t>(block_.get(), size_) : contents_;
    }
    std::uint64_t length() const { return length_; }

private:
    platform::File* file_ = nullptr;
    std::span<const std::uint8_t> contents_;
    std::uint64_t length_ = 0;
    // Not cleared when made: only bytes read from the file are ever looked at.
    std::unique_ptr<std::uint8_t[]> block_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

}  // namespace tags
