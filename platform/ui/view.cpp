#include "platform/ui/view.h"

#include <algorithm>

#include "platform/ui/controls.h"
#include "platform/ui/input.h"
#include "platform/ui/scrollbar.h"

namespace platform {
namespace {

// A single-line field shows its text from its first shown character; a
// renderer with more room than the layer counts gets this many times its
// columns, so that a long text costs no more than a short one.
constexpr int kRoomFactor = 4;

bool isGroupBox(const Window& control) {
    return control.windowClass == WindowClass::Button && control.buttonKind() == BS_GROUPBOX;
}

bool contains(const Rect& outer, const Rect& inner) {
    return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
           inner.bottom <= outer.bottom;
}

Rect columnsOf(const Rect& area, int from, int to) {
    return {area.left + from * kUnitsPerColumn, area.top, area.left + to * kUnitsPerColumn, area.bottom};
}

Rect rowsOf(const Rect& area, int from, int to) {
    return {area.left, area.top + from * kUnitsPerRow, area.right, area.top + to * kUnitsPerRow};
}

Role stateRole(const Window& control, bool focused) {
    if (!control.enabled) return Role::Disabled;
    return focused ? Role::Focus : Role::Normal;
}

// Where the characters from `from` that fill `cells` cells end.
std::size_t endOfCells(std::string_view text, std::size_t from, int cells) {
    std::size_t at = from;
    for (int used = 0; at < text.size() && used < cells; at = nextCharacter(text, at)) used += characterWidth(text, at);
    return at;
}

// The runs of the text [from, to) of an edit or a combo box's field: the
// selection selected, and the caret, when shown, where it stands.
TextLine editLine(const Window& control, std::size_t from, std::size_t to, bool showCaret) {
    const EditState& e = control.edit;
    const std::string_view text = control.text;
    const std::size_t caret = std::min(e.caret, text.size());
    showCaret = showCaret && caret >= from && caret <= to;
    const std::size_t selectionStart = std::clamp(e.selectionStart(), from, to);
    const std::size_t selectionEnd = std::clamp(e.selectionEnd(), from, to);
    std::vector<std::size_t> cuts{from, selectionStart, selectionEnd, to};
    if (showCaret) cuts.push_back(caret);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    const Role plain = control.enabled ? Role::Normal : Role::Disabled;
    TextLine line;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        if (showCaret && cuts[i] == caret) line.runs.push_back({{}, Role::Caret});
        if (i + 1 == cuts.size()) break;
        const bool selected = e.hasSelection() && cuts[i] >= selectionStart && cuts[i] < selectionEnd;
        line.runs.push_back({text.substr(cuts[i], cuts[i + 1] - cuts[i]), selected ? Role::Selected : plain});
    }
    return line;
}

TextLine plainLine(std::string_view text, Role role) { return {{{text, role}}}; }

ViewElement element(Shape shape, const Rect& area, Role role, WindowHandle control) {
    ViewElement e;
    e.shape = shape;
    e.area = area;
    e.role = role;
    e.control = control;
    return e;
}

HitArea hitOf(Press press, WindowHandle window, const Rect& area, int index, int element) {
    HitArea h;
    h.press = press;
    h.window = window;
    h.area = area;
    h.index = index;
    h.element = element;
    return h;
}

HitArea textHit(WindowHandle window, const Rect& area, int element, std::size_t first, std::size_t length) {
    HitArea h = hitOf(Press::Text, window, area, -1, element);
    h.first = first;
    h.length = length;
    return h;
}

class ViewBuilder {
public:
    ViewBuilder(const Window& dialog, bool active) : dialog_(dialog), active_(active) {}

    DialogView build() {
        // Group boxes first: the controls they frame are drawn over their lines.
        for (bool groups : {true, false}) {
            for (WindowHandle handle : dialog_.controls) {
                const Window* control = windowOf(handle);
                if (control && control->visible && isGroupBox(*control) == groups) addControl(*control);
            }
        }
        view_.firstPopupElement = view_.elements.size();
        view_.firstPopupHit = view_.hits.size();
        for (const Window* combo : popups_) addPopup(*combo);
        return std::move(view_);
    }

private:
    int add(ViewElement element) {
        view_.elements.push_back(std::move(element));
        return static_cast<int>(view_.elements.size()) - 1;
    }
    void hit(HitArea area) { view_.hits.push_back(area); }
    bool focused(const Window& control) const { return active_ && dialog_.focus == control.handle; }

    void addControl(const Window& control) {
        switch (control.windowClass) {
            case WindowClass::Static: addStatic(control); break;
            case WindowClass::Button:
                if (isGroupBox(control))
                    addGroup(control);
                else
                    addButton(control);
                break;
            case WindowClass::Edit:
                if (isMultiLine(control))
                    addTextBox(control);
                else
                    addField(control);
                break;
            case WindowClass::ListBox: addList(control); break;
            case WindowClass::ComboBox: addCombo(control); break;
            case WindowClass::Progress: addProgress(control); break;
            case WindowClass::Dialog: break;
        }
    }

    // A static of one row shows its whole text, which the renderer may run on
    // to the right; a taller one wraps at its columns.
    void addStatic(const Window& control) {
        ViewElement e = element((control.style & SS_SUNKEN) ? Shape::SunkenLabel : Shape::Label, control.rect,
                                control.enabled ? Role::Normal : Role::Disabled, control.handle);
        e.centred = (control.style & SS_CENTER) != 0;
        const int rows = std::max(1, control.rect.height() / kUnitsPerRow);
        const std::vector<std::string_view> lines =
            rows == 1 ? std::vector<std::string_view>{control.text}
                      : wrapText(control.text, std::max(1, control.rect.width() / kUnitsPerColumn));
        for (std::size_t i = 0; i < lines.size() && i < static_cast<std::size_t>(rows); ++i) {
            e.lines.push_back(plainLine(lines[i], e.role));
        }
        add(std::move(e));
    }

    // The innermost frame already added that holds this one.
    void addGroup(const Window& control) {
        ViewElement e =
            element(Shape::GroupFrame, control.rect, control.enabled ? Role::Normal : Role::Disabled, control.handle);
        for (std::size_t i = 0; i < view_.elements.size(); ++i) {
            const ViewElement& other = view_.elements[i];
            const bool around = other.shape == Shape::GroupFrame && contains(other.area, e.area);
            if (around &&
                (e.parent < 0 || contains(view_.elements[static_cast<std::size_t>(e.parent)].area, other.area))) {
                e.parent = static_cast<int>(i);
            }
        }
        e.lines.push_back(plainLine(control.text, e.role));
        add(std::move(e));
    }

    void addButton(const Window& control) {
        const std::uint32_t kind = control.buttonKind();
        const bool pushLike = (control.style & BS_PUSHLIKE) || (kind != BS_AUTOCHECKBOX && kind != BS_RADIOBUTTON);
        Shape shape = kind == BS_AUTOCHECKBOX ? Shape::CheckBox : Shape::RadioButton;
        if (pushLike) shape = kind == BS_DEFPUSHBUTTON ? Shape::DefaultButton : Shape::PushButton;
        ViewElement e = element(shape, control.rect, stateRole(control, focused(control)), control.handle);
        e.checked = control.check == BST_CHECKED;
        e.centred = pushLike;
        e.lines.push_back(plainLine(control.text, control.enabled ? Role::Normal : Role::Disabled));
        hit(hitOf(Press::Control, control.handle, control.rect, -1, add(std::move(e))));
    }

    // A field shows its text from the first character the layer scrolled to.
    void addTextField(const Window& control, Shape shape, const Rect& area) {
        const std::size_t first = control.edit.firstShown(control.text, editColumns(control));
        const std::size_t end = endOfCells(control.text, first, kRoomFactor * editColumns(control));
        ViewElement e = element(shape, area, stateRole(control, focused(control)), control.handle);
        e.lines.push_back(editLine(control, first, end, focused(control)));
        const int drawn = add(std::move(e));
        hit(textHit(control.handle, area, drawn, first, end - first));
    }

    void addField(const Window& control) { addTextField(control, Shape::Field, control.rect); }

    // A multi-line edit wraps only the lines it shows, from its first shown line.
    void addTextBox(const Window& control) {
        const bool bar = (control.style & WS_VSCROLL) != 0;
        const Rect text{control.rect.left, control.rect.top, control.rect.right - (bar ? kUnitsPerColumn : 0),
                        control.rect.bottom};
        const std::string_view all = control.text;
        const bool caretShown = focused(control);
        const std::size_t caret = std::min(control.edit.caret, all.size());
        ViewElement e = element(Shape::TextBox, text, stateRole(control, caretShown), control.handle);
        const auto drawn = static_cast<int>(view_.elements.size());
        // Below the last line a click puts the caret at the end.
        hit(textHit(control.handle, control.rect, drawn, all.size(), 0));
        std::size_t start = std::min(control.edit.scroll, all.size());
        std::size_t shownEnd = start;
        bool allShown = false;  // down to the text's end
        for (int row = 0; row < editRows(control); ++row) {
            const WrappedLine line = wrappedLine(all, start, editColumns(control));
            const bool holdsCaret = caret >= line.start && (caret < line.next || line.last(all));
            e.lines.push_back(editLine(control, line.start, line.end, caretShown && holdsCaret));
            HitArea onLine =
                textHit(control.handle, rowsOf(text, row, row + 1), drawn, line.start, line.end - line.start);
            onLine.index = row;
            hit(onLine);
            shownEnd = std::min(line.next, all.size());
            allShown = line.last(all);
            if (allShown) break;
            start = line.next;
        }
        add(std::move(e));
        if (!bar) return;
        // Measured in bytes, so that no line beyond those shown is wrapped; the
        // caret decides what the edit shows, so the bar takes no clicks.
        const auto scroll = static_cast<int>(std::min(control.edit.scroll, all.size()));
        const int page = static_cast<int>(shownEnd) - scroll + (allShown ? 1 : 0);
        const ScrollInfo info{0, static_cast<int>(all.size()), page, scroll};
        addScrollBar(control, SB_VERT, {text.right, text.top, control.rect.right, text.bottom}, info, false);
    }

    // A bordered list gives a row above and below its entries, and a column
    // at either side, to the border, on which its scroll bars stand; without
    // one they take its last column and the row below its entries. Rows count
    // from the top, whole rows each, so that every renderer's rows line up.
    void addList(const Window& control) {
        const Rect& r = control.rect;
        const bool bordered = (control.style & WS_BORDER) != 0;
        const bool vertical = (control.style & WS_VSCROLL) != 0;
        const bool horizontal = (control.style & WS_HSCROLL) != 0;
        Rect rows = bordered ? Rect{r.left + kUnitsPerColumn, r.top + kUnitsPerRow, r.right - kUnitsPerColumn, 0} : r;
        rows.bottom = rows.top + control.visibleRows() * kUnitsPerRow;
        if (!bordered && vertical) rows.right -= kUnitsPerColumn;
        if (!bordered && horizontal) rows.bottom -= kUnitsPerRow;
        const bool isFocused = focused(control);
        ViewElement field = element(Shape::List, r, stateRole(control, isFocused), control.handle);
        field.framed = bordered;
        hit(hitOf(Press::Control, control.handle, r, -1,
                  add(std::move(field))));  // rows and bars, added later, take their clicks first
        addRows(control, rows, rows.height() / kUnitsPerRow, -1, isFocused, Press::Row);
        if (vertical) {
            const int column = bordered ? r.right - kUnitsPerColumn : rows.right;
            addScrollBar(control, SB_VERT, {column, rows.top, column + kUnitsPerColumn, rows.bottom},
                         getScrollInfo(control.handle, SB_VERT), true);
        }
        if (horizontal) {
            addScrollBar(control, SB_HORZ, {rows.left, rows.bottom, rows.right, rows.bottom + kUnitsPerRow},
                         getScrollInfo(control.handle, SB_HORZ), true);
        }
    }

    // A list box's rows show the entries' own selection; a combo box's list
    // shows `chosen` selected, its caret (-1 for none).
    void addRows(const Window& control, const Rect& area, int shown, int chosen, bool isFocused, Press press) {
        const ListState& list = control.list;
        const int count = static_cast<int>(list.items.size());
        for (int row = 0; row < shown && list.top + row < count; ++row) {
            const int index = list.top + row;
            const ListEntry item = list.items[static_cast<std::size_t>(index)];
            const bool selected = press == Press::Row ? item.selected : index == chosen;
            const Role role = !control.enabled ? Role::Disabled : selected ? Role::Selected : Role::Normal;
            ViewElement e = element(Shape::Row, rowsOf(area, row, row + 1), role, control.handle);
            e.caretRow = isFocused && index == list.caret;
            e.shift = list.horizontalOffset;
            e.lines.push_back(plainLine(item.text, role));
            const Rect rowArea = e.area;
            hit(hitOf(press, control.handle, rowArea, index, add(std::move(e))));
        }
        if (isFocused && count == 0) {
            ViewElement e = element(Shape::Row, rowsOf(area, 0, 1), Role::Normal, control.handle);
            e.caretRow = true;
            add(std::move(e));
        }
    }

    // Arrows at both ends, a cell each, and the track between them with the
    // thumb; the parts answer clicks with the layer's scroll codes.
    void addScrollBar(const Window& control, int bar, const Rect& area, const ScrollInfo& info, bool takesClicks) {
        const bool vertical = bar == SB_VERT;
        const int length = vertical ? area.height() / kUnitsPerRow : area.width() / kUnitsPerColumn;
        if (length < 2) return;
        const auto span = [&](int from, int to) {
            return vertical ? rowsOf(area, from, to) : columnsOf(area, from, to);
        };
        const ThumbSpan thumb = thumbSpan(info, length - 2);
        const ScrollView v{vertical,
                           scrollRange(info) > 0,
                           span(0, 1),
                           span(length - 1, length),
                           span(1, length - 1),
                           span(1 + thumb.start, 1 + thumb.start + thumb.length)};
        ViewElement e =
            element(Shape::ScrollBar, area, control.enabled ? Role::Normal : Role::Disabled, control.handle);
        e.bar = v;
        add(std::move(e));
        if (!takesClicks || !v.scrolls) return;
        const auto scrollHit = [&](unsigned code, const Rect& where) {
            HitArea h = hitOf(code == SB_THUMBTRACK ? Press::Thumb : Press::Scroll, control.handle, where,
                              static_cast<int>(code), -1);
            h.bar = bar;
            h.track = v.track;
            hit(h);
        };
        scrollHit(SB_LINEUP, v.back);
        scrollHit(SB_LINEDOWN, v.forward);
        scrollHit(SB_PAGEUP, span(1, 1 + thumb.start));
        scrollHit(SB_PAGEDOWN, span(1 + thumb.start + thumb.length, length - 1));
        scrollHit(SB_THUMBTRACK, v.thumb);
    }

    Rect comboField(const Window& control) const {
        return {control.rect.left, control.rect.top, control.rect.right, control.rect.top + kComboFieldUnits};
    }

    void addCombo(const Window& control) {
        const Rect field = comboField(control);
        const auto drawn = static_cast<int>(view_.elements.size());
        addTextField(control, Shape::Field, field);
        // The whole field opens and closes the list, the arrow included.
        view_.hits.back() = hitOf(Press::Control, control.handle, field, -1, drawn);
        add(element(Shape::DropButton, {field.right - kUnitsPerColumn, field.top, field.right, field.bottom},
                    stateRole(control, focused(control)), control.handle));
        if (control.comboDropped && control.enabled) popups_.push_back(&control);
    }

    // Hangs from the field, over everything else.
    void addPopup(const Window& control) {
        const Rect field = comboField(control);
        const int count = static_cast<int>(control.list.items.size());
        const int shown = std::max(1, std::min(count, control.dropRows()));
        const Rect box{field.left, field.bottom, field.right, field.bottom + shown * kUnitsPerRow};
        add(element(Shape::Popup, box, Role::Normal, control.handle));
        const bool bar = count > shown;
        Rect rows = box;
        if (bar) rows.right -= kUnitsPerColumn;
        addRows(control, rows, shown, control.list.caret, false, Press::ComboRow);
        if (bar) {
            addScrollBar(control, SB_VERT, {rows.right, box.top, box.right, box.bottom},
                         getScrollInfo(control.handle, SB_VERT), true);
        }
    }

    void addProgress(const Window& control) {
        const ProgressState& p = control.progress;
        ViewElement e = element(Shape::Progress, control.rect, Role::Normal, control.handle);
        e.total = std::max(1, p.high - p.low);
        e.done = std::clamp(p.position - p.low, 0, e.total);
        add(std::move(e));
    }

    const Window& dialog_;
    bool active_;
    DialogView view_;
    std::vector<const Window*> popups_;
};

}  // namespace

DialogView dialogView(const Window& dialog, bool active) { return ViewBuilder(dialog, active).build(); }

void pressHit(const HitArea& hit, unsigned modifiers, bool doubleClick, int offset, MenuState& menu) {
    if (hit.press != Press::MenuTitle && hit.press != Press::MenuItem) menu = {};
    switch (hit.press) {
        case Press::Control: inputClick(hit.window, modifiers); break;
        case Press::Row:
            if (doubleClick)
                inputDoubleClick(hit.window, hit.index);
            else
                inputClick(hit.window, modifiers, hit.index);
            break;
        case Press::ComboRow: inputClick(hit.window, modifiers, hit.index); break;
        case Press::Text: inputClick(hit.window, modifiers, offset); break;
        case Press::Scroll: inputScroll(hit.window, hit.bar, static_cast<unsigned>(hit.index)); break;
        case Press::Thumb: break;  // the renderer follows the drag with thumbPositionAt
        case Press::Close: inputClose(hit.window); break;
        case Press::Activate: inputActivate(hit.window); break;
        case Press::MenuTitle: menu.clickTitle(hit.window, hit.index); break;
        case Press::MenuItem: menu.clickItem(hit.index); break;
    }
}

int thumbPositionAt(const HitArea& thumb, int along) {
    const bool vertical = thumb.bar == SB_VERT;
    const int cell = vertical ? kUnitsPerRow : kUnitsPerColumn;
    const int track = (vertical ? thumb.track.height() : thumb.track.width()) / cell;
    const int start = along >= 0 ? along / cell : -((cell - 1 - along) / cell);
    return scrollPositionAt(getScrollInfo(thumb.window, thumb.bar), track, start);
}

std::vector<WindowHandle> paintOrder() {
    std::vector<WindowHandle> order;
    for (WindowHandle handle : desktop().zOrder) {
        if (isWindowVisible(handle)) order.push_back(handle);
    }
    return order;
}

TextLine menuLine(std::string_view shown, int access) {
    if (access < 0 || static_cast<std::size_t>(access) >= shown.size()) return plainLine(shown, Role::Normal);
    const auto at = static_cast<std::size_t>(access);
    const std::size_t end = nextCharacter(shown, at);
    return {{{shown.substr(0, at), Role::Normal},
             {shown.substr(at, end - at), Role::Mark},
             {shown.substr(end), Role::Normal}}};
}

}  // namespace platform
