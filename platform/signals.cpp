#include "platform/signals.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>

#include "platform/fs.h"

namespace platform {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The rewrite and the list file's or settings' temporary file, and room to spare.
constexpr std::size_t kTemporarySlots = 4;

struct TemporarySlot {
    std::atomic<bool> used{false};
    char path[kMaxPath + 1] = {};
};

// What a signal handler can reach is process-wide by nature: only the
// handler and these functions touch it.
struct StopState {
    volatile std::sig_atomic_t caught = 0;
    std::atomic<ForcedStopAction> action{nullptr};
    std::array<TemporarySlot, kTemporarySlots> temporaries;
};

StopState& stopState() {
    static StopState state;
    return state;
}

void endNow(int signal) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Only calls that may be made in a handler, apart from the terminal's restore,
// which must not be skipped either.
void onStopSignal(int signal) {
    StopState& state = stopState();
    if (state.caught == 0) {
        state.caught = signal;
        return;
    }
    for (TemporarySlot& slot : state.temporaries) {
        if (slot.used.load()) ::unlink(slot.path);
    }
    if (const ForcedStopAction action = state.action.load()) action();
    endNow(signal);
}

}  // namespace

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : kStopSignals) sigaddset(&action.sa_mask, signal);
    // No SA_RESTART: a wait for input returns, and the program sees the request.
    action.sa_flags = 0;
    for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

int caughtStopSignal() { return stopState().caught; }

void endByCaughtSignal() {
    if (const int signal = stopState().caught; signal != 0) endNow(signal);
}

void setForcedStopAction(ForcedStopAction action) { stopState().action.store(action); }

int noteTemporary(const char* path) {
    if (std::strlen(path) > kMaxPath) return -1;
    auto& slots = stopState().temporaries;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].used.load()) continue;
        std::strcpy(slots[i].path, path);
        slots[i].used.store(true);  // the name is whole before a handler may look
        return static_cast<int>(i);
    }
    return -1;
}

void forgetTemporary(int slot) {
    if (slot >= 0 && static_cast<std::size_t>(slot) < kTemporarySlots)
        stopState().temporaries[static_cast<std::size_t>(slot)].used.store(false);
}

}  // namespace platform
