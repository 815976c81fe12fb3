// Throughput and I/O cost of the tag engine's file operations on generated MP3
// files of 1 MB and 50 MB, in a scratch folder under /tmp that is also the
// working directory (where rewrites put their temporary files).
//
// Each iteration times one operation alone (manual time): whatever puts the
// file back into its starting state runs outside the timed part. The bytes the
// process reads and writes during the operation are taken from /proc/self/io
// and reported per operation as read_bytes and written_bytes; items/s is files
// per second. BM_ReferenceCopy is no tag operation: it shows what a plain
// durable copy of the same file costs, for comparison with the rewrites.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tags/v1tag.h"
#include "tags/v2tag.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::int64_t kSmallFile = std::int64_t{1} << 20;
constexpr std::int64_t kLargeFile = std::int64_t{50} << 20;
constexpr int kRewriteIterationsLarge = 5;
const platform::WindowHandle kNoOwner{};
const char kWorkFile[] = "work.mp3";

// ---- I/O accounting -------------------------------------------------------

struct IoCounters {
    std::uint64_t rchar = 0;
    std::uint64_t wchar = 0;
    std::uint64_t ownRead = 0;  // what reading the counters added to rchar
};

std::uint64_t counterValue(std::string_view text, std::string_view name) {
    const std::size_t at = text.find(name);
    if (at == std::string_view::npos) throw std::runtime_error("no counter in /proc/self/io");
    return std::strtoull(text.data() + at + name.size(), nullptr, 10);
}

// The counters include every byte returned by read(2), those of this very read
// too; the values shown predate it, so the next reading is ownRead too high.
IoCounters readIoCounters() {
    char buffer[1024];
    const int fd = ::open("/proc/self/io", O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open /proc/self/io");
    std::size_t used = 0;
    for (ssize_t got; (got = ::read(fd, buffer + used, sizeof buffer - 1 - used)) > 0;) used += static_cast<std::size_t>(got);
    ::close(fd);
    buffer[used] = '\0';
    const std::string_view text(buffer, used);
    return {counterValue(text, "rchar: "), counterValue(text, "wchar: "), used};
}

// Times single operations and sums the I/O they cause; reports on destruction.
class Probe {
public:
    explicit Probe(benchmark::State& state) : state_(state) {}
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    ~Probe() {
        const double n = static_cast<double>(state_.iterations());
        if (n == 0) return;
        state_.counters["read_bytes"] = benchmark::Counter(static_cast<double>(read_), benchmark::Counter::kAvgIterations);
        state_.counters["written_bytes"] = benchmark::Counter(static_cast<double>(written_), benchmark::Counter::kAvgIterations);
        state_.SetItemsProcessed(state_.iterations());
    }

    // Runs the operation once; false (and the benchmark skipped) when it fails.
    template <typename Operation>
    bool time(Operation&& operation) {
        const IoCounters before = readIoCounters();
        const auto start = std::chrono::steady_clock::now();
        const tags::TagResult result = operation();
        const auto end = std::chrono::steady_clock::now();
        const IoCounters after = readIoCounters();
        state_.SetIterationTime(std::chrono::duration<double>(end - start).count());
        read_ += after.rchar - before.rchar - before.ownRead;
        written_ += after.wchar - before.wchar;
        if (result != tags::TagSuccess) {
            state_.SkipWithError(("tag operation failed with " + std::to_string(result)).c_str());
            return false;
        }
        return true;
    }

private:
    benchmark::State& state_;
    std::uint64_t read_ = 0;
    std::uint64_t written_ = 0;
};

// ---- Files ------------------------------------------------------------------

void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

void writeAt(const std::string& path, std::uint64_t offset, const Bytes& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 || ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(bytes.size())) {
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

// Flushed, so that no later timed flush pays for these bytes.
void copyTo(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    syncPath(to);
}

// The least a rewrite can cost: the file copied through a 64 KB buffer into a
// new file that is flushed to disk and renamed over it.
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

// MPEG-1 Layer III frames at 128 kbit/s and 44.1 kHz, 417 bytes each, with
// silent (zero) bodies, up to the given size.
void writeAudio(const std::string& path, std::int64_t size) {
    Bytes block(417 * 2520);  // about 1 MB of whole frames
    for (std::size_t at = 0; at < block.size(); at += 417) {
        block[at] = 0xFF, block[at + 1] = 0xFB, block[at + 2] = 0x90;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) fail("cannot create " + path);
    for (std::int64_t left = size; left > 0;) {
        const std::size_t take = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
        if (::write(fd, block.data(), take) != static_cast<ssize_t>(take)) fail("cannot write " + path);
        left -= static_cast<std::int64_t>(take);
    }
    ::close(fd);
}

void setText(tags::V2Tag& tag, tags::FieldMask bit, std::string_view text, std::size_t skip = 1) {
    tag.freeFields(bit);
    if (tag.allocFields(bit, static_cast<std::uint32_t>(skip + text.size())) != tags::TagSuccess) throw std::bad_alloc();
    const std::size_t slot = tags::slotOfBit(static_cast<std::size_t>(std::countr_zero(bit)));
    std::memcpy(tag.slots[slot].buffer.get() + skip, text.data(), text.size());
}

// An ordinary tag: the seven fields shared with ID3v1.1, the other five empty.
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

// The pristine files of one size, made once: the bare audio, and the audio with
// an ID3v2.3 tag (written by the engine, so with 512 bytes of padding) and an
// ID3v1.1 trailer, together with those two tags' bytes.
struct Pristine {
    std::string audio;
    std::string tagged;
    Bytes v2Head;   // every byte before the audio
    Bytes trailer;  // the last 128 bytes
};

const Pristine& pristine(std::int64_t size) {
    static std::map<std::int64_t, Pristine> made;
    if (const auto found = made.find(size); found != made.end()) return found->second;
    Pristine p{"audio-" + std::to_string(size) + ".mp3", "tagged-" + std::to_string(size) + ".mp3", {}, {}};
    writeAudio(p.audio, size);
    copyTo(p.audio, p.tagged);
    tags::V2Tag v2;
    fillV2(v2, "Title A");
    tags::V1Tag v1;
    fillV1(v1, "Title A");
    if (v2.write(kNoOwner, p.tagged.c_str(), tags::kAllFields, tags::kDefaultPadding) != tags::TagSuccess ||
        v1.write(kNoOwner, p.tagged.c_str(), tags::kAllFields) != tags::TagSuccess) {
        throw std::runtime_error("cannot tag " + p.tagged);
    }
    p.v2Head = readAt(p.tagged, 0, v2.size + 10);
    p.trailer = readAt(p.tagged, fs::file_size(p.tagged) - 128, 128);
    return made.emplace(size, std::move(p)).first->second;
}

// ---- Benchmarks -------------------------------------------------------------

// Rewrites the fields of an existing trailer, alternating two titles.
void BM_V1Write(benchmark::State& state) {
    copyTo(pristine(state.range(0)).tagged, kWorkFile);
    tags::V1Tag records[2];
    fillV1(records[0], "Title A");
    fillV1(records[1], "Title B");
    Probe probe(state);
    int turn = 0;
    for (auto _ : state) {
        if (!probe.time([&] { return records[turn ^= 1].write(kNoOwner, kWorkFile, tags::kAllFields); })) break;
    }
}

// The new tag fits the space of the old one: written in place.
void BM_V2WriteInPlace(benchmark::State& state) {
    copyTo(pristine(state.range(0)).tagged, kWorkFile);
    tags::V2Tag records[2];
    fillV2(records[0], "Title A");
    fillV2(records[1], "Title B");
    Probe probe(state);
    int turn = 0;
    for (auto _ : state) {
        if (!probe.time([&] { return records[turn ^= 1].write(kNoOwner, kWorkFile, tags::kAllFields, tags::kDefaultPadding); })) break;
    }
}

// The file begins with audio, so the tag never fits: every write rewrites the
// file through a temporary file. The bare file is restored untimed.
void BM_V2WriteThroughTempFile(benchmark::State& state) {
    const Pristine& p = pristine(state.range(0));
    tags::V2Tag tag;
    fillV2(tag, "Title A");
    Probe probe(state);
    for (auto _ : state) {
        copyTo(p.audio, kWorkFile);
        if (!probe.time([&] { return tag.write(kNoOwner, kWorkFile, tags::kAllFields, tags::kDefaultPadding); })) break;
    }
}

void BM_ReferenceCopy(benchmark::State& state) {
    copyTo(pristine(state.range(0)).audio, kWorkFile);
    Probe probe(state);
    for (auto _ : state) {
        if (!probe.time([&] { return plainRewrite(kWorkFile); })) break;
    }
}

void BM_V1RemoveSoft(benchmark::State& state) {
    const Pristine& p = pristine(state.range(0));
    copyTo(p.tagged, kWorkFile);
    const std::uint64_t trailerAt = fs::file_size(kWorkFile) - 128;
    tags::V1Tag tag;
    Probe probe(state);
    for (auto _ : state) {
        if (!probe.time([&] { return tag.remove(kNoOwner, kWorkFile, 1); })) break;
        writeAt(kWorkFile, trailerAt, p.trailer);
    }
}

void BM_V1RemoveFull(benchmark::State& state) {
    const Pristine& p = pristine(state.range(0));
    copyTo(p.tagged, kWorkFile);
    tags::V1Tag tag;
    Probe probe(state);
    for (auto _ : state) {
        if (!probe.time([&] { return tag.remove(kNoOwner, kWorkFile, 0); })) break;
        appendTo(kWorkFile, p.trailer);
    }
}

void BM_V2RemoveSoft(benchmark::State& state) {
    const Pristine& p = pristine(state.range(0));
    copyTo(p.tagged, kWorkFile);
    tags::V2Tag tag;
    Probe probe(state);
    for (auto _ : state) {
        if (!probe.time([&] { return tag.remove(kNoOwner, kWorkFile, 1); })) break;
        writeAt(kWorkFile, 0, p.v2Head);
    }
}

void BM_V2RemoveFull(benchmark::State& state) {
    const Pristine& p = pristine(state.range(0));
    tags::V2Tag tag;
    Probe probe(state);
    for (auto _ : state) {
        copyTo(p.tagged, kWorkFile);
        if (!probe.time([&] { return tag.remove(kNoOwner, kWorkFile, 0); })) break;
    }
}

void BM_V2Read(benchmark::State& state) {
    copyTo(pristine(state.range(0)).tagged, kWorkFile);
    tags::V2Tag tag;
    Probe probe(state);
    for (auto _ : state) {
        if (!probe.time([&] { return tag.read(kNoOwner, kWorkFile); })) break;
    }
}

// Operations whose cost should not depend on the file's size run on both sizes
// for the usual minimum time; rewrites of the large file run a few times only.
#define LIRVANE_IN_PLACE(fn) \
    BENCHMARK(fn)->Arg(kSmallFile)->Arg(kLargeFile)->UseManualTime()->Unit(benchmark::kMicrosecond)
#define LIRVANE_REWRITE(fn)                                                                     \
    BENCHMARK(fn)->Arg(kSmallFile)->UseManualTime()->Unit(benchmark::kMillisecond);            \
    BENCHMARK(fn)->Arg(kLargeFile)->Iterations(kRewriteIterationsLarge)->UseManualTime()->Unit( \
        benchmark::kMillisecond)

LIRVANE_IN_PLACE(BM_V1Write);
LIRVANE_IN_PLACE(BM_V2WriteInPlace);
LIRVANE_REWRITE(BM_V2WriteThroughTempFile);
LIRVANE_REWRITE(BM_ReferenceCopy);
LIRVANE_IN_PLACE(BM_V1RemoveSoft);
LIRVANE_REWRITE(BM_V1RemoveFull);
LIRVANE_IN_PLACE(BM_V2RemoveSoft);
LIRVANE_REWRITE(BM_V2RemoveFull);
LIRVANE_IN_PLACE(BM_V2Read);

// A scratch folder under /tmp, the working directory while it lives.
class ScratchFolder {
public:
    ScratchFolder() : previous_(fs::current_path()) {
        std::string pattern = "/tmp/lirvane-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) fail("cannot create a folder in /tmp");
        path_ = pattern;
        fs::current_path(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

private:
    fs::path previous_;
    fs::path path_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        ScratchFolder folder;
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lirvane_bench: %s\n", error.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
