// A comment of 100,000 characters in a multi-line edit: typing at its end,
// moving the caret, and drawing it, each of which should cost what the edit
// shows, not what it holds.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "platform/ui/input.h"
#include "platform/ui/term/painter.h"
#include "platform/ui/ui.h"
#include "platform/ui/view.h"
#include "platform/ui/window.h"

namespace {

using namespace platform;

constexpr std::size_t kCommentLength = 100000;
constexpr int kCommentId = 10;
// The size of the main window's comment field.
constexpr std::array<ControlTemplate, 1> kControls = {{
    {WindowClass::Edit, kCommentId, 4, 4, 89, 25, "", ES_MULTILINE | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
}};
constexpr std::array<DialogTemplate, 1> kDialogs = {
    {{1, "Comentario", 0, 0, 100, 40, WS_CAPTION | WS_VISIBLE, 0, 8, kControls}}};
const Module kModule{kDialogs, {}, {}};

// Words and blanks, as a person types them, in one paragraph.
std::string longComment() {
    std::string text;
    while (text.size() < kCommentLength) text += "grabado en vivo ";
    text.resize(kCommentLength);
    return text;
}

// The dialog with the comment in its edit, the caret at the end.
WindowHandle commentDialog() {
    resetDesktop();
    const WindowHandle dialog = createDialogParam(kModule, 1, {}, nullptr, 0);
    const WindowHandle edit = getDlgItem(dialog, kCommentId);
    setWindowText(edit, longComment());
    setFocus(edit);
    return dialog;
}

void deliver() {
    Msg msg;
    while (peekMessage(msg, {})) {
        if (!isDialogMessage(topLevelOf(msg.window), msg)) dispatchMessage(msg);
    }
}

void BM_TypeAtTheEndOfALongComment(benchmark::State& state) {
    commentDialog();
    inputKey(Key::End);
    deliver();
    for (auto _ : state) {
        inputText("x");
        deliver();
    }
    state.SetItemsProcessed(state.iterations());
}

// Home wraps the paragraph from its start once to find the first line.
void BM_CaretToTheStartAndTheEnd(benchmark::State& state) {
    commentDialog();
    for (auto _ : state) {
        inputKey(Key::Home);
        inputKey(Key::End);
        deliver();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}

void BM_ViewOfALongComment(benchmark::State& state) {
    const WindowHandle dialog = commentDialog();
    inputKey(Key::End);
    deliver();
    for (auto _ : state) benchmark::DoNotOptimize(dialogView(*windowOf(dialog), true).elements.size());
}

void BM_PaintALongCommentInTheTerminal(benchmark::State& state) {
    const WindowHandle dialog = commentDialog();
    inputKey(Key::End);
    deliver();
    term::Canvas canvas(term::kMinColumns, term::kMinRows);
    term::Painter painter(canvas);
    for (auto _ : state) {
        painter.paint({{dialog, {0, 0, 30, 9}}}, {}, "");
        benchmark::DoNotOptimize(canvas.at(3, 3));
    }
}

BENCHMARK(BM_TypeAtTheEndOfALongComment)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CaretToTheStartAndTheEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ViewOfALongComment)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintALongCommentInTheTerminal)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
