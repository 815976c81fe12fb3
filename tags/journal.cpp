#include "tags/journal.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace tags {
namespace {

// The record: a page of header, the saved bytes from the next page on (where
// a kernel copy can take them back), then a checksum of both. A journal
// whose checksum fails was never finished, so its overwrite never began.
constexpr std::uint64_t kPage = platform::kCopyAlignment;
constexpr std::array<std::uint8_t, 8> kMagic = {'L', 'V', 'J', 'O', 'U', 'R', 'N', '1'};
struct HeaderField {
    std::size_t offset;
};
constexpr HeaderField kDevice{8}, kInode{16}, kLength{24}, kNewLength{32}, kOffset{40}, kCount{48}, kPathLength{56};
constexpr std::size_t kPathStart = 64;
constexpr std::size_t kChecksumSize = 8;
constexpr std::size_t kChunk = 1024 * 1024;  // a multiple of 8: the checksum takes words
constexpr unsigned kFolderMode = 0700;       // the journals hold the user's tags
constexpr char kJournalSuffix[] = ".journal";

constexpr std::uint64_t kChecksumStart = 0xCBF29CE484222325ULL;
constexpr std::uint64_t kChecksumPrime = 0x100000001B3ULL;

// FNV-1a over 8-byte words (the last bytes one by one): quick enough for a
// cover of megabytes, and any torn or missing piece changes it.
struct Checksum {
    std::uint64_t value = kChecksumStart;
    void add(std::span<const std::uint8_t> bytes) {
        std::size_t at = 0;
        for (; at + sizeof(std::uint64_t) <= bytes.size(); at += sizeof(std::uint64_t)) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes.data() + at, sizeof word);
            value = (value ^ word) * kChecksumPrime;
        }
        for (; at < bytes.size(); ++at) value = (value ^ bytes[at]) * kChecksumPrime;
    }
};

using Page = std::array<std::uint8_t, kPage>;

void put64(Page& page, HeaderField field, std::uint64_t value) {
    std::memcpy(page.data() + field.offset, &value, sizeof value);
}
std::uint64_t get64(const Page& page, HeaderField field) {
    std::uint64_t value = 0;
    std::memcpy(&value, page.data() + field.offset, sizeof value);
    return value;
}

// A start ignores relative settings, as the state folder convention asks.
std::string journalFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/lirvane/journal";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/state/lirvane/journal";
    return {};
}

// Sixteen hexadecimal digits, the leading zeros kept.
void appendHex(std::string& to, std::uint64_t value) {
    constexpr char kDigits[] = "0123456789abcdef";
    constexpr int kDigitBits = 4;
    constexpr unsigned kDigitMask = 0xF;
    for (int shift = std::numeric_limits<std::uint64_t>::digits - kDigitBits; shift >= 0; shift -= kDigitBits)
        to.push_back(kDigits[(value >> shift) & kDigitMask]);
}

// The device and the inode of the journal's file: DDDD-IIII.journal.
std::string journalName(const platform::File& file) {
    std::string name;
    appendHex(name, file.device());
    name.push_back('-');
    appendHex(name, file.inode());
    return name.append(kJournalSuffix);
}

std::string journalPath(const std::string& folder, const platform::File& file) {
    return folder.empty() ? std::string() : platform::joinPath(folder, journalName(file));
}

struct Record {
    std::uint64_t device = 0, inode = 0, length = 0, newLength = 0, offset = 0, count = 0;
    std::string path;
};

Page headerOf(const Record& record) {
    Page page{};
    std::ranges::copy(kMagic, page.begin());
    put64(page, kDevice, record.device);
    put64(page, kInode, record.inode);
    put64(page, kLength, record.length);
    put64(page, kNewLength, record.newLength);
    put64(page, kOffset, record.offset);
    put64(page, kCount, record.count);
    put64(page, kPathLength, record.path.size());
    std::memcpy(page.data() + kPathStart, record.path.data(), record.path.size());
    return page;
}

// Copies count bytes of `from` at offset to the end of `to`, adding them to the checksum.
bool copyChecked(platform::File& from, std::uint64_t offset, std::uint64_t count, platform::File* to, Checksum& sum) {
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunk)));
    for (std::uint64_t done = 0; done < count;) {
        const auto piece =
            std::span(chunk).first(static_cast<std::size_t>(std::min<std::uint64_t>(count - done, kChunk)));
        if (from.readAt(offset + done, piece) != static_cast<std::int64_t>(piece.size())) return false;
        sum.add(piece);
        if (to != nullptr && !to->write(piece)) return false;
        done += piece.size();
    }
    return true;
}

// The journal's record, when it is whole; empty for one never finished.
std::optional<Record> readRecord(platform::File& journal) {
    Page page{};
    if (journal.readAt(0, page) != static_cast<std::int64_t>(page.size())) return std::nullopt;
    if (!std::equal(kMagic.begin(), kMagic.end(), page.begin())) return std::nullopt;
    Record record{get64(page, kDevice),
                  get64(page, kInode),
                  get64(page, kLength),
                  get64(page, kNewLength),
                  get64(page, kOffset),
                  get64(page, kCount),
                  {}};
    const std::uint64_t pathLength = get64(page, kPathLength);
    if (pathLength > platform::kMaxPath || *journal.size() != kPage + record.count + kChecksumSize) return std::nullopt;
    record.path.assign(reinterpret_cast<const char*>(page.data() + kPathStart), static_cast<std::size_t>(pathLength));
    Checksum sum;
    sum.add(page);
    if (!copyChecked(journal, kPage, record.count, nullptr, sum)) return std::nullopt;
    std::uint64_t stored = 0;
    if (journal.readAt(kPage + record.count, std::span(reinterpret_cast<std::uint8_t*>(&stored), sizeof stored)) !=
        static_cast<std::int64_t>(sizeof stored)) {
        return std::nullopt;
    }
    return stored == sum.value ? std::optional(record) : std::nullopt;
}

// The file is the one the journal was made for, as an overwrite leaves it:
// the same inode, and a length it had before or could have had during it.
bool journalFits(const Record& record, const platform::File& file) {
    const std::uint64_t length = *file.size();
    return file.device() == record.device && file.inode() == record.inode &&
           (length == record.length || length == record.newLength ||
            length == std::max(record.length, record.newLength));
}

// Puts the saved bytes back and removes the journal; one never finished goes
// unused. ESTALE, and the journal stays, when it belongs to another file.
int rollBack(platform::File& file, const std::string& path) {
    platform::File journal;
    if (const int error = journal.open(path, platform::Access::Read); error != 0) return error == ENOENT ? 0 : error;
    const auto record = readRecord(journal);
    if (record && !journalFits(*record, file)) return ESTALE;
    if (record) {
        if (const int error = platform::copyRange(journal, kPage, file, record->offset, record->count); error != 0)
            return error;
        if (*file.size() != record->length && !file.truncate(record->length)) return errno;
        if (!file.sync()) return errno;
    }
    journal.close();
    return platform::deleteFile(path);
}

}  // namespace

bool overwriteCanTear(std::uint64_t offset, std::uint64_t count) {
    return count > 0 && offset / kUntornWrite != (offset + count - 1) / kUntornWrite;
}

Journal::~Journal() {
    if (!path_.empty()) static_cast<void>(rollBack(file_, path_));
}

int Journal::save(std::uint64_t offset, std::uint64_t count, std::uint64_t newLength) {
    const std::string folder = journalFolder();
    const std::string path = journalPath(folder, file_);
    if (path.empty()) return ENOENT;
    platform::File journal;
    int error = journal.open(path, platform::Access::CreatePrivate);
    if (error == ENOENT && (error = platform::makeFolders(folder, kFolderMode)) == 0) {
        error = journal.open(path, platform::Access::CreatePrivate);
    }
    if (error != 0) return error;
    const Record record{file_.device(), file_.inode(), *file_.size(), newLength, offset, count, file_.path()};
    const Page header = headerOf(record);
    Checksum sum;
    sum.add(header);
    bool written = journal.write(header) && copyChecked(file_, offset, count, &journal, sum);
    written = written && journal.write(std::span(reinterpret_cast<const std::uint8_t*>(&sum.value), kChecksumSize));
    error = written ? journal.close() : errno;
    if (!written || error != 0) {
        journal.close();
        static_cast<void>(platform::deleteFile(path));
        return error != 0 ? error : EIO;
    }
    path_ = path;
    return 0;
}

int Journal::commit() {
    if (const int error = platform::deleteFile(path_); error != 0) return error;
    path_.clear();
    return 0;
}

int rollBackJournals() {
    const std::string folder = journalFolder();
    if (folder.empty()) return 0;
    platform::FolderReader reader;
    if (const int error = reader.open(folder); error != 0) {
        // Made now, the folder is held open by the walks' look-ups; a missing
        // one would be looked for again at every file.
        if (error == ENOENT) static_cast<void>(platform::makeFolders(folder, kFolderMode));
        return 0;
    }
    std::vector<std::string> journals;
    platform::FolderEntry entry;
    while (reader.next(entry) == 1) {
        if (!entry.isFolder && entry.name.ends_with(kJournalSuffix))
            journals.push_back(platform::joinPath(folder, entry.name));
    }
    int rolledBack = 0;
    for (const std::string& path : journals) {
        platform::File journal;
        if (journal.open(path, platform::Access::Read) != 0) continue;
        const auto record = readRecord(journal);
        journal.close();
        platform::File file;
        if (!record) {
            static_cast<void>(platform::deleteFile(path));  // never finished: its file was never touched
        } else if (file.open(record->path, platform::Access::ReadWrite) == 0 && rollBack(file, path) == 0) {
            ++rolledBack;
        }
    }
    return rolledBack;
}

bool JournalFolder::watched() {
    if (watch_.isOpen() && watch_.takeChanges([this](std::string_view name, bool added) {
            if (added)
                entries_.emplace(name);
            else
                entries_.erase(std::string(name));
        })) {
        return true;
    }
    if (!watching_) return false;
    // Watched first and listed after, so that nothing made in between is missed.
    entries_.clear();
    const std::string folder = journalFolder();
    platform::FolderReader reader;
    if (folder.empty() || watch_.open(folder) != 0 || reader.open(folder) != 0) {
        // Without a watch (a folder that is missing or remote, or no watch to
        // spare) the files left look their journals up by name.
        watch_.close();
        watching_ = false;
        return false;
    }
    platform::FolderEntry entry;
    while (reader.next(entry) == 1) {
        if (!entry.isFolder) entries_.insert(entry.name);
    }
    return true;
}

bool JournalFolder::holdsJournalOf(const platform::File& file) {
    // A journal for the file is made only under the file's lock, which the
    // caller holds: one made after this look-up cannot be for it.
    // The first file looks by name: a walk of one file needs no watch.
    if (std::exchange(looked_, true) && watched()) return !entries_.empty() && entries_.contains(journalName(file));
    if (!folder_.isOpen()) {
        const std::string folder = journalFolder();
        if (folder.empty() || folder_.open(folder) != 0) return false;
    }
    return folder_.holds(journalName(file));
}

int openTagFile(platform::File& file, std::string_view path, platform::Access access, JournalFolder& journals) {
    if (const int error = file.open(path, access); error != 0) return error;
    if (!journals.holdsJournalOf(file)) return 0;
    const std::string journal = journalPath(journalFolder(), file);
    // The rollback writes: a file opened for reading is opened again for it.
    if (access == platform::Access::Read) {
        if (const int error = file.open(path, platform::Access::ReadWrite); error != 0) return error;
    }
    if (const int error = rollBack(file, journal); error != 0 && error != ESTALE) return error;
    return access == platform::Access::Read ? file.open(path, access) : 0;
}

}  // namespace tags
