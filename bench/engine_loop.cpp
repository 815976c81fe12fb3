// The engine over many files in one process, as bench/peers.sh times it
// against other tag editors, and the plain programs that set the limits.
//
//   lirvane_engine_loop MODE FILE...
//
// MODE is one of:
//   title-artist  per file what WriteV2 does for two fields: read the tag, set
//                 title and artist, write every field with 512 bytes of padding
//   remove-both   full removal of the ID3v2 tag, then of the ID3v1.1 trailer
//   v1-title      write the title into the ID3v1.1 trailer (appended if missing)
//   v1-remove     full removal of the ID3v1.1 trailer
//   ref-4k        limit: open, pread 4 KB at 0, pwrite them back, close
//   ref-tag       limit: open, pread the whole tag (as its header declares it),
//                 pwrite it back, close
//   ref-copy      limit: a durable copy through a 128 KB buffer (write, fsync,
//                 rename over the file, fsync of the folder)
//   ref-truncate  limit: cut off the last 128 bytes (ftruncate, fsync)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/memory.h"
#include "tags/v1tag.h"
#include "tags/v2header.h"
#include "tags/v2tag.h"

namespace {

constexpr char kTitle[] = "A title of the benchmark";
constexpr char kArtist[] = "An artist";
constexpr std::size_t kTextPrefix = 1;  // the encoding byte
constexpr std::size_t kLimitBlock = 4096;
constexpr std::size_t kCopyBuffer = 128 * 1024;
constexpr off_t kTrailer = 128;
constexpr mode_t kNewFile = 0644;

using PerFile = std::function<bool(const char* path)>;

bool setText(tags::V2Tag& tag, tags::FieldMask bit, std::size_t slot, const char* text) {
    tag.freeFields(bit);
    const auto length = static_cast<std::uint32_t>(kTextPrefix + std::strlen(text));
    if (tag.allocFields(bit, length) != tags::TagSuccess) return false;
    std::memcpy(tag.slots[slot].buffer.get() + kTextPrefix, text, length - kTextPrefix);
    return true;
}

// As the walk does it: one record and one file handle for every file, each
// file opened once for its read and write.
bool titleArtist(const char* path) {
    static tags::V2Tag tag;
    static tags::TagFile file;
    file.open(path, true);
    const tags::TagResult read = tag.read(file).result;
    if (read != tags::TagSuccess && read != tags::TagNoV2Header) return false;
    const bool written = setText(tag, tags::kFieldTitle, 0, kTitle) && setText(tag, tags::kFieldArtist, 1, kArtist) &&
                         tag.write(file, tags::kAllFields, tags::kDefaultPadding) == tags::TagSuccess;
    tag.freeFields(tags::kAllFields);
    return written;
}

bool removeBoth(const char* path) {
    return tags::V2Tag().remove(path, 0) == tags::TagSuccess && tags::V1Tag().remove(path, 0) == tags::TagSuccess;
}

bool v1Title(const char* path) {
    static tags::TagFile file;
    file.open(path, true);
    tags::V1Tag tag;
    if (tag.read(file) == tags::TagFileError) return false;
    std::memset(tag.title, 0, sizeof tag.title);
    std::strncpy(tag.title, kTitle, sizeof tag.title - 1);
    return tag.write(file, tags::kFieldTitle) == tags::TagSuccess;
}

bool v1Remove(const char* path) { return tags::V1Tag().remove(path, 0) == tags::TagSuccess; }

bool limit4k(const char* path) {
    const int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    std::array<char, kLimitBlock> block{};
    const bool ok = pread(fd, block.data(), block.size(), 0) == static_cast<ssize_t>(block.size()) &&
                    pwrite(fd, block.data(), block.size(), 0) == static_cast<ssize_t>(block.size());
    return close(fd) == 0 && ok;
}

bool limitTag(const char* path) {
    const int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    static std::vector<unsigned char> tag;
    tag.resize(tags::v2::kHeaderSize);
    bool ok = pread(fd, tag.data(), tag.size(), 0) == static_cast<ssize_t>(tag.size());
    const auto header = ok ? tags::v2::parseHeader(tag) : std::nullopt;
    if (header) {
        tag.resize(static_cast<std::size_t>(header->extent()));
        ok = pread(fd, tag.data(), tag.size(), 0) == static_cast<ssize_t>(tag.size()) &&
             pwrite(fd, tag.data(), tag.size(), 0) == static_cast<ssize_t>(tag.size());
    }
    return close(fd) == 0 && ok && header;
}

bool copyAll(int from, int to) {
    static std::vector<char> buffer(kCopyBuffer);
    for (;;) {
        const ssize_t got = read(from, buffer.data(), buffer.size());
        if (got <= 0) return got == 0;
        if (write(to, buffer.data(), static_cast<std::size_t>(got)) != got) return false;
    }
}

bool limitCopy(const char* path) {
    const std::string temp = std::string(path) + ".copy";
    const int from = open(path, O_RDONLY | O_CLOEXEC);
    const int to = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFile);
    bool ok = from >= 0 && to >= 0 && copyAll(from, to) && fsync(to) == 0;
    if (from >= 0) close(from);
    if (to >= 0) ok = close(to) == 0 && ok;
    ok = ok && rename(temp.c_str(), path) == 0;
    const int folder = open(platform::folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ok = fsync(folder) == 0 && ok;
        close(folder);
    }
    return ok;
}

bool limitTruncate(const char* path) {
    const int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool ok =
        fstat(fd, &st) == 0 && st.st_size >= kTrailer && ftruncate(fd, st.st_size - kTrailer) == 0 && fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

const std::map<std::string, PerFile> kModes = {
    {"title-artist", titleArtist}, {"remove-both", removeBoth},
    {"v1-title", v1Title},         {"v1-remove", v1Remove},
    {"ref-4k", limit4k},           {"ref-tag", limitTag},
    {"ref-copy", limitCopy},       {"ref-truncate", limitTruncate},
};

}  // namespace

int main(int argc, char** argv) {
    const auto mode = argc > 1 ? kModes.find(argv[1]) : kModes.end();
    if (mode == kModes.end()) {
        std::fprintf(stderr, "usage: %s MODE FILE... (see the source for the modes)\n", argv[0]);
        return 2;
    }
    platform::keepFreedMemory();  // as the program does
    int failed = 0;
    for (int i = 2; i < argc; ++i) failed += mode->second(argv[i]) ? 0 : 1;
    if (failed > 0) std::fprintf(stderr, "%d files failed\n", failed);
    return failed > 0 ? 1 : 0;
}
