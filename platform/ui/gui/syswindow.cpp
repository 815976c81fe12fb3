#include "platform/ui/gui/syswindow.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace platform::gui {
namespace {

constexpr std::size_t kNameSize = 32;
constexpr char kDoubleClickSetting[] = "Net/DoubleClickTime";
constexpr char kDpiSetting[] = "Xft/DPI";
constexpr char kWindowScaleSetting[] = "Gdk/WindowScalingFactor";
// The layout of an XSETTINGS block: a header, then each setting.
constexpr std::size_t kHeaderSize = 12;  // byte order, 3 unused, serial, count
constexpr std::size_t kCountAt = 8;
constexpr std::size_t kSettingHeaderSize = 4;  // type, unused, name length
constexpr std::size_t kSerialSize = 4;
constexpr std::size_t kColourSize = 8;
constexpr unsigned char kMostSignificantFirst = 1;
enum SettingType : unsigned char { kInteger = 0, kString = 1, kColour = 2 };

std::size_t padded(std::size_t length) { return (length + 3) / 4 * 4; }

// Reads the block's numbers in the byte order it declares.
struct BlockReader {
    std::span<const unsigned char> block;
    bool bigEndian;

    bool has(std::size_t at, std::size_t size) const { return at <= block.size() && size <= block.size() - at; }
    std::uint32_t number(std::size_t at, std::size_t size) const {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            const unsigned char byte = block[at + (bigEndian ? i : size - 1 - i)];
            value = value << CHAR_BIT | byte;
        }
        return value;
    }
};

struct DisplayClose {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

}  // namespace

std::optional<int> xsettingsInteger(std::span<const unsigned char> block, std::string_view name) {
    if (block.size() < kHeaderSize) return std::nullopt;
    const BlockReader read{block, block[0] == kMostSignificantFirst};
    const std::uint32_t count = read.number(kCountAt, 4);
    std::size_t at = kHeaderSize;
    for (std::uint32_t i = 0; i < count && read.has(at, kSettingHeaderSize); ++i) {
        const unsigned char type = block[at];
        const std::size_t nameLength = read.number(at + 2, 2);
        const std::size_t nameAt = at + kSettingHeaderSize;
        const std::size_t valueAt = nameAt + padded(nameLength) + kSerialSize;
        if (!read.has(nameAt, nameLength) || !read.has(valueAt, 4)) return std::nullopt;
        const std::string_view settingName(reinterpret_cast<const char*>(block.data() + nameAt), nameLength);
        if (type == kInteger && settingName == name) return static_cast<std::int32_t>(read.number(valueAt, 4));
        if (type == kInteger)
            at = valueAt + 4;
        else if (type == kString)
            at = valueAt + 4 + padded(read.number(valueAt, 4));
        else if (type == kColour)
            at = valueAt + kColourSize;
        else
            return std::nullopt;
    }
    return std::nullopt;
}

namespace {

struct SettingsBlock {
    std::optional<int> doubleClickTime, dpi, windowScale;
};

SettingsBlock settingsOf(Display* display) {
    const std::string selection = "_XSETTINGS_S" + std::to_string(DefaultScreen(display));
    const Window manager = XGetSelectionOwner(display, XInternAtom(display, selection.c_str(), False));
    if (manager == None) return {};
    const Atom settings = XInternAtom(display, "_XSETTINGS_SETTINGS", False);
    Atom type = None;
    int format = 0;
    unsigned long length = 0, left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, manager, settings, 0, LONG_MAX, False, settings, &type, &format, &length, &left,
                           &data) != Success ||
        data == nullptr) {
        return {};
    }
    SettingsBlock found;
    if (format == CHAR_BIT) {
        const std::span<const unsigned char> block{data, length};
        found = {xsettingsInteger(block, kDoubleClickSetting), xsettingsInteger(block, kDpiSetting),
                 xsettingsInteger(block, kWindowScaleSetting)};
    }
    XFree(data);
    return found;
}

}  // namespace

DesktopSettings readDesktopSettings() {
    const std::unique_ptr<Display, DisplayClose> display(XOpenDisplay(nullptr));
    if (!display) return {};
    const SettingsBlock block = settingsOf(display.get());
    const char* resources = XResourceManagerString(display.get());
    return {block.doubleClickTime, block.dpi, block.windowScale, resources ? resources : ""};
}

std::string systemWindowName(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
    char name[kNameSize];
    std::snprintf(name, sizeof name, "x11:%lx", static_cast<unsigned long>(info.info.x11.window));
    return name;
}

}  // namespace platform::gui
