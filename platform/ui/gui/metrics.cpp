#include "platform/ui/gui/metrics.h"

namespace platform::gui {

int averageCharWidth(int widthOfLetters) {
    constexpr int kLetters = 26;
    return (widthOfLetters / kLetters + 1) / 2;
}

}  // namespace platform::gui
