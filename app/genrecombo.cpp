#include "app/panel.h"
#include "platform/ui/ui.h"
#include "tags/v1tag.h"

namespace app {
namespace {

constexpr int kDropHeight = 100;  // the extent of the opened list, in pixels

}  // namespace

int fillGenreCombo(platform::WindowHandle dialog, int controlId) {
    const platform::WindowHandle combo = platform::getDlgItem(dialog, controlId);
    for (const char* name : tags::GenreTable) platform::comboAddString(combo, name);
    platform::comboSetCurSel(combo, -1);
    platform::comboShowDropdown(combo, true);
    const platform::Rect client = platform::getClientRect(combo);
    platform::setWindowPos(combo, 0, 0, client.width(), kDropHeight, platform::SWP_NOMOVE | platform::SWP_NOZORDER);
    return 1;
}

}  // namespace app
