#include "tags/rewrite.h"

#include <algorithm>

#include "tags/messages.h"

namespace tags {
namespace {

constexpr char kTempFolder[] = ".";

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
    if (temp.create(kTempFolder) != 0) return msg::failure(TagFileError, tempMessage, path);
    StreamWriter out(temp.file());
    if (prefix) prefix(out);
    out.copyFrom(original, kept.offset, kept.count);
    if (!out.flush() || temp.replace(path, original) != 0) return msg::failure(TagFileError, msg::kRewriteFailed, path);
    return TagSuccess;
}

bool zeroRange(platform::File& file, std::uint64_t offset, std::uint64_t count) {
    StreamWriter out(file, offset);
    out.putZeros(count);
    return out.flush();
}

}  // namespace tags
