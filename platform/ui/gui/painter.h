// Draws one top-level window of the layer, in a plain classic desktop look,
// into its window's renderer: its menu bar and the layer's view of its
// controls mapped to pixels. Remembers the pixels of every hit area, so that
// the mouse finds its input.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <vector>

#include "platform/ui/gui/font.h"
#include "platform/ui/menu.h"
#include "platform/ui/view.h"

namespace platform::gui {

// Pixels at 96 dots per inch, more on a screen of more.
inline constexpr int kBorder = 2;       // a sunken field's border
inline constexpr int kTextPadding = 2;  // between a field's border and its text

struct Hit {
    HitArea what;
    Rect area;         // pixels in the window
    Rect track;        // thumbs: the pixels they are dragged along
    int textLeft = 0;  // text: where the line's first character stands
    bool contains(int x, int y) const { return x >= area.left && x < area.right && y >= area.top && y < area.bottom; }
};

// The height of the menu bar of a window that has one.
int menuBarHeight(const Font& font);
// A top-level window's client size in pixels, for its dialog units or for
// another size in units.
Rect clientPixels(const Window& window, const Rect& units, const Font& font, const DialogScale& scale);
inline Rect clientPixels(const Window& window, const Font& font, const DialogScale& scale) {
    return clientPixels(window, window.rect, font, scale);
}

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
    Rect pixelsOf(const Rect& units) const;
    void paintElement(const ViewElement& element, const Rect& r);
    void paintLabel(const ViewElement& element, const Rect& r);
    void paintGroup(const ViewElement& element, const Rect& r);
    void paintPushButton(const ViewElement& element, const Rect& r);
    void paintMarkButton(const ViewElement& element, const Rect& r);
    void paintField(const ViewElement& element, const Rect& r);
    void paintTextBox(const ViewElement& element, const Rect& r);
    void paintRow(const ViewElement& element, const Rect& r);
    void paintScrollBar(const ViewElement& element);
    void paintDropButton(const ViewElement& element, const Rect& r);
    void paintProgress(const ViewElement& element, const Rect& r);
    int drawLine(const TextLine& line, int x, int y, SDL_Color ink, bool focused);
    void label(std::string_view text, int x, int y, bool enabled);
    void addHit(Press press, WindowHandle window, int index, const Rect& area);
    int px(int pixelsAt96) const { return scale_.px(pixelsAt96); }

    SDL_Renderer* r_;
    const Font& font_;
    DialogScale scale_;
    int top_ = 0;  // where the client area starts, below the menu bar
    std::vector<Hit> hits_;
};

}  // namespace platform::gui
