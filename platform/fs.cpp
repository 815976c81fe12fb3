#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/text.h"

namespace platform {
namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kNewFileMode = 0666;  // before the umask
constexpr unsigned kTempNameSpace = 0x10000;  // four hex digits
constexpr std::size_t kCopyBuffer = 64 * 1024;

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

bool injectedReadFailure() {
    FaultState& f = faults();
    if (f.plan.failRead > 0 && ++f.reads == f.plan.failRead) {
        f.failed = "read";
        errno = EIO;
        return true;
    }
    return injected("read");
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

// How many of `wanted` bytes the injected faults let through; sets errno when
// fewer than all.
// A full disk refuses only new blocks: bytes written over the file's old ones
// always fit.
std::size_t bytesBeyondEnd(int fd, std::size_t wanted) {
    struct stat st {};
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (at < 0 || fstat(fd, &st) != 0 || st.st_size <= at) return wanted;
    const auto inside = static_cast<std::uint64_t>(st.st_size - at);
    return inside >= wanted ? 0 : wanted - static_cast<std::size_t>(inside);
}

std::size_t allowedWrite(int fd, std::size_t wanted) {
    FaultState& f = faults();
    if ((f.plan.failWrite > 0 && ++f.writes == f.plan.failWrite) || injected("write")) {
        f.failed = "write";
        errno = EIO;
        return 0;
    }
    if (f.plan.spaceLeft < 0) return wanted;
    const std::size_t growth = bytesBeyondEnd(fd, wanted);
    const auto room = static_cast<std::size_t>(f.plan.spaceLeft);
    const std::size_t grown = growth < room ? growth : room;
    f.plan.spaceLeft -= static_cast<std::int64_t>(grown);
    if (grown < growth) errno = ENOSPC;
    return wanted - growth + grown;
}

std::string systemPath(std::string_view path) { return toUtf8(path); }

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
int checkOpened(int fd, Access access) {
    struct stat st {};
    if (sysFstat(fd, st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return ENODEV;  // a pipe or a device would hang or never end
    if (sysFlock(fd) != 0) return errno;
    if (access == Access::Read) return 0;
    if ((st.st_mode & kAnyWriteBit) == 0) return EACCES;
    if (access == Access::WriteTruncate && sysFtruncate(fd, 0) != 0) return errno;
    return 0;
}

// The last step of a replace, where the injected faults strike.
int renameOver(const std::string& from, std::string_view to, bool mayCrossFileSystems) {
    if (mayCrossFileSystems && faults().plan.crossDevice) return EXDEV;
    if (faults().plan.failReplace || injected("rename")) return EIO;
    return std::rename(systemPath(from).c_str(), systemPath(to).c_str()) == 0 ? 0 : errno;
}

int copyContents(File& from, File& to) {
    if (!from.seek(0)) return errno ? errno : EIO;
    std::array<std::uint8_t, kCopyBuffer> buffer{};
    for (;;) {
        const std::int64_t got = from.read(buffer);
        if (got < 0) return errno ? errno : EIO;
        if (got == 0) return 0;
        if (!to.write(std::span(buffer.data(), static_cast<std::size_t>(got)))) return errno ? errno : EIO;
    }
}

// Makes a finished temporary file durable and gives it the original's mode.
int prepareReplacement(File& file, const File& original) {
    struct stat st {};
    if (sysFstat(original.descriptor(), st) != 0) return errno;
    // The owner first: changing it clears set-user and set-group bits.
    if (injected("fchown") || fchown(file.descriptor(), st.st_uid, st.st_gid) != 0) {
        // Another owner is kept only where the system allows it.
    }
    if (injected("fchmod") || fchmod(file.descriptor(), st.st_mode & kPermissionBits) != 0) return errno;
    if (!file.sync()) return errno;
    return file.close();
}

// What a replace puts its file in place of: for a symbolic link, the file it
// points to, so that the link stays a link. Empty when that cannot be told, or
// when that file's path has characters the code page lacks.
std::string replacedPath(std::string_view target) {
    struct stat st {};
    const std::string link = systemPath(target);
    if (injected("lstat") || ::lstat(link.c_str(), &st) != 0) return {};
    if (!S_ISLNK(st.st_mode)) return std::string(target);
    char resolved[PATH_MAX];
    if (injected("realpath") || ::realpath(link.c_str(), resolved) == nullptr) return {};
    const std::string path = fromUtf8(resolved);
    return toUtf8(path) == resolved ? path : std::string();
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

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
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
    if (const int error = checkOpened(fd, access); error != 0) {
        ::close(fd);
        if (created) ::unlink(name.c_str());
        return error;
    }
    fd_ = fd;
    return 0;
}

std::int64_t File::read(std::span<std::uint8_t> buffer) {
    if (injectedReadFailure()) {
        errno = EIO;
        return -1;
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = ::read(fd_, buffer.data() + done, buffer.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

bool File::write(std::span<const std::uint8_t> bytes) {
    const std::size_t allowed = allowedWrite(fd_, bytes.size());
    std::size_t done = 0;
    while (done < allowed) {
        const ssize_t put = ::write(fd_, bytes.data() + done, allowed - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return allowed == bytes.size();
}

bool File::seek(std::uint64_t offset) {
    if (injected("lseek")) return false;
    return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

std::optional<std::uint64_t> File::size() const {
    struct stat st {};
    if (sysFstat(fd_, st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool File::truncate(std::uint64_t length) { return sysFtruncate(fd_, length) == 0; }

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
    if (target.empty()) return ENAMETOOLONG;
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
    if (error == 0) error = copyContents(source, beside.file());
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
    return ::getcwd(buffer, sizeof buffer) ? fromUtf8(buffer) : std::string();
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
    entry.name = fromUtf8(found->d_name);
    bool folder = found->d_type == DT_DIR;
    if (found->d_type == DT_UNKNOWN) {
        struct stat st {};
        folder = fstatat(dirfd(impl_->dir), found->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    entry.isFolder = folder;
    return 1;
}

}  // namespace platform
