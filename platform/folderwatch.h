// Tells what came into a folder and what left it: a watch asked once for
// every file of a walk costs one read that finds nothing.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

class FolderWatch {
public:
    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches the folder for entries made, moved in, removed or moved out.
    // 0, or the errno: EREMOTE for a folder on a file system that other
    // machines may change.
    int open(std::string_view path);
    bool isOpen() const { return fd_ >= 0; }
    void close();

    using Change = std::function<void(std::string_view name, bool added)>;
    // Hands over each entry made or moved in (added) and each removed or
    // moved out since the last call, read without waiting. False, and the
    // watch closed, when it can no longer tell: the folder went, or the
    // system dropped changes.
    bool takeChanges(const Change& change);

private:
    int fd_ = -1;
};

}  // namespace platform
