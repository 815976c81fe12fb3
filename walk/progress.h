// The progress window of a walk over the file list, its cancel flag and its
// message pump, and the rule that keeps two walks from running at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ui/resource.h"
#include "platform/ui/ui.h"

namespace walking {

using platform::WindowHandle;

// Set to 1 by the progress window (Cancel, Esc, the close box) and by a close
// request to the window that ends the program; every walk clears it before it
// makes its window and tests it after every entry. A quit (Ctrl+C, a stop
// signal) ends a walk the same way.
inline int CancelRequested = 0;
inline WindowHandle ProgressWindowHandle;

std::intptr_t ProgressWindow(WindowHandle window, unsigned message, platform::WParam wParam, platform::LParam lParam);

// Hands out every waiting message of the window and its controls, and only
// those, without waiting; other windows' messages stay queued.
void pumpProgressMessages(WindowHandle window);

class WalkScope;

// One walk's progress window, made from the module's template: hidden, with
// its status line and a bar for `total` entries, when the walk starts;
// destroyed exactly once when it ends. While one exists no other walk may
// start (see deferDuringWalk).
class ProgressRun {
public:
    ProgressRun(const platform::Module& module, const char* status, std::size_t total);
    ~ProgressRun();
    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;

    // Shows the window, then visits the entries in scope from the last to the
    // first: the bar advances after each, and the window is pumped after every
    // entry, in scope or not, until the user cancels.
    void walk(const WalkScope& scope, const std::function<void(int index)>& perEntry);
    void advance();  // one entry in scope is done
    // A close request to this window (the main window's close box, Ctrl+W on
    // it) stops the walk after the entry under work, and then closes it.
    void closeEndsWalk(WindowHandle window) { closing_ = window; }

    struct Deferred {
        WindowHandle window;
        unsigned message;
        platform::WParam wParam;
        platform::LParam lParam;
    };
    void defer(const Deferred& message) { deferred_.push_back(message); }

private:
    void show();  // shows the window and pumps it once, so that it paints
    // Pumps the window after an entry; true when the user asked to stop.
    bool cancelled();

    std::vector<Deferred> deferred_;
    WindowHandle bar_;
    int shown_ = 0;  // the bar's position
    WindowHandle closing_;
    std::size_t total_;
    std::size_t done_ = 0;
};

// The bar's end for a walk of `total` entries: the entry count itself when the
// 16-bit range can carry it, else its largest value (the bar then scales).
std::uint16_t progressBarEnd(std::size_t total);

// True for a command or close request that reaches a window while a walk
// runs: it would start a second walk, or change the list under the running
// one, so it is kept and posted again to its window when the walk ends, as if
// it had waited in the queue. Other messages are left to the window.
bool deferDuringWalk(WindowHandle window, unsigned message, platform::WParam wParam, platform::LParam lParam);

// The entries a walk visits, last first: all of them, or the ones selected
// when the walk starts (a click during a message box cannot change the scope
// half-way).
class WalkScope {
public:
    WalkScope(WindowHandle list, bool all);
    int count() const { return count_; }  // entries in the list
    std::size_t inScopeCount() const;     // the bar's total
    bool inScope(int index) const { return all_ || selected_[static_cast<std::size_t>(index)]; }

private:
    int count_;
    bool all_;
    std::vector<bool> selected_;
};

}  // namespace walking
