#include "walk/progress.h"

#include <algorithm>
#include <limits>

#include "platform/signals.h"
#include "res/resources.h"

namespace walking {
namespace {

using platform::LParam;
using platform::WParam;

constexpr int kBarStep = 1;
constexpr std::size_t kBarLimit = std::numeric_limits<std::uint16_t>::max();

}  // namespace

std::intptr_t ProgressWindow(WindowHandle window, unsigned message, WParam wParam, LParam) {
    switch (message) {
        case platform::WM_INITDIALOG: ProgressWindowHandle = window; return platform::kHandled;
        case platform::WM_CLOSE: CancelRequested = 1; return platform::kHandled;
        case platform::WM_COMMAND:
            if (platform::loWord(wParam) == platform::IDCANCEL) CancelRequested = 1;
            return platform::kHandled;
        default: return platform::kNotHandled;
    }
}

void pumpProgressMessages(WindowHandle window) {
    platform::Msg msg;
    while (platform::peekMessage(msg, window)) {
        if (platform::isDialogMessage(window, msg)) continue;
        platform::translateMessage(msg);
        platform::dispatchMessage(msg);
    }
}

std::uint16_t progressBarEnd(std::size_t total) { return static_cast<std::uint16_t>(std::min(total, kBarLimit)); }

// The window keeps a pointer to its run, so that what arrives during the walk
// finds where to wait.
ProgressRun::ProgressRun(const platform::Module& module, const char* status, std::size_t total) : total_(total) {
    CancelRequested = 0;
    platform::createDialogParam(module, res::kProgressDialog, {}, ProgressWindow, 0);
    platform::setDialogData(ProgressWindowHandle, reinterpret_cast<LParam>(this));
    platform::setDlgItemText(ProgressWindowHandle, res::kProgressStatus, status);
    bar_ = platform::getDlgItem(ProgressWindowHandle, res::kProgressBar);
    platform::progressSetRange(bar_, 0, progressBarEnd(total_));
    platform::progressSetStep(bar_, kBarStep);
}

ProgressRun::~ProgressRun() {
    platform::destroyWindow(ProgressWindowHandle);
    ProgressWindowHandle = {};
    for (const Deferred& m : deferred_) platform::postMessage(m.window, m.message, m.wParam, m.lParam);
}

void ProgressRun::show() {
    platform::showWindow(ProgressWindowHandle, platform::SW_SHOWNORMAL);
    pumpProgressMessages(ProgressWindowHandle);
}

// The bar's position is the share done of its end: one step per entry up to
// 65,535 entries, and beyond them still full exactly at the last. Beyond
// them the bar is told only when it moves.
void ProgressRun::advance() {
    ++done_;
    const auto position = static_cast<int>(done_ * progressBarEnd(total_) / total_);
    if (position != shown_) platform::progressSetPos(bar_, position);
    shown_ = position;
}

bool ProgressRun::cancelled() {
    pumpProgressMessages(ProgressWindowHandle);
    platform::Msg close;
    if (closing_ && platform::takeMessage(close, closing_, platform::WM_CLOSE)) {
        defer({close.window, close.message, close.wParam, close.lParam});
        CancelRequested = 1;
    }
    if (platform::caughtStopSignal() != 0) platform::postQuitMessage(0);
    return CancelRequested == 1 || platform::quitRequested();
}

void ProgressRun::walk(const WalkScope& scope, const std::function<void(int index)>& perEntry) {
    show();
    for (int index = scope.count() - 1; index >= 0; --index) {
        if (scope.inScope(index)) {
            perEntry(index);
            advance();
        }
        if (cancelled()) break;
    }
}

bool deferDuringWalk(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
    const bool waits =
        message == platform::WM_COMMAND || message == platform::WM_CLOSE || message == platform::WM_DROPFILES;
    if (!waits || !platform::isWindow(ProgressWindowHandle)) return false;
    auto* run = reinterpret_cast<ProgressRun*>(platform::dialogData(ProgressWindowHandle));
    run->defer({window, message, wParam, lParam});
    return true;
}

WalkScope::WalkScope(WindowHandle list, bool all) : count_(std::max(platform::listGetCount(list), 0)), all_(all) {
    if (all_) return;
    selected_.assign(static_cast<std::size_t>(count_), false);
    for (int index : platform::listGetSelItems(list)) {
        if (index >= 0 && index < count_) selected_[static_cast<std::size_t>(index)] = true;
    }
}

std::size_t WalkScope::inScopeCount() const {
    if (all_) return static_cast<std::size_t>(count_);
    return static_cast<std::size_t>(std::count(selected_.begin(), selected_.end(), true));
}

}  // namespace walking
