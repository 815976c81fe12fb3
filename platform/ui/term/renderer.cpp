#include "platform/ui/term/renderer.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/ui/window.h"

namespace platform::term {
namespace {

constexpr auto kPumpDrawInterval = std::chrono::milliseconds(50);
constexpr int kWheelRows = 3;
constexpr int kMaxIdleReads = 1000;  // a terminal that answers nothing any more is gone

const MenuTemplate* menuOf(WindowHandle handle) {
    const Window* window = windowOf(handle);
    return window && window->module && window->menuId ? window->module->menu(window->menuId) : nullptr;
}

bool isTypingControl(WindowHandle handle) {
    const Window* control = windowOf(handle);
    if (control == nullptr) return false;
    const bool editableCombo = control->windowClass == WindowClass::ComboBox && (control->style & BS_TYPEMASK) != CBS_DROPDOWNLIST;
    return control->windowClass == WindowClass::Edit || editableCombo;
}

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
        if (!isWindow(menu_.window) || !isWindowEnabled(menu_.window)) menu_ = {};
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
            if (key.key == Key::Space && key.modifiers == 0 && isTypingControl(keyTarget())) inputText(" ");
            else inputKey(key.key, key.modifiers);
            break;
        case Action::Type: {
            std::string typed;
            appendUtf8(typed, key.text);
            inputText(typed);
            break;
        }
        case Action::Menu: if (menuOf(active)) openMenu(active, 0); break;
        case Action::MenuKey:
            if (const MenuTemplate* bar = menuOf(active)) {
                for (std::size_t i = 0; i < bar->popups.size(); ++i) {
                    if (menuAccessKey(bar->popups[i].text) == key.access) openMenu(active, static_cast<int>(i));
                }
            }
            break;
        case Action::NextWindow: cycleWindows(true); break;
        case Action::PreviousWindow: cycleWindows(false); break;
        case Action::CloseWindow: inputClose(active); break;
        case Action::NextControl: focusNextControl(active, true, false); break;
        case Action::PreviousControl: focusNextControl(active, false, false); break;
        case Action::None: terminal_.beep(); break;
        case Action::Redraw: break;
    }
}

void Renderer::openMenu(WindowHandle window, int popup) {
    if (!isWindowEnabled(window)) return;
    menu_ = {window, popup, 0};
    moveMenuItem(0);
}

void Renderer::moveMenuItem(int step) {
    const MenuTemplate* bar = menuOf(menu_.window);
    if (bar == nullptr) return;
    const auto& items = bar->popups[static_cast<std::size_t>(menu_.popup)].items;
    const int count = static_cast<int>(items.size());
    for (int tries = 0; tries < count; ++tries) {
        if (step != 0 || tries > 0) menu_.item = (menu_.item + (step < 0 ? -1 : 1) + count) % count;
        if (items[static_cast<std::size_t>(menu_.item)].text != nullptr) return;  // separators are skipped
    }
}

void Renderer::chooseMenuItem() {
    const MenuTemplate* bar = menuOf(menu_.window);
    const WindowHandle window = menu_.window;
    if (bar == nullptr) return;
    const MenuItemTemplate& item = bar->popups[static_cast<std::size_t>(menu_.popup)].items[static_cast<std::size_t>(menu_.item)];
    menu_ = {};
    if (item.text != nullptr) inputMenu(window, item.command);
}

void Renderer::handleMenuKey(const KeyAction& key) {
    const MenuTemplate* bar = menuOf(menu_.window);
    const int popups = bar ? static_cast<int>(bar->popups.size()) : 0;
    if (key.action == Action::Menu || (key.action == Action::Press && key.key == Key::Escape) || popups == 0) {
        menu_ = {};
        return;
    }
    if (key.action == Action::Press) {
        switch (key.key) {
            case Key::Left: openMenu(menu_.window, (menu_.popup + popups - 1) % popups); return;
            case Key::Right: openMenu(menu_.window, (menu_.popup + 1) % popups); return;
            case Key::Up: moveMenuItem(-1); return;
            case Key::Down: moveMenuItem(1); return;
            case Key::Enter: case Key::Space: chooseMenuItem(); return;
            default: return;
        }
    }
    const char access = key.action == Action::MenuKey ? key.access : key.text;
    const auto& items = bar->popups[static_cast<std::size_t>(menu_.popup)].items;
    for (std::size_t j = 0; j < items.size(); ++j) {
        if (items[j].text && menuAccessKey(items[j].text) == access) {
            menu_.item = static_cast<int>(j);
            chooseMenuItem();
            return;
        }
    }
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
        case HitKind::MenuTitle:
            inputActivate(hit->window);
            if (menu_.popup == hit->index && menu_.window == hit->window) menu_ = {};
            else openMenu(hit->window, hit->index);
            break;
        case HitKind::MenuItem:
            menu_.item = hit->index;
            chooseMenuItem();
            break;
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
