// Draws one top-level window of the layer, in a plain classic desktop look,
// into its window's renderer, and remembers what stands where so that the
// mouse finds its control, list row, menu item or scroll bar.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <vector>

#include "platform/ui/gui/font.h"
#include "platform/ui/gui/scrollbar.h"
#include "platform/ui/menu.h"
#include "platform/ui/window.h"

namespace platform::gui {

enum class HitKind { Control, ListRow, ComboRow, EditText, MenuTitle, MenuItem, ScrollBar };

// A run of an edit's text on the screen: from byte `first`, `length` bytes
// (-1: to the end), its left edge at x `left`. A click finds its character.
struct ShownText {
    int first = -1;  // -1: no run; a click puts the caret at the end
    int length = -1;
    int left = 0;
};

struct Hit {
    HitKind kind;
    WindowHandle window;  // the control, or the top-level window for menus
    int index = -1;       // list row, menu popup or item
    Rect area;            // pixels in the window
    ShownText text;       // edits
    gui::ScrollBar bar;   // scroll bars
    bool contains(int x, int y) const { return x >= area.left && x < area.right && y >= area.top && y < area.bottom; }
};

// The height of the menu bar of a window that has one.
int menuBarHeight(const Font& font);
// A top-level window's client size in pixels.
Rect clientPixels(const Window& window, const Font& font, const DialogScale& scale);

// A cheap digest of everything that painting the window reads; the window is
// painted again only when it changes.
std::size_t paintDigest(const Window& window, bool active, const MenuState& menu);

class Painter {
public:
    Painter(SDL_Renderer* renderer, const Font& font, DialogScale scale) : r_(renderer), font_(font), scale_(scale) {}

    void paint(const Window& window, bool active, const MenuState& menu);
    const std::vector<Hit>& hits() const { return hits_; }

private:
    void paintMenuBar(const Window& window, const MenuState& menu);
    void paintMenuPopup(const Window& window, const MenuState& menu);
    Rect pixelsOf(const Window& control) const;
    void paintControl(const Window& control, bool focused);
    void paintStatic(const Window& control, const Rect& r);
    void paintGroup(const Window& control, const Rect& r);
    void paintPushButton(const Window& control, const Rect& r, bool focused);
    void paintMarkButton(const Window& control, const Rect& r, bool focused);
    void paintEdit(const Window& control, const Rect& r, bool focused);
    void paintMultiLine(const Window& control, const Rect& inner, bool focused);
    void paintList(const Window& control, const Rect& r, bool focused);
    void paintCombo(const Window& control, const Rect& r, bool focused);
    void paintComboList(const Window& control);
    void paintProgress(const Window& control, const Rect& r);
    void paintScrollBar(const ScrollBar& bar, bool enabled);
    void addScrollBar(const Window& control, const ScrollBar& bar, bool enabled);
    void paintLine(const Window& control, std::string_view line, std::size_t lineStart, int x, int y, bool focused);
    void label(std::string_view text, int x, int y, bool enabled);
    void menuLabel(std::string_view text, int access, int x, int y, SDL_Color colour);
    void addHit(HitKind kind, WindowHandle window, int index, const Rect& area);

    SDL_Renderer* r_;
    const Font& font_;
    DialogScale scale_;
    int top_ = 0;  // where the client area starts, below the menu bar
    std::vector<Hit> hits_;
    std::vector<const Window*> openCombos_;  // drawn over everything
};

}  // namespace platform::gui
