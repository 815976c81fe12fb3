// The desktop front end: every top-level window of the layer as a window of
// the window system, painted by the Painter, with the window system's mouse,
// keyboard and clipboard turned into the layer's input.
#pragma once

#include <SDL.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/gui/font.h"
#include "platform/ui/gui/painter.h"
#include "platform/ui/input.h"
#include "platform/ui/menu.h"

namespace platform::gui {

inline constexpr char kDialogFontFamily[] = "DejaVu Sans";

class Renderer : public InputSource {
public:
    // Needs the video subsystem running and the font open.
    explicit Renderer(const Font& font);
    ~Renderer() override;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    bool wait() override;
    void poll() override;
    void setClipboardText(std::string_view text) override;
    std::string clipboardText() const override;
    bool offersDesktopDialogs() const override;
    std::string windowSystemName(WindowHandle topLevel) const override;

    // Brings the screen up to date: windows made, shown, hidden, raised, and
    // painted again where something changed.
    void refresh();
    void handle(const SDL_Event& event);

    // What stands on the screen for a layer window, for tests: null when none.
    SDL_Window* sdlWindow(WindowHandle topLevel) const;
    SDL_Renderer* sdlRenderer(WindowHandle topLevel) const;
    const std::vector<Hit>* hits(WindowHandle topLevel) const;
    int paintCount() const { return paints_; }

private:
    struct Surface;
    // A thumb or an edit's text held with the button down.
    struct Drag {
        bool held = false;
        Hit hit;
        int grab = 0;  // thumbs: pixels into the thumb where the mouse took it
    };

    struct RowPress {
        WindowHandle window;
        int index = -1;
    };

    Surface* surfaceOf(Uint32 windowId) const;
    Surface* surfaceOf(WindowHandle handle) const;
    void makeSurface(const Window& window);
    void syncSurface(Surface& surface, const Window& window);
    void paint(Surface& surface, const Window& window);
    void handleWindowEvent(const SDL_WindowEvent& event);
    void resized(Surface& surface, int width, int height);
    void handleButton(const SDL_MouseButtonEvent& event);
    void handleMotion(const SDL_MouseMotionEvent& event);
    void handleWheel(const SDL_MouseWheelEvent& event);
    void handleKey(const SDL_KeyboardEvent& event);
    void handleText(const SDL_TextInputEvent& event);
    void handleDrop(const SDL_DropEvent& event);
    bool handleMenuKey(SDL_Keycode sym, unsigned modifiers);
    bool isDoubleClick(const SDL_MouseButtonEvent& event, const HitArea& what);
    int textOffset(const Hit& hit, int x) const;
    const Hit* hitAt(const Surface& surface, int x, int y) const;

    const Font& font_;
    DialogScale scale_;
    std::vector<std::unique_ptr<Surface>> surfaces_;
    MenuState menu_;
    Drag drag_;
    bool swallowText_ = false;  // the text of a key the menu took is not typed
    RowPress lastRow_;          // the list row pressed last, unless that made a double click
    WindowHandle raised_;
    std::vector<std::string> dropped_;  // the files of a drop not yet complete
    std::chrono::steady_clock::time_point lastRefresh_{};
    int paints_ = 0;
};

// Sets how SDL's video is to work, before it starts: windows drawn by the
// software renderer into their own framebuffers, with no OpenGL behind them;
// a click on an inactive window acts; the screen saver is left alone.
void chooseVideoHints();

// Whether SDL's video driver puts windows on a display a person sees.
bool showsWindows(const char* videoDriver);

// Whether the environment names a graphical display to open windows on.
bool displayAvailable();

// Runs the program in desktop windows. Returns nothing, having run nothing,
// when no display can be opened or no font found: the caller then uses the terminal.
std::optional<int> runOnDesktop(const std::function<int()>& program);

}  // namespace platform::gui
