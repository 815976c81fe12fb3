// The rollback journal of an overwrite in place: before a tag is written over
// the live file, the bytes it replaces go to a journal in the program's state
// folder; once the new bytes are written the journal is removed. A program
// killed between the two leaves the journal, and the next start (or the next
// operation on that file) puts the old bytes back, so the file is old or new.
// A write that lies within one page needs none: a kill cannot tear it.
//
// The journal guards against a kill, not a power loss: what a killed process
// wrote stays in the system's cache and reaches the disk. Syncing the journal,
// its folder and the file for every tag would take three flushes of the disk
// a file, several times the cost of the whole write.
//
// The journals live in $XDG_STATE_HOME/lirvane/journal (else
// ~/.local/state/lirvane/journal): one known place that a start can look
// through, whatever folders the music is in; private to the user (they hold
// the user's tags), on no read-only or shared music folder, and never an LV3
// file beside the music that a stop could leave behind. Each is named by the
// device and inode of its file, so that an operation finds it in one look-up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/folderwatch.h"
#include "platform/fs.h"

namespace tags {

// The largest overwrite that needs no journal: one page, written at once.
inline constexpr std::uint64_t kUntornWrite = platform::kCopyAlignment;

// Whether an overwrite of these bytes can be torn by a kill: it reaches into
// more than one page.
bool overwriteCanTear(std::uint64_t offset, std::uint64_t count);

// One overwrite's journal. An overwrite saved and not committed is rolled
// back when the object dies.
class Journal {
public:
    explicit Journal(platform::File& file) : file_(file) {}
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Saves count bytes of the file from offset, its length, and the length
    // the overwrite gives it. 0, or the errno.
    int save(std::uint64_t offset, std::uint64_t count, std::uint64_t newLength);
    // The overwrite is done: the journal is removed.
    int commit();

private:
    platform::File& file_;
    std::string path_;  // empty when nothing is saved
};

// Rolls back every journal whose file is found where it was, as it was left;
// the others stay for a later start. A missing journal folder is made. The
// number rolled back.
int rollBackJournals();

// The journal folder as the files of a walk look for their journals in it:
// by name in the folder, held open from the first file on; or, in a long
// walk on a local file system, in the folder's entries as a watch of the
// folder keeps them, a look-up then being one read of the watch that finds
// nothing new. A folder that is missing holds no journal; it is looked for
// again at the next file, since another instance may make it. (A folder
// removed and made anew during a short walk is not seen by that walk; the
// journals in it are rolled back by the next walk to reach their files, or
// the next start.)
class JournalFolder {
public:
    // Closing a watch waits for the system's grace period, 5 to 20 ms here,
    // and a watched look-up saves some 0.6 us over one by name: from this many
    // files on, a watch pays for its closing.
    static constexpr std::size_t kWatchPaysFrom = 30000;

    // For a walk of `walkLength` files.
    explicit JournalFolder(std::size_t walkLength) : watching_(walkLength >= kWatchPaysFrom) {}

    // Whether a journal is left for the file.
    bool holdsJournalOf(const platform::File& file);

private:
    // Whether the folder's entries are known, the watch started or brought
    // up to date first.
    bool watched();

    platform::Folder folder_;
    platform::FolderWatch watch_;
    std::unordered_set<std::string> entries_;  // while watched
    bool watching_;
    bool looked_ = false;
};

// Opens a file for a tag operation; a journal left for it is rolled back
// first. 0, or the errno (of the open, or of a rollback that failed).
int openTagFile(platform::File& file, std::string_view path, platform::Access access, JournalFolder& journals);

}  // namespace tags
