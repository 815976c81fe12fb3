#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

#include "platform/signals.h"

namespace platform {
namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kNewFileMode = 0666;  // before the umask
constexpr mode_t kPrivateFileMode = 0600;
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
    ++f.calls;
    if (f.calls == f.plan.interveneAt && f.plan.intervene) f.plan.intervene();
    if (f.calls != f.plan.failCall) return false;
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
        const ssize_t got =
            offset ? ::pread(fd, buffer.data() + done, buffer.size() - done, static_cast<off_t>(*offset + done))
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
        const ssize_t put = offset
                                ? ::pwrite(fd, bytes.data() + done, allowed - done, static_cast<off_t>(*offset + done))
                                : ::write(fd, bytes.data() + done, allowed - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return allowed == bytes.size();
}

// The system calls, each counted by the fault plan.
int sysOpen(const std::string& path, int flags, mode_t mode = kNewFileMode) {
    return injected("open") ? -1 : ::open(path.c_str(), flags, mode);
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

// A file opened to be changed is read only for what is written back: its
// access time stays, where the system lets it (on the owner's files), which
// spares the system a write of the file's metadata for every read.
int openExisting(const std::string& name, int flags) {
    if ((flags & O_ACCMODE) != O_RDWR) return sysOpen(name, flags);
    const int fd = sysOpen(name, flags | O_NOATIME);
    return fd >= 0 || errno != EPERM ? fd : sysOpen(name, flags);
}

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
        case Access::CreatePrivate: return O_RDWR | O_CREAT | O_EXCL;
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

// The last step of a replace, where the injected faults strike: the two names
// swap their files atomically, or where the file system cannot swap, the
// first takes the second's place.
int renameOver(const std::string& from, const std::string& to, unsigned how) {
    if (faults().plan.failReplace || injected(how == RENAME_EXCHANGE ? "renameat2 exchange" : "rename")) return EIO;
    return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), how) == 0 ? 0 : errno;
}

std::int64_t nanoseconds(const struct timespec& time) {
    constexpr std::int64_t kPerSecond = 1000000000;
    return static_cast<std::int64_t>(time.tv_sec) * kPerSecond + time.tv_nsec;
}

// Whether the name holds the open file itself (a link there is another file).
bool holds(const std::string& name, const File& file) {
    struct stat st {};
    if (injected("lstat") || ::lstat(name.c_str(), &st) != 0) return false;
    return st.st_dev == file.device() && st.st_ino == file.inode();
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
        const auto chunk = std::span(buffer).first(
            static_cast<std::size_t>(std::min({count, toBoundary, std::uint64_t{buffer.size()}})));
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
    // After the mode: an access control list sets the group bits from its mask.
    if (const int error = copyAttributes(original, file); error != 0) return error;
    if (!file.sync()) return errno;
    return file.close();
}

namespace {

// Attributes that only the system or a privileged user may set: kept where allowed.
bool privileged(std::string_view name) { return name.starts_with("security.") || name.starts_with("trusted."); }

// The names of a file's extended attributes, each ending in a zero byte.
int attributeNames(int fd, std::vector<char>& names) {
    for (;;) {
        const ssize_t size = injected("flistxattr") ? -1 : flistxattr(fd, nullptr, 0);
        if (size < 0) return errno == ENOTSUP ? 0 : errno;  // a file system without them has none
        names.resize(static_cast<std::size_t>(size));
        if (size == 0) return 0;
        const ssize_t got = flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return 0;
        }
        if (errno != ERANGE) return errno;  // else it grew meanwhile: again
    }
}

int copyAttribute(int from, int to, const char* name, std::vector<char>& value) {
    for (;;) {
        const ssize_t size = injected("fgetxattr") ? -1 : fgetxattr(from, name, nullptr, 0);
        if (size < 0) return errno == ENODATA ? 0 : errno;  // removed meanwhile
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = fgetxattr(from, name, value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return errno;
        if (injected("fsetxattr") || fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0) != 0) {
            return privileged(name) ? 0 : errno;
        }
        return 0;
    }
}

}  // namespace

int copyAttributes(const File& from, File& to) {
    std::vector<char> names;
    if (const int error = attributeNames(from.descriptor(), names); error != 0) return error;
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        if (const int error = copyAttribute(from.descriptor(), to.descriptor(), names.data() + at, value); error != 0) {
            return error;
        }
    }
    return 0;
}

void syncFolder(std::string_view folder) {
    const int fd =
        injected("open folder") ? -1 : ::open(systemPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    if (!injected("fsync folder")) fsync(fd);
    ::close(fd);
}

void setFaults(const FaultPlan& plan) { faults() = FaultState{plan}; }
int faultCallCount() { return faults().calls; }
const char* failedCallName() { return faults().failed; }

File::~File() { close(); }

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        device_ = other.device_;
        inode_ = other.inode_;
        links_ = other.links_;
        openedLength_ = other.openedLength_;
        openedTime_ = other.openedTime_;
        position_ = other.position_;
        length_ = other.length_;
        mode_ = other.mode_;
        owner_ = other.owner_;
        group_ = other.group_;
    }
    return *this;
}

// A symbolic link is followed here once, by name, and never again: the open
// itself refuses one, so that what is opened is the name that is kept.
int File::open(std::string_view path, Access access) {
    close();
    if (path.size() > kMaxPath) return ENAMETOOLONG;
    const int error = openResolved(path, access);
    if (error != ELOOP) return error;
    char resolved[PATH_MAX];
    if (injected("realpath") || ::realpath(systemPath(path).c_str(), resolved) == nullptr) return errno;
    return openResolved(resolved, access);
}

int File::openResolved(std::string_view path, Access access) {
    // The name goes where it is kept, whose room serves one file after another
    // (a closed file's name tells nothing).
    path_.assign(path);
    const std::string& name = path_;
    // Without blocking, so that opening a named pipe cannot hang the program.
    // A file this open creates is removed again when the open fails after all.
    const int flags = openFlags(access) | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW;
    const bool mayCreate = (flags & O_CREAT) != 0;
    const mode_t mode = access == Access::CreatePrivate ? kPrivateFileMode : kNewFileMode;
    int fd = mayCreate ? sysOpen(name, flags | O_EXCL, mode) : -1;
    const bool created = fd >= 0;
    if (!created && (!mayCreate || errno == EEXIST) && access != Access::CreatePrivate)
        fd = openExisting(name, flags & ~O_CREAT);
    if (fd < 0) return errno;
    struct stat st;  // filled by the check: no zeroing on every open
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
    device_ = st.st_dev;
    inode_ = st.st_ino;
    links_ = st.st_nlink;
    openedLength_ = length_;
    openedTime_ = nanoseconds(st.st_mtim);
    return 0;
}

bool File::changedSinceOpen() const {
    struct stat st {};
    if (sysFstat(fd_, st) != 0) return true;
    return static_cast<std::uint64_t>(st.st_size) != openedLength_ || nanoseconds(st.st_mtim) != openedTime_;
}

std::int64_t File::read(std::span<std::uint8_t> buffer) {
    const std::int64_t got = readFully(fd_, std::nullopt, buffer);
    if (got > 0) position_ += static_cast<std::uint64_t>(got);
    return got;
}

std::int64_t File::readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    return readFully(fd_, offset, buffer);
}

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

std::uint64_t File::nextData(std::uint64_t offset) const {
    if (injected("lseek")) return offset;
    const off_t data = lseek(fd_, static_cast<off_t>(offset), SEEK_DATA);
    if (data >= 0) return static_cast<std::uint64_t>(data);
    return errno == ENXIO ? std::max(offset, length_) : offset;
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
    forgetTemporary(stopSlot_);
}

int TempFile::create(std::string_view folder, std::string_view prefix) {
    const auto seed = static_cast<unsigned>(getpid()) ^ static_cast<unsigned>(std::time(nullptr));
    for (unsigned attempt = 0; attempt < kTempNameSpace; ++attempt) {
        char name[kMaxPath + 1];
        const int length = std::snprintf(name, sizeof name, "%.*s%c%.*s%04X.tmp", static_cast<int>(folder.size()),
                                         folder.data(), kSeparator, static_cast<int>(prefix.size()), prefix.data(),
                                         (seed + attempt) % kTempNameSpace);
        if (length < 0 || static_cast<std::size_t>(length) > kMaxPath) return ENAMETOOLONG;
        const int fd = sysOpen(systemPath(name), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateFileMode);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return errno;
        path_ = name;
        stopSlot_ = noteTemporary(name);
        file_.fd_ = fd;
        file_.path_ = name;
        return sysFlock(fd) == 0 ? 0 : errno;
    }
    return EEXIST;
}

// The swap makes the check after it final: the name the temporary file had
// now holds what stood at the original's name, and if that is not the file
// that was opened, or another program wrote to it meanwhile, the two are
// swapped back and the other program's file stays where it was.
int TempFile::replace(const File& original) {
    const std::string& target = original.path();
    if (const int error = prepareReplacement(file_, original); error != 0) return error;
    int error = renameOver(path_, target, RENAME_EXCHANGE);
    if (error == EINVAL || error == ENOSYS) {
        // A file system that cannot swap: check, then rename.
        if (!holds(target, original) || original.changedSinceOpen()) return kChangedMeanwhile;
        error = renameOver(path_, target, 0);
    } else if (error == 0) {
        if (!holds(path_, original) || original.changedSinceOpen())
            error = kChangedMeanwhile;
        else if (sysUnlink(path_) != 0)
            error = errno;
        // A swap back that fails too leaves both files as they are: the one
        // under the temporary name may be the other program's.
        if (error != 0 && renameOver(path_, target, RENAME_EXCHANGE) != 0) path_.clear();
    }
    if (error != 0) return error;
    path_.clear();
    // The new contents are in place and on disk whatever this gives: only
    // the rename could still be lost to a power cut, so it is no failure.
    syncFolder(folderOf(target));
    return 0;
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

int deleteFile(std::string_view path) { return sysUnlink(systemPath(path)) == 0 ? 0 : errno; }

int makeFolders(std::string_view folder, unsigned mode) {
    const std::string path = systemPath(folder);
    for (std::size_t slash = path.find(kSeparator, 1);; slash = path.find(kSeparator, slash + 1)) {
        const std::string part = path.substr(0, slash);
        struct stat st {};
        if (::stat(part.c_str(), &st) != 0 && (injected("mkdir") || ::mkdir(part.c_str(), mode) != 0) &&
            errno != EEXIST) {
            return errno;
        }
        if (slash == std::string::npos) return 0;
    }
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

int changeFolder(std::string_view path) { return ::chdir(systemPath(path).c_str()) == 0 ? 0 : errno; }

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

PathKind pathKind(std::string_view path) {
    struct stat st {};
    if (::stat(systemPath(path).c_str(), &st) != 0) return PathKind::Missing;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
}

Folder::~Folder() {
    if (fd_ >= 0) ::close(fd_);
}

int Folder::open(std::string_view path) {
    const int fd = ::open(systemPath(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
    return 0;
}

bool Folder::holds(std::string_view name) const {
    std::array<char, NAME_MAX + 1> terminated;  // only the name and its end are used
    if (fd_ < 0 || name.size() >= terminated.size()) return false;
    *std::copy(name.begin(), name.end(), terminated.begin()) = '\0';
    struct stat st {};
    return ::fstatat(fd_, terminated.data(), &st, 0) == 0;
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
