// The menu bar of a top-level window as the user works it: which popup is
// open, which item is highlighted, the access letters, and choosing an item.
// Renderers draw this state and feed it keys and clicks.
#pragma once

#include <string>

#include "platform/ui/ui.h"

namespace platform {

const MenuTemplate* menuOf(WindowHandle window);  // null when it has no menu bar

// The menu text without its '&', and the position of its access letter (or -1).
std::string menuText(const char* text, int& accessIndex);
char menuAccessKey(const char* text);  // lower case; 0 when none

struct MenuState {
    WindowHandle window;
    int popup = -1;  // -1: closed
    int item = 0;

    bool isOpen() const { return popup >= 0; }
    // Opens a popup of the window's bar at its first item; a disabled window opens none.
    void open(WindowHandle owner, int popupIndex);
    // Opens the popup whose title has this access letter (the next such one
    // when one is open); false when none has.
    bool openByAccess(WindowHandle owner, char access);
    // Moves the highlight by step items (0: onto the nearest item), over separators.
    void move(int step);
    // Closes the menu and sends the highlighted item's command.
    void choose();
    // A click on a title of the window's bar: brings the window up and opens
    // that popup, or closes it when it is the one open.
    void clickTitle(WindowHandle owner, int popupIndex);
    // A click on an item of the open popup: chooses it.
    void clickItem(int itemIndex);
    // A key while the menu is open: arrows move, Enter and Space choose, Esc closes.
    void key(Key pressed);
    // A letter while the menu is open: chooses the item it is the access key of.
    void access(char letter);
    // Closes the menu when its window went away or cannot take input.
    void keepValid();
};

}  // namespace platform
