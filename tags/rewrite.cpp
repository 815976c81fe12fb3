#include "tags/rewrite.h"

#include <algorithm>

#include "tags/journal.h"
#include "tags/messages.h"

namespace tags {
namespace {

// The new contents into the original's own inode, for a file with more than
// one name: the whole old file is journaled first, so that a kill leaves it
// old once the program has started again.
int copyBack(platform::File& temp, platform::File& original) {
    if (original.changedSinceOpen()) return platform::kChangedMeanwhile;
    const std::uint64_t oldLength = *original.size();
    const std::uint64_t newLength = *temp.size();
    Journal journal(original);
    if (const int error = journal.save(0, oldLength, newLength); error != 0) return error;
    if (const int error = platform::copyRange(temp, 0, original, 0, newLength); error != 0) return error;
    if (newLength < oldLength && !original.truncate(newLength)) return errno;
    return journal.commit();
}

}  // namespace

void StreamWriter::put(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= buffer_.size() && flush()) {  // a large body goes in one write of its own
        ok_ = file_.writeAt(offset_, bytes);
        offset_ += bytes.size();
        return;
    }
    while (ok_ && !bytes.empty()) {
        const std::size_t room = buffer_.size() - used_;
        const std::size_t take = std::min(room, bytes.size());
        std::copy_n(bytes.begin(), take, buffer_.begin() + static_cast<std::ptrdiff_t>(used_));
        used_ += take;
        bytes = bytes.subspan(take);
        if (used_ == buffer_.size()) flush();
    }
}

void StreamWriter::putZeros(std::uint64_t count) {
    while (ok_ && count > 0) {
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer_.size() - used_));
        std::fill_n(buffer_.begin() + static_cast<std::ptrdiff_t>(used_), take, 0);
        used_ += take;
        count -= take;
        if (used_ == buffer_.size()) flush();
    }
}

void StreamWriter::copyFrom(platform::File& source, std::uint64_t offset, std::uint64_t count) {
    if (!flush()) return;
    ok_ = platform::copyRange(source, offset, file_, offset_, count) == 0;
    offset_ += count;
}

bool StreamWriter::flush() {
    if (ok_ && used_ > 0) ok_ = file_.writeAt(offset_, std::span(buffer_.data(), used_));
    offset_ += used_;
    used_ = 0;
    return ok_;
}

TagOutcome rewriteFile(std::string_view path, platform::File& original, KeptRange kept, const char* tempMessage,
                       const PrefixWriter& prefix) {
    platform::TempFile temp;
    if (temp.create(platform::folderOf(original.path())) != 0) return msg::failure(TagFileError, tempMessage, path);
    StreamWriter out(temp.file());
    if (prefix) prefix(out);
    out.copyFrom(original, kept.offset, kept.count);
    if (!out.flush()) return msg::failure(TagFileError, msg::kRewriteFailed, path);
    const int error = original.links() > 1 ? copyBack(temp.file(), original) : temp.replace(original);
    if (error == platform::kChangedMeanwhile) return msg::failure(TagFileError, msg::kChangedMeanwhile, path);
    if (error != 0) return msg::failure(TagFileError, msg::kRewriteFailed, path);
    return TagSuccess;
}

bool overwrite(platform::File& file, std::uint64_t offset, std::uint64_t count, const PrefixWriter& put) {
    Journal journal(file);
    const bool journaled = overwriteCanTear(offset, count);
    if (journaled && journal.save(offset, count, *file.size()) != 0) return false;
    StreamWriter out(file, offset);
    put(out);
    return out.flush() && (!journaled || journal.commit() == 0);
}

bool zeroRange(platform::File& file, std::uint64_t offset, std::uint64_t count) {
    return overwrite(file, offset, count, [count](StreamWriter& out) { out.putZeros(count); });
}

}  // namespace tags
