#include "tags/messages.h"

#include "platform/text.h"

namespace tags::msg {

std::string format(const char* format, std::string_view path, unsigned code) {
    return platform::formatMessage(format, path, code);
}

TagOutcome failure(TagResult result, const char* text, std::string_view path, unsigned code) {
    return {result, format(text, path, code)};
}

}  // namespace tags::msg
