#include "platform/ui/gui/metrics.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace platform::gui {
namespace {

constexpr double kLeastOverride = 0.5;
constexpr double kMostOverride = 8.0;
constexpr int kSettingsDpiUnit = 1024;
constexpr int kMostWindowScale = 8;

std::optional<double> number(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    return value;
}

}  // namespace

int averageCharWidth(int widthOfLetters) {
    constexpr int kLetters = 26;
    return (widthOfLetters / kLetters + 1) / 2;
}

int dialogDpi(const ResolutionSources& sources) {
    if (const std::optional<double> factor = number(sources.override);
        factor && *factor >= kLeastOverride && *factor <= kMostOverride) {
        return static_cast<int>(std::lround(*factor * kScreenDpi));
    }
    int dpi = kScreenDpi;
    if (sources.resourceDpi) dpi = std::max(dpi, *sources.resourceDpi);
    if (sources.settingsDpi) dpi = std::max(dpi, *sources.settingsDpi / kSettingsDpiUnit);
    const std::optional<double> windowScale = number(sources.windowScale);
    for (const std::optional<double> scale : {windowScale, std::optional<double>(sources.settingsScale)}) {
        if (scale && *scale >= 1 && *scale <= kMostWindowScale)
            dpi = std::max(dpi, static_cast<int>(*scale) * kScreenDpi);
    }
    return dpi;
}

std::optional<int> resourceInteger(std::string_view resources, std::string_view name) {
    while (!resources.empty()) {
        const std::size_t end = std::min(resources.find('\n'), resources.size());
        const std::string_view line = resources.substr(0, end);
        resources.remove_prefix(std::min(end + 1, resources.size()));
        if (line.size() <= name.size() || line.substr(0, name.size()) != name || line[name.size()] != ':') continue;
        if (const std::optional<double> value = number(line.substr(name.size() + 1))) return static_cast<int>(*value);
    }
    return std::nullopt;
}

}  // namespace platform::gui
