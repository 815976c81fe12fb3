// Draws the desktop of the window layer into a canvas, and remembers what
// stands where so that mouse clicks find their window, control or list row.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/menu.h"
#include "platform/ui/term/canvas.h"
#include "platform/ui/wrap.h"
#include "platform/ui/window.h"

namespace platform::term {

enum class HitKind { Control, ListRow, ComboRow, CloseBox, Caption, MenuTitle, MenuItem, ScrollBar };

struct Hit {
    HitKind kind;
    WindowHandle window;  // the control, or the top-level window
    int index = -1;       // list row, menu popup or menu item; a scroll bar's SB_ code
    CellRect area;
    int bar = SB_VERT;    // scroll bars: which one, and its track (where the thumb is dragged)
    CellRect track;
};

class Painter {
public:
    Painter(Canvas& canvas, Scale scale) : canvas_(canvas), scale_(scale) {}

    // Paints every visible top-level window at its placement, bottom first.
    void paint(const std::vector<Placement>& placements, const MenuState& menu, std::string_view helpLine);
    void paintTooSmall(int columns, int rows);

    const std::vector<Hit>& hits() const { return hits_; }

private:
    void paintWindow(const Window& window, const Placement& placement, bool active, const MenuState& menu);
    void paintControls(const Window& window, const CellRect& client, bool active);
    void paintMenuBar(const Window& window, int left, int top, int width, const MenuState& menu);
    void paintMenuPopup(const Window& window, const MenuState& menu);
    CellRect cellsOf(const Window& control, const Scale& scale, int originX, int originY) const;
    void paintControl(const Window& control, const CellRect& r, bool active);
    void paintStatic(const Window& control, const CellRect& r);
    void paintGroup(const Window& control, const CellRect& r);
    void paintButton(const Window& control, const CellRect& r, bool focused);
    void paintEdit(const Window& control, const CellRect& r, bool focused);
    void paintFieldText(const Window& control, const CellRect& r, int columns, Style style, bool focused);
    void placeMultiLineCursor(std::string_view text, const std::vector<std::string_view>& lines, std::size_t caret,
                              const CellRect& r);
    void paintAccessLetter(int x, int y, std::string_view text, int access);
    void paintList(const Window& control, const CellRect& r, bool focused);
    void paintListRows(const Window& control, const CellRect& r, bool focused);
    void paintScrollBar(const Window& control, int bar, const CellRect& area);
    void paintCombo(const Window& control, const CellRect& r, bool focused);
    void paintComboList(const Window& control, const CellRect& field);
    void paintProgress(const Window& control, const CellRect& r);
    void addHit(HitKind kind, WindowHandle window, int index, const CellRect& area);

    Canvas& canvas_;
    Scale scale_;
    std::vector<Hit> hits_;
    std::vector<std::pair<const Window*, CellRect>> openCombos_;  // drawn over everything
    std::vector<std::pair<const Window*, CellRect>> menuBars_;
};

}  // namespace platform::term
