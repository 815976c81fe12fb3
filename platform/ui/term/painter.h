// Draws the desktop of the window layer into a canvas: each window's frame,
// caption and menu, and the layer's view of its controls mapped to cells.
// Remembers the cells of every hit area, so that a click finds its input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/menu.h"
#include "platform/ui/term/canvas.h"
#include "platform/ui/view.h"
#include "platform/ui/wrap.h"

namespace platform::term {

struct Hit {
    HitArea what;
    CellRect area;
    CellRect track;  // thumbs: the cells they are dragged along
};

class Painter {
public:
    explicit Painter(Canvas& canvas) : canvas_(canvas) {}

    // Paints every visible top-level window at its placement, bottom first.
    void paint(const std::vector<Placement>& placements, const MenuState& menu, std::string_view helpLine);
    void paintTooSmall(int columns, int rows);

    const std::vector<Hit>& hits() const { return hits_; }

private:
    void paintWindow(const Window& window, const Placement& placement, bool active, const MenuState& menu);
    void paintView(const DialogView& view, const CellRect& client, const Scale& scale);
    void paintMenuBar(const Window& window, int left, int top, int width, const MenuState& menu);
    void paintMenuPopup(const Window& window, const MenuState& menu);
    void paintElement(const ViewElement& element, const CellRect& r);
    void addHit(const HitArea& what, const CellRect& area, const CellRect& track = {});

    Canvas& canvas_;
    std::vector<Hit> hits_;
    std::vector<std::pair<const Window*, CellRect>> menuBars_;
    // Open drop-down lists go over every window: painted, and their hits
    // added, last.
    std::vector<std::pair<ViewElement, CellRect>> popups_;
    std::vector<Hit> popupHits_;
};

// The byte of a shown line of text [first, first + length) that a click
// `cells` cells into the line finds.
std::size_t offsetAtCell(std::string_view text, std::size_t first, std::size_t length, int cells);

}  // namespace platform::term
