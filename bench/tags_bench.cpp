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

#include "bench/support.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"

namespace {

using namespace bench_support;
namespace fs = std::filesystem;

constexpr std::int64_t kSmallFile = std::int64_t{1} << 20;
constexpr std::int64_t kLargeFile = std::int64_t{50} << 20;
constexpr int kRewriteIterationsLarge = 5;
const char kWorkFile[] = "work.mp3";

// Times single operations and sums the I/O they cause; reports on destruction.
class Probe {
public:
    explicit Probe(benchmark::State& state) : state_(state) {}
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    ~Probe() {
        const double n = static_cast<double>(state_.iterations());
        if (n == 0) return;
        state_.counters["read_bytes"] =
            benchmark::Counter(static_cast<double>(read_), benchmark::Counter::kAvgIterations);
        state_.counters["written_bytes"] =
            benchmark::Counter(static_cast<double>(written_), benchmark::Counter::kAvgIterations);
        state_.SetItemsProcessed(state_.iterations());
    }

    // Runs the operation once; false (and the benchmark skipped) when it fails.
    template <typename Operation>
    bool time(Operation&& operation) {
        const IoCounters before = readIoCounters();
        const auto start = std::chrono::steady_clock::now();
        const tags::TagResult result = tags::TagOutcome(operation()).result;
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
    if (v2.write(p.tagged.c_str(), tags::kAllFields, tags::kDefaultPadding) != tags::TagSuccess ||
        v1.write(p.tagged.c_str(), tags::kAllFields) != tags::TagSuccess) {
        throw std::runtime_error("cannot tag " + p.tagged);
    }
    p.v2Head = readAt(p.tagged, 0, v2.declaredSize + 10);
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
        if (!probe.time([&] { return records[turn ^= 1].write(kWorkFile, tags::kAllFields); })) break;
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
        if (!probe.time([&] { return records[turn ^= 1].write(kWorkFile, tags::kAllFields, tags::kDefaultPadding); }))
            break;
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
        if (!probe.time([&] { return tag.write(kWorkFile, tags::kAllFields, tags::kDefaultPadding); })) break;
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
        if (!probe.time([&] { return tag.remove(kWorkFile, 1); })) break;
        writeAt(kWorkFile, trailerAt, p.trailer);
    }
}

void BM_V1RemoveFull(benchmark::State& state) {
    const Pristine& p = pristine(state.range(0));
    copyTo(p.tagged, kWorkFile);
    tags::V1Tag tag;
    Probe probe(state);
    for (auto _ : state) {
        if (!probe.time([&] { return tag.remove(kWorkFile, 0); })) break;
        appendTo(kWorkFile, p.trailer);
    }
}

void BM_V2RemoveSoft(benchmark::State& state) {
    const Pristine& p = pristine(state.range(0));
    copyTo(p.tagged, kWorkFile);
    tags::V2Tag tag;
    Probe probe(state);
    for (auto _ : state) {
        if (!probe.time([&] { return tag.remove(kWorkFile, 1); })) break;
        writeAt(kWorkFile, 0, p.v2Head);
    }
}

void BM_V2RemoveFull(benchmark::State& state) {
    const Pristine& p = pristine(state.range(0));
    tags::V2Tag tag;
    Probe probe(state);
    for (auto _ : state) {
        copyTo(p.tagged, kWorkFile);
        if (!probe.time([&] { return tag.remove(kWorkFile, 0); })) break;
    }
}

void BM_V2Read(benchmark::State& state) {
    copyTo(pristine(state.range(0)).tagged, kWorkFile);
    tags::V2Tag tag;
    Probe probe(state);
    for (auto _ : state) {
        if (!probe.time([&] { return tag.read(kWorkFile); })) break;
    }
}

// Operations whose cost should not depend on the file's size run on both sizes
// for the usual minimum time; rewrites of the large file run a few times only.
#define LIRVANE_IN_PLACE(fn) \
    BENCHMARK(fn)->Arg(kSmallFile)->Arg(kLargeFile)->UseManualTime()->Unit(benchmark::kMicrosecond)
#define LIRVANE_REWRITE(fn)                                                         \
    BENCHMARK(fn)->Arg(kSmallFile)->UseManualTime()->Unit(benchmark::kMillisecond); \
    BENCHMARK(fn)->Arg(kLargeFile)->Iterations(kRewriteIterationsLarge)->UseManualTime()->Unit(benchmark::kMillisecond)

LIRVANE_IN_PLACE(BM_V1Write);
LIRVANE_IN_PLACE(BM_V2WriteInPlace);
LIRVANE_REWRITE(BM_V2WriteThroughTempFile);
LIRVANE_REWRITE(BM_ReferenceCopy);
LIRVANE_IN_PLACE(BM_V1RemoveSoft);
LIRVANE_REWRITE(BM_V1RemoveFull);
LIRVANE_IN_PLACE(BM_V2RemoveSoft);
LIRVANE_REWRITE(BM_V2RemoveFull);
LIRVANE_IN_PLACE(BM_V2Read);

}  // namespace

int main(int argc, char** argv) { return bench_support::runInScratchFolder(argc, argv, "lirvane_bench"); }
