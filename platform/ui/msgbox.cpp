#include "platform/ui/msgbox.h"

#include <cstdio>
#include <vector>

#include "platform/text.h"

namespace platform {
namespace {

std::vector<ShownMessageBox>& shown() {
    static std::vector<ShownMessageBox> boxes;
    return boxes;
}

}  // namespace

int messageBox(WindowHandle owner, std::string_view text, std::string_view title) {
    shown().push_back({owner, std::string(text), std::string(title)});
    std::fprintf(stderr, "[%s] %s\n", toUtf8(title).c_str(), toUtf8(text).c_str());
    return kIdOk;
}

std::span<const ShownMessageBox> shownMessageBoxes() { return shown(); }

void clearShownMessageBoxes() { shown().clear(); }

}  // namespace platform
