#include "tags/messages.h"

#include <cstdio>
#include <string>

#include "platform/text.h"
#include "platform/ui/msgbox.h"

namespace tags::msg {

std::string format(const char* format, std::string_view path, unsigned code) {
    char text[kBufferSize];
    const std::string terminated(path);
    // The formats are the constants above: at most one %s followed by at most one %X.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::snprintf(text, sizeof text, format, terminated.c_str(), code);
#pragma GCC diagnostic pop
    // A long path is cut to the buffer, but never inside a character.
    if (length >= static_cast<int>(sizeof text)) text[platform::completeLength(text)] = '\0';
    return text;
}

void show(platform::WindowHandle owner, const char* text, std::string_view path, unsigned code) {
    platform::messageBox(owner, format(text, path, code), kTitle);
}

}  // namespace tags::msg
