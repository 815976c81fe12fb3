#include "platform/ui/term/renderer.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "platform/text.h"
#include "platform/ui/keyhints.h"
#include "platform/ui/window.h"

namespace platform::term {
namespace {

// A walk pumps after every entry. The terminal is read at most every
// kPumpReadInterval, since every read through curses also refreshes the
// screen, and drawn at most every kPumpDrawInterval: a key still acts
// within a few milliseconds.
constexpr auto kPumpReadInterval = std::chrono::milliseconds(10);
constexpr auto kPumpDrawInterval = std::chrono::milliseconds(50);
constexpr int kWheelRows = 3;
constexpr int kMaxIdleReads = 1000;  // a terminal that answers nothing any more is gone
constexpr auto kDoubleClickTime = std::chrono::milliseconds(400);

struct HintKey {
    KeyHint hint;
    const char* keys;
};

constexpr HintKey kHintKeys[] = {
    {KeyHint::Help, "F1:keys"},
    {KeyHint::Press, "Spc:press"},
    {KeyHint::Toggle, "Spc:check"},
    {KeyHint::Pick, "Spc:pick"},
    {KeyHint::AddToPick, "^Spc:add"},
    {KeyHint::OpenList, "F4:list"},
    {KeyHint::CloseList, "Esc:close list"},
    {KeyHint::Accept, "Enter:OK"},
    {KeyHint::Cancel, "Esc:cancel"},
    {KeyHint::NextField, "Tab:next"},
    {KeyHint::AnyControl, "F2:any"},
    {KeyHint::Menu, "F10:menu"},
    {KeyHint::NextWindow, "F6:window"},
    {KeyHint::Close, "^W:close"},
};

constexpr char kMenuHelp[] = " Left/Right:menu Up/Down:item Enter:choose letter:item Esc:close";

}  // namespace

Renderer::Renderer(Terminal& terminal) : terminal_(terminal) {
    attachInputSource(this);
    setKeyHelp(kKeyTable);
}

Renderer::~Renderer() {
    if (inputSource() == this) attachInputSource(nullptr);
}

// Windows are placed in the order they first appeared; a new terminal size
// places them all again, at the new scale, a resizable one filling it.
void Renderer::updatePlacements(const Scale& scale) {
    growToScreen(scale, terminal_.columns(), terminal_.rows());
    const bool resized = terminal_.columns() != placedColumns_ || terminal_.rows() != placedRows_;
    placedColumns_ = terminal_.columns();
    placedRows_ = terminal_.rows();
    std::erase_if(placements_, [](const Placement& p) { return !isWindow(p.window); });
    std::vector<WindowHandle> order;
    if (resized) {
        for (const Placement& p : placements_) order.push_back(p.window);
        placements_.clear();
    }
    for (WindowHandle handle : desktop().zOrder) {
        const bool known =
            std::any_of(placements_.begin(), placements_.end(), [&](const Placement& p) { return p.window == handle; });
        if (!known && isWindowVisible(handle) && std::find(order.begin(), order.end(), handle) == order.end())
            order.push_back(handle);
    }
    for (WindowHandle handle : order) {
        placements_.push_back(placeTopLevel(*windowOf(handle), scale, placements_, placedColumns_, placedRows_));
    }
}

void Renderer::draw() {
    const int columns = terminal_.columns();
    const int rows = terminal_.rows();
    Canvas canvas(columns, rows);
    Painter painter(canvas);
    if (terminalTooSmall(columns, rows)) {
        painter.paintTooSmall(columns, rows);
    } else {
        updatePlacements(Scale::forTerminal(columns, rows));
        menu_.keepValid();
        painter.paint(placements_, menu_, helpLine(columns));
    }
    hits_ = painter.hits();
    terminal_.show(canvas);
    lastDraw_ = std::chrono::steady_clock::now();
}

// The keys that act where the keyboard is, as many as the line holds.
std::string Renderer::helpLine(int columns) const {
    if (menu_.popup >= 0) return kMenuHelp;
    std::string line;
    for (KeyHint hint : keyHints()) {
        const auto named =
            std::find_if(std::begin(kHintKeys), std::end(kHintKeys), [&](const HintKey& k) { return k.hint == hint; });
        if (named == std::end(kHintKeys)) continue;
        const std::string item = std::string(" ") + named->keys;
        if (static_cast<int>(line.size() + item.size()) > columns) break;
        line += item;
    }
    return line;
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
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRead_ < kPumpReadInterval) return;
    lastRead_ = now;
    if (now - lastDraw_ >= kPumpDrawInterval) draw();
    for (TerminalEvent event = terminal_.read(0); event.kind != TerminalEvent::Kind::None; event = terminal_.read(0)) {
        handle(event);
    }
}

void Renderer::handle(const TerminalEvent& event) {
    // Nothing acts on windows the user cannot see, but the program can be left.
    if (terminalTooSmall(terminal_.columns(), terminal_.rows())) {
        const bool leave = event.kind == TerminalEvent::Kind::Key &&
                           (event.key.action == Action::CloseWindow || event.key.action == Action::Quit);
        if (leave) postQuitMessage(0);
        return;
    }
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
            if (key.key == Key::Space && key.modifiers == 0 && takesTyping(keyTarget()))
                inputText(" ");
            else
                inputKey(key.key, key.modifiers);
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
        case Action::Redraw: terminal_.invalidate(); break;
        case Action::Quit: postQuitMessage(0); break;
        case Action::Help: inputKey(Key::F1); break;
    }
}

// Menus that share a letter: the first opens, and each press of the letter
// again opens the next, as on the desktop.
void Renderer::handleMenuKey(const KeyAction& key) {
    if (key.action == Action::Menu)
        menu_ = {};
    else if (key.action == Action::Press)
        menu_.key(key.key);
    // Alt and a letter names a menu, the letter alone an item of the open one.
    else if (key.action == Action::MenuKey)
        menu_.openByAccess(menu_.window, key.access);
    // Access letters are ASCII; another character names no item.
    else if (key.text < 0x80)
        menu_.access(static_cast<char>(key.text));
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
    if (event.button == TerminalEvent::Button::LeftMove) return dragThumb(event);
    if (event.button == TerminalEvent::Button::LeftUp) {
        drag_ = {};
        return;
    }
    const auto hit =
        std::find_if(hits_.rbegin(), hits_.rend(), [&](const Hit& h) { return h.area.contains(event.x, event.y); });
    const bool twice = event.button == TerminalEvent::Button::LeftTwice;
    if (event.button != TerminalEvent::Button::Left && !twice) {
        if (hit != hits_.rend())
            inputWheel(hit->what.window, event.button == TerminalEvent::Button::WheelUp ? kWheelRows : -kWheelRows);
        return;
    }
    if (hit == hits_.rend()) {
        menu_ = {};
        return;
    }
    const bool doubleClick = isDoubleClick(*hit) || twice;
    int offset = -1;
    if (hit->what.press == Press::Text) {
        const std::string text = getWindowText(hit->what.window);
        offset = static_cast<int>(offsetAtCell(text, hit->what.first, hit->what.length, event.x - hit->area.left));
    }
    if (hit->what.press == Press::Thumb) {
        const int along = hit->what.bar == SB_VERT ? event.y - hit->area.top : event.x - hit->area.left;
        drag_ = {true, *hit, along};
    }
    pressHit(hit->what, event.modifiers, doubleClick, offset, menu_);
}

// A second press on the same thing soon after the first.
bool Renderer::isDoubleClick(const Hit& hit) {
    const auto now = std::chrono::steady_clock::now();
    const bool same = lastClick_.window == hit.what.window && lastClick_.index == hit.what.index &&
                      lastClick_.press == hit.what.press;
    const bool isDouble = same && now - lastClick_.time <= kDoubleClickTime;
    lastClick_ = isDouble ? LastClick{} : LastClick{hit.what.press, hit.what.window, hit.what.index, now};
    return isDouble;
}

// The thumb follows the mouse along its track, held where it was taken.
void Renderer::dragThumb(const TerminalEvent& event) {
    if (!drag_.held || !isWindow(drag_.thumb.what.window)) return;
    const bool vertical = drag_.thumb.what.bar == SB_VERT;
    const CellRect& track = drag_.thumb.track;
    const int cells = (vertical ? event.y - track.top : event.x - track.left) - drag_.grab;
    const int along = cells * (vertical ? kUnitsPerRow : kUnitsPerColumn);
    inputScroll(drag_.thumb.what.window, drag_.thumb.what.bar, SB_THUMBTRACK, thumbPositionAt(drag_.thumb.what, along));
}

int runInTerminal(const std::function<int()>& program) {
    Terminal terminal;
    if (!terminal.isOpen()) {
        std::fprintf(stderr, "%s\n", terminal.failure().c_str());
        return 1;
    }
    Renderer renderer(terminal);
    return program();
}

}  // namespace platform::term
