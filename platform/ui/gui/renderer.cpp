#include "platform/ui/gui/renderer.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/ui/gui/codepage.h"
#include "platform/ui/gui/icon.h"
#include "platform/ui/gui/syswindow.h"
#include "platform/ui/gui/xerrors.h"
#include "platform/ui/placement.h"
#include "platform/ui/window.h"

namespace platform::gui {
namespace {

constexpr auto kPumpPaintInterval = std::chrono::milliseconds(30);
constexpr int kWheelRows = 3;
constexpr int kStopSignalLookMs = 250;
constexpr int kDisplay = 0;
constexpr Uint8 kDoubleClick = 2;
constexpr char kScaleVariable[] = "LIRVANE_SCALE";
constexpr char kWindowScaleVariable[] = "GDK_SCALE";
// The control characters that Ctrl and a letter give, which edits take as commands.
constexpr char kControlLetterBase = 'a' - 1;

unsigned modifiersOf(Uint16 mod) {
    unsigned modifiers = 0;
    if (mod & KMOD_SHIFT) modifiers |= kShift;
    if (mod & KMOD_CTRL) modifiers |= kControl;
    if (mod & KMOD_ALT) modifiers |= kAlt;
    return modifiers;
}

std::optional<Key> keyOf(SDL_Keycode sym) {
    switch (sym) {
        case SDLK_TAB: return Key::Tab;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return Key::Enter;
        case SDLK_ESCAPE: return Key::Escape;
        case SDLK_SPACE: return Key::Space;
        case SDLK_PAGEUP: return Key::PageUp;
        case SDLK_PAGEDOWN: return Key::PageDown;
        case SDLK_END: return Key::End;
        case SDLK_HOME: return Key::Home;
        case SDLK_LEFT: return Key::Left;
        case SDLK_UP: return Key::Up;
        case SDLK_RIGHT: return Key::Right;
        case SDLK_DOWN: return Key::Down;
        case SDLK_DELETE: return Key::Delete;
        case SDLK_BACKSPACE: return Key::Backspace;
        case SDLK_F4: return Key::F4;
        default: return std::nullopt;
    }
}

bool isLetter(SDL_Keycode sym) { return sym >= SDLK_a && sym <= SDLK_z; }

// Ctrl with these letters types the edit commands: select all, copy, paste, cut.
bool isEditCommandLetter(SDL_Keycode sym) { return sym == SDLK_a || sym == SDLK_c || sym == SDLK_v || sym == SDLK_x; }

Rect screenArea() {
    SDL_Rect bounds{};
    if (SDL_GetDisplayUsableBounds(kDisplay, &bounds) != 0) return {0, 0, 1 << 14, 1 << 14};
    return {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
}

bool isMenuHit(const Hit* hit) {
    return hit && (hit->what.press == Press::MenuTitle || hit->what.press == Press::MenuItem);
}

}  // namespace

struct Renderer::Surface {
    WindowHandle handle;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::size_t digest = 0;
    bool dirty = true;
    bool shown = false;
    std::string title;
    int icon = 0;
    Rect outer;  // on the screen
    Rect units;  // the client size in dialog units the window was last sized for
    std::vector<Hit> hits;

    ~Surface() {
        if (renderer != nullptr) SDL_DestroyRenderer(renderer);
        if (window != nullptr) SDL_DestroyWindow(window);
    }
};

Renderer::Renderer(const Font& font) : font_(font), scale_(font.scale()) { attachInputSource(this); }

Renderer::~Renderer() {
    if (inputSource() == this) attachInputSource(nullptr);
}

Renderer::Surface* Renderer::surfaceOf(Uint32 windowId) const {
    SDL_Window* window = SDL_GetWindowFromID(windowId);
    for (const auto& surface : surfaces_) {
        if (surface->window == window) return surface.get();
    }
    return nullptr;
}

Renderer::Surface* Renderer::surfaceOf(WindowHandle handle) const {
    for (const auto& surface : surfaces_) {
        if (surface->handle == handle) return surface.get();
    }
    return nullptr;
}

SDL_Window* Renderer::sdlWindow(WindowHandle topLevel) const {
    const Surface* surface = surfaceOf(topLevel);
    return surface ? surface->window : nullptr;
}

SDL_Renderer* Renderer::sdlRenderer(WindowHandle topLevel) const {
    const Surface* surface = surfaceOf(topLevel);
    return surface ? surface->renderer : nullptr;
}

const std::vector<Hit>* Renderer::hits(WindowHandle topLevel) const {
    const Surface* surface = surfaceOf(topLevel);
    return surface ? &surface->hits : nullptr;
}

// A window that belongs to another for the window manager (an owned one to
// its owner, any other to the main window) stays over it and is placed by it.
void Renderer::makeSurface(const Window& window) {
    const Rect size = clientPixels(window, font_, scale_);
    std::vector<Rect> placed;
    const Rect* owner = nullptr;
    for (const auto& surface : surfaces_) placed.push_back(surface->outer);
    for (std::size_t i = 0; i < surfaces_.size(); ++i) {
        if (surfaces_[i]->handle == window.owner) owner = &placed[i];
    }
    const Surface* ownerSurface = surfaceOf(window.owner);
    SDL_Window* over = ownerSurface ? ownerSurface->window : surfaces_.empty() ? nullptr : surfaces_.front()->window;
    const Rect where = placeTopLevel(size, owner, placed, screenArea());
    auto surface = std::make_unique<Surface>();
    surface->handle = window.handle;
    surface->outer = where;
    surface->units = {0, 0, window.rect.width(), window.rect.height()};
    const Uint32 flags = SDL_WINDOW_HIDDEN | (window.resizable() ? Uint32{SDL_WINDOW_RESIZABLE} : Uint32{0});
    surface->window =
        SDL_CreateWindow(screenText(window.text).c_str(), where.left, where.top, size.width(), size.height(), flags);
    if (surface->window == nullptr) return;
    surface->renderer = SDL_CreateRenderer(surface->window, -1, SDL_RENDERER_SOFTWARE);
    if (surface->renderer == nullptr) return;
    if (window.resizable()) {
        const Rect least = clientPixels(window, window.smallest, font_, scale_);
        SDL_SetWindowMinimumSize(surface->window, least.width(), least.height());
    }
    if (over != nullptr) SDL_SetWindowModalFor(surface->window, over);
    surfaces_.push_back(std::move(surface));
}

void Renderer::syncSurface(Surface& surface, const Window& window) {
    const std::string title = screenText(window.text);
    if (title != surface.title) {
        SDL_SetWindowTitle(surface.window, title.c_str());
        surface.title = title;
    }
    const int icon = window.largeIcon ? window.largeIcon : window.smallIcon;
    if (icon != surface.icon && window.module != nullptr) {
        if (const IconImage* image = largestImage(*window.module, icon)) {
            if (const SurfacePtr pixels = iconSurface(*image)) SDL_SetWindowIcon(surface.window, pixels.get());
        }
        surface.icon = icon;
    }
    // A resizable window keeps the size the window manager gave it until the
    // layer sizes it anew; any other has the size of its dialog units.
    const Rect size = clientPixels(window, font_, scale_);
    int width = 0, height = 0;
    SDL_GetWindowSize(surface.window, &width, &height);
    const bool sizedAnew =
        window.rect.width() != surface.units.width() || window.rect.height() != surface.units.height();
    const bool wrong = window.resizable() ? sizedAnew : width != size.width() || height != size.height();
    if (wrong) {
        SDL_SetWindowSize(surface.window, size.width(), size.height());
        surface.units = {0, 0, window.rect.width(), window.rect.height()};
        surface.dirty = true;
    }
    const bool visible = isWindowVisible(window.handle);
    if (visible != surface.shown) {
        if (visible)
            SDL_ShowWindow(surface.window);
        else
            SDL_HideWindow(surface.window);
        surface.shown = visible;
        surface.dirty = true;
    }
}

void Renderer::paint(Surface& surface, const Window& window) {
    const bool active = getActiveWindow() == window.handle;
    const std::size_t digest = paintDigest(window, active, menu_);
    if (!surface.dirty && digest == surface.digest) return;
    Painter painter(surface.renderer, font_, scale_);
    painter.paint(window, active, menu_);
    surface.hits = painter.hits();
    surface.digest = digest;
    surface.dirty = false;
    ++paints_;
}

void Renderer::refresh() {
    std::erase_if(surfaces_, [](const auto& surface) { return !isWindow(surface->handle); });
    menu_.keepValid();
    for (WindowHandle handle : desktop().zOrder) {
        const Window* window = windowOf(handle);
        if (window == nullptr) continue;
        if (surfaceOf(handle) == nullptr) {
            if (!window->visible) continue;  // made when first shown, where the windows stand then
            makeSurface(*window);
        }
        if (Surface* surface = surfaceOf(handle)) {
            syncSurface(*surface, *window);
            if (surface->shown) paint(*surface, *window);
        }
    }
    const WindowHandle active = getActiveWindow();
    if (active != raised_) {
        if (Surface* surface = surfaceOf(active)) SDL_RaiseWindow(surface->window);
        raised_ = active;
    }
    lastRefresh_ = std::chrono::steady_clock::now();
}

bool Renderer::wait() {
    refresh();
    SDL_Event event;
    // A stop signal wakes no wait for events: the program looks at times.
    if (SDL_WaitEventTimeout(&event, kStopSignalLookMs) == 0) return true;
    handle(event);
    return true;
}

void Renderer::poll() {
    if (std::chrono::steady_clock::now() - lastRefresh_ >= kPumpPaintInterval) refresh();
    SDL_Event event;
    while (SDL_PollEvent(&event)) handle(event);
}

void Renderer::setClipboardText(std::string_view text) { SDL_SetClipboardText(clipboardUtf8(text).c_str()); }

std::string Renderer::clipboardText() const {
    char* text = SDL_GetClipboardText();
    std::string typed = text ? typedText(text) : std::string();
    SDL_free(text);
    return typed;
}

// Only windows a person sees stand on a desktop with dialogs of its own.
bool Renderer::offersDesktopDialogs() const { return showsWindows(SDL_GetCurrentVideoDriver()); }

std::string Renderer::windowSystemName(WindowHandle topLevel) const {
    SDL_Window* window = sdlWindow(topLevel);
    return window ? systemWindowName(window) : std::string();
}

void Renderer::handle(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT: handleWindowEvent(event.window); break;
        case SDL_MOUSEBUTTONDOWN: handleButton(event.button); break;
        case SDL_MOUSEBUTTONUP: drag_ = {}; break;
        case SDL_MOUSEMOTION: handleMotion(event.motion); break;
        case SDL_MOUSEWHEEL: handleWheel(event.wheel); break;
        case SDL_KEYDOWN: handleKey(event.key); break;
        case SDL_TEXTINPUT: handleText(event.text); break;
        case SDL_DROPBEGIN:
        case SDL_DROPFILE:
        case SDL_DROPTEXT:
        case SDL_DROPCOMPLETE: handleDrop(event.drop); break;
        case SDL_QUIT: postQuitMessage(0); break;  // the session or a signal ends the program
        default: break;
    }
}

void Renderer::handleWindowEvent(const SDL_WindowEvent& event) {
    Surface* surface = surfaceOf(event.windowID);
    if (surface == nullptr) return;
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE: inputClose(surface->handle); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (getActiveWindow() != surface->handle) inputActivate(surface->handle);
            // A window that may not take the focus now (a message box or a modal
            // dialog is up) gives it back to the one that keeps it.
            if (getActiveWindow() != surface->handle) raised_ = {};
            break;
        case SDL_WINDOWEVENT_EXPOSED: surface->dirty = true; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            resized(*surface, event.data1, event.data2);
            surface->dirty = true;
            break;
        case SDL_WINDOWEVENT_MOVED: {
            const int width = surface->outer.width(), height = surface->outer.height();
            surface->outer = {event.data1, event.data2, event.data1 + width, event.data2 + height};
            break;
        }
        default: break;
    }
}

// The window manager's new size; a resizable window is laid out for it in
// dialog units.
void Renderer::resized(Surface& surface, int width, int height) {
    surface.outer.right = surface.outer.left + width;  // where windows opened later are centred
    surface.outer.bottom = surface.outer.top + height;
    const Window* window = windowOf(surface.handle);
    if (window == nullptr || !window->resizable()) return;
    const int bar = menuOf(surface.handle) != nullptr ? menuBarHeight(font_) : 0;
    resizeDialog(surface.handle, scale_.unitsX(width), scale_.unitsY(height - bar));
    surface.units = {0, 0, window->rect.width(), window->rect.height()};
}

const Hit* Renderer::hitAt(const Surface& surface, int x, int y) const {
    const auto found =
        std::find_if(surface.hits.rbegin(), surface.hits.rend(), [&](const Hit& h) { return h.contains(x, y); });
    return found == surface.hits.rend() ? nullptr : &*found;
}

void Renderer::handleButton(const SDL_MouseButtonEvent& event) {
    const Surface* surface = surfaceOf(event.windowID);
    if (surface == nullptr || event.button != SDL_BUTTON_LEFT) return;
    const Hit* hit = hitAt(*surface, event.x, event.y);
    if (hit == nullptr) {
        menu_ = {};
        inputActivate(surface->handle);
        return;
    }
    const Press press = hit->what.press;
    const bool vertical = hit->what.bar == SB_VERT;
    if (press == Press::Text || press == Press::Thumb) {
        drag_ = {true, *hit, vertical ? event.y - hit->area.top : event.x - hit->area.left};
    }
    pressHit(hit->what, modifiersOf(static_cast<Uint16>(SDL_GetModState())), isDoubleClick(event, hit->what),
             press == Press::Text ? textOffset(*hit, event.x) : -1, menu_);
}

int Renderer::textOffset(const Hit& hit, int x) const {
    const std::string text = getWindowText(hit.what.window);
    const std::size_t from = std::min(hit.what.first, text.size());
    const std::string_view shown = std::string_view(text).substr(from, hit.what.length);
    return static_cast<int>(from + font_.offsetAt(shown, x - hit.textLeft));
}

// SDL counts presses within the double-click time wherever they fall; a
// double click is the second of them on what the first was on.
bool Renderer::isDoubleClick(const SDL_MouseButtonEvent& event, const HitArea& what) {
    const bool same = event.clicks >= kDoubleClick && lastRow_.window == what.window && lastRow_.index == what.index;
    lastRow_ = same ? RowPress{} : RowPress{what.window, what.index};
    return same;
}

void Renderer::handleMotion(const SDL_MouseMotionEvent& event) {
    const bool held = (event.state & SDL_BUTTON_LMASK) != 0;
    if (held && drag_.held && drag_.hit.what.press == Press::Thumb) {
        const bool vertical = drag_.hit.what.bar == SB_VERT;
        const Rect& track = drag_.hit.track;
        const int pixels = (vertical ? event.y - track.top : event.x - track.left) - drag_.grab;
        const int along = vertical ? scale_.unitsY(pixels) : scale_.unitsX(pixels);
        inputScroll(drag_.hit.what.window, drag_.hit.what.bar, SB_THUMBTRACK, thumbPositionAt(drag_.hit.what, along));
        return;
    }
    if (held && drag_.held) {
        inputDrag(drag_.hit.what.window, textOffset(drag_.hit, event.x));
        return;
    }
    const Surface* surface = surfaceOf(event.windowID);
    if (surface == nullptr || !menu_.isOpen() || surface->handle != menu_.window) return;
    // An open menu follows the mouse.
    const Hit* hit = hitAt(*surface, event.x, event.y);
    if (hit && hit->what.press == Press::MenuItem) menu_.item = hit->what.index;
    if (hit && hit->what.press == Press::MenuTitle && hit->what.index != menu_.popup)
        menu_.open(hit->what.window, hit->what.index);
}

void Renderer::handleWheel(const SDL_MouseWheelEvent& event) {
    const Surface* surface = surfaceOf(event.windowID);
    const Hit* hit = surface ? hitAt(*surface, event.mouseX, event.mouseY) : nullptr;
    if (hit == nullptr || isMenuHit(hit)) return;
    const int rows = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y;
    if (rows != 0) inputWheel(hit->what.window, rows * kWheelRows);
}

bool Renderer::handleMenuKey(SDL_Keycode sym, unsigned modifiers) {
    const WindowHandle active = getActiveWindow();
    if (sym == SDLK_F10) {
        if (menu_.isOpen())
            menu_ = {};
        else
            menu_.open(active, 0);
        return true;
    }
    if ((modifiers & kAlt) && isLetter(sym)) {
        menu_.openByAccess(active, static_cast<char>(sym));
        return true;
    }
    if (!menu_.isOpen()) return false;
    // The letter comes as text too, after the window it chose may have opened.
    swallowText_ = isLetter(sym);
    if (isLetter(sym))
        menu_.access(static_cast<char>(sym));
    else if (const std::optional<Key> key = keyOf(sym))
        menu_.key(*key);
    return true;
}

void Renderer::handleKey(const SDL_KeyboardEvent& event) {
    const SDL_Keycode sym = event.keysym.sym;
    const unsigned modifiers = modifiersOf(event.keysym.mod);
    swallowText_ = false;
    if (handleMenuKey(sym, modifiers)) return;
    if ((modifiers & kControl) && isEditCommandLetter(sym)) {
        const char command = static_cast<char>(sym - kControlLetterBase);
        inputText(std::string_view(&command, 1));
        return;
    }
    const std::optional<Key> key = keyOf(sym);
    if (!key) return;
    // Space types a blank into a text field (it comes as text) and presses anything else.
    if (*key == Key::Space && modifiers == 0 && takesTyping(keyTarget())) return;
    inputKey(*key, modifiers);
}

void Renderer::handleText(const SDL_TextInputEvent& event) {
    if (std::exchange(swallowText_, false) || menu_.isOpen() || (SDL_GetModState() & (KMOD_CTRL | KMOD_LALT))) return;
    const std::string typed = typedText(event.text);
    if (typed == " " && !takesTyping(keyTarget())) return;  // the key has pressed already
    if (!typed.empty()) inputText(typed);
}

// The files of one drop come one event each, between its beginning and its
// end, and go to the window as one drop. Paths are the file system's bytes.
void Renderer::handleDrop(const SDL_DropEvent& event) {
    if (event.type == SDL_DROPBEGIN) dropped_.clear();
    if (event.type == SDL_DROPFILE && event.file != nullptr) dropped_.emplace_back(event.file);
    SDL_free(event.file);  // SDL hands the text over with the event
    if (event.type != SDL_DROPCOMPLETE) return;
    if (const Surface* surface = surfaceOf(event.windowID)) inputDropFiles(surface->handle, std::move(dropped_));
    dropped_.clear();
}

void chooseVideoHints() {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");  // a dialog program keeps no screen awake
}

bool showsWindows(const char* videoDriver) {
    // Without a display SDL falls back on drivers nobody sees (offscreen,
    // dummy): a program there would wait for input that never comes.
    const std::string_view driver = videoDriver ? videoDriver : "";
    return driver == "x11" || driver == "wayland";
}

bool displayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

namespace {

// SDL's video and SDL_ttf for the length of a run.
class Session {
public:
    Session() {
        chooseVideoHints();
        keepXErrorsNonFatal();
        video_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        fonts_ = video_ && showsWindows(SDL_GetCurrentVideoDriver()) && TTF_Init() == 0;
        if (fonts_) settings_ = readDesktopSettings();
        // Two clicks make a double click as quickly as on the rest of the desktop.
        if (const std::optional<int> time = settings_.doubleClickTime) {
            SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_TIME, std::to_string(*time).c_str());
        }
    }
    ~Session() {
        if (fonts_) TTF_Quit();
        if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    bool ready() const { return fonts_; }

    // The resolution the display and the environment tell.
    int dpi() const {
        return dialogDpi({environment(kScaleVariable), resourceInteger(settings_.resources, kDpiResource),
                          settings_.settingsDpi, environment(kWindowScaleVariable), settings_.windowScale});
    }

private:
    static std::string_view environment(const char* name) {
        const char* value = std::getenv(name);
        return value ? value : "";
    }

    bool video_ = false;
    bool fonts_ = false;
    DesktopSettings settings_;
};

}  // namespace

std::optional<int> runOnDesktop(const std::function<int()>& program) {
    if (!displayAvailable()) return std::nullopt;
    Session session;
    if (!session.ready()) return std::nullopt;
    Font font;
    if (!font.open(kDialogFontFamily, session.dpi())) {
        std::fputs("Lirvane found no font for its windows (install fonts-dejavu-core).\n", stderr);
        return std::nullopt;
    }
    Renderer renderer(font);
    return program();
}

}  // namespace platform::gui
