// File services: exclusive opens, unique temporary files, replacing a file
// without ever losing it, moves that never overwrite, folder enumeration.
// Paths are the file system's bytes, never converted: a name need not be UTF-8.
// Results are 0 for success or the errno of the failure.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::size_t kMaxPath = 259;  // bytes, without the terminator
inline constexpr char kSeparator = '/';
inline constexpr char kTempPrefix[] = "LV3";  // the program's temporary files: LV3hhhh.tmp
// A replace refused because the file is no longer what was opened: another
// name stands where it stood, or another program changed its length or time.
inline constexpr int kChangedMeanwhile = ESTALE;

// The folder part of a path: "." when it has none, "/" for the root's entries.
std::string folderOf(std::string_view path);
// A folder path and a name with one separator between them (none is added
// when the folder already ends in one).
std::string joinPath(std::string_view folder, std::string_view name);

enum class Access {
    Read,               // existing file, reading only
    ReadWrite,          // existing file
    WriteOpenOrCreate,  // writing, created when missing
    WriteTruncate,      // writing, created when missing, emptied when present
    CreatePrivate,      // a new file, readable and writable by its owner alone; EEXIST when present
};

// An open file, held with exclusive access (a non-blocking exclusive flock) for
// as long as the object lives. A file without any write permission bit is
// refused for writing, whoever asks. A symbolic link is resolved once, when
// the file is opened: path() is the file's own name, which a replace takes.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    int open(std::string_view path, Access access);
    bool isOpen() const { return fd_ >= 0; }

    // Fills the buffer; fewer bytes only at the end of the file. -1 on error.
    std::int64_t read(std::span<std::uint8_t> buffer);
    // The same at an offset, leaving the file position alone.
    std::int64_t readAt(std::uint64_t offset, std::span<std::uint8_t> buffer);
    // Writes all bytes or fails.
    bool write(std::span<const std::uint8_t> bytes);
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    bool seek(std::uint64_t offset);
    // Where the file's data goes on from offset: past a hole (which reads as
    // zeros), else offset itself; the length when only a hole follows.
    std::uint64_t nextData(std::uint64_t offset) const;
    // The length as this object knows it: measured when the file was opened
    // (it is held exclusively) and kept up to date by its own writes.
    std::optional<std::uint64_t> size() const;
    bool truncate(std::uint64_t length);
    bool sync();
    int close();

    int descriptor() const { return fd_; }
    const std::string& path() const { return path_; }
    std::uint64_t device() const { return device_; }
    std::uint64_t inode() const { return inode_; }
    std::uint64_t links() const { return links_; }
    // Whether the file's length or modification time now differs from what
    // they were at the open: another program wrote to it. Errors count as changed.
    bool changedSinceOpen() const;

private:
    friend class TempFile;  // adopts the descriptor it creates exclusively
    friend int prepareReplacement(File& file, const File& original);
    friend int copyRange(File& from, std::uint64_t fromOffset, File& to, std::uint64_t toOffset, std::uint64_t count);
    void grewTo(std::uint64_t end);
    int openResolved(std::string_view path, Access access);

    int fd_ = -1;
    std::string path_;
    std::uint64_t position_ = 0;  // of read, write and seek
    std::uint64_t length_ = 0;
    unsigned mode_ = 0;  // as measured at the open, for a replacement to take
    unsigned owner_ = 0;
    unsigned group_ = 0;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    std::uint64_t links_ = 0;
    std::uint64_t openedLength_ = 0;
    std::int64_t openedTime_ = 0;  // nanoseconds
};

// The page, and the block a file system can share between files.
inline constexpr std::uint64_t kCopyAlignment = 4096;

// Whether a copy between these offsets suits the kernel: they sit alike within
// a page. Otherwise the kernel pieces every page it writes together from two,
// and a copy through a buffer that writes whole pages is faster; only such
// offsets can share blocks anyway.
bool kernelCopyFits(std::uint64_t fromOffset, std::uint64_t toOffset);

// Copies count bytes of `from` at fromOffset to `to` at toOffset: in the
// kernel where the offsets suit it or `to` is on a network file system whose
// server can copy, and the file system allows it (blocks are shared where it
// can reflink them), else through a buffer. 0, or the errno;
// EIO when `from` ends early.
int copyRange(File& from, std::uint64_t fromOffset, File& to, std::uint64_t toOffset, std::uint64_t count);

// A uniquely named file created empty, exclusively and private (mode 0600) in
// a folder, removed again when the object dies unless it has replaced another
// file, and also when a second stop signal ends the program at once.
class TempFile {
public:
    TempFile() = default;
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates folder/PREFIXhhhh.tmp.
    int create(std::string_view folder, std::string_view prefix = kTempPrefix);
    File& file() { return file_; }
    const std::string& path() const { return path_; }

    // Puts this file's contents in place of the original (under original.path(),
    // so a symbolic link stays a link): flushes it to disk, gives it the
    // original's owner (where allowed), permission bits, extended attributes and
    // access control lists, and renames it over the original, atomically. The
    // temporary file must be in the original's folder. kChangedMeanwhile when
    // the name no longer holds the file that was opened, or another program
    // changed it: that file is kept. On failure the original is as it was and
    // no temporary file stays.
    int replace(const File& original);

private:
    File file_;
    std::string path_;
    int stopSlot_ = -1;  // where a forced stop finds the name
};

// Gives `to` the extended attributes of `from`, access control lists
// included. Attributes that only the system or a privileged user may set
// (security.*, trusted.*) are kept where allowed; 0, or the errno of the
// first other one that could not be copied.
int copyAttributes(const File& from, File& to);

int deleteFile(std::string_view path);

// Makes a folder and its missing parents, new ones with the given mode.
int makeFolders(std::string_view path, unsigned mode);
// Makes a new or removed entry of the folder durable.
void syncFolder(std::string_view folder);

// Moves a file; fails (EEXIST) rather than replace an existing one.
int moveFileNoReplace(std::string_view from, std::string_view to);

int changeFolder(std::string_view path);
std::string currentFolder();  // empty when it cannot be told

enum class PathKind { Missing, File, Folder };
PathKind pathKind(std::string_view path);  // follows symbolic links

struct FolderEntry {
    std::string name;       // the file system's bytes
    bool isFolder = false;  // a symbolic link to a folder is not a folder here
};

// The entries of one folder in the order the system delivers them, "." and
// ".." included.
class FolderReader {
public:
    FolderReader();
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    int open(std::string_view path);
    // 1 an entry, 0 no further entry, -1 the enumeration failed.
    int next(FolderEntry& entry);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A folder held open, so that a name is looked up in it without walking the
// folder's path again: a look-up made for every file of a walk.
class Folder {
public:
    Folder() = default;
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    int open(std::string_view path);
    bool isOpen() const { return fd_ >= 0; }
    // Whether the folder has an entry of that name (a link is followed).
    bool holds(std::string_view name) const;

private:
    int fd_ = -1;
};

// Fault injection for tests. Counts start when the plan is set.
struct FaultPlan {
    int failCall = 0;               // the Nth file-system call of any kind fails (EIO); 0 never
    int failWrite = 0;              // the Nth File::write fails (EIO); 0 never
    std::int64_t spaceLeft = -1;    // bytes that still fit on the disk; -1 no limit
    int failRead = 0;               // the Nth File::read fails (EIO); 0 never
    bool failReplace = false;       // the final rename of TempFile::replace fails
    bool refuseKernelCopy = false;  // copy_file_range reports EXDEV, as across file systems
    // Runs just before the Nth file-system call: another program acting at
    // that moment (0 never).
    int interveneAt = 0;
    std::function<void()> intervene = {};
};

void setFaults(const FaultPlan& plan);
inline void clearFaults() { setFaults(FaultPlan{}); }
// The file-system calls made since the plan was set, and the name of the one
// the plan made fail (empty when none did).
int faultCallCount();
const char* failedCallName();

}  // namespace platform
