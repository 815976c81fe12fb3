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
};

FaultState& faults() {
    static FaultState state;
    return state;
}

bool injectedReadFailure() {
    FaultState& f = faults();
    return f.plan.failRead > 0 && ++f.reads == f.plan.failRead;
}

// How many of `wanted` bytes the injected faults let through; sets errno when
// fewer than all.
std::size_t allowedWrite(std::size_t wanted) {
    FaultState& f = faults();
    if (f.plan.failWrite > 0 && ++f.writes == f.plan.failWrite) {
        errno = EIO;
        return 0;
    }
    if (f.plan.spaceLeft < 0) return wanted;
    const auto room = static_cast<std::size_t>(f.plan.spaceLeft);
    const std::size_t allowed = wanted < room ? wanted : room;
    f.plan.spaceLeft -= static_cast<std::int64_t>(allowed);
    if (allowed < wanted) errno = ENOSPC;
    return allowed;
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
int checkOpened(int fd, Access access) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return ENODEV;  // a pipe or a device would hang or never end
    if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) return errno;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return errno;
    if (access == Access::Read) return 0;
    if ((st.st_mode & kAnyWriteBit) == 0) return EACCES;
    if (access == Access::WriteTruncate && ftruncate(fd, 0) != 0) return errno;
    return 0;
}

// The last step of a replace, where the injected faults strike.
int renameOver(const std::string& from, std::string_view to, bool mayCrossFileSystems) {
    if (mayCrossFileSystems && faults().plan.crossDevice) return EXDEV;
    if (faults().plan.failReplace) return EIO;
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
    if (fstat(original.descriptor(), &st) != 0) return errno;
    // The owner first: changing it clears set-user and set-group bits.
    if (fchown(file.descriptor(), st.st_uid, st.st_gid) != 0) {
        // Another owner is kept only where the system allows it.
    }
    if (fchmod(file.descriptor(), st.st_mode & kPermissionBits) != 0) return errno;
    if (!file.sync()) return errno;
    return file.close();
}

// What a replace puts its file in place of: for a symbolic link, the file it
// points to, so that the link stays a link.
std::string replacedPath(std::string_view target) {
    struct stat st {};
    const std::string link = systemPath(target);
    if (::lstat(link.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return std::string(target);
    char resolved[PATH_MAX];
    if (::realpath(link.c_str(), resolved) == nullptr) return {};
    return resolved;
}

void syncFolder(std::string_view folder) {
    const int fd = ::open(systemPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
}

}  // namespace

void setFaults(const FaultPlan& plan) { faults() = FaultState{plan}; }

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
    const int fd = ::open(systemPath(path).c_str(), openFlags(access) | O_CLOEXEC | O_NONBLOCK, kNewFileMode);
    if (fd < 0) return errno;
    if (const int error = checkOpened(fd, access); error != 0) {
        ::close(fd);
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
    const std::size_t allowed = allowedWrite(bytes.size());
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
    return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

std::optional<std::uint64_t> File::size() const {
    struct stat st {};
    if (fstat(fd_, &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool File::truncate(std::uint64_t length) { return ftruncate(fd_, static_cast<off_t>(length)) == 0; }

bool File::sync() { return fsync(fd_) == 0; }

int File::close() {
    if (fd_ < 0) return 0;
    const int result = ::close(fd_) == 0 ? 0 : errno;
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
        const int fd = ::open(systemPath(name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return errno;
        path_ = name;
        file_.fd_ = fd;
        return flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    }
    return EEXIST;
}

int TempFile::replace(std::string_view link, const File& original) {
    const std::string target = replacedPath(link);
    if (target.empty()) return errno;  // the link leads nowhere
    if (const int error = prepareReplacement(file_, original); error != 0) return error;
    int error = renameOver(path_, target, true);
    if (error == EXDEV) {
        error = replaceFromOtherFileSystem(target, original);
        if (error == 0) ::unlink(systemPath(path_).c_str());
    }
    if (error != 0) return error;
    path_.clear();
    syncFolder(folderOf(target));
    return 0;
}

// The temporary folder is on another file system: copy beside the target.
int TempFile::replaceFromOtherFileSystem(std::string_view target, const File& original) {
    TempFile beside;
    int error = beside.create(folderOf(target));
    File source;
    if (error == 0) error = source.open(path_, Access::Read);
    if (error == 0) error = copyContents(source, beside.file());
    if (error == 0) error = prepareReplacement(beside.file(), original);
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
    return ::unlink(systemPath(path).c_str()) == 0 ? 0 : errno;
}

int moveFileNoReplace(std::string_view from, std::string_view to) {
    const std::string source = systemPath(from);
    const std::string destination = systemPath(to);
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
