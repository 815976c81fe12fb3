#include "platform/folderwatch.h"

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

namespace platform {
namespace {

constexpr std::uint32_t kEntryEvents = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;
constexpr std::uint32_t kAddedEvents = IN_CREATE | IN_MOVED_TO;
// The folder itself went, or events were lost: the watch no longer tells.
constexpr std::uint32_t kLostEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT | IN_Q_OVERFLOW;
constexpr std::size_t kReadSize = 4096;  // many events at once; one with the longest name fits

// A watch sees the changes this machine makes: only a local file system has
// no others.
bool isLocal(const std::string& path) {
    struct statfs fs {};
    if (statfs(path.c_str(), &fs) != 0) return false;
    switch (fs.f_type) {
        case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case TMPFS_MAGIC:
        case F2FS_SUPER_MAGIC: return true;
        default: return false;
    }
}

}  // namespace

FolderWatch::~FolderWatch() { close(); }

int FolderWatch::open(std::string_view path) {
    close();
    const std::string folder(path);
    if (!isLocal(folder)) return EREMOTE;
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return errno;
    if (inotify_add_watch(fd, folder.c_str(), kEntryEvents | IN_ONLYDIR) < 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    fd_ = fd;
    return 0;
}

void FolderWatch::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FolderWatch::takeChanges(const Change& change) {
    if (fd_ < 0) return false;
    alignas(inotify_event) char buffer[kReadSize];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EAGAIN) return true;
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if ((event.mask & kLostEvents) != 0) {
                close();
                return false;
            }
            const char* name = buffer + at + sizeof event;
            if (event.len > 0) change(std::string_view(name, ::strnlen(name, event.len)), (event.mask & kAddedEvents) != 0);
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    close();
    return false;
}

}  // namespace platform
