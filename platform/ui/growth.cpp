#include "platform/ui/growth.h"

#include <algorithm>

#include "platform/ui/window.h"

namespace platform {
namespace {

bool encloses(const Rect& outer, const Rect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

}  // namespace

Rect grownRect(const Rect& control, const Rect& grows, int wider, int taller) {
    if (encloses(control, grows)) return {control.left, control.top, control.right + wider, control.bottom + taller};
    if (control.top >= grows.bottom)
        return {control.left, control.top + taller, control.right, control.bottom + taller};
    return control;
}

bool setGrowingControl(WindowHandle dialog, int id) {
    Window* window = windowOf(dialog);
    const WindowHandle control = getDlgItem(dialog, id);
    if (window == nullptr || !control) return false;
    window->grows = control;
    window->smallest = {0, 0, window->rect.width(), window->rect.height()};
    return true;
}

bool resizeDialog(WindowHandle dialog, int width, int height) {
    Window* window = windowOf(dialog);
    Window* grows = window ? windowOf(window->grows) : nullptr;
    if (grows == nullptr) return false;
    const int wider = std::max(width, window->smallest.width()) - window->rect.width();
    const int taller = std::max(height, window->smallest.height()) - window->rect.height();
    if (wider == 0 && taller == 0) return true;
    const Rect before = grows->rect;
    for (WindowHandle handle : window->controls) {
        if (Window* control = windowOf(handle)) control->rect = grownRect(control->rect, before, wider, taller);
    }
    window->rect.right += wider;
    window->rect.bottom += taller;
    // A taller list shows the entries below rather than empty rows.
    if (grows->windowClass == WindowClass::ListBox) grows->list.scrollBy(0, grows->visibleRows());
    return true;
}

}  // namespace platform
