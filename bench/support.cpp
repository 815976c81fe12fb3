#include "bench/support.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace bench_support {

namespace fs = std::filesystem;

namespace {

std::uint64_t counterValue(std::string_view text, std::string_view name) {
    const std::size_t at = text.find(name);
    if (at == std::string_view::npos) throw std::runtime_error("no counter in /proc/self/io");
    return std::strtoull(text.data() + at + name.size(), nullptr, 10);
}

}  // namespace

// The counters include every byte returned by read(2), those of this very read
// too; the values shown predate it, so the next reading is ownRead too high.
IoCounters readIoCounters() {
    char buffer[1024];
    const int fd = ::open("/proc/self/io", O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open /proc/self/io");
    std::size_t used = 0;
    for (ssize_t got; (got = ::read(fd, buffer + used, sizeof buffer - 1 - used)) > 0;)
        used += static_cast<std::size_t>(got);
    ::close(fd);
    buffer[used] = '\0';
    const std::string_view text(buffer, used);
    return {counterValue(text, "rchar: "), counterValue(text, "wchar: "), used};
}

void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

void writeAt(const std::string& path, std::uint64_t offset, const Bytes& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 ||
        ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(bytes.size())) {
        fail("cannot write " + path);
    }
    ::close(fd);
}

void appendTo(const std::string& path, const Bytes& bytes) { writeAt(path, fs::file_size(path), bytes); }

Bytes readAt(const std::string& path, std::uint64_t offset, std::size_t count) {
    Bytes bytes(count);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::pread(fd, bytes.data(), count, static_cast<off_t>(offset)) != static_cast<ssize_t>(count)) {
        fail("cannot read " + path);
    }
    ::close(fd);
    return bytes;
}

void syncPath(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) fail("cannot flush " + path);
    ::close(fd);
}

void copyTo(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    syncPath(to);
}

tags::TagResult plainRewrite(const std::string& path) {
    const std::string temp = "LV3copy.tmp";
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    static Bytes buffer(64 * 1024);
    bool ok = in >= 0 && out >= 0;
    for (ssize_t got; ok && (got = ::read(in, buffer.data(), buffer.size())) > 0;) {
        ok = ::write(out, buffer.data(), static_cast<std::size_t>(got)) == got;
    }
    ok = ok && ::fsync(out) == 0;
    if (in >= 0) ::close(in);
    if (out >= 0) ::close(out);
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (ok) syncPath(".");
    return ok ? tags::TagSuccess : tags::TagFileError;
}

void writeAudio(const std::string& path, std::int64_t size) {
    Bytes block(417 * 2520);  // about 1 MB of whole frames
    for (std::size_t at = 0; at < block.size(); at += 417) {
        block[at] = 0xFF, block[at + 1] = 0xFB, block[at + 2] = 0x90;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) fail("cannot create " + path);
    for (std::int64_t left = size; left > 0;) {
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
        if (::write(fd, block.data(), take) != static_cast<ssize_t>(take)) fail("cannot write " + path);
        left -= static_cast<std::int64_t>(take);
    }
    ::close(fd);
}

void setText(tags::V2Tag& tag, tags::FieldMask bit, std::string_view text, std::size_t skip) {
    tag.freeFields(bit);
    if (tag.allocFields(bit, static_cast<std::uint32_t>(skip + text.size())) != tags::TagSuccess)
        throw std::bad_alloc();
    const std::size_t slot = tags::slotOfBit(static_cast<std::size_t>(std::countr_zero(bit)));
    std::memcpy(tag.slots[slot].buffer.get() + skip, text.data(), text.size());
}

void fillV2(tags::V2Tag& tag, std::string_view title) {
    setText(tag, tags::kFieldTitle, title);
    setText(tag, tags::kFieldArtist, "Some Artist");
    setText(tag, tags::kFieldAlbum, "Some Album");
    setText(tag, tags::kFieldYear, "2004");
    setText(tag, tags::kFieldComment, "A comment", 5);
    setText(tag, tags::kFieldTrack, "7");
    setText(tag, tags::kFieldGenre, "Rock");
}

void fillV1(tags::V1Tag& tag, const char* title) {
    tag = tags::V1Tag{};
    std::strcpy(tag.title, title);
    std::strcpy(tag.artist, "Some Artist");
    std::strcpy(tag.album, "Some Album");
    std::strcpy(tag.year, "2004");
    std::strcpy(tag.comment, "A comment");
    tag.track = 7;
    tag.genre = 17;
}

ScratchFolder::ScratchFolder() : previous_(fs::current_path()) {
    std::string pattern = "/tmp/lirvane-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) fail("cannot create a folder in /tmp");
    path_ = pattern;
    fs::current_path(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
}

int runInScratchFolder(int argc, char** argv, const char* program, const std::function<void()>& prepare) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        ScratchFolder folder;
        if (prepare) prepare();
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", program, error.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench_support
