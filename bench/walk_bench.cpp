// The six tag operations walked through the real application (main window,
// file list, progress window and its pump, driven by the scripted input with
// no terminal) over 1,000 generated MP3 files of 2 MB with ordinary ID3v2.3
// tags, 512 bytes of padding and ID3v1.1 trailers.
//
// BM_EngineLoop does what a WriteV2 walk with two checked fields does per
// file, straight on the engine (read, set title and artist, write, release),
// so that the walk's own cost (pumping, list access, panel reads) shows as the
// ratio of BM_Walk/WriteV2 to it. The corpus is put back outside the timed
// part before every iteration; read_bytes and written_bytes are per file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "bench/support.h"
#include "platform/registry.h"
#include "platform/ui/script.h"
#include "platform/ui/window.h"
#include "res/resources.h"

namespace {

using namespace bench_support;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 1000;
constexpr std::int64_t kFileSize = std::int64_t{2} << 20;
constexpr int kIterations = 3;
const char kPristine[] = "pristine.mp3";
const char kCorpus[] = "corpus";

std::vector<std::string>& corpusPaths() {
    static std::vector<std::string> paths;
    return paths;
}

// The tagged file is made once; every iteration starts from copies of it.
void restoreCorpus() {
    if (!fs::exists(kPristine)) {
        writeAudio(kPristine, kFileSize);
        tags::V2Tag v2;
        fillV2(v2, "Title A");
        tags::V1Tag v1;
        fillV1(v1, "Title A");
        if (v2.write(kPristine, tags::kAllFields, tags::kDefaultPadding) != tags::TagSuccess ||
            v1.write(kPristine, tags::kAllFields) != tags::TagSuccess) {
            fail("cannot tag the corpus file");
        }
        fs::create_directory(kCorpus);
        for (int i = 0; i < kFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "%s/%04d.mp3", kCorpus, i);
            corpusPaths().push_back((fs::current_path() / name).string());
        }
    }
    for (const std::string& path : corpusPaths()) fs::copy_file(kPristine, path, fs::copy_options::overwrite_existing);
}

// Sums the time and the I/O of the timed parts; reports per file.
class WalkProbe {
public:
    explicit WalkProbe(benchmark::State& state) : state_(state) {}
    WalkProbe(const WalkProbe&) = delete;
    WalkProbe& operator=(const WalkProbe&) = delete;
    ~WalkProbe() {
        const double files = static_cast<double>(state_.iterations()) * kFiles;
        if (files == 0) return;
        state_.counters["read_bytes"] = static_cast<double>(read_) / files;
        state_.counters["written_bytes"] = static_cast<double>(written_) / files;
        state_.SetItemsProcessed(state_.iterations() * kFiles);
    }
    void start() {
        before_ = readIoCounters();
        started_ = Clock::now();
    }
    void stop() {
        const auto ended = Clock::now();
        const IoCounters after = readIoCounters();
        state_.SetIterationTime(std::chrono::duration<double>(ended - started_).count());
        read_ += after.rchar - before_.rchar - before_.ownRead;
        written_ += after.wchar - before_.wchar;
    }

private:
    benchmark::State& state_;
    IoCounters before_;
    Clock::time_point started_;
    std::uint64_t read_ = 0;
    std::uint64_t written_ = 0;
};

// The panel of a WriteV2 that sets two fields: only their boxes checked.
void prepareMainWindow(platform::WindowHandle main) {
    const platform::WindowHandle list = platform::getDlgItem(main, res::kFileList);
    for (const std::string& path : corpusPaths()) platform::listAddString(list, path);
    platform::checkDlgButton(main, res::kScopeSelected, platform::BST_UNCHECKED);
    platform::checkDlgButton(main, res::kScopeAll, platform::BST_CHECKED);
    for (int check = res::kTitleCheck; check <= res::kCommentCheck; ++check) {
        platform::checkDlgButton(main, check, platform::BST_UNCHECKED);
    }
    platform::checkDlgButton(main, res::kTitleCheck, platform::BST_CHECKED);
    platform::checkDlgButton(main, res::kArtistCheck, platform::BST_CHECKED);
    platform::setDlgItemText(main, res::kTitleEdit, "Title B");
    platform::setDlgItemText(main, res::kArtistEdit, "Other Artist");
}

// One walk of the operation's button, timed from its command to its end.
void BM_Walk(benchmark::State& state, int command) {
    WalkProbe probe(state);
    for (auto _ : state) {
        restoreCorpus();
        app::resetProgramState();
        platform::resetDesktop();
        platform::Script steps([&](const std::string& why) { state.SkipWithError(why.c_str()); });
        steps.then("fill the list and press the button", [&] {
            const platform::WindowHandle main = platform::script::window("Lirvane v3.0");
            prepareMainWindow(main);
            platform::postMessage(main, platform::WM_COMMAND,
                                  platform::makeWParam(static_cast<unsigned>(command), platform::BN_CLICKED), 0);
            probe.start();
        });
        steps.then("the walk has ended", [&] {
            probe.stop();
            platform::script::close(platform::script::window("Lirvane v3.0"));
        });
        app::runProgram(res::lirvaneModule());
    }
}

void BM_EngineLoop(benchmark::State& state) {
    WalkProbe probe(state);
    tags::V2Tag tag;
    for (auto _ : state) {
        restoreCorpus();
        probe.start();
        for (const std::string& path : corpusPaths()) {
            if (tag.read(path.c_str()) != tags::TagSuccess) continue;
            setText(tag, tags::kFieldTitle, "Title B");
            setText(tag, tags::kFieldArtist, "Other Artist");
            static_cast<void>(tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding));
            tag.freeFields(tags::kAllFields);
        }
        probe.stop();
    }
}

#define LIRVANE_WALK(name, command) \
    BENCHMARK_CAPTURE(BM_Walk, name, command)->UseManualTime()->Iterations(kIterations)->Unit(benchmark::kMillisecond)

BENCHMARK(BM_EngineLoop)->UseManualTime()->Iterations(kIterations)->Unit(benchmark::kMillisecond);
LIRVANE_WALK(WriteV2, res::kApplyV2);
LIRVANE_WALK(WriteV1, res::kApplyV1);
LIRVANE_WALK(CopyV2ToV1, res::kCopyV2ToV1);
LIRVANE_WALK(CopyV1ToV2, res::kCopyV1ToV2);
LIRVANE_WALK(RemoveV1, res::kRemoveV1);
LIRVANE_WALK(RemoveV2, res::kRemoveV2);

}  // namespace

int main(int argc, char** argv) {
    return bench_support::runInScratchFolder(argc, argv, "lirvane_walk_bench", [] {
        platform::setRegistryFolder((std::filesystem::current_path() / "config").string());
    });
}
