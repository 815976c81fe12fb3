// The start of a file as the tag operations read it: one large read of a
// first block, parsed in memory; a tag that declares itself larger is read
// whole with one more, and bytes beyond are read where they are asked for.
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
    FileHead(platform::File& file, std::uint64_t length) : file_(file), length_(length) {}

    // Reads the first block, and the rest of a larger tag; false on a failure.
    bool load();
    // Copies the bytes at offset into out: as many as the file has there, or
    // -1 when a read fails.
    std::int64_t copy(std::uint64_t offset, std::span<std::uint8_t> out);
    std::span<const std::uint8_t> loaded() const { return {block_.get(), size_}; }
    std::uint64_t length() const { return length_; }
    platform::File& file() { return file_; }

private:
    bool extendTo(std::uint64_t end);

    platform::File& file_;
    std::uint64_t length_;
    // Not cleared when made: only bytes read from the file are ever looked at.
    std::unique_ptr<std::uint8_t[]> block_;
    std::size_t size_ = 0;
};

}  // namespace tags
