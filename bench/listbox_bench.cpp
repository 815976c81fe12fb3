// A list box of 100,000 entries: adding them one by one in no particular
// order, reading them back, deleting a selection of half of them, and drawing
// the list, which should cost only its visible rows.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ui/term/painter.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"

namespace {

using namespace platform;

constexpr int kEntries = 100000;
constexpr int kListId = 10;
constexpr std::array<ControlTemplate, 1> kControls = {{
    {WindowClass::ListBox, kListId, 4, 4, 300, 100, "", LBS_SORT | LBS_EXTENDEDSEL | LBS_NOTIFY | WS_TABSTOP},
}};
constexpr std::array<DialogTemplate, 1> kDialogs = {{{1, "Lista", 0, 0, 320, 120, WS_CAPTION, 0, 8, kControls}}};
const Module kModule{kDialogs, {}, {}};

// Paths as a folder walk delivers them: in no sorted order.
std::vector<std::string> entries() {
    std::vector<std::string> paths;
    paths.reserve(kEntries);
    unsigned value = 12345;
    for (int i = 0; i < kEntries; ++i) {
        value = value * 1103515245u + 12345u;
        char path[64];
        std::snprintf(path, sizeof path, "/music/%08x/track %d.mp3", value, i);
        paths.emplace_back(path);
    }
    return paths;
}

WindowHandle freshList() {
    resetDesktop();
    return getDlgItem(createDialogParam(kModule, 1, {}, nullptr, 0), kListId);
}

void fill(WindowHandle list, const std::vector<std::string>& paths) {
    for (const std::string& path : paths) listAddString(list, path);
}

void BM_ListAddOneByOne(benchmark::State& state) {
    const std::vector<std::string> paths = entries();
    for (auto _ : state) {
        state.PauseTiming();
        const WindowHandle list = freshList();
        state.ResumeTiming();
        fill(list, paths);
        benchmark::DoNotOptimize(listGetCount(list));
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_ListReadBack(benchmark::State& state) {
    const WindowHandle list = freshList();
    fill(list, entries());
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (int i = 0; i < listGetCount(list); ++i) bytes += listGetText(list, i).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

// Every second entry selected, then removed from the last index down, as the
// file list's "remove selected" does.
void BM_ListDeleteHalfSelected(benchmark::State& state) {
    const std::vector<std::string> paths = entries();
    for (auto _ : state) {
        state.PauseTiming();
        const WindowHandle list = freshList();
        fill(list, paths);
        for (int i = 0; i < kEntries; i += 2) listSetSel(list, true, i);
        state.ResumeTiming();
        for (int i = listGetCount(list) - 1; i >= 0; --i) {
            if (listGetSel(list, i) > 0) listDeleteString(list, i);
        }
        benchmark::DoNotOptimize(listGetCount(list));
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_ListPaint(benchmark::State& state) {
    const WindowHandle list = freshList();
    fill(list, entries());
    listSetCaretIndex(list, kEntries / 2);
    const WindowHandle dialog = getParent(list);
    showWindow(dialog, SW_SHOWNORMAL);
    term::Canvas canvas(term::kMinColumns, term::kMinRows);
    term::Painter painter(canvas);
    for (auto _ : state) {
        painter.paint({{dialog, {0, 0, 80, 16}}}, {}, "");
        benchmark::DoNotOptimize(canvas.at(3, 3));
    }
}

BENCHMARK(BM_ListAddOneByOne)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListReadBack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListDeleteHalfSelected)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListPaint)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
