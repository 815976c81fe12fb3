#include "tags/tagfile.h"

#include "tags/messages.h"

namespace tags {

void TagFile::open(std::string_view path, bool writing) {
    path_ = path;
    writing_ = writing;
    stale_ = false;
    writeError_ = writing ? openTagFile(file_, path_, platform::Access::ReadWrite, journals_) : EBADF;
    readError_ = writeError_ == 0 ? 0 : openTagFile(file_, path_, platform::Access::Read, journals_);
    if (readError_ != 0) file_.close();
    wrote();
}

void TagFile::wrote() { head_.attach(file_, file_.isOpen() ? file_.size().value_or(0) : 0); }

TagOutcome TagFile::ready(bool forWriting, const char* openMessage) {
    if (stale_) open(path_, writing_);
    const int error = forWriting ? writeError_ : readError_;
    if (error != 0) return msg::failure(TagFileError, openMessage, path_, static_cast<unsigned>(error));
    return TagSuccess;
}

}  // namespace tags
