#include "platform/ui/term/painter.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"

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

// The text from the first character that starts `cells` cells in.
std::string_view skipCells(std::string_view text, int cells) {
    std::size_t at = 0;
    for (int skipped = 0; at < text.size() && skipped < cells; at = nextCharacter(text, at)) {
        skipped += characterWidth(text, at);
    }
    return text.substr(at);
}

int menuItemsWidth(const MenuPopupTemplate& popup) {
    int widest = 0;
    for (const MenuItemTemplate& item : popup.items) {
        int access = 0;
        if (item.text) widest = std::max(widest, displayWidth(menuText(item.text, access)));
    }
    return widest + 2;
}

// The style of a field, a list or a text box: a focused one stands out.
Style fieldStyle(Role role) {
    if (role == Role::Disabled) return Style::Disabled;
    return role == Role::Focus ? Style::Focused : Style::Field;
}

Style runStyle(Role role, Style base) {
    switch (role) {
        case Role::Selected: return Style::Selected;
        case Role::Disabled: return Style::Disabled;
        case Role::Mark: return Style::MenuHot;
        default: return base;
    }
}

bool isFrame(const ViewElement& e) { return e.shape == Shape::GroupFrame; }

// The elements that stand for a whole control, which others make room for.
bool isControlElement(const ViewElement& e) {
    switch (e.shape) {
        case Shape::Row:
        case Shape::ScrollBar:
        case Shape::DropButton:
        case Shape::Popup: return false;
        default: return true;
    }
}

// Texts that may run on into free cells to their right: a cell is wider than
// the desktop's average letter, and labels and buttons would lose letters.
bool runsOn(const ViewElement& e) {
    switch (e.shape) {
        case Shape::Label: return !e.centred;
        case Shape::PushButton:
        case Shape::DefaultButton:
        case Shape::CheckBox:
        case Shape::RadioButton: return true;
        default: return false;
    }
}

// Rows, bars and drop-down boxes stand on whole rows inside their control,
// counted from its top.
bool isPart(Shape shape) { return shape == Shape::Row || shape == Shape::ScrollBar || shape == Shape::Popup; }

bool hasMark(const ViewElement& e) { return e.shape == Shape::CheckBox || e.shape == Shape::RadioButton; }

int lineWidth(const TextLine& line) {
    int width = 0;
    for (const TextRun& run : line.runs) width += displayWidth(run.text);
    return width;
}

using Placed = std::vector<std::pair<const ViewElement*, CellRect>>;

// The cells a label's text needs: where it stands, run on to the right, or
// moved left when its box or the control after it leaves no room, so that the
// whole caption shows within its box.
CellRect fittedLabel(const ViewElement& label, const CellRect& cells, const Placed& placed, int boxLeft, int boxRight) {
    const int wanted = (hasMark(label) ? 1 : 0) + (label.lines.empty() ? 0 : lineWidth(label.lines.front()));
    int before = boxLeft;
    int after = boxRight;
    for (const auto& [other, at] : placed) {
        const bool sameRows = at.top < cells.bottom && cells.top < at.bottom;
        if (isFrame(*other) || !sameRows || other == &label) continue;
        if (at.left >= cells.right)
            after = std::min(after, at.left);
        else if (at.right <= cells.left)
            before = std::max(before, at.right);
    }
    if (cells.left + wanted <= after)
        return {cells.left, cells.top, std::max(cells.right, cells.left + wanted), cells.bottom};
    // Moved left, one cell clear of the control after it where there is room.
    const int right = after < boxRight && after - wanted - 1 >= before ? after - 1 : after;
    const int left = std::max(before, right - wanted);
    return {left, cells.top, std::max(left + 1, right), cells.bottom};
}

// Boxes stacked one on the other each keep both lines: where a box's top line
// would fall on the bottom line of a box above it, it goes a row down.
void separateStackedBoxes(Placed& placed) {
    for (auto& [box, cells] : placed) {
        if (!isFrame(*box)) continue;
        for (const auto& [other, above] : placed) {
            const bool stackedAbove = isFrame(*other) && above.top < cells.top && above.bottom < cells.bottom &&
                                      above.left < cells.right && cells.left < above.right;
            if (stackedAbove && above.bottom - 1 == cells.top) ++cells.top;
        }
    }
}

// Every frame stays inside the frame around it, or the client area: where
// rounding to cells would put its lines on or past its parent's, they move in.
void keepFramesInside(Placed& placed, const std::vector<int>& frameOf, const CellRect& client) {
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const ViewElement& frame = *placed[i].first;
        if (!isFrame(frame)) continue;
        CellRect& cells = placed[i].second;
        const bool nested = frame.parent >= 0 && frameOf[static_cast<std::size_t>(frame.parent)] >= 0;
        const CellRect& outer =
            nested ? placed[static_cast<std::size_t>(frameOf[static_cast<std::size_t>(frame.parent)])].second : client;
        const int inset = nested ? 1 : 0;
        cells.left = std::max(cells.left, outer.left + inset);
        cells.top = std::max(cells.top, outer.top + inset);
        cells.right = std::min(cells.right, outer.right - inset);
        cells.bottom = std::min(cells.bottom, outer.bottom - inset);
    }
}

// The inside of the innermost group box around a control, or the client area.
std::pair<int, int> boxAround(const CellRect& cells, const Placed& placed, const CellRect& client) {
    std::pair<int, int> box{client.left, client.right};
    for (const auto& [other, outline] : placed) {
        const bool inside = outline.left < cells.left && cells.left < outline.right - 1 && outline.top < cells.top &&
                            cells.top < outline.bottom - 1;
        if (isFrame(*other) && inside && outline.width() - 2 < box.second - box.first) {
            box = {outline.left + 1, outline.right - 1};
        }
    }
    return box;
}

// The runs one after the other from x; the caret's run places the cursor.
int paintLine(Canvas& canvas, int x, int y, const TextLine& line, int width, Style style) {
    int used = 0;
    for (const TextRun& run : line.runs) {
        if (run.role == Role::Caret) {
            canvas.cursorX = x + std::min(used, std::max(0, width - 1));
            canvas.cursorY = y;
            continue;
        }
        used += canvas.text(x + used, y, run.text, width - used, runStyle(run.role, style));
    }
    return used;
}

void paintLabel(Canvas& canvas, const ViewElement& e, const CellRect& r) {
    const bool sunken = e.shape == Shape::SunkenLabel;
    const Style style = e.role == Role::Disabled ? Style::Disabled : sunken ? Style::Field : Style::Window;
    if (sunken) canvas.fill(r, style);
    for (int i = 0; i < r.height() && i < static_cast<int>(e.lines.size()); ++i) {
        const TextLine& line = e.lines[static_cast<std::size_t>(i)];
        const int indent = e.centred ? std::max(0, (r.width() - lineWidth(line)) / 2) : 0;
        paintLine(canvas, r.left + indent, r.top + i, line, r.width() - indent, style);
    }
}

// A caption longer than its box ends in an ellipsis on the box's top line, so
// that it does not read as a whole caption.
void paintGroup(Canvas& canvas, const ViewElement& e, const CellRect& r) {
    canvas.frame(r, Style::Frame);
    const int room = r.width() - 2;
    if (e.lines.empty() || lineWidth(e.lines.front()) == 0 || room < 1) return;
    const std::string caption = " " + std::string(e.lines.front().runs.front().text) + " ";
    const bool fits = displayWidth(caption) <= room;
    const int used = canvas.text(r.left + 1, r.top, caption, fits ? room : room - 1, Style::Frame);
    if (!fits) canvas.put(r.left + 1 + used, r.top, kEllipsis, Style::Frame);
}

void paintButton(Canvas& canvas, const ViewElement& e, const CellRect& r) {
    Style style = e.shape == Shape::DefaultButton ? Style::ButtonDefault : Style::Button;
    if (e.checked) style = Style::Pressed;
    if (e.role == Role::Focus) style = Style::Focused;
    if (e.role == Role::Disabled) style = Style::Disabled;
    canvas.fill(r, style);
    if (e.lines.empty()) return;
    const int length = std::min(lineWidth(e.lines.front()), r.width());
    paintLine(canvas, r.left + (r.width() - length) / 2, r.top, e.lines.front(), r.width(), style);
}

void paintMark(Canvas& canvas, const ViewElement& e, const CellRect& r) {
    const bool check = e.shape == Shape::CheckBox;
    const char32_t mark = check ? (e.checked ? kChecked : kUnchecked) : (e.checked ? kRadioOn : kRadioOff);
    const bool enabled = e.role != Role::Disabled;
    const Style textStyle = !enabled ? Style::Disabled : e.role == Role::Focus ? Style::Focused : Style::Window;
    canvas.put(r.left, r.top, mark, enabled ? Style::Window : Style::Disabled);
    if (!e.lines.empty()) paintLine(canvas, r.left + 1, r.top, e.lines.front(), r.width() - 1, textStyle);
}

// Fields and text boxes: a line a row, the selection and the cursor shown.
void paintText(Canvas& canvas, const ViewElement& e, const CellRect& r) {
    const Style style = fieldStyle(e.role);
    canvas.fill(r, style);
    for (int i = 0; i < r.height() && i < static_cast<int>(e.lines.size()); ++i) {
        paintLine(canvas, r.left, r.top + i, e.lines[static_cast<std::size_t>(i)], r.width(), style);
    }
}

void paintRow(Canvas& canvas, const ViewElement& e, const CellRect& r) {
    const Style style = e.role == Role::Disabled   ? Style::Disabled
                        : e.role == Role::Selected ? Style::Selected
                                                   : Style::Field;
    canvas.fill(r, style);
    if (!e.lines.empty() && !e.lines.front().runs.empty()) {
        canvas.text(r.left + 1, r.top, skipCells(e.lines.front().runs.front().text, e.shift / kUnitsPerColumn),
                    r.width() - 1, style);
    }
    if (e.caretRow) canvas.put(r.left, r.top, kCaretMark, Style::Focused);
}

void paintScrollBar(Canvas& canvas, const ViewElement& e, const CellRect& r) {
    const ScrollView& bar = e.bar;
    const bool vertical = bar.vertical;
    const int length = vertical ? r.height() : r.width();
    if (length < 2) return;
    for (int i = 1; i < length - 1; ++i) {
        const int x = vertical ? r.left : r.left + i;
        const int y = vertical ? r.top + i : r.top;
        canvas.put(x, y, kScrollTrack, Style::Frame);
    }
    if (bar.scrolls) {
        // The thumb's cells, as the view counts them along the bar.
        const int cell = vertical ? kUnitsPerRow : kUnitsPerColumn;
        const int start = ((vertical ? bar.thumb.top - e.area.top : bar.thumb.left - e.area.left)) / cell;
        const int end = ((vertical ? bar.thumb.bottom - e.area.top : bar.thumb.right - e.area.left)) / cell;
        for (int i = std::max(1, start); i < std::min(end, length - 1); ++i) {
            canvas.put(vertical ? r.left : r.left + i, vertical ? r.top + i : r.top, kScrollThumb, Style::Frame);
        }
    }
    canvas.put(r.left, r.top, vertical ? kScrollUp : kScrollLeft, Style::Frame);
    canvas.put(vertical ? r.left : r.right - 1, vertical ? r.bottom - 1 : r.top, vertical ? kScrollDown : kScrollRight,
               Style::Frame);
}

// Framed on three sides, hanging from the field: the field is its top.
void paintPopup(Canvas& canvas, const CellRect& box) {
    const CellRect outline{box.left - 1, box.top - 1, box.right + 1, box.bottom + 1};
    canvas.setClip({0, box.top, canvas.columns(), canvas.rows()});
    canvas.fill(outline, Style::Field);
    canvas.frame(outline, Style::Frame);
    canvas.shadow({outline.left, box.top, outline.right, outline.bottom});
    canvas.clearClip();
}

void paintProgress(Canvas& canvas, const ViewElement& e, const CellRect& r) {
    const int filled = std::clamp(e.done * r.width() / e.total, 0, r.width());
    for (int x = 0; x < r.width(); ++x) canvas.put(r.left + x, r.top, x < filled ? kBarFull : kBarEmpty, Style::Field);
}

}  // namespace

std::size_t offsetAtCell(std::string_view text, std::size_t first, std::size_t length, int cells) {
    first = std::min(first, text.size());
    const std::size_t end = std::min(text.size(), first + length);
    std::size_t at = first;
    for (int used = 0; at < end; at = nextCharacter(text, at)) {
        const int width = characterWidth(text, at);
        if (used + width > cells) break;
        used += width;
    }
    return at;
}

void Painter::addHit(const HitArea& what, const CellRect& area, const CellRect& track) {
    hits_.push_back({what, area, track});
}

void Painter::paint(const std::vector<Placement>& placements, const MenuState& menu, std::string_view helpLine) {
    hits_.clear();
    canvas_.cursorX = canvas_.cursorY = -1;
    canvas_.fill({0, 0, canvas_.columns(), canvas_.rows()}, Style::Desktop);
    const WindowHandle active = getActiveWindow();
    for (WindowHandle handle : paintOrder()) {
        const auto placement =
            std::find_if(placements.begin(), placements.end(), [&](const Placement& p) { return p.window == handle; });
        if (placement != placements.end()) paintWindow(*windowOf(handle), *placement, handle == active, menu);
    }
    canvas_.clearClip();
    for (const auto& [element, cells] : popups_) paintElement(element, cells);
    hits_.insert(hits_.end(), popupHits_.begin(), popupHits_.end());
    popups_.clear();
    popupHits_.clear();
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
    const CellRect captionCells{outer.left, outer.top, right, outer.top + kCaptionRows};
    canvas_.fill(captionCells, caption);
    canvas_.text(outer.left + 1, outer.top, window.text, right - outer.left - kCloseBoxWidth - 2, caption);
    HitArea chrome;
    chrome.window = window.handle;
    chrome.press = Press::Activate;
    addHit(chrome, captionCells);
    if (window.style & WS_SYSMENU) {
        const int x = right - kCloseBoxWidth;
        canvas_.text(x, outer.top, kCloseBox, kCloseBoxWidth, caption);
        chrome.press = Press::Close;
        addHit(chrome, {x, outer.top, right, outer.top + kCaptionRows});
    }
    const bool hasMenu = window.menuBar() != nullptr;
    const CellRect client = clientArea(placement, hasMenu);
    if (hasMenu) paintMenuBar(window, client.left, outer.top + kCaptionRows, client.width(), menu);
    canvas_.setClip(client);
    paintView(dialogView(window, active), client, placement.scale);
}

// Maps every element to cells, makes room for the texts of labels and keeps
// frames inside each other, then paints in the view's order.
void Painter::paintView(const DialogView& view, const CellRect& client, const Scale& scale) {
    const auto cellsOf = [&](const Rect& units, Shape shape) {
        const CellRect r = shape == Shape::GroupFrame ? scale.groupBox(units)
                           : shape == Shape::TextBox  ? scale.lines(units)
                           : isPart(shape)            ? scale.part(units)
                                                      : scale.control(units);
        return CellRect{r.left + client.left, r.top + client.top, r.right + client.left, r.bottom + client.top};
    };
    // A text box's scroll bar stands level with its lines.
    const auto shapeOf = [&](const ViewElement& e) {
        const bool inTextBox = e.shape == Shape::ScrollBar &&
                               std::any_of(view.elements.begin(), view.elements.end(), [&](const ViewElement& other) {
                                   return other.control == e.control && other.shape == Shape::TextBox;
                               });
        return inTextBox ? Shape::TextBox : e.shape;
    };
    std::vector<CellRect> cells;
    Placed placed;
    std::vector<int> placedOf(view.elements.size(), -1);
    for (const ViewElement& e : view.elements) {
        cells.push_back(cellsOf(e.area, shapeOf(e)));
        if (isControlElement(e)) {
            placedOf[cells.size() - 1] = static_cast<int>(placed.size());
            placed.push_back({&e, cells.back()});
        }
    }
    separateStackedBoxes(placed);
    keepFramesInside(placed, placedOf, client);
    for (std::size_t i = 0; i < view.elements.size(); ++i) {
        if (placedOf[i] < 0) continue;
        const auto& [element, at] = placed[static_cast<std::size_t>(placedOf[i])];
        cells[i] = at;
        if (runsOn(*element) && at.height() == 1) {
            const auto [boxLeft, boxRight] = boxAround(at, placed, client);
            cells[i] = fittedLabel(*element, at, placed, boxLeft, boxRight);
        }
    }
    for (std::size_t i = 0; i < view.elements.size(); ++i) {
        if (i < view.firstPopupElement)
            paintElement(view.elements[i], cells[i]);
        else
            popups_.push_back({view.elements[i], cells[i]});
    }
    for (std::size_t i = 0; i < view.hits.size(); ++i) {
        const HitArea& h = view.hits[i];
        CellRect area = h.element >= 0 ? cells[static_cast<std::size_t>(h.element)] : cellsOf(h.area, Shape::Row);
        if (h.press == Press::Text && h.index >= 0)
            area = {area.left, area.top + h.index, area.right, area.top + h.index + 1};
        const Hit hit{h, area, cellsOf(h.track, Shape::ScrollBar)};
        if (i < view.firstPopupHit)
            hits_.push_back(hit);
        else
            popupHits_.push_back(hit);
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
        const int cells = paintLine(canvas_, x, top, open ? menuLine(title, -1) : menuLine(title, access), width,
                                    open ? Style::MenuSelected : Style::MenuBar);
        HitArea title_;
        title_.press = Press::MenuTitle;
        title_.window = window.handle;
        title_.index = static_cast<int>(i);
        addHit(title_, {x, top, x + cells, top + 1});
        x += cells + kMenuGap;
    }
    menuBars_.push_back({&window, {left, top, left + width, top + kMenuRows}});
}

void Painter::paintMenuPopup(const Window& window, const MenuState& menu) {
    const auto bar =
        std::find_if(menuBars_.begin(), menuBars_.end(), [&](const auto& b) { return b.first == &window; });
    const MenuTemplate* menuTemplate = window.menuBar();
    if (bar == menuBars_.end() || menuTemplate == nullptr ||
        menu.popup >= static_cast<int>(menuTemplate->popups.size()))
        return;
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
        const bool chosen = static_cast<int>(j) == menu.item;
        const Style style = chosen ? Style::MenuSelected : Style::MenuBar;
        canvas_.fill({box.left + 1, y, box.right - 1, y + 1}, style);
        int access = -1;
        const std::string text = menuText(item.text, access);
        paintLine(canvas_, box.left + 2, y, menuLine(text, chosen ? -1 : access), width - 3, style);
        HitArea itemHit;
        itemHit.press = Press::MenuItem;
        itemHit.window = window.handle;
        itemHit.index = static_cast<int>(j);
        addHit(itemHit, {box.left + 1, y, box.right - 1, y + 1});
    }
}

void Painter::paintElement(const ViewElement& e, const CellRect& r) {
    switch (e.shape) {
        case Shape::Label:
        case Shape::SunkenLabel: paintLabel(canvas_, e, r); break;
        case Shape::GroupFrame: paintGroup(canvas_, e, r); break;
        case Shape::PushButton:
        case Shape::DefaultButton: paintButton(canvas_, e, r); break;
        case Shape::CheckBox:
        case Shape::RadioButton: paintMark(canvas_, e, r); break;
        case Shape::Field:
        case Shape::TextBox: paintText(canvas_, e, r); break;
        case Shape::List:
            canvas_.fill(r, e.role == Role::Disabled ? Style::Disabled : Style::Field);
            if (e.framed) canvas_.frame(r, Style::Frame);
            break;
        case Shape::DropButton: canvas_.put(r.left, r.top, kDropArrow, fieldStyle(e.role)); break;
        case Shape::Popup: paintPopup(canvas_, r); break;
        case Shape::Row: paintRow(canvas_, e, r); break;
        case Shape::ScrollBar: paintScrollBar(canvas_, e, r); break;
        case Shape::Progress: paintProgress(canvas_, e, r); break;
    }
}

}  // namespace platform::term
