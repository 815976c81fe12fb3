#include "platform/ui/term/painter.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/ui/input.h"
#include "platform/ui/scrollbar.h"

namespace platform::term {
namespace {

constexpr char32_t kChecked = U'■';
constexpr char32_t kUnchecked = U'□';
constexpr char32_t kRadioOn = U'●';
constexpr char32_t kRadioOff = U'○';
constexpr char32_t kDropArrow = U'▼';
constexpr char32_t kScrollUp = U'▲';
constexpr char32_t kScrollDown = U'▼';
constexpr char32_t kScrollLeft = U'◄';
constexpr char32_t kScrollRight = U'►';
constexpr char32_t kScrollThumb = U'█';
constexpr char32_t kEllipsis = U'…';
constexpr char32_t kScrollTrack = U'░';
constexpr char32_t kBarFull = U'█';
constexpr char32_t kBarEmpty = U'░';
constexpr char32_t kCaretMark = U'›';
constexpr char kCloseBox[] = "[X]";
constexpr int kCloseBoxWidth = 3;
constexpr int kMenuGap = 2;
constexpr int kComboFieldUnits = 12;

bool hasFocus(const Window& control, bool active) {
    const Window* dialog = windowOf(control.parent);
    return active && dialog && dialog->focus == control.handle;
}

// The text from the first character that starts `cells` cells in.
std::string_view skipCells(std::string_view text, int cells) {
    std::size_t at = 0;
    for (int skipped = 0; at < text.size() && skipped < cells; at = nextCharacter(text, at)) {
        skipped += characterWidth(text, at);
    }
    return text.substr(at);
}

// Cells from the first shown byte to the caret.
int caretCells(std::string_view text, std::size_t scroll, std::size_t caret) {
    caret = std::min(caret, text.size());
    return displayWidth(text.substr(std::min(scroll, caret), caret - std::min(scroll, caret)));
}

Style buttonStyle(const Window& control, bool focused) {
    if (!control.enabled) return Style::Disabled;
    if (focused) return Style::Focused;
    if ((control.style & BS_PUSHLIKE) && control.check == BST_CHECKED) return Style::Pressed;
    return control.buttonKind() == BS_DEFPUSHBUTTON ? Style::ButtonDefault : Style::Button;
}

int menuItemsWidth(const MenuPopupTemplate& popup) {
    int widest = 0;
    for (const MenuItemTemplate& item : popup.items) {
        int access = 0;
        if (item.text) widest = std::max(widest, displayWidth(menuText(item.text, access)));
    }
    return widest + 2;
}

bool isGroupBox(const Window& control) {
    return control.windowClass == WindowClass::Button && control.buttonKind() == BS_GROUPBOX;
}

// Texts that may run on into free cells to their right: a cell is wider than
// the desktop's average letter, and labels and buttons would lose letters.
bool isLabel(const Window& control) {
    if (control.windowClass == WindowClass::Static) return (control.style & (SS_CENTER | SS_SUNKEN)) == 0;
    return control.windowClass == WindowClass::Button && control.buttonKind() != BS_GROUPBOX;
}

bool hasMark(const Window& control) {
    return control.windowClass == WindowClass::Button && !(control.style & BS_PUSHLIKE) &&
           (control.buttonKind() == BS_AUTOCHECKBOX || control.buttonKind() == BS_RADIOBUTTON);
}

// The cells a label's text needs: where it stands, run on to the right, or
// moved left when its box or the control after it leaves no room, so that the
// whole caption shows within its box.
CellRect fittedLabel(const Window& control, const CellRect& label, const std::vector<std::pair<const Window*, CellRect>>& placed,
                     int boxLeft, int boxRight) {
    const int wanted = (hasMark(control) ? 1 : 0) + displayWidth(control.text);
    int before = boxLeft;
    int after = boxRight;
    for (const auto& [other, cells] : placed) {
        const bool sameRows = cells.top < label.bottom && label.top < cells.bottom;
        if (isGroupBox(*other) || !sameRows || other == &control) continue;
        if (cells.left >= label.right) after = std::min(after, cells.left);
        else if (cells.right <= label.left) before = std::max(before, cells.right);
    }
    if (label.left + wanted <= after) return {label.left, label.top, std::max(label.right, label.left + wanted), label.bottom};
    // Moved left, one cell clear of the control after it where there is room.
    const int right = after < boxRight && after - wanted - 1 >= before ? after - 1 : after;
    const int left = std::max(before, right - wanted);
    return {left, label.top, std::max(left + 1, right), label.bottom};
}

// Boxes stacked one on the other each keep both lines: where a box's top line
// would fall on the bottom line of a box above it, it goes a row down.
void separateStackedBoxes(std::vector<std::pair<const Window*, CellRect>>& placed) {
    for (auto& [box, cells] : placed) {
        if (!isGroupBox(*box)) continue;
        for (const auto& [other, above] : placed) {
            const bool stackedAbove = isGroupBox(*other) && above.top < cells.top && above.bottom < cells.bottom &&
                                      above.left < cells.right && cells.left < above.right;
            if (stackedAbove && above.bottom - 1 == cells.top) ++cells.top;
        }
    }
}

// The inside of the innermost group box around a control, or the client area.
std::pair<int, int> boxAround(const CellRect& cells, const std::vector<std::pair<const Window*, CellRect>>& placed,
                              const CellRect& client) {
    std::pair<int, int> box{client.left, client.right};
    for (const auto& [other, outline] : placed) {
        const bool inside = outline.left < cells.left && cells.left < outline.right - 1 && outline.top < cells.top &&
                            cells.top < outline.bottom - 1;
        if (isGroupBox(*other) && inside && outline.width() - 2 < box.second - box.first) {
            box = {outline.left + 1, outline.right - 1};
        }
    }
    return box;
}

}  // namespace

void Painter::addHit(HitKind kind, WindowHandle window, int index, const CellRect& area) {
    hits_.push_back({kind, window, index, area, SB_VERT, {}});
}

void Painter::paint(const std::vector<Placement>& placements, const MenuState& menu, std::string_view helpLine) {
    hits_.clear();
    canvas_.cursorX = canvas_.cursorY = -1;
    canvas_.fill({0, 0, canvas_.columns(), canvas_.rows()}, Style::Desktop);
    const WindowHandle active = getActiveWindow();
    for (const Placement& placement : placements) {
        const Window* window = windowOf(placement.window);
        if (window != nullptr && isWindowVisible(placement.window)) {
            paintWindow(*window, placement, placement.window == active, menu);
        }
    }
    canvas_.clearClip();
    for (const auto& [combo, field] : openCombos_) paintComboList(*combo, field);
    openCombos_.clear();
    if (const Window* window = windowOf(menu.window); window && menu.popup >= 0) paintMenuPopup(*window, menu);
    menuBars_.clear();
    const int helpRow = canvas_.rows() - kHelpRows;
    canvas_.fill({0, helpRow, canvas_.columns(), canvas_.rows()}, Style::Help);
    canvas_.text(0, helpRow, helpLine, canvas_.columns(), Style::Help);
}

void Painter::paintTooSmall(int columns, int rows) {
    hits_.clear();
    canvas_.cursorX = canvas_.cursorY = -1;
    canvas_.fill({0, 0, canvas_.columns(), canvas_.rows()}, Style::Notice);
    char notice[160];
    std::snprintf(notice, sizeof notice, "Lirvane needs a terminal of at least %dx%d; this one is %dx%d. Ctrl+W quits.",
                  kMinColumns, kMinRows, columns, rows);
    const std::vector<std::string_view> lines = wrapText(notice, canvas_.columns());
    for (std::size_t i = 0; i < lines.size() && static_cast<int>(i) < canvas_.rows(); ++i) {
        canvas_.text(0, static_cast<int>(i), lines[i], canvas_.columns(), Style::Notice);
    }
}

// The caption is the window's top edge; a framed window has lines down its
// sides and along its bottom, and a shadow.
void Painter::paintWindow(const Window& window, const Placement& placement, bool active, const MenuState& menu) {
    const CellRect& outer = placement.outer;
    canvas_.clearClip();
    canvas_.fill(outer, Style::Window);
    if (placement.framed) {
        canvas_.frame(outer, Style::Frame);
        canvas_.shadow(outer);
    }
    // The close box stays on the screen however wide the window is.
    const int right = std::min(outer.right, canvas_.columns());
    const Style caption = active ? Style::Caption : Style::CaptionInactive;
    canvas_.fill({outer.left, outer.top, right, outer.top + kCaptionRows}, caption);
    canvas_.text(outer.left + 1, outer.top, window.text, right - outer.left - kCloseBoxWidth - 2, caption);
    addHit(HitKind::Caption, window.handle, -1, {outer.left, outer.top, right, outer.top + kCaptionRows});
    if (window.style & WS_SYSMENU) {
        const int x = right - kCloseBoxWidth;
        canvas_.text(x, outer.top, kCloseBox, kCloseBoxWidth, caption);
        addHit(HitKind::CloseBox, window.handle, -1, {x, outer.top, right, outer.top + kCaptionRows});
    }
    const bool hasMenu = window.menuBar() != nullptr;
    const CellRect client = clientArea(placement, hasMenu);
    if (hasMenu) paintMenuBar(window, client.left, outer.top + kCaptionRows, client.width(), menu);
    canvas_.setClip(client);
    paintControls(window, client, active);
}

void Painter::paintControls(const Window& window, const CellRect& client, bool active) {
    const Scale scale = scaleForWindow(scale_, window.rect.width(), canvas_.columns());
    std::vector<std::pair<const Window*, CellRect>> placed;
    for (WindowHandle handle : window.controls) {
        const Window* control = windowOf(handle);
        if (control && control->visible) placed.push_back({control, cellsOf(*control, scale, client.left, client.top)});
    }
    separateStackedBoxes(placed);
    // Group boxes first: the controls they frame are drawn over their lines.
    for (bool groups : {true, false}) {
        for (const auto& [control, cells] : placed) {
            if (isGroupBox(*control) != groups) continue;
            if (!isLabel(*control) || cells.height() > 1) {
                paintControl(*control, cells, active);
                continue;
            }
            const auto [boxLeft, boxRight] = boxAround(cells, placed, client);
            paintControl(*control, fittedLabel(*control, cells, placed, boxLeft, boxRight), active);
        }
    }
}

void Painter::paintMenuBar(const Window& window, int left, int top, int width, const MenuState& menu) {
    canvas_.fill({left, top, left + width, top + kMenuRows}, Style::MenuBar);
    int x = left + 1;
    const MenuTemplate& bar = *window.menuBar();
    for (std::size_t i = 0; i < bar.popups.size(); ++i) {
        int access = -1;
        const std::string title = menuText(bar.popups[i].text, access);
        const bool open = menu.window == window.handle && menu.popup == static_cast<int>(i);
        const Style style = open ? Style::MenuSelected : Style::MenuBar;
        canvas_.text(x, top, title, width, style);
        if (!open) paintAccessLetter(x, top, title, access);
        const int cells = displayWidth(title);
        addHit(HitKind::MenuTitle, window.handle, static_cast<int>(i), {x, top, x + cells, top + 1});
        x += cells + kMenuGap;
    }
    menuBars_.push_back({&window, {left, top, left + width, top + kMenuRows}});
}

void Painter::paintMenuPopup(const Window& window, const MenuState& menu) {
    const auto bar = std::find_if(menuBars_.begin(), menuBars_.end(), [&](const auto& b) { return b.first == &window; });
    const MenuTemplate* menuTemplate = window.menuBar();
    if (bar == menuBars_.end() || menuTemplate == nullptr || menu.popup >= static_cast<int>(menuTemplate->popups.size())) return;
    int x = bar->second.left + 1;
    for (int i = 0; i < menu.popup; ++i) {
        int access = -1;
        x += displayWidth(menuText(menuTemplate->popups[static_cast<std::size_t>(i)].text, access)) + kMenuGap;
    }
    const MenuPopupTemplate& popup = menuTemplate->popups[static_cast<std::size_t>(menu.popup)];
    const int width = menuItemsWidth(popup) + 2;
    const CellRect box{x, bar->second.bottom, x + width, bar->second.bottom + static_cast<int>(popup.items.size()) + 2};
    canvas_.fill(box, Style::MenuBar);
    canvas_.frame(box, Style::MenuBar);
    for (std::size_t j = 0; j < popup.items.size(); ++j) {
        const int y = box.top + 1 + static_cast<int>(j);
        const MenuItemTemplate& item = popup.items[j];
        if (item.text == nullptr) {
            for (int cx = box.left + 1; cx < box.right - 1; ++cx) canvas_.put(cx, y, kHorizontal, Style::MenuBar);
            continue;
        }
        const Style style = static_cast<int>(j) == menu.item ? Style::MenuSelected : Style::MenuBar;
        canvas_.fill({box.left + 1, y, box.right - 1, y + 1}, style);
        int access = -1;
        const std::string text = menuText(item.text, access);
        canvas_.text(box.left + 2, y, text, width - 3, style);
        if (style != Style::MenuSelected) paintAccessLetter(box.left + 2, y, text, access);
        addHit(HitKind::MenuItem, window.handle, static_cast<int>(j), {box.left + 1, y, box.right - 1, y + 1});
    }
}

// The access letter of a menu text drawn at x, marked.
void Painter::paintAccessLetter(int x, int y, std::string_view text, int access) {
    if (access < 0) return;
    const auto at = static_cast<std::size_t>(access);
    const std::string_view letter = text.substr(at, nextCharacter(text, at) - at);
    canvas_.text(x + displayWidth(text.substr(0, at)), y, letter, characterWidth(text, at), Style::MenuHot);
}

CellRect Painter::cellsOf(const Window& control, const Scale& scale, int originX, int originY) const {
    Rect units = control.rect;
    if (control.windowClass == WindowClass::ComboBox) units.bottom = units.top + kComboFieldUnits;  // the closed field
    const bool textLines = control.windowClass == WindowClass::Edit && (control.style & ES_MULTILINE);
    const CellRect r = isGroupBox(control) ? scale.groupBox(units) : textLines ? scale.lines(units) : scale.control(units);
    return {r.left + originX, r.top + originY, r.right + originX, r.bottom + originY};
}

void Painter::paintControl(const Window& control, const CellRect& r, bool active) {
    const bool focused = hasFocus(control, active);
    switch (control.windowClass) {
        case WindowClass::Static: paintStatic(control, r); break;
        case WindowClass::Button:
            if (control.buttonKind() == BS_GROUPBOX) paintGroup(control, r);
            else paintButton(control, r, focused);
            break;
        case WindowClass::Edit: paintEdit(control, r, focused); break;
        case WindowClass::ListBox: paintList(control, r, focused); break;
        case WindowClass::ComboBox: paintCombo(control, r, focused); break;
        case WindowClass::Progress: paintProgress(control, r); break;
        case WindowClass::Dialog: break;
    }
    if (control.windowClass != WindowClass::ListBox) addHit(HitKind::Control, control.handle, -1, r);
}

void Painter::paintStatic(const Window& control, const CellRect& r) {
    const Style style = !control.enabled ? Style::Disabled : (control.style & SS_SUNKEN) ? Style::Field : Style::Window;
    if (control.style & SS_SUNKEN) canvas_.fill(r, style);
    const std::vector<std::string_view> lines = wrapText(control.text, r.width());
    for (int i = 0; i < r.height() && i < static_cast<int>(lines.size()); ++i) {
        const std::string_view line = lines[static_cast<std::size_t>(i)];
        const int indent = (control.style & SS_CENTER) ? std::max(0, (r.width() - displayWidth(line)) / 2) : 0;
        canvas_.text(r.left + indent, r.top + i, line, r.width() - indent, style);
    }
}

// A caption longer than its box ends in an ellipsis on the box's top line, so
// that it does not read as a whole caption.
void Painter::paintGroup(const Window& control, const CellRect& r) {
    canvas_.frame(r, Style::Frame);
    const int room = r.width() - 2;
    if (control.text.empty() || room < 1) return;
    const std::string caption = " " + control.text + " ";
    const bool fits = displayWidth(caption) <= room;
    const int used = canvas_.text(r.left + 1, r.top, caption, fits ? room : room - 1, Style::Frame);
    if (!fits) canvas_.put(r.left + 1 + used, r.top, kEllipsis, Style::Frame);
}

void Painter::paintButton(const Window& control, const CellRect& r, bool focused) {
    const std::uint32_t kind = control.buttonKind();
    const Style style = buttonStyle(control, focused);
    if (kind == BS_AUTOCHECKBOX || (kind == BS_RADIOBUTTON && !(control.style & BS_PUSHLIKE))) {
        const bool on = control.check == BST_CHECKED;
        const char32_t mark = kind == BS_AUTOCHECKBOX ? (on ? kChecked : kUnchecked) : (on ? kRadioOn : kRadioOff);
        const Style textStyle = !control.enabled ? Style::Disabled : focused ? Style::Focused : Style::Window;
        canvas_.put(r.left, r.top, mark, control.enabled ? Style::Window : Style::Disabled);
        canvas_.text(r.left + 1, r.top, control.text, r.width() - 1, textStyle);
        return;
    }
    canvas_.fill(r, style);
    const int length = std::min(displayWidth(control.text), r.width());
    canvas_.text(r.left + (r.width() - length) / 2, r.top, control.text, r.width(), style);
}

void Painter::paintEdit(const Window& control, const CellRect& r, bool focused) {
    const Style style = !control.enabled ? Style::Disabled : focused ? Style::Focused : Style::Field;
    canvas_.fill(r, style);
    if (control.style & ES_MULTILINE) {
        const std::vector<std::string_view> lines = wrapText(control.text, r.width());
        for (int i = 0; i < r.height() && i < static_cast<int>(lines.size()); ++i) {
            canvas_.text(r.left, r.top + i, lines[static_cast<std::size_t>(i)], r.width(), style);
        }
        if (focused) placeMultiLineCursor(control.text, lines, control.edit.caret, r);
        return;
    }
    paintFieldText(control, r, r.width(), style, focused);
}

// A single-line text: from where the layer scrolled it, the caret shown.
void Painter::paintFieldText(const Window& control, const CellRect& r, int columns, Style style, bool focused) {
    const std::size_t first = control.edit.firstShown(control.text, columns);
    canvas_.text(r.left, r.top, std::string_view(control.text).substr(first), columns, style);
    if (focused) {
        canvas_.cursorX = r.left + caretCells(control.text, first, control.edit.caret);
        canvas_.cursorY = r.top;
    }
}

// The cursor stands on the last wrapped line that begins at or before the caret.
void Painter::placeMultiLineCursor(std::string_view text, const std::vector<std::string_view>& lines,
                                   std::size_t caret, const CellRect& r) {
    caret = std::min(caret, text.size());
    std::size_t row = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (static_cast<std::size_t>(lines[i].data() - text.data()) <= caret) row = i;
    }
    const auto lineStart = static_cast<std::size_t>(lines[row].data() - text.data());
    canvas_.cursorX = r.left + std::min(caretCells(text, lineStart, caret), r.width() - 1);
    canvas_.cursorY = r.top + std::min(static_cast<int>(row), r.height() - 1);
}

// A bordered list stands its scroll bars on its border; without one they
// take its last column and row.
void Painter::paintList(const Window& control, const CellRect& r, bool focused) {
    const bool bordered = (control.style & WS_BORDER) != 0;
    const bool vertical = (control.style & WS_VSCROLL) != 0;
    const bool horizontal = (control.style & WS_HSCROLL) != 0;
    canvas_.fill(r, control.enabled ? Style::Field : Style::Disabled);
    if (bordered) canvas_.frame(r, Style::Frame);
    CellRect rows = bordered ? CellRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1} : r;
    if (!bordered && vertical) --rows.right;
    if (!bordered && horizontal) --rows.bottom;
    addHit(HitKind::Control, control.handle, -1, r);  // rows and bars, added later, take their clicks first
    paintListRows(control, rows, focused);
    const int barColumn = bordered ? r.right - 1 : rows.right;
    const int barRow = bordered ? r.bottom - 1 : rows.bottom;
    if (vertical) paintScrollBar(control, SB_VERT, {barColumn, rows.top, barColumn + 1, rows.bottom});
    if (horizontal) paintScrollBar(control, SB_HORZ, {rows.left, barRow, rows.right, barRow + 1});
}

void Painter::paintListRows(const Window& control, const CellRect& r, bool focused) {
    const ListState& list = control.list;
    const int count = static_cast<int>(list.items.size());
    const int shift = list.horizontalOffset / kUnitsPerColumn;
    for (int row = 0; row < r.height() && list.top + row < count; ++row) {
        const int index = list.top + row;
        const int y = r.top + row;
        const ListItem& item = list.items[static_cast<std::size_t>(index)];
        const Style style = !control.enabled ? Style::Disabled : item.selected ? Style::Selected : Style::Field;
        canvas_.fill({r.left, y, r.right, y + 1}, style);
        canvas_.text(r.left + 1, y, skipCells(item.text, shift), r.width() - 1, style);
        if (focused && index == list.caret) canvas_.put(r.left, y, kCaretMark, Style::Focused);
        addHit(HitKind::ListRow, control.handle, index, {r.left, y, r.right, y + 1});
    }
    if (focused && count == 0) canvas_.put(r.left, r.top, kCaretMark, Style::Focused);
}

// Arrows at both ends and a track between them with the thumb; each part
// answers a click as the layer's scroll codes say.
void Painter::paintScrollBar(const Window& control, int bar, const CellRect& area) {
    const bool vertical = bar == SB_VERT;
    const int length = vertical ? area.height() : area.width();
    if (length < 2) return;
    const auto cell = [&](int i) { return vertical ? CellRect{area.left, area.top + i, area.right, area.top + i + 1}
                                                   : CellRect{area.left + i, area.top, area.left + i + 1, area.bottom}; };
    const auto span = [&](int from, int to) { return vertical ? CellRect{area.left, area.top + from, area.right, area.top + to}
                                                              : CellRect{area.left + from, area.top, area.left + to, area.bottom}; };
    const ScrollInfo info = getScrollInfo(control.handle, bar);
    const int trackCells = length - 2;
    const ThumbSpan thumb = thumbSpan(info, trackCells);
    const bool scrolls = scrollRange(info) > 0;
    for (int i = 0; i < trackCells; ++i) {
        const bool onThumb = scrolls && i >= thumb.start && i < thumb.start + thumb.length;
        const CellRect c = cell(i + 1);
        canvas_.put(c.left, c.top, onThumb ? kScrollThumb : kScrollTrack, Style::Frame);
    }
    canvas_.put(area.left, area.top, vertical ? kScrollUp : kScrollLeft, Style::Frame);
    const CellRect last = cell(length - 1);
    canvas_.put(last.left, last.top, vertical ? kScrollDown : kScrollRight, Style::Frame);
    if (!scrolls) return;
    const CellRect track = span(1, length - 1);
    const auto scrollHit = [&](unsigned code, const CellRect& where) {
        hits_.push_back({HitKind::ScrollBar, control.handle, static_cast<int>(code), where, bar, track});
    };
    scrollHit(SB_LINEUP, cell(0));
    scrollHit(SB_LINEDOWN, last);
    scrollHit(SB_PAGEUP, span(1, 1 + thumb.start));
    scrollHit(SB_PAGEDOWN, span(1 + thumb.start + thumb.length, length - 1));
    scrollHit(SB_THUMBTRACK, span(1 + thumb.start, 1 + thumb.start + thumb.length));
}

void Painter::paintCombo(const Window& control, const CellRect& r, bool focused) {
    const Style style = !control.enabled ? Style::Disabled : focused ? Style::Focused : Style::Field;
    canvas_.fill(r, style);
    paintFieldText(control, r, std::max(1, r.width() - 1), style, focused);
    canvas_.put(r.right - 1, r.top, kDropArrow, style);
    if (control.comboDropped && control.enabled) openCombos_.push_back({&control, r});
}

void Painter::paintComboList(const Window& control, const CellRect& field) {
    const int count = static_cast<int>(control.list.items.size());
    const int rows = std::max(1, std::min(count, scale_.rows(control.comboDropHeight - kComboFieldUnits)));
    const CellRect box{field.left, field.bottom, field.right, field.bottom + rows};
    // Framed on three sides, hanging from the field; the field is its top.
    const CellRect outline{box.left - 1, box.top - 1, box.right + 1, box.bottom + 1};
    canvas_.setClip({0, box.top, canvas_.columns(), canvas_.rows()});
    canvas_.fill(outline, Style::Field);
    canvas_.frame(outline, Style::Frame);
    canvas_.shadow({outline.left, box.top, outline.right, outline.bottom});
    canvas_.clearClip();
    for (int row = 0; row < rows; ++row) {
        const int index = control.list.top + row;
        if (index >= count) break;
        const Style style = index == control.comboSelection ? Style::Selected : Style::Field;
        const CellRect line{box.left, box.top + row, box.right, box.top + row + 1};
        canvas_.fill(line, style);
        canvas_.text(box.left, line.top, control.list.items[static_cast<std::size_t>(index)].text, box.width(), style);
        addHit(HitKind::ComboRow, control.handle, index, line);
    }
}

void Painter::paintProgress(const Window& control, const CellRect& r) {
    const ProgressState& p = control.progress;
    const int span = std::max(1, p.high - p.low);
    const int filled = std::clamp((p.position - p.low) * r.width() / span, 0, r.width());
    for (int x = 0; x < r.width(); ++x) canvas_.put(r.left + x, r.top, x < filled ? kBarFull : kBarEmpty, Style::Field);
}

}  // namespace platform::term
