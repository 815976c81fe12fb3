#include "fuzz/harness.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/ui/msgbox.h"
#include "tests/invariants.h"

namespace fuzzing {
namespace {

const std::filesystem::path& folder() {
    static const std::filesystem::path path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "lirvane-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        std::filesystem::current_path(pattern);
        std::atexit([] { std::filesystem::remove_all(folder()); });
        return std::filesystem::path(pattern);
    }();
    return path;
}

}  // namespace

std::string workFolder() { return folder().string(); }

std::string inputFile(std::span<const std::uint8_t> input, std::string_view name) {
    const std::string path = (folder() / name).string();
    if (!invariants::putFile(path, input)) std::abort();
    return path;
}

void require(const std::string& broken) {
    if (broken.empty()) return;
    std::fprintf(stdout, "broken: %s\n", broken.c_str());
    std::fflush(stdout);
    std::abort();
}

void forgetMessages() { platform::clearShownMessageBoxes(); }

void requireMessageOnFailure(const tags::TagOutcome& outcome) {
    const bool failed = outcome.result == tags::TagUnsupportedVersion || outcome.result == tags::TagFileError;
    if (failed && outcome.message.empty()) require("a failure without a message");
}

}  // namespace fuzzing
