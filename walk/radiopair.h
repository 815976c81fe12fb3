// Pairs of plain radio buttons, which do not check themselves: the dialog
// keeps each pair exclusive.
#pragma once

#include "platform/ui/ui.h"

namespace walking {

// A click on one of the pair: it becomes the checked one; a click on the
// checked one changes nothing.
inline void checkOneOfPair(platform::WindowHandle dialog, int clicked, int other) {
    if (platform::isDlgButtonChecked(dialog, clicked) == platform::BST_CHECKED) return;
    platform::checkDlgButton(dialog, other, platform::BST_UNCHECKED);
    platform::checkDlgButton(dialog, clicked, platform::BST_CHECKED);
}

}  // namespace walking
