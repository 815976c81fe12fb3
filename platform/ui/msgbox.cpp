#include "platform/ui/msgbox.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "platform/text.h"
#include "platform/ui/input.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"
#include "platform/ui/wrap.h"

namespace platform {
namespace {

constexpr int kTextId = 0xFFFE;
constexpr int kWrapColumns = 60;
constexpr int kColumnUnits = 4;
constexpr int kMargin = 8;
constexpr int kMinTextUnits = 72;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kOwnerOffset = 24;

struct BoxTexts {
    std::string_view text;
    std::string_view title;
};

std::vector<ShownMessageBox>& shown() {
    static std::vector<ShownMessageBox> boxes;
    return boxes;
}

std::intptr_t boxProc(WindowHandle box, unsigned message, WParam wParam, LParam lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* texts = reinterpret_cast<const BoxTexts*>(lParam);
            setWindowText(box, texts->title);
            setDlgItemText(box, kTextId, texts->text);
            return kHandled;
        }
        case WM_COMMAND:
            if (loWord(wParam) == IDOK || loWord(wParam) == IDCANCEL) endDialog(box, IDOK);
            return kHandled;
        case WM_CLOSE: endDialog(box, IDOK); return kHandled;
        default: return kNotHandled;
    }
}

// Rows the text takes when wrapped, and its widest row, in cells.
std::pair<int, int> textExtent(std::string_view text) {
    const std::vector<std::string_view> lines = wrapText(text, kWrapColumns);
    int widest = 0;
    for (std::string_view line : lines) widest = std::max(widest, displayWidth(line));
    return {static_cast<int>(lines.size()), widest};
}

int showModal(WindowHandle owner, std::string_view text, std::string_view title) {
    const auto [rows, widest] = textExtent(text);
    const int textWidth = std::max(kMinTextUnits, widest * kColumnUnits);
    const int textHeight = rows * kUnitsPerRow;
    const int width = textWidth + 2 * kMargin;
    const int height = textHeight + kButtonHeight + 3 * kMargin;
    const std::array<ControlTemplate, 2> controls = {{
        {WindowClass::Static, kTextId, kMargin, kMargin, textWidth, textHeight, "", SS_LEFT},
        {WindowClass::Button, IDOK, (width - kButtonWidth) / 2, textHeight + 2 * kMargin, kButtonWidth, kButtonHeight,
         "OK", BS_DEFPUSHBUTTON | WS_TABSTOP},
    }};
    const Rect near = isWindow(owner) ? getWindowRect(owner) : Rect{};
    const DialogTemplate box{0,
                             "",
                             near.left + kOwnerOffset,
                             near.top + kOwnerOffset,
                             width,
                             height,
                             WS_POPUP | WS_CAPTION | DS_MODALFRAME,
                             0,
                             8,
                             controls};
    BoxTexts texts{text, title};
    dialogBoxIndirect(box, owner, boxProc, reinterpret_cast<LParam>(&texts));
    return kIdOk;
}

}  // namespace

int messageBox(WindowHandle owner, std::string_view text, std::string_view title) {
    shown().push_back({owner, std::string(text), std::string(title)});
    const InputSource* input = inputSource();
    if (input != nullptr && input->interactive()) return showModal(owner, text, title);
    std::fprintf(stderr, "[%.*s] %.*s\n", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
                 text.data());
    return kIdOk;
}

bool isMessageBox(WindowHandle window) {
    const Window* box = windowOf(window);
    return box != nullptr && box->proc == boxProc;
}

std::span<const ShownMessageBox> shownMessageBoxes() { return shown(); }

void clearShownMessageBoxes() { shown().clear(); }

}  // namespace platform
