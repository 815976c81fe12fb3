// Streaming file I/O shared by the tag operations, and the rewrite of a file
// through a temporary file that never loses the original.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "platform/fs.h"
#include "tags/tagresult.h"

namespace tags {

// Large buffered writes; the result on disk is the same as any chunking.
inline constexpr std::size_t kStreamBuffer = 64 * 1024;

// Buffered sequential writing to an open file from an offset, in large
// positioned writes. After the first failure every further call does nothing
// and ok() is false.
class StreamWriter {
public:
    explicit StreamWriter(platform::File& file, std::uint64_t offset = 0) : file_(file), offset_(offset) {}

    void put(std::span<const std::uint8_t> bytes);
    void putZeros(std::uint64_t count);
    // Copies count bytes of source from offset on, in the kernel where it can
    // (see platform::copyRange); a source that ends early fails.
    void copyFrom(platform::File& source, std::uint64_t offset, std::uint64_t count);
    bool flush();
    bool ok() const { return ok_; }

private:
    platform::File& file_;
    std::uint64_t offset_;                            // where the buffer goes
    std::array<std::uint8_t, kStreamBuffer> buffer_;  // not cleared: only what is put is written
    std::size_t used_ = 0;
    bool ok_ = true;
};

// The part of the original file that a rewrite keeps, after what it puts first.
struct KeptRange {
    std::uint64_t offset;
    std::uint64_t count;
};

using PrefixWriter = std::function<void(StreamWriter&)>;

// Writes prefix and the kept range of `original` (open for reading and
// writing, exclusively held) into a temporary file beside it and puts that in
// its place. A file with more than one name gets the new contents in its own
// inode instead, under a journal, so that every name sees them. Fails with
// tempMessage when the temporary file cannot be made, with the changed-meanwhile
// message when another program wrote to the file or put another in its place
// (its work is kept), and with the rewrite message for any other failure; the
// original is then untouched.
TagOutcome rewriteFile(std::string_view path, platform::File& original, KeptRange kept, const char* tempMessage,
                       const PrefixWriter& prefix = {});

// Writes what `put` gives over count bytes of the file from offset (it must
// give exactly those), under a journal when a kill could tear the write;
// false on any failure, and the file then keeps its old bytes.
bool overwrite(platform::File& file, std::uint64_t offset, std::uint64_t count, const PrefixWriter& put);

// Writes count zero bytes at offset, as overwrite does.
bool zeroRange(platform::File& file, std::uint64_t offset, std::uint64_t count);

}  // namespace tags
