#include "platform/ui/gui/painter.h"

#include <algorithm>
#include <functional>

#include "platform/text.h"

namespace platform::gui {
namespace {

constexpr SDL_Color kFace{212, 208, 200, 255};
constexpr SDL_Color kHighlight{255, 255, 255, 255};
constexpr SDL_Color kShadow{128, 128, 128, 255};
constexpr SDL_Color kDarkShadow{64, 64, 64, 255};
constexpr SDL_Color kText{0, 0, 0, 255};
constexpr SDL_Color kField{255, 255, 255, 255};
constexpr SDL_Color kSelection{10, 36, 106, 255};
constexpr SDL_Color kSelectionText{255, 255, 255, 255};
constexpr SDL_Color kGreyText{128, 128, 128, 255};
constexpr SDL_Color kBar{10, 36, 106, 255};
constexpr SDL_Color kScrollTrack{232, 232, 232, 255};

constexpr int kBorder = 2;          // a sunken field's border
constexpr int kTextPadding = 2;     // between a field's border and its text
constexpr int kMarkSize = 13;       // check box and radio button marks
constexpr int kMarkGap = 4;         // between a mark and its text
constexpr int kFocusInset = 3;      // the focus mark inside a push button
constexpr int kMenuPadding = 6;     // around menu titles and items
constexpr int kMenuItemHeightExtra = 4;
constexpr int kGroupTextIndent = 8;
constexpr int kBarGap = 2;          // around the progress bar's blocks
constexpr int kArrowHalf = 3;       // half the width of the arrows drawn on buttons

void setColour(SDL_Renderer* r, SDL_Color c) { SDL_SetRenderDrawColor(r, c.r, c.g, c.b, c.a); }

SDL_Rect sdl(const Rect& r) { return {r.left, r.top, r.width(), r.height()}; }

Rect inset(const Rect& r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

void fill(SDL_Renderer* r, const Rect& area, SDL_Color c) {
    setColour(r, c);
    const SDL_Rect rect = sdl(area);
    SDL_RenderFillRect(r, &rect);
}

void line(SDL_Renderer* r, int x1, int y1, int x2, int y2, SDL_Color c) {
    setColour(r, c);
    SDL_RenderDrawLine(r, x1, y1, x2, y2);
}

// A one-pixel frame, light on the top and left and dark on the bottom and right.
void bevel(SDL_Renderer* r, const Rect& a, SDL_Color topLeft, SDL_Color bottomRight) {
    line(r, a.left, a.top, a.right - 1, a.top, topLeft);
    line(r, a.left, a.top, a.left, a.bottom - 1, topLeft);
    line(r, a.left, a.bottom - 1, a.right - 1, a.bottom - 1, bottomRight);
    line(r, a.right - 1, a.top, a.right - 1, a.bottom - 1, bottomRight);
}

void raised(SDL_Renderer* r, const Rect& a) {
    bevel(r, a, kHighlight, kDarkShadow);
    bevel(r, inset(a, 1), kFace, kShadow);
}

void sunken(SDL_Renderer* r, const Rect& a) {
    bevel(r, a, kShadow, kHighlight);
    bevel(r, inset(a, 1), kDarkShadow, kFace);
}

void outline(SDL_Renderer* r, const Rect& a, SDL_Color c) {
    setColour(r, c);
    const SDL_Rect rect = sdl(a);
    SDL_RenderDrawRect(r, &rect);
}

// The dotted focus rectangle, in white over a selection.
void focusMark(SDL_Renderer* r, const Rect& a, SDL_Color ink = kText) {
    setColour(r, ink);
    for (int x = a.left; x < a.right; x += 2) {
        SDL_RenderDrawPoint(r, x, a.top);
        SDL_RenderDrawPoint(r, x, a.bottom - 1);
    }
    for (int y = a.top; y < a.bottom; y += 2) {
        SDL_RenderDrawPoint(r, a.left, y);
        SDL_RenderDrawPoint(r, a.right - 1, y);
    }
}

// A small filled triangle pointing down (or up) with its middle at x, y.
void arrow(SDL_Renderer* r, int x, int y, bool down, SDL_Color c) {
    setColour(r, c);
    for (int i = 0; i <= kArrowHalf; ++i) {
        const int row = down ? y - kArrowHalf / 2 + i : y + kArrowHalf / 2 - i;
        SDL_RenderDrawLine(r, x - kArrowHalf + i, row, x + kArrowHalf - i, row);
    }
}

// A triangle pointing left or right.
void sideArrow(SDL_Renderer* r, int x, int y, bool right, SDL_Color c) {
    setColour(r, c);
    for (int i = 0; i <= kArrowHalf; ++i) {
        const int column = right ? x - kArrowHalf / 2 + i : x + kArrowHalf / 2 - i;
        SDL_RenderDrawLine(r, column, y - kArrowHalf + i, column, y + kArrowHalf - i);
    }
}

void disc(SDL_Renderer* r, int cx, int cy, int radius, SDL_Color c) {
    setColour(r, c);
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (dx * dx + dy * dy <= radius * radius) SDL_RenderDrawPoint(r, cx + dx, cy + dy);
        }
    }
}

void clip(SDL_Renderer* r, const Rect& a) {
    const SDL_Rect rect = sdl(a);
    SDL_RenderSetClipRect(r, &rect);
}

bool isGroupBox(const Window& control) {
    return control.windowClass == WindowClass::Button && control.buttonKind() == BS_GROUPBOX;
}

bool isMarkButton(const Window& control) {
    return !(control.style & BS_PUSHLIKE) &&
           (control.buttonKind() == BS_AUTOCHECKBOX || control.buttonKind() == BS_RADIOBUTTON);
}

std::string_view withoutReturn(std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return text;
}

// Splits a text into lines that fit `width` pixels, breaking at blanks where
// it can; each line with the byte where it starts.
std::vector<std::pair<std::size_t, std::string_view>> wrap(const Font& font, std::string_view text, int width) {
    std::vector<std::pair<std::size_t, std::string_view>> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view rest = withoutReturn(text.substr(start, end - start));
        std::size_t at = start;
        while (font.width(rest) > width && nextCharacter(rest, 0) < rest.size()) {
            std::size_t fits = font.offsetAt(rest, width);
            if (fits == 0) fits = nextCharacter(rest, 0);
            const std::size_t blank = rest.substr(0, fits + 1).rfind(' ');
            const std::size_t cut = blank != std::string_view::npos && blank > 0 ? blank + 1 : fits;
            lines.emplace_back(at, rest.substr(0, cut));
            rest.remove_prefix(cut);
            at += cut;
        }
        lines.emplace_back(at, rest);
        if (end >= text.size()) return lines;
        start = end + 1;
    }
}

// Mixes a value into a digest (the golden ratio's bits spread the values).
constexpr std::size_t kGoldenRatioBits = 0x9E3779B97F4A7C15ULL;
void mix(std::size_t& digest, std::size_t value) { digest ^= value + kGoldenRatioBits + (digest << 6) + (digest >> 2); }

void mixControl(std::size_t& d, const Window& c) {
    mix(d, std::hash<std::string>{}(c.text));
    mix(d, static_cast<std::size_t>(c.enabled) | static_cast<std::size_t>(c.visible) << 1);
    mix(d, static_cast<std::size_t>(c.check));
    mix(d, c.edit.caret);
    mix(d, c.edit.anchor);
    mix(d, c.edit.scroll);
    mix(d, static_cast<std::size_t>(c.rect.left) << 32 | static_cast<std::size_t>(c.rect.top));
    const ListState& list = c.list;
    mix(d, list.items.size());
    for (int i : {list.top, list.caret, list.horizontalOffset, list.horizontalExtent, c.comboSelection,
                  static_cast<int>(c.comboDropped), c.comboDropHeight, c.progress.position,
                  static_cast<int>(c.progress.low), static_cast<int>(c.progress.high)}) {
        mix(d, static_cast<std::size_t>(i));
    }
    // The rows that can be seen; a list of any length costs no more.
    const int shown = c.windowClass == WindowClass::ComboBox ? c.dropRows() : c.visibleRows();
    for (int row = list.top; row < list.top + shown && row < static_cast<int>(list.items.size()); ++row) {
        const ListItem& item = list.items[static_cast<std::size_t>(row)];
        mix(d, std::hash<std::string>{}(item.text) ^ static_cast<std::size_t>(item.selected));
    }
}

}  // namespace

int menuBarHeight(const Font& font) { return font.height() + kMenuPadding; }

Rect clientPixels(const Window& window, const Font& font, const DialogScale& scale) {
    const int bar = menuOf(window.handle) != nullptr ? menuBarHeight(font) : 0;
    return {0, 0, scale.x(window.rect.width()), scale.y(window.rect.height()) + bar};
}

std::size_t paintDigest(const Window& window, bool active, const MenuState& menu) {
    std::size_t d = std::hash<std::string>{}(window.text);
    mix(d, static_cast<std::size_t>(active) | static_cast<std::size_t>(window.enabled) << 1);
    mix(d, window.focus.value);
    if (menu.window == window.handle) mix(d, static_cast<std::size_t>(menu.popup + 1) << 16 | static_cast<std::size_t>(menu.item));
    for (WindowHandle handle : window.controls) {
        if (const Window* control = windowOf(handle)) mixControl(d, *control);
    }
    return d;
}

void Painter::addHit(HitKind kind, WindowHandle window, int index, const Rect& area) {
    hits_.push_back({kind, window, index, area, {}, {}});
}

void Painter::paint(const Window& window, bool active, const MenuState& menu) {
    hits_.clear();
    openCombos_.clear();
    SDL_RenderSetClipRect(r_, nullptr);
    setColour(r_, kFace);
    SDL_RenderClear(r_);
    top_ = 0;
    if (menuOf(window.handle) != nullptr) {
        paintMenuBar(window, menu);
        top_ = menuBarHeight(font_);
    }
    // Group boxes first: the controls they frame are drawn over them.
    for (bool groups : {true, false}) {
        for (WindowHandle handle : window.controls) {
            const Window* control = windowOf(handle);
            if (control == nullptr || !control->visible || isGroupBox(*control) != groups) continue;
            paintControl(*control, active && window.focus == handle);
        }
    }
    SDL_RenderSetClipRect(r_, nullptr);
    for (const Window* combo : openCombos_) paintComboList(*combo);
    if (menu.window == window.handle && menu.isOpen()) paintMenuPopup(window, menu);
    SDL_RenderPresent(r_);
}

Rect Painter::pixelsOf(const Window& control) const {
    Rect units = control.rect;
    if (control.windowClass == WindowClass::ComboBox) units.bottom = units.top + kComboFieldUnits;
    const Rect r = scale_.pixels(units);
    return {r.left, r.top + top_, r.right, r.bottom + top_};
}

void Painter::label(std::string_view text, int x, int y, bool enabled) {
    if (!enabled) {
        // Greyed text stands embossed on the face, as the classic desktop draws it.
        font_.draw(r_, text, x + 1, y + 1, kHighlight);
        font_.draw(r_, text, x, y, kGreyText);
        return;
    }
    font_.draw(r_, text, x, y, kText);
}

// A menu text with its access letter underlined.
void Painter::menuLabel(std::string_view text, int access, int x, int y, SDL_Color colour) {
    font_.draw(r_, text, x, y, colour);
    if (access < 0) return;
    const auto at = static_cast<std::size_t>(access);
    const int left = x + font_.width(text.substr(0, at));
    const int right = x + font_.width(text.substr(0, nextCharacter(text, at))) - 1;
    const int baseline = y + font_.height() - 1;
    line(r_, left, baseline, right, baseline, colour);
}

void Painter::paintMenuBar(const Window& window, const MenuState& menu) {
    const MenuTemplate& bar = *menuOf(window.handle);
    const int height = menuBarHeight(font_);
    int x = kMenuPadding / 2;
    for (std::size_t i = 0; i < bar.popups.size(); ++i) {
        int access = -1;
        const std::string title = menuText(bar.popups[i].text, access);
        const int width = font_.width(title) + 2 * kMenuPadding;
        const Rect area{x, 0, x + width, height};
        const bool open = menu.window == window.handle && menu.popup == static_cast<int>(i);
        if (open) fill(r_, area, kSelection);
        const SDL_Color colour = open ? kSelectionText : kText;
        const int textY = kMenuPadding / 2;
        menuLabel(title, access, x + kMenuPadding, textY, colour);
        addHit(HitKind::MenuTitle, window.handle, static_cast<int>(i), area);
        x += width;
    }
    line(r_, 0, height - 1, scale_.x(window.rect.width()), height - 1, kShadow);
}

void Painter::paintMenuPopup(const Window& window, const MenuState& menu) {
    const MenuTemplate* bar = menuOf(window.handle);
    const auto title = std::find_if(hits_.begin(), hits_.end(), [&](const Hit& h) {
        return h.kind == HitKind::MenuTitle && h.index == menu.popup;
    });
    if (bar == nullptr || title == hits_.end()) return;
    const MenuPopupTemplate& popup = bar->popups[static_cast<std::size_t>(menu.popup)];
    const int itemHeight = font_.height() + kMenuItemHeightExtra;
    int width = 0;
    for (const MenuItemTemplate& item : popup.items) {
        int access = -1;
        if (item.text) width = std::max(width, font_.width(menuText(item.text, access)));
    }
    width += 4 * kMenuPadding;
    const Rect box{title->area.left, title->area.bottom, title->area.left + width,
                   title->area.bottom + static_cast<int>(popup.items.size()) * itemHeight + 2 * kBorder};
    fill(r_, box, kFace);
    raised(r_, box);
    for (std::size_t j = 0; j < popup.items.size(); ++j) {
        const MenuItemTemplate& item = popup.items[j];
        const int y = box.top + kBorder + static_cast<int>(j) * itemHeight;
        const Rect row{box.left + kBorder, y, box.right - kBorder, y + itemHeight};
        if (item.text == nullptr) {
            line(r_, row.left + 1, y + itemHeight / 2, row.right - 2, y + itemHeight / 2, kShadow);
            line(r_, row.left + 1, y + itemHeight / 2 + 1, row.right - 2, y + itemHeight / 2 + 1, kHighlight);
            continue;
        }
        const bool highlighted = static_cast<int>(j) == menu.item;
        if (highlighted) fill(r_, row, kSelection);
        int access = -1;
        const std::string text = menuText(item.text, access);
        const SDL_Color colour = highlighted ? kSelectionText : kText;
        const int textX = row.left + 2 * kMenuPadding;
        const int textY = y + kMenuItemHeightExtra / 2;
        menuLabel(text, access, textX, textY, colour);
        addHit(HitKind::MenuItem, window.handle, static_cast<int>(j), row);
    }
}

void Painter::paintControl(const Window& control, bool focused) {
    const Rect r = pixelsOf(control);
    // A group box's caption and a combo box's open list reach past their rectangles.
    if (isGroupBox(control) || control.windowClass == WindowClass::ComboBox) SDL_RenderSetClipRect(r_, nullptr);
    else clip(r_, r);
    switch (control.windowClass) {
        case WindowClass::Static: paintStatic(control, r); break;
        case WindowClass::Button:
            if (isGroupBox(control)) paintGroup(control, r);
            else if (isMarkButton(control)) paintMarkButton(control, r, focused);
            else paintPushButton(control, r, focused);
            break;
        case WindowClass::Edit: paintEdit(control, r, focused); break;
        case WindowClass::ListBox: paintList(control, r, focused); break;
        case WindowClass::ComboBox: paintCombo(control, r, focused); break;
        case WindowClass::Progress: paintProgress(control, r); break;
        case WindowClass::Dialog: break;
    }
    const bool listed = control.windowClass == WindowClass::ListBox || control.windowClass == WindowClass::Edit;
    if (!listed && !isGroupBox(control)) addHit(HitKind::Control, control.handle, -1, r);
}

void Painter::paintStatic(const Window& control, const Rect& r) {
    Rect text = r;
    if (control.style & SS_SUNKEN) {
        bevel(r_, r, kShadow, kHighlight);
        text = inset(r, kBorder);
    }
    const auto lines = wrap(font_, control.text, text.width());
    // A field of one line holds its text in the middle.
    int y = lines.size() == 1 && (control.style & SS_SUNKEN) ? text.top + (text.height() - font_.height()) / 2 : text.top;
    for (const auto& [start, shown] : lines) {
        const int indent = (control.style & SS_CENTER) ? std::max(0, (text.width() - font_.width(shown)) / 2) : 0;
        label(shown, text.left + indent, y, control.enabled);
        y += font_.height();
    }
}

void Painter::paintGroup(const Window& control, const Rect& r) {
    const int lineY = r.top + font_.height() / 2;
    const Rect frame{r.left, lineY, r.right, r.bottom};
    bevel(r_, frame, kShadow, kHighlight);
    bevel(r_, inset(frame, 1), kHighlight, kShadow);
    if (control.text.empty()) return;
    const int x = r.left + kGroupTextIndent;
    fill(r_, {x - 2, r.top, x + font_.width(control.text) + 2, r.top + font_.height()}, kFace);
    label(control.text, x, r.top, control.enabled);
}

void Painter::paintPushButton(const Window& control, const Rect& r, bool focused) {
    const bool pressed = (control.style & BS_PUSHLIKE) && control.check == BST_CHECKED;
    const bool isDefault = control.buttonKind() == BS_DEFPUSHBUTTON;
    fill(r_, r, kFace);
    Rect face = r;
    if (isDefault) {
        outline(r_, r, kText);
        face = inset(r, 1);
    }
    if (pressed) sunken(r_, face);
    else raised(r_, face);
    const int shift = pressed ? 1 : 0;
    const int x = r.left + (r.width() - font_.width(control.text)) / 2 + shift;
    const int y = r.top + (r.height() - font_.height()) / 2 + shift;
    label(control.text, x, y, control.enabled);
    if (focused) focusMark(r_, inset(r, kFocusInset));
}

void Painter::paintMarkButton(const Window& control, const Rect& r, bool focused) {
    const int markTop = r.top + (r.height() - kMarkSize) / 2;
    const Rect mark{r.left, markTop, r.left + kMarkSize, markTop + kMarkSize};
    const bool on = control.check == BST_CHECKED;
    const SDL_Color ink = control.enabled ? kText : kGreyText;
    if (control.buttonKind() == BS_AUTOCHECKBOX) {
        fill(r_, mark, control.enabled ? kField : kFace);
        sunken(r_, mark);
        if (on) {
            // The tick: two strokes, three pixels thick.
            for (int t = 0; t < 3; ++t) {
                line(r_, mark.left + 3, mark.top + 5 + t, mark.left + 5, mark.top + 7 + t, ink);
                line(r_, mark.left + 5, mark.top + 7 + t, mark.left + 9, mark.top + 3 + t, ink);
            }
        }
    } else {
        const int cx = mark.left + kMarkSize / 2;
        const int cy = mark.top + kMarkSize / 2;
        disc(r_, cx, cy, kMarkSize / 2, kShadow);
        disc(r_, cx, cy, kMarkSize / 2 - 1, control.enabled ? kField : kFace);
        if (on) disc(r_, cx, cy, 2, ink);
    }
    const int textX = mark.right + kMarkGap;
    const int textY = r.top + (r.height() - font_.height()) / 2;
    label(control.text, textX, textY, control.enabled);
    if (focused) {
        focusMark(r_, {textX - 1, textY, std::min(r.right, textX + font_.width(control.text) + 1), textY + font_.height()});
    }
}

// One line of an edit's text with the part of the selection it holds.
void Painter::paintLine(const Window& control, std::string_view shown, std::size_t lineStart, int x, int y, bool focused) {
    const EditState& e = control.edit;
    const std::size_t lineEnd = lineStart + shown.size();
    const std::size_t from = std::clamp(e.selectionStart(), lineStart, lineEnd) - lineStart;
    const std::size_t to = std::clamp(e.selectionEnd(), lineStart, lineEnd) - lineStart;
    const SDL_Color ink = control.enabled ? kText : kGreyText;
    font_.draw(r_, shown.substr(0, from), x, y, ink);
    const int selX = x + font_.width(shown.substr(0, from));
    if (to > from) {
        const std::string_view selected = shown.substr(from, to - from);
        const int selW = font_.width(selected);
        fill(r_, {selX, y, selX + selW, y + font_.height()}, focused ? kSelection : kShadow);
        font_.draw(r_, selected, selX, y, kSelectionText);
    }
    font_.draw(r_, shown.substr(to), x + font_.width(shown.substr(0, to)), y, ink);
    if (focused && e.caret >= lineStart && e.caret <= lineEnd) {
        const int caretX = x + font_.width(shown.substr(0, e.caret - lineStart));
        line(r_, caretX, y, caretX, y + font_.height() - 1, kText);
    }
}

void Painter::paintEdit(const Window& control, const Rect& r, bool focused) {
    fill(r_, r, control.enabled ? kField : kFace);
    sunken(r_, r);
    Rect inner = inset(r, kBorder);
    if (control.style & ES_MULTILINE) return paintMultiLine(control, inner, focused);
    clip(r_, inner);
    const int textLeft = inner.left + kTextPadding;
    const int room = inner.width() - 2 * kTextPadding;
    // Shown from the layer's scroll position, and further on while the caret
    // would stand past the right edge.
    std::size_t first = std::min(control.edit.scroll, control.text.size());
    const std::size_t caret = std::min(control.edit.caret, control.text.size());
    if (caret < first) first = caret;
    while (first < caret && font_.width(std::string_view(control.text).substr(first, caret - first)) > room) {
        first = nextCharacter(control.text, first);
    }
    const int y = inner.top + (inner.height() - font_.height()) / 2;
    paintLine(control, std::string_view(control.text).substr(first), first, textLeft, y, focused);
    hits_.push_back({HitKind::EditText, control.handle, -1, r, {static_cast<int>(first), -1, textLeft}, {}});
}

void Painter::paintMultiLine(const Window& control, const Rect& inner, bool focused) {
    Rect text = inner;
    const bool bar = (control.style & WS_VSCROLL) != 0;
    if (bar) text.right -= kScrollBarThickness;
    const auto lines = wrap(font_, control.text, text.width() - 2 * kTextPadding);
    const int rows = std::max(1, text.height() / font_.height());
    // The caret's line stays in view.
    std::size_t caretLine = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].first <= control.edit.caret) caretLine = i;
    }
    std::size_t first = std::min(control.edit.scroll, lines.size() - 1);
    if (caretLine < first) first = caretLine;
    if (caretLine >= first + static_cast<std::size_t>(rows)) first = caretLine - static_cast<std::size_t>(rows) + 1;
    clip(r_, text);
    // Below the last line a click puts the caret at the end; on a line, at its character.
    hits_.push_back({HitKind::EditText, control.handle, -1, inset(inner, -kBorder), {}, {}});
    for (std::size_t i = first; i < lines.size() && i < first + static_cast<std::size_t>(rows); ++i) {
        const int y = text.top + static_cast<int>(i - first) * font_.height();
        const auto& [start, shown] = lines[i];
        paintLine(control, shown, start, text.left + kTextPadding, y, focused && i == caretLine);
        const ShownText run{static_cast<int>(start), static_cast<int>(shown.size()), text.left + kTextPadding};
        hits_.push_back({HitKind::EditText, control.handle, -1, {text.left, y, text.right, y + font_.height()}, run, {}});
    }
    if (bar) {
        const ScrollBar scroll{{text.right, inner.top, inner.right, inner.bottom}, SB_VERT,
                               {0, static_cast<int>(lines.size()) - 1, rows, static_cast<int>(first)}};
        // Drawn only: the caret decides what the edit shows.
        paintScrollBar(scroll, control.enabled && static_cast<int>(lines.size()) > rows);
    }
}

void Painter::addScrollBar(const Window& control, const ScrollBar& bar, bool enabled) {
    paintScrollBar(bar, enabled);
    hits_.push_back({HitKind::ScrollBar, control.handle, -1, bar.area, {}, bar});
}

void Painter::paintScrollBar(const ScrollBar& bar, bool enabled) {
    SDL_RenderSetClipRect(r_, nullptr);
    const Rect& a = bar.area;
    fill(r_, a, kScrollTrack);
    const int t = kScrollBarThickness;
    const Rect back = bar.vertical() ? Rect{a.left, a.top, a.right, a.top + t} : Rect{a.left, a.top, a.left + t, a.bottom};
    const Rect forward = bar.vertical() ? Rect{a.left, a.bottom - t, a.right, a.bottom} : Rect{a.right - t, a.top, a.right, a.bottom};
    const SDL_Color ink = enabled ? kText : kShadow;
    for (const Rect& button : {back, forward}) {
        fill(r_, button, kFace);
        raised(r_, button);
    }
    const int midBackX = (back.left + back.right) / 2, midBackY = (back.top + back.bottom) / 2;
    const int midFwdX = (forward.left + forward.right) / 2, midFwdY = (forward.top + forward.bottom) / 2;
    if (bar.vertical()) {
        arrow(r_, midBackX, midBackY, false, ink);
        arrow(r_, midFwdX, midFwdY, true, ink);
    } else {
        sideArrow(r_, midBackX, midBackY, false, ink);
        sideArrow(r_, midFwdX, midFwdY, true, ink);
    }
    if (enabled) {
        const Rect thumb = bar.thumb();
        fill(r_, thumb, kFace);
        raised(r_, thumb);
    }
}

void Painter::paintList(const Window& control, const Rect& r, bool focused) {
    fill(r_, r, control.enabled ? kField : kFace);
    sunken(r_, r);
    const ListState& list = control.list;
    const int count = static_cast<int>(list.items.size());
    const int rows = control.visibleRows();
    Rect inner = inset(r, kBorder);
    const bool vertical = (control.style & WS_VSCROLL) && count > rows;
    const bool horizontal = (control.style & WS_HSCROLL) && list.horizontalExtent > control.rect.width();
    if (vertical) inner.right -= kScrollBarThickness;
    if (horizontal) inner.bottom -= kScrollBarThickness;
    addHit(HitKind::Control, control.handle, -1, r);  // rows, added later, take their clicks first
    // As many rows as the layer counts, in the room there is.
    const int rowHeight = std::max(1, inner.height() / rows);
    const int shift = scale_.x(list.horizontalOffset);
    for (int row = 0; row < rows && list.top + row < count; ++row) {
        const int index = list.top + row;
        const ListItem& item = list.items[static_cast<std::size_t>(index)];
        const Rect line{inner.left, inner.top + row * rowHeight, inner.right, inner.top + (row + 1) * rowHeight};
        clip(r_, line);
        if (item.selected) fill(r_, line, control.enabled ? kSelection : kShadow);
        const SDL_Color ink = item.selected ? kSelectionText : control.enabled ? kText : kGreyText;
        font_.draw(r_, item.text, line.left + kTextPadding - shift, line.top + (rowHeight - font_.height()) / 2, ink);
        if (focused && index == list.caret) focusMark(r_, line, item.selected ? kSelectionText : kText);
        addHit(HitKind::ListRow, control.handle, index, line);
    }
    if (focused && count == 0) focusMark(r_, {inner.left, inner.top, inner.right, inner.top + rowHeight});
    if (vertical) {
        addScrollBar(control, {{inner.right, inner.top, inner.right + kScrollBarThickness, inner.bottom}, SB_VERT,
                                 getScrollInfo(control.handle, SB_VERT)}, control.enabled);
    }
    if (horizontal) {
        addScrollBar(control, {{inner.left, inner.bottom, inner.right, inner.bottom + kScrollBarThickness}, SB_HORZ,
                                 getScrollInfo(control.handle, SB_HORZ)}, control.enabled);
    }
}

void Painter::paintCombo(const Window& control, const Rect& r, bool focused) {
    fill(r_, r, control.enabled ? kField : kFace);
    sunken(r_, r);
    const Rect inner = inset(r, kBorder);
    const Rect button{inner.right - kScrollBarThickness, inner.top, inner.right, inner.bottom};
    fill(r_, button, kFace);
    raised(r_, button);
    arrow(r_, (button.left + button.right) / 2, (button.top + button.bottom) / 2, true, control.enabled ? kText : kShadow);
    clip(r_, {inner.left, inner.top, button.left, inner.bottom});
    const std::size_t first = std::min(control.edit.scroll, control.text.size());
    const int y = inner.top + (inner.height() - font_.height()) / 2;
    paintLine(control, std::string_view(control.text).substr(first), first, inner.left + kTextPadding, y, focused);
    if (control.comboDropped && control.enabled) openCombos_.push_back(&control);
}

void Painter::paintComboList(const Window& control) {
    const Rect field = pixelsOf(control);
    const int count = static_cast<int>(control.list.items.size());
    const int rows = std::max(1, std::min(count, control.dropRows()));
    const int rowHeight = font_.height();
    const Rect box{field.left, field.bottom, field.right, field.bottom + rows * rowHeight + 2};
    fill(r_, box, kField);
    outline(r_, box, kText);
    Rect inner = inset(box, 1);
    const bool bar = count > rows;
    if (bar) inner.right -= kScrollBarThickness;
    for (int row = 0; row < rows && control.list.top + row < count; ++row) {
        const int index = control.list.top + row;
        const Rect line{inner.left, inner.top + row * rowHeight, inner.right, inner.top + (row + 1) * rowHeight};
        clip(r_, line);
        const bool selected = index == control.comboSelection;
        if (selected) fill(r_, line, kSelection);
        font_.draw(r_, control.list.items[static_cast<std::size_t>(index)].text, line.left + kTextPadding, line.top,
                   selected ? kSelectionText : kText);
        addHit(HitKind::ComboRow, control.handle, index, line);
    }
    if (bar) {
        addScrollBar(control, {{inner.right, inner.top, inner.right + kScrollBarThickness, inner.bottom}, SB_VERT,
                                 getScrollInfo(control.handle, SB_VERT)}, true);
    }
}

void Painter::paintProgress(const Window& control, const Rect& r) {
    bevel(r_, r, kShadow, kHighlight);
    const ProgressState& p = control.progress;
    const int span = std::max(1, p.high - p.low);
    const Rect inner = inset(r, kBarGap);
    const int filled = std::clamp(static_cast<int>(static_cast<long long>(p.position - p.low) * inner.width() / span), 0,
                                  inner.width());
    // The classic bar fills with blocks.
    const int block = std::max(kBarGap + 1, inner.height() * 2 / 3);
    for (int x = 0; x < filled; x += block + kBarGap) {
        fill(r_, {inner.left + x, inner.top, inner.left + std::min(filled, x + block), inner.bottom}, kBar);
    }
}

}  // namespace platform::gui
