#include "walk/report.h"

#include "platform/text.h"
#include "platform/ui/msgbox.h"

namespace walking {

void report(platform::WindowHandle owner, const tags::TagOutcome& outcome) {
    if (!outcome.message.empty()) platform::messageBox(owner, outcome.message, kErrorTitle);
}

void showError(platform::WindowHandle owner, const char* format, std::string_view subject, const char* title) {
    platform::messageBox(owner, platform::formatMessage(format, subject), title);
}

}  // namespace walking
