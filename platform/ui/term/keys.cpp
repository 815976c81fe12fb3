#include "platform/ui/term/keys.h"

#include <curses.h>

#include "platform/text.h"

namespace platform::term {
namespace {

constexpr char32_t kControlSpace = 0;
constexpr char32_t kControlC = 3;
constexpr char32_t kControlL = 12;
constexpr char32_t kControlW = 23;
constexpr char32_t kEscape = 27;
constexpr char32_t kTab = 9;
constexpr char32_t kLineFeed = 10;
constexpr char32_t kReturn = 13;
constexpr char32_t kBackspace = 8;
constexpr char32_t kDelete = 127;
constexpr int kShiftedFunctionKeys = 12;  // terminals report Shift+F2 as F14

KeyAction press(Key key, unsigned modifiers = 0) { return {Action::Press, key, modifiers, 0, 0}; }
KeyAction command(Action action) { return {action, Key::Tab, 0, 0, 0}; }

}  // namespace

KeyTable standardKeys() {
    return {
        {KEY_UP, press(Key::Up)},
        {KEY_DOWN, press(Key::Down)},
        {KEY_LEFT, press(Key::Left)},
        {KEY_RIGHT, press(Key::Right)},
        {KEY_HOME, press(Key::Home)},
        {KEY_END, press(Key::End)},
        {KEY_PPAGE, press(Key::PageUp)},
        {KEY_NPAGE, press(Key::PageDown)},
        {KEY_DC, press(Key::Delete)},
        {KEY_BACKSPACE, press(Key::Backspace)},
        {KEY_ENTER, press(Key::Enter)},
        {KEY_BTAB, press(Key::Tab, kShift)},
        {KEY_SR, press(Key::Up, kShift)},
        {KEY_SF, press(Key::Down, kShift)},
        {KEY_SLEFT, press(Key::Left, kShift)},
        {KEY_SRIGHT, press(Key::Right, kShift)},
        {KEY_SHOME, press(Key::Home, kShift)},
        {KEY_SEND, press(Key::End, kShift)},
        {KEY_SPREVIOUS, press(Key::PageUp, kShift)},
        {KEY_SNEXT, press(Key::PageDown, kShift)},
        {KEY_F(1), command(Action::Help)},
        {KEY_F(2), command(Action::NextControl)},
        {KEY_F(2 + kShiftedFunctionKeys), command(Action::PreviousControl)},
        {KEY_F(4), press(Key::F4)},
        {KEY_F(6), command(Action::NextWindow)},
        {KEY_F(6 + kShiftedFunctionKeys), command(Action::PreviousWindow)},
        {KEY_F(10), command(Action::Menu)},
    };
}

KeyAction decodeKey(const KeyTable& table, bool isKeyCode, char32_t code) {
    if (isKeyCode) {
        const auto found = table.find(static_cast<int>(code));
        return found == table.end() ? KeyAction{} : found->second;
    }
    switch (code) {
        case kControlSpace: return press(Key::Space, kControl);
        case kTab: return press(Key::Tab);
        case kLineFeed:
        case kReturn: return press(Key::Enter);
        case kEscape: return press(Key::Escape);
        case kBackspace:
        case kDelete: return press(Key::Backspace);
        case kControlW: return command(Action::CloseWindow);
        case kControlC: return command(Action::Quit);
        case kControlL: return command(Action::Redraw);
        case U' ': return press(Key::Space);
        default: break;
    }
    if (isControlCharacter(code)) return {};
    return {Action::Type, Key::Tab, 0, code, 0};
}

KeyAction decodeAlt(char32_t code) {
    if (code >= U'A' && code <= U'Z') code = code - U'A' + U'a';
    if (code >= U'a' && code <= U'z') return {Action::MenuKey, Key::Tab, kAlt, 0, static_cast<char>(code)};
    return {};
}

}  // namespace platform::term
