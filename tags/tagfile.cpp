#include "tags/tagfile.h"

#include "tags/journal.h"

namespace tags {

void TagFile::open(std::string_view path, bool writing) {
    path_ = path;
    writing_ = writing;
    stale_ = false;
    writeError_ = writing ? openTagFile(file_, path_, platform::Access::ReadWrite) : EBADF;
    readError_ = writeError_ == 0 ? 0 : openTagFile(file_, path_, platform::Access::Read);
    if (readError_ != 0) file_.close();
    wrote();
}

void TagFile::wrote() { head_.attach(file_, file_.isOpen() ? file_.size().value_or(0) : 0); }

void TagFile::refresh() {
    if (stale_) open(path_, writing_);
}

}  // namespace tags
