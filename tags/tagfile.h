// One file under the tag operations of a walk step, opened, locked and
// checked once: a step that reads a tag and then writes it (or reads both
// tags) works on the file it read, with no other program's change slipped in
// between, and its first bytes are read from the file once. The operations
// that take a path open one of these for themselves.
#pragma once

#include <string>
#include <string_view>

#include "platform/fs.h"
#include "tags/filehead.h"
#include "tags/journal.h"
#include "tags/tagresult.h"

namespace tags {

class TagFile {
public:
    // For the files of a walk of `walkLength` files, opened in turn.
    explicit TagFile(std::size_t walkLength = 1) : journals_(walkLength) {}

    // Opens path for what is to come: for reading and writing when `writing`,
    // else for reading alone. A file that cannot be opened for writing is
    // still opened for reading; a write then fails with why. A journal left
    // for the file is rolled back first. The head's buffer, and the journal
    // folder once open or watched, stay for the next file.
    void open(std::string_view path, bool writing);

    const char* path() const { return path_.c_str(); }
    // Whether the file is open for what an operation needs, opened anew first
    // when a rewrite replaced it: success, or the open's failure with
    // openMessage (its code the errno).
    TagOutcome ready(bool forWriting, const char* openMessage);

    platform::File& file() { return file_; }
    // The file's first bytes, loaded at the first use while the file is as it was read.
    FileHead& head() { return head_; }

    // After a write in place the bytes in memory no longer hold the file's.
    void wrote();
    // After a rewrite the name holds another file: the next operation opens it anew.
    void replaced() { stale_ = true; }

private:
    std::string path_;
    platform::File file_;
    FileHead head_;
    JournalFolder journals_;
    bool writing_ = false;
    bool stale_ = false;
    int readError_ = 0;
    int writeError_ = 0;
};

}  // namespace tags
