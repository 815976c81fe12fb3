// Resources as data: dialog templates, menus and icons, found by number in a
// module (the program's resource table). Texts are UTF-8.
#pragma once

#include <cstdint>
#include <span>

namespace platform {

enum class WindowClass { Dialog, Button, Static, Edit, ListBox, ComboBox, Progress };

// Positions and sizes are in dialog units.
struct ControlTemplate {
    WindowClass windowClass;
    int id;
    int x, y, cx, cy;
    const char* text;
    std::uint32_t style;
};

struct DialogTemplate {
    int id;
    const char* caption;
    int x, y, cx, cy;
    std::uint32_t style;
    int menuId;  // 0: none
    int fontPoints;
    std::span<const ControlTemplate> controls;  // also the tab order
};

struct MenuItemTemplate {
    const char* text;  // "&" marks the access key; null with command 0: a separator
    int command;
};

struct MenuPopupTemplate {
    const char* text;
    std::span<const MenuItemTemplate> items;
};

struct MenuTemplate {
    int id;
    std::span<const MenuPopupTemplate> popups;
};

// An icon image: one string per row, one character per pixel, each character
// an index into the palette.
struct IconImage {
    int size;
    std::span<const char* const> rows;
};

struct IconTemplate {
    int id;
    std::span<const IconImage> images;
};

struct Module {
    std::span<const DialogTemplate> dialogs;
    std::span<const MenuTemplate> menus;
    std::span<const IconTemplate> icons;

    const DialogTemplate* dialog(int id) const;
    const MenuTemplate* menu(int id) const;
    const IconTemplate* icon(int id) const;
};

}  // namespace platform
