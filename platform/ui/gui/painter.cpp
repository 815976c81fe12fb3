#include "platform/ui/gui/painter.h"

#include <algorithm>
#include <functional>
#include <string_view>

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

constexpr int kMarkSize = 13;    // check box and radio button marks
constexpr int kMarkGap = 4;      // between a mark and its text
constexpr int kFocusInset = 3;   // the focus mark inside a push button
constexpr int kMenuPadding = 6;  // around menu titles and items
constexpr int kMenuItemHeightExtra = 4;
constexpr int kGroupTextIndent = 8;
constexpr int kBarGap = 2;               // around the progress bar's blocks
constexpr int kArrowHalf = 3;            // half the width of the arrows drawn on buttons
constexpr int kScrollBarThickness = 16;  // the desktop's scroll bars and drop-down buttons
constexpr int kDotRadius = 2;            // a chosen radio button's dot

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

// A small filled triangle pointing down (or up) with its middle at x, y,
// `half` pixels either side.
void arrow(SDL_Renderer* r, int x, int y, bool down, int half, SDL_Color c) {
    setColour(r, c);
    for (int i = 0; i <= half; ++i) {
        const int row = down ? y - half / 2 + i : y + half / 2 - i;
        SDL_RenderDrawLine(r, x - half + i, row, x + half - i, row);
    }
}

// A triangle pointing left or right.
void sideArrow(SDL_Renderer* r, int x, int y, bool right, int half, SDL_Color c) {
    setColour(r, c);
    for (int i = 0; i <= half; ++i) {
        const int column = right ? x - half / 2 + i : x + half / 2 - i;
        SDL_RenderDrawLine(r, column, y - half + i, column, y + half - i);
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

// A bar, or a part of one, `thickness` pixels as the desktop draws it: wider
// than the column the view gives it, it grows inward, over the rows beside it.
Rect thick(const Rect& a, bool vertical, int thickness) {
    if (vertical) return {std::min(a.left, a.right - thickness), a.top, a.right, a.bottom};
    return {a.left, std::min(a.top, a.bottom - thickness), a.right, a.bottom};
}

void clip(SDL_Renderer* r, const Rect& a) {
    const SDL_Rect rect = sdl(a);
    SDL_RenderSetClipRect(r, &rect);
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
        const ListEntry item = list.items[static_cast<std::size_t>(row)];
        mix(d, std::hash<std::string_view>{}(item.text) ^ static_cast<std::size_t>(item.selected));
    }
}

}  // namespace

int menuBarHeight(const Font& font) { return font.height() + scaledPixels(kMenuPadding, font.dpi()); }

Rect clientPixels(const Window& window, const Rect& units, const Font& font, const DialogScale& scale) {
    const int bar = menuOf(window.handle) != nullptr ? menuBarHeight(font) : 0;
    return {0, 0, scale.x(units.width()), scale.y(units.height()) + bar};
}

std::size_t paintDigest(const Window& window, bool active, const MenuState& menu) {
    std::size_t d = std::hash<std::string>{}(window.text);
    mix(d, static_cast<std::size_t>(active) | static_cast<std::size_t>(window.enabled) << 1);
    mix(d, window.focus.value);
    if (menu.window == window.handle)
        mix(d, static_cast<std::size_t>(menu.popup + 1) << 16 | static_cast<std::size_t>(menu.item));
    for (WindowHandle handle : window.controls) {
        if (const Window* control = windowOf(handle)) mixControl(d, *control);
    }
    return d;
}

void Painter::paintMenuBar(const Window& window, const MenuState& menu) {
    const MenuTemplate& bar = *menuOf(window.handle);
    const int height = menuBarHeight(font_);
    int x = px(kMenuPadding) / 2;
    for (std::size_t i = 0; i < bar.popups.size(); ++i) {
        int access = -1;
        const std::string title = menuText(bar.popups[i].text, access);
        const int width = font_.width(title) + 2 * px(kMenuPadding);
        const Rect area{x, 0, x + width, height};
        const bool open = menu.window == window.handle && menu.popup == static_cast<int>(i);
        if (open) fill(r_, area, kSelection);
        const SDL_Color colour = open ? kSelectionText : kText;
        const int textY = px(kMenuPadding) / 2;
        drawLine(menuLine(title, access), x + px(kMenuPadding), textY, colour, true);
        addHit(Press::MenuTitle, window.handle, static_cast<int>(i), area);
        x += width;
    }
    line(r_, 0, height - 1, scale_.x(window.rect.width()), height - 1, kShadow);
}

void Painter::paintMenuPopup(const Window& window, const MenuState& menu) {
    const MenuTemplate* bar = menuOf(window.handle);
    const auto title = std::find_if(hits_.begin(), hits_.end(), [&](const Hit& h) {
        return h.what.press == Press::MenuTitle && h.what.index == menu.popup;
    });
    if (bar == nullptr || title == hits_.end()) return;
    const MenuPopupTemplate& popup = bar->popups[static_cast<std::size_t>(menu.popup)];
    const int itemHeight = font_.height() + px(kMenuItemHeightExtra);
    int width = 0;
    for (const MenuItemTemplate& item : popup.items) {
        int access = -1;
        if (item.text) width = std::max(width, font_.width(menuText(item.text, access)));
    }
    width += 4 * px(kMenuPadding);
    const Rect box{title->area.left, title->area.bottom, title->area.left + width,
                   title->area.bottom + static_cast<int>(popup.items.size()) * itemHeight + 2 * px(kBorder)};
    fill(r_, box, kFace);
    raised(r_, box);
    for (std::size_t j = 0; j < popup.items.size(); ++j) {
        const MenuItemTemplate& item = popup.items[j];
        const int y = box.top + px(kBorder) + static_cast<int>(j) * itemHeight;
        const Rect row{box.left + px(kBorder), y, box.right - px(kBorder), y + itemHeight};
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
        const int textX = row.left + 2 * px(kMenuPadding);
        const int textY = y + px(kMenuItemHeightExtra) / 2;
        drawLine(menuLine(text, access), textX, textY, colour, true);
        addHit(Press::MenuItem, window.handle, static_cast<int>(j), row);
    }
}

void Painter::addHit(Press press, WindowHandle window, int index, const Rect& area) {
    HitArea what;
    what.press = press;
    what.window = window;
    what.index = index;
    hits_.push_back({what, area, {}, 0});
}

void Painter::paint(const Window& window, bool active, const MenuState& menu) {
    hits_.clear();
    SDL_RenderSetClipRect(r_, nullptr);
    setColour(r_, kFace);
    SDL_RenderClear(r_);
    top_ = 0;
    if (menuOf(window.handle) != nullptr) {
        paintMenuBar(window, menu);
        top_ = menuBarHeight(font_);
    }
    const DialogView view = dialogView(window, active);
    std::vector<Rect> pixels;
    for (const ViewElement& e : view.elements) {
        pixels.push_back(pixelsOf(e.area));
        paintElement(e, pixels.back());
    }
    SDL_RenderSetClipRect(r_, nullptr);
    for (const HitArea& h : view.hits) {
        Rect area = h.element >= 0 ? pixels[static_cast<std::size_t>(h.element)] : pixelsOf(h.area);
        if (h.press == Press::Scroll || h.press == Press::Thumb)
            area = thick(area, h.bar == SB_VERT, px(kScrollBarThickness));
        if (h.press == Press::Text && h.index >= 0) {
            // A text box's line, where paintTextBox draws it.
            const int top = area.top + px(kBorder) + h.index * font_.height();
            area = {area.left, top, area.right, top + font_.height()};
        }
        hits_.push_back({h, area, pixelsOf(h.track), area.left + px(kBorder) + px(kTextPadding)});
    }
    if (menu.window == window.handle && menu.isOpen()) paintMenuPopup(window, menu);
    SDL_RenderPresent(r_);
}

Rect Painter::pixelsOf(const Rect& units) const {
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

// The runs one after the other from x: a selection on the selection's colour
// (grey without the focus), the caret a line, an access letter underlined.
int Painter::drawLine(const TextLine& text, int x, int y, SDL_Color ink, bool focused) {
    for (const TextRun& run : text.runs) {
        const int width = font_.width(run.text);
        switch (run.role) {
            case Role::Caret: line(r_, x, y, x, y + font_.height() - 1, kText); break;
            case Role::Selected:
                fill(r_, {x, y, x + width, y + font_.height()}, focused ? kSelection : kShadow);
                font_.draw(r_, run.text, x, y, kSelectionText);
                break;
            case Role::Disabled: label(run.text, x, y, false); break;
            case Role::Mark: {
                font_.draw(r_, run.text, x, y, ink);
                const int baseline = y + font_.height() - 1;
                line(r_, x, baseline, x + width - 1, baseline, ink);
                break;
            }
            default: font_.draw(r_, run.text, x, y, ink); break;
        }
        x += width;
    }
    return x;
}

void Painter::paintElement(const ViewElement& e, const Rect& r) {
    // A group box's caption, an open list and a drop-down button reach past their rectangles.
    const bool reaches = e.shape == Shape::GroupFrame || e.shape == Shape::Popup || e.shape == Shape::DropButton;
    if (reaches)
        SDL_RenderSetClipRect(r_, nullptr);
    else
        clip(r_, r);
    switch (e.shape) {
        case Shape::Label:
        case Shape::SunkenLabel: paintLabel(e, r); break;
        case Shape::GroupFrame: paintGroup(e, r); break;
        case Shape::PushButton:
        case Shape::DefaultButton: paintPushButton(e, r); break;
        case Shape::CheckBox:
        case Shape::RadioButton: paintMarkButton(e, r); break;
        case Shape::Field: paintField(e, r); break;
        case Shape::TextBox: paintTextBox(e, r); break;
        case Shape::List:
            fill(r_, r, e.role == Role::Disabled ? kFace : kField);
            sunken(r_, r);
            break;
        case Shape::DropButton: paintDropButton(e, r); break;
        case Shape::Popup:
            fill(r_, r, kField);
            outline(r_, inset(r, -1), kText);
            break;
        case Shape::Row: paintRow(e, r); break;
        case Shape::ScrollBar: paintScrollBar(e); break;
        case Shape::Progress: paintProgress(e, r); break;
    }
}

void Painter::paintLabel(const ViewElement& e, const Rect& r) {
    Rect text = r;
    const bool sunken = e.shape == Shape::SunkenLabel;
    if (sunken) {
        bevel(r_, r, kShadow, kHighlight);
        text = inset(r, px(kBorder));
    }
    // A field of one line holds its text in the middle.
    int y = e.lines.size() == 1 && sunken ? text.top + (text.height() - font_.height()) / 2 : text.top;
    for (const TextLine& shown : e.lines) {
        int width = 0;
        for (const TextRun& run : shown.runs) width += font_.width(run.text);
        const int indent = e.centred ? std::max(0, (text.width() - width) / 2) : 0;
        drawLine(shown, text.left + indent, y, kText, false);
        y += font_.height();
    }
}

void Painter::paintGroup(const ViewElement& e, const Rect& r) {
    const int lineY = r.top + font_.height() / 2;
    const Rect frame{r.left, lineY, r.right, r.bottom};
    bevel(r_, frame, kShadow, kHighlight);
    bevel(r_, inset(frame, 1), kHighlight, kShadow);
    if (e.lines.empty() || e.lines.front().runs.front().text.empty()) return;
    const std::string_view caption = e.lines.front().runs.front().text;
    const int x = r.left + px(kGroupTextIndent);
    fill(r_, {x - 2, r.top, x + font_.width(caption) + 2, r.top + font_.height()}, kFace);
    label(caption, x, r.top, e.role != Role::Disabled);
}

void Painter::paintPushButton(const ViewElement& e, const Rect& r) {
    fill(r_, r, kFace);
    Rect face = r;
    if (e.shape == Shape::DefaultButton) {
        outline(r_, r, kText);
        face = inset(r, 1);
    }
    if (e.checked)
        sunken(r_, face);
    else
        raised(r_, face);
    const int shift = e.checked ? 1 : 0;
    const std::string_view text = e.lines.front().runs.front().text;
    const int x = r.left + (r.width() - font_.width(text)) / 2 + shift;
    const int y = r.top + (r.height() - font_.height()) / 2 + shift;
    label(text, x, y, e.role != Role::Disabled);
    if (e.role == Role::Focus) focusMark(r_, inset(r, px(kFocusInset)));
}

void Painter::paintMarkButton(const ViewElement& e, const Rect& r) {
    const int markTop = r.top + (r.height() - px(kMarkSize)) / 2;
    const Rect mark{r.left, markTop, r.left + px(kMarkSize), markTop + px(kMarkSize)};
    const bool enabled = e.role != Role::Disabled;
    const SDL_Color ink = enabled ? kText : kGreyText;
    if (e.shape == Shape::CheckBox) {
        fill(r_, mark, enabled ? kField : kFace);
        sunken(r_, mark);
        if (e.checked) {
            // The tick: two strokes, three pixels thick at 96 dots per inch.
            for (int t = 0; t < px(3); ++t) {
                line(r_, mark.left + px(3), mark.top + px(5) + t, mark.left + px(5), mark.top + px(7) + t, ink);
                line(r_, mark.left + px(5), mark.top + px(7) + t, mark.left + px(9), mark.top + px(3) + t, ink);
            }
        }
    } else {
        const int cx = mark.left + px(kMarkSize) / 2;
        const int cy = mark.top + px(kMarkSize) / 2;
        disc(r_, cx, cy, px(kMarkSize) / 2, kShadow);
        disc(r_, cx, cy, px(kMarkSize) / 2 - 1, enabled ? kField : kFace);
        if (e.checked) disc(r_, cx, cy, px(kDotRadius), ink);
    }
    const std::string_view text = e.lines.front().runs.front().text;
    const int textX = mark.right + px(kMarkGap);
    const int textY = r.top + (r.height() - font_.height()) / 2;
    label(text, textX, textY, enabled);
    if (e.role == Role::Focus) {
        focusMark(r_, {textX - 1, textY, std::min(r.right, textX + font_.width(text) + 1), textY + font_.height()});
    }
}

void Painter::paintField(const ViewElement& e, const Rect& r) {
    fill(r_, r, e.role == Role::Disabled ? kFace : kField);
    sunken(r_, r);
    const Rect inner = inset(r, px(kBorder));
    clip(r_, inner);
    const int y = inner.top + (inner.height() - font_.height()) / 2;
    drawLine(e.lines.front(), inner.left + px(kTextPadding), y, e.role == Role::Disabled ? kGreyText : kText,
             e.role == Role::Focus);
}

void Painter::paintTextBox(const ViewElement& e, const Rect& r) {
    fill(r_, r, e.role == Role::Disabled ? kFace : kField);
    sunken(r_, r);
    const Rect inner = inset(r, px(kBorder));
    clip(r_, inner);
    const SDL_Color ink = e.role == Role::Disabled ? kGreyText : kText;
    int y = inner.top;
    for (const TextLine& shown : e.lines) {
        drawLine(shown, inner.left + px(kTextPadding), y, ink, e.role == Role::Focus);
        y += font_.height();
    }
}

void Painter::paintRow(const ViewElement& e, const Rect& r) {
    const bool selected = e.role == Role::Selected;
    if (selected) fill(r_, r, kSelection);
    if (!e.lines.empty()) {
        const SDL_Color ink = selected ? kSelectionText : e.role == Role::Disabled ? kGreyText : kText;
        font_.draw(r_, e.lines.front().runs.front().text, r.left + px(kTextPadding) - scale_.x(e.shift),
                   r.top + (r.height() - font_.height()) / 2, ink);
    }
    if (e.caretRow) focusMark(r_, r, selected ? kSelectionText : kText);
}

void Painter::paintScrollBar(const ViewElement& e) {
    SDL_RenderSetClipRect(r_, nullptr);
    const ScrollView& bar = e.bar;
    const auto pixels = [&](const Rect& units) {
        return thick(pixelsOf(units), bar.vertical, px(kScrollBarThickness));
    };
    fill(r_, pixels(e.area), kScrollTrack);
    const bool enabled = e.role != Role::Disabled && bar.scrolls;
    const SDL_Color ink = enabled ? kText : kShadow;
    const Rect back = pixels(bar.back);
    const Rect forward = pixels(bar.forward);
    for (const Rect& button : {back, forward}) {
        fill(r_, button, kFace);
        raised(r_, button);
    }
    const int midBackX = (back.left + back.right) / 2, midBackY = (back.top + back.bottom) / 2;
    const int midFwdX = (forward.left + forward.right) / 2, midFwdY = (forward.top + forward.bottom) / 2;
    if (bar.vertical) {
        arrow(r_, midBackX, midBackY, false, px(kArrowHalf), ink);
        arrow(r_, midFwdX, midFwdY, true, px(kArrowHalf), ink);
    } else {
        sideArrow(r_, midBackX, midBackY, false, px(kArrowHalf), ink);
        sideArrow(r_, midFwdX, midFwdY, true, px(kArrowHalf), ink);
    }
    if (enabled) {
        const Rect thumb = pixels(bar.thumb);
        fill(r_, thumb, kFace);
        raised(r_, thumb);
    }
}

void Painter::paintDropButton(const ViewElement& e, const Rect& r) {
    const Rect field = thick(r, true, px(kScrollBarThickness));
    const Rect button{field.left, field.top + px(kBorder), field.right - px(kBorder), field.bottom - px(kBorder)};
    fill(r_, button, kFace);
    raised(r_, button);
    arrow(r_, (button.left + button.right) / 2, (button.top + button.bottom) / 2, true, px(kArrowHalf),
          e.role == Role::Disabled ? kShadow : kText);
}

void Painter::paintProgress(const ViewElement& e, const Rect& r) {
    bevel(r_, r, kShadow, kHighlight);
    const Rect inner = inset(r, px(kBarGap));
    const int filled =
        std::clamp(static_cast<int>(static_cast<long long>(e.done) * inner.width() / e.total), 0, inner.width());
    // The classic bar fills with blocks.
    const int block = std::max(px(kBarGap) + 1, inner.height() * 2 / 3);
    for (int x = 0; x < filled; x += block + px(kBarGap)) {
        fill(r_, {inner.left + x, inner.top, inner.left + std::min(filled, x + block), inner.bottom}, kBar);
    }
}

}  // namespace platform::gui
