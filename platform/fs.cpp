#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/vfs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kNewFileMode = 0666;  // before the umask
constexpr unsigned kTempNameSpace = 0x10000;  // four hex digits
constexpr std::size_t kCopyBuffer = 128 * 1024;

struct FaultState {
    FaultPlan plan;
    int writes = 0;
    int reads = 0;
    int calls = 0;
    const char* failed = "";
};

FaultState& faults() {
    static FaultState state;
    return state;
}

// Counts one file-system call; true, with errno set, when the plan makes it fail.
bool injected(const char* name) {
    FaultState& f = faults();
    if (++f.calls != f.plan.failCall) return false;
    f.failed = name;
    errno = EIO;
    return true;
}

bool injectedReadFailure(const char* name) {
    FaultState& f = faults();
    if (f.plan.failRead > 0 && ++f.reads == f.plan.failRead) {
        f.failed = name;
        errno = EIO;
        return true;
    }
    return injected(name);
}

// Reads until the buffer is full or the file ends; -1 on an error. With an
// offset, pread, which leaves the file position alone.
std::int64_t readFully(int fd, std::optional<std::uint64_t> offset, std::span<std::uint8_t> buffer) {
    if (injectedReadFailure(offset ? "pread" : "read")) return -1;
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = offset ? ::pread(fd, buffer.data() + done, buffer.size() - done, static_cast<off_t>(*offset + done))
                                   : ::read(fd, buffer.data() + done, buffer.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

// Writes the bytes the faults allow; true when that was all of them.
bool writeFully(int fd, std::optional<std::uint64_t> offset, std::span<const std::uint8_t> bytes, std::size_t allowed) {
    std::size_t done = 0;
    while (done < allowed) {
        const ssize_t put = offset ? ::pwrite(fd, bytes.data() + done, allowed - done, static_cast<off_t>(*offset + done))
                                   : ::write(fd, bytes.data() + done, allowed - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return allowed == bytes.size();
}

// The system calls, each counted by the fault plan.
int sysOpen(const std::string& path, int flags) {
    return injected("open") ? -1 : ::open(path.c_str(), flags, kNewFileMode);
}
int sysFstat(int fd, struct stat& st) { return injected("fstat") ? -1 : fstat(fd, &st); }
int sysFlock(int fd) { return injected("flock") ? -1 : flock(fd, LOCK_EX | LOCK_NB); }
int sysFtruncate(int fd, std::uint64_t length) {
    return injected("ftruncate") ? -1 : ftruncate(fd, static_cast<off_t>(length));
}
int sysFsync(int fd) { return injected("fsync") ? -1 : fsync(fd); }
int sysUnlink(const std::string& path) { return injected("unlink") ? -1 : ::unlink(path.c_str()); }
// Closes the descriptor in any case; an injected failure is reported after it.
int sysClose(int fd) { return ::close(fd) != 0 || injected("close") ? -1 : 0; }

// How many of `wanted` bytes, to be written at offset `at` of a file of
// `length` bytes, the injected faults let through; sets errno when fewer than
// all. A full disk refuses only new blocks: bytes written over the file's old
// ones always fit.
std::size_t allowedWrite(std::uint64_t at, std::uint64_t length, std::size_t wanted, const char* name) {
    FaultState& f = faults();
    if ((f.plan.failWrite > 0 && ++f.writes == f.plan.failWrite) || injected(name)) {
        f.failed = "write";
        errno = EIO;
        return 0;
    }
    if (f.plan.spaceLeft < 0) return wanted;
    const std::uint64_t inside = length > at ? length - at : 0;
    const std::size_t growth = inside >= wanted ? 0 : wanted - static_cast<std::size_t>(inside);
    const auto room = static_cast<std::size_t>(f.plan.spaceLeft);
    const std::size_t grown = growth < room ? growth : room;
    f.plan.spaceLeft -= static_cast<std::int64_t>(grown);
    if (grown < growth) errno = ENOSPC;
    return wanted - growth + grown;
}

// Paths are the file system's bytes; the system calls want them terminated.
std::string systemPath(std::string_view path) { return std::string(path); }

int openFlags(Access access) {
    switch (access) {
        case Access::Read: return O_RDONLY;
        case Access::ReadWrite: return O_RDWR;
        case Access::WriteOpenOrCreate:
        case Access::WriteTruncate: return O_WRONLY | O_CREAT;
    }
    return O_RDONLY;
}

// Checks made on the opened descriptor: only regular files are taken, and
// nothing is truncated before the file is locked and known to be writable.
// O_NONBLOCK, with which it was opened, changes nothing for a regular file.
int checkOpened(int fd, Access access, struct stat& st) {
    if (sysFstat(fd, st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return ENODEV;  // a pipe or a device would hang or never end
    if (sysFlock(fd) != 0) return errno;
    if (access == Access::Read) return 0;
    if ((st.st_mode & kAnyWriteBit) == 0) return EACCES;
    if (access == Access::WriteTruncate) {
        if (sysFtruncate(fd, 0) != 0) return errno;
        st.st_size = 0;
    }
    return 0;
}

// The last step of a replace, where the injected faults strike.
int renameOver(const std::string& from, std::string_view to, bool mayCrossFileSystems) {
    if (mayCrossFileSystems && faults().plan.crossDevice) return EXDEV;
    if (faults().plan.failReplace || injected("rename")) return EIO;
    return std::rename(systemPath(from).c_str(), systemPath(to).c_str()) == 0 ? 0 : errno;
}

int errnoOr(int fallback) { return errno != 0 ? errno : fallback; }

// The kernel's copy refuses these where the files do not allow it: another
// file system (on older kernels), or one that cannot copy this way.
bool refused(int error) { return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

// One kernel copy call into a file of `length` bytes: the bytes copied, 0 at
// the source's end, -1 with errno.
ssize_t kernelCopy(int from, std::uint64_t& fromOffset, int to, std::uint64_t& toOffset, std::uint64_t length,
                   std::uint64_t count) {
    if (faults().plan.refuseKernelCopy) {
        errno = EXDEV;
        return -1;
    }
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(count, SSIZE_MAX));
    const std::size_t allowed = allowedWrite(toOffset, length, wanted, "copy_file_range");
    if (allowed == 0) return -1;
    auto in = static_cast<loff_t>(fromOffset);
    auto out = static_cast<loff_t>(toOffset);
    const ssize_t copied = ::copy_file_range(from, &in, to, &out, allowed, 0);
    if (copied > 0) {
        fromOffset += static_cast<std::uint64_t>(copied);
        toOffset += static_cast<std::uint64_t>(copied);
    }
    return copied;
}

// The copy through a buffer. Its writes end on whole buffer lengths of the
// target, so that the target's pages are written whole, whatever the source's
// offset.
int bufferedCopy(File& from, std::uint64_t fromOffset, File& to, std::uint64_t toOffset, std::uint64_t count) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyBuffer)));
    while (count > 0) {
        const std::uint64_t toBoundary = kCopyBuffer - toOffset % kCopyBuffer;
        const auto chunk = std::span(buffer).first(static_cast<std::size_t>(std::min({count, toBoundary, std::uint64_t{buffer.size()}})));
        const std::int64_t got = from.readAt(fromOffset, chunk);
        if (got < 0) return errnoOr(EIO);
        if (static_cast<std::size_t>(got) < chunk.size()) return EIO;  // the source ended early
        if (!to.writeAt(toOffset, chunk)) return errnoOr(EIO);
        fromOffset += chunk.size();
        toOffset += chunk.size();
        count -= chunk.size();
    }
    return 0;
}

}  // namespace

bool kernelCopyFits(std::uint64_t fromOffset, std::uint64_t toOffset) {
    return fromOffset % kCopyAlignment == toOffset % kCopyAlignment;
}

namespace {

// Network file systems whose servers can copy for the kernel, whatever the
// offsets, sparing the network the bytes both ways.
bool copiesOnServer(int fd) {
    struct statfs fs {};
    if (fstatfs(fd, &fs) != 0) return false;
    switch (fs.f_type) {
        case NFS_SUPER_MAGIC:
        case SMB2_SUPER_MAGIC:
        case CIFS_SUPER_MAGIC:
        case CEPH_SUPER_MAGIC: return true;
        default: return false;
    }
}

}  // namespace

int copyRange(File& from, std::uint64_t fromOffset, File& to, std::uint64_t toOffset, std::uint64_t count) {
    if (count == 0) return 0;
    if (!kernelCopyFits(fromOffset, toOffset) && !copiesOnServer(to.descriptor())) {
        return bufferedCopy(from, fromOffset, to, toOffset, count);
    }
    bool first = true;
    while (count > 0) {
        const std::uint64_t end = toOffset + count;
        const ssize_t copied = kernelCopy(from.descriptor(), fromOffset, to.descriptor(), toOffset, to.length_, count);
        if (copied < 0 && errno == EINTR) continue;
        if (copied < 0 && first && refused(errno)) return bufferedCopy(from, fromOffset, to, toOffset, count);
        if (copied < 0) return errnoOr(EIO);
        if (copied == 0) return EIO;  // the source ended early
        to.grewTo(end - count + static_cast<std::uint64_t>(copied));
        count -= static_cast<std::uint64_t>(copied);
        first = false;
    }
    return 0;
}

// Makes a finished temporary file durable and gives it the original's mode.
int prepareReplacement(File& file, const File& original) {
    // The owner first: changing it clears set-user and set-group bits.
    if (injected("fchown") || fchown(file.descriptor(), original.owner_, original.group_) != 0) {
        // Another owner is kept only where the system allows it.
    }
    if (injected("fchmod") || fchmod(file.descriptor(), original.mode_ & kPermissionBits) != 0) return errno;
    if (!file.sync()) return errno;
    return file.close();
}

namespace {

// What a replace puts its file in place of: for a symbolic link, the file it
// points to, so that the link stays a link. Empty, with errno set, when that
// cannot be told.
std::string replacedPath(std::string_view target) {
    struct stat st {};
    const std::string link = systemPath(target);
    if (injected("lstat") || ::lstat(link.c_str(), &st) != 0) return {};
    if (!S_ISLNK(st.st_mode)) return std::string(target);
    char resolved[PATH_MAX];
    if (injected("realpath") || ::realpath(link.c_str(), resolved) == nullptr) return {};
    return resolved;
}

// Makes a rename in the folder durable.
void syncFolder(std::string_view folder) {
    const int fd = injected("open folder") ? -1 : ::open(systemPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    if (!injected("fsync folder")) fsync(fd);
    ::close(fd);
}

}  // namespace

void setFaults(const FaultPlan& plan) { faults() = FaultState{plan}; }
int faultCallCount() { return faults().calls; }
const char* failedCallName() { return faults().failed; }

File::~File() { close(); }

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        position_ = other.position_;
        length_ = other.length_;
        mode_ = other.mode_;
        owner_ = other.owner_;
        group_ = other.group_;
    }
    return *this;
}

int File::open(std::string_view path, Access access) {
    close();
    if (path.size() > kMaxPath) return ENAMETOOLONG;
    // Without blocking, so that opening a named pipe cannot hang the program.
    const std::string name = systemPath(path);
    // A file this open creates is removed again when the open fails after all.
    const int flags = openFlags(access) | O_CLOEXEC | O_NONBLOCK;
    const bool mayCreate = (flags & O_CREAT) != 0;
    int fd = mayCreate ? sysOpen(name, flags | O_EXCL) : -1;
    const bool created = fd >= 0;
    if (!created && (!mayCreate || errno == EEXIST)) fd = sysOpen(name, flags & ~O_CREAT);
    if (fd < 0) return errno;
    struct stat st {};
    if (const int error = checkOpened(fd, access, st); error != 0) {
        ::close(fd);
        if (created) ::unlink(name.c_str());
        return error;
    }
    fd_ = fd;
    position_ = 0;
    length_ = static_cast<std::uint64_t>(st.st_size);
    mode_ = st.st_mode;
    owner_ = st.st_uid;
    group_ = st.st_gid;
    return 0;
}

std::int64_t File::read(std::span<std::uint8_t> buffer) {
    const std::int64_t got = readFully(fd_, std::nullopt, buffer);
    if (got > 0) position_ += static_cast<std::uint64_t>(got);
    return got;
}

std::int64_t File::readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) { return readFully(fd_, offset, buffer); }

bool File::write(std::span<const std::uint8_t> bytes) {
    const bool written = writeFully(fd_, std::nullopt, bytes, allowedWrite(position_, length_, bytes.size(), "write"));
    // After a failure the position is not known; the next write fails or seeks.
    position_ += bytes.size();
    grewTo(position_);
    return written;
}

bool File::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    const bool written = writeFully(fd_, offset, bytes, allowedWrite(offset, length_, bytes.size(), "pwrite"));
    grewTo(offset + bytes.size());
    return written;
}

void File::grewTo(std::uint64_t end) { length_ = std::max(length_, end); }

bool File::seek(std::uint64_t offset) {
    if (injected("lseek")) return false;
    if (lseek(fd_, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(offset)) return false;
    position_ = offset;
    return true;
}

std::optional<std::uint64_t> File::size() const {
    if (fd_ < 0) return std::nullopt;
    return length_;
}

bool File::truncate(std::uint64_t length) {
    if (sysFtruncate(fd_, length) != 0) return false;
    length_ = length;
    return true;
}

bool File::sync() { return sysFsync(fd_) == 0; }

int File::close() {
    if (fd_ < 0) return 0;
    const int result = sysClose(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    return result;
}

TempFile::~TempFile() {
    file_.close();
    if (!path_.empty()) ::unlink(systemPath(path_).c_str());
}

int TempFile::create(std::string_view folder, std::string_view prefix) {
    const auto seed = static_cast<unsigned>(getpid()) ^ static_cast<unsigned>(std::time(nullptr));
    for (unsigned attempt = 0; attempt < kTempNameSpace; ++attempt) {
        char name[kMaxPath + 1];
        const int length = std::snprintf(name, sizeof name, "%.*s%c%.*s%04X.tmp",
                                         static_cast<int>(folder.size()), folder.data(), kSeparator,
                                         static_cast<int>(prefix.size()), prefix.data(),
                                         (seed + attempt) % kTempNameSpace);
        if (length < 0 || static_cast<std::size_t>(length) > kMaxPath) return ENAMETOOLONG;
        const int fd = sysOpen(systemPath(name), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return errno;
        path_ = name;
        file_.fd_ = fd;
        return sysFlock(fd) == 0 ? 0 : errno;
    }
    return EEXIST;
}

int TempFile::replace(std::string_view link, const File& original) {
    const std::string target = replacedPath(link);
    if (target.empty()) return errno;  // the link leads nowhere
    if (const int error = prepareReplacement(file_, original); error != 0) return error;
    int error = renameOver(path_, target, true);
    if (error == EXDEV) error = replaceFromOtherFileSystem(target, original);
    if (error != 0) return error;
    path_.clear();
    // The new contents are in place and on disk whatever this gives: only
    // the rename could still be lost to a power cut, so it is no failure.
    syncFolder(folderOf(target));
    return 0;
}

// The temporary folder is on another file system: copy beside the target.
// This file goes before the copy takes the target's place, so that nothing
// stays in the working folder once the target is replaced.
int TempFile::replaceFromOtherFileSystem(std::string_view target, const File& original) {
    TempFile beside;
    int error = beside.create(folderOf(target));
    File source;
    if (error == 0) error = source.open(path_, Access::Read);
    if (error == 0) error = copyRange(source, 0, beside.file(), 0, *source.size());
    if (error == 0) error = prepareReplacement(beside.file(), original);
    if (error == 0) error = sysUnlink(systemPath(path_)) == 0 ? 0 : errno;
    if (error == 0) path_.clear();
    if (error == 0) error = renameOver(beside.path_, target, false);
    if (error == 0) beside.path_.clear();
    return error;
}

std::string folderOf(std::string_view path) {
    const std::size_t slash = path.rfind(kSeparator);
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return std::string(1, kSeparator);
    return std::string(path.substr(0, slash));
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != kSeparator) path += kSeparator;
    return path + std::string(name);
}

int deleteFile(std::string_view path) {
    return sysUnlink(systemPath(path)) == 0 ? 0 : errno;
}

int moveFileNoReplace(std::string_view from, std::string_view to) {
    const std::string source = systemPath(from);
    const std::string destination = systemPath(to);
    if (injected("renameat2")) return errno;
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without the flag: a hard link cannot replace anything either.
    if (::link(source.c_str(), destination.c_str()) != 0) return errno;
    return ::unlink(source.c_str()) == 0 ? 0 : errno;
}

int changeFolder(std::string_view path) {
    return ::chdir(systemPath(path).c_str()) == 0 ? 0 : errno;
}

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

PathKind pathKind(std::string_view path) {
    struct stat st {};
    if (::stat(systemPath(path).c_str(), &st) != 0) return PathKind::Missing;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
}

struct FolderReader::Impl {
    DIR* dir = nullptr;
    ~Impl() {
        if (dir != nullptr) closedir(dir);
    }
};

FolderReader::FolderReader() = default;
FolderReader::~FolderReader() = default;

int FolderReader::open(std::string_view path) {
    impl_.reset();
    DIR* dir = opendir(systemPath(path).c_str());
    if (dir == nullptr) return errno;
    impl_ = std::make_unique<Impl>();
    impl_->dir = dir;
    return 0;
}

int FolderReader::next(FolderEntry& entry) {
    if (!impl_) return -1;
    errno = 0;
    const dirent* found = readdir(impl_->dir);
    if (found == nullptr) return errno == 0 ? 0 : -1;
    entry.name = found->d_name;
    bool folder = found->d_type == DT_DIR;
    if (found->d_type == DT_UNKNOWN) {
        struct stat st {};
        folder = fstatat(dirfd(impl_->dir), found->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    entry.isFolder = folder;
    return 1;
}

}  // namespace platform
