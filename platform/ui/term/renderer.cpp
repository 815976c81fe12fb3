#include "platform/ui/term/renderer.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/ui/window.h"

namespace platform::term {
namespace {

constexpr auto kPumpDrawInterval = std::chrono::milliseconds(50);
constexpr int kWheelRows = 3;
constexpr int kMaxIdleReads = 1000;  // a terminal that answers nothing any more is gone

}  // namespace

Renderer::Renderer(Terminal& terminal) : terminal_(terminal) { attachInputSource(this); }

Renderer::~Renderer() {
    if (inputSource() == this) attachInputSource(nullptr);
}

void Renderer::updatePlacements(const Scale& scale) {
    std::erase_if(placements_, [](const Placement& p) { return !isWindow(p.window); });
    for (WindowHandle handle : desktop().zOrder) {
        const Window* window = windowOf(handle);
        const bool placed = std::any_of(placements_.begin(), placements_.end(), [&](const Placement& p) { return p.window == handle; });
        if (window == nullptr || placed || !window->visible) continue;
        const Scale own = scaleForWindow(scale, window->rect.width(), terminal_.columns());
        const CellRect size{0, 0, own.columns(window->rect.width()),
                            frameRows(menuOf(handle) != nullptr) + scale.rows(window->rect.height())};
        placements_.push_back({handle, placeWindow(size, window->owner, placements_, terminal_.columns(), terminal_.rows())});
    }
    // Painted bottom first, in the desktop's z-order.
    const auto& order = desktop().zOrder;
    std::stable_sort(placements_.begin(), placements_.end(), [&](const Placement& a, const Placement& b) {
        return std::find(order.begin(), order.end(), a.window) < std::find(order.begin(), order.end(), b.window);
    });
}

void Renderer::draw() {
    const int columns = terminal_.columns();
    const int rows = terminal_.rows();
    Canvas canvas(columns, rows);
    Painter painter(canvas, Scale::forTerminal(columns, rows));
    if (terminalTooSmall(columns, rows)) {
        painter.paintTooSmall(columns, rows);
    } else {
        updatePlacements(Scale::forTerminal(columns, rows));
        menu_.keepValid();
        painter.paint(placements_, menu_, kHelpLine);
    }
    hits_ = painter.hits();
    terminal_.show(canvas);
    lastDraw_ = std::chrono::steady_clock::now();
}

bool Renderer::wait() {
    draw();
    const TerminalEvent event = terminal_.read(-1);
    if (event.kind == TerminalEvent::Kind::None) return ++idleReads_ < kMaxIdleReads;
    idleReads_ = 0;
    handle(event);
    return true;
}

void Renderer::poll() {
    if (std::chrono::steady_clock::now() - lastDraw_ >= kPumpDrawInterval) draw();
    for (TerminalEvent event = terminal_.read(0); event.kind != TerminalEvent::Kind::None; event = terminal_.read(0)) {
        handle(event);
    }
}

void Renderer::handle(const TerminalEvent& event) {
    // Nothing acts on windows the user cannot see.
    if (terminalTooSmall(terminal_.columns(), terminal_.rows())) return;
    switch (event.kind) {
        case TerminalEvent::Kind::Key: handleKey(event.key); break;
        case TerminalEvent::Kind::Mouse: handleMouse(event); break;
        default: break;  // a resize is shown by the next drawing
    }
}

void Renderer::handleKey(const KeyAction& key) {
    if (menu_.popup >= 0) return handleMenuKey(key);
    const WindowHandle active = getActiveWindow();
    switch (key.action) {
        case Action::Press:
            // Space types a blank into a text field and presses anything else.
            if (key.key == Key::Space && key.modifiers == 0 && takesTyping(keyTarget())) inputText(" ");
            else inputKey(key.key, key.modifiers);
            break;
        case Action::Type: {
            std::string typed;
            appendUtf8(typed, key.text);
            inputText(typed);
            break;
        }
        case Action::Menu: menu_.open(active, 0); break;
        case Action::MenuKey: menu_.openByAccess(active, key.access); break;
        case Action::NextWindow: cycleWindows(true); break;
        case Action::PreviousWindow: cycleWindows(false); break;
        case Action::CloseWindow: inputClose(active); break;
        case Action::NextControl: focusNextControl(active, true, false); break;
        case Action::PreviousControl: focusNextControl(active, false, false); break;
        case Action::None: terminal_.beep(); break;
        case Action::Redraw: break;
    }
}

void Renderer::handleMenuKey(const KeyAction& key) {
    if (key.action == Action::Menu) menu_ = {};
    else if (key.action == Action::Press) menu_.key(key.key);
    else menu_.access(key.action == Action::MenuKey ? key.access : key.text);
}

void Renderer::cycleWindows(bool forward) {
    std::vector<WindowHandle> windows;
    for (WindowHandle handle : desktop().zOrder) {
        if (isWindowVisible(handle) && isWindowEnabled(handle)) windows.push_back(handle);
    }
    if (windows.size() < 2) return;
    // The active window is the last: forward brings up the bottom one, back the
    // one that was active before it.
    inputActivate(forward ? windows.front() : windows[windows.size() - 2]);
}

void Renderer::handleMouse(const TerminalEvent& event) {
    const auto hit = std::find_if(hits_.rbegin(), hits_.rend(), [&](const Hit& h) { return h.area.contains(event.x, event.y); });
    if (event.button != TerminalEvent::Button::Left) {
        if (hit != hits_.rend()) inputWheel(hit->window, event.button == TerminalEvent::Button::WheelUp ? kWheelRows : -kWheelRows);
        return;
    }
    const bool inMenu = hit != hits_.rend() && (hit->kind == HitKind::MenuItem || hit->kind == HitKind::MenuTitle);
    if (!inMenu) menu_ = {};
    if (hit == hits_.rend()) return;
    switch (hit->kind) {
        case HitKind::CloseBox: inputClose(hit->window); break;
        case HitKind::Caption: inputActivate(hit->window); break;
        case HitKind::MenuTitle: menu_.clickTitle(hit->window, hit->index); break;
        case HitKind::MenuItem: menu_.clickItem(hit->index); break;
        case HitKind::ListRow: case HitKind::ComboRow:
            inputClick(hit->window, event.modifiers, hit->index);
            break;
        case HitKind::Control: inputClick(hit->window, event.modifiers); break;
    }
}

int runInTerminal(const std::function<int()>& program) {
    Terminal terminal;
    if (!terminal.isOpen()) return 1;
    Renderer renderer(terminal);
    return program();
}

}  // namespace platform::term
