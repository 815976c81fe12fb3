#pragma once

#include <string>

namespace tags {

// The result of every tag file operation. 1 and 2 are ordinary outcomes (the
// file has no tag of that kind); 3, 4 and some 5s come with a message.
enum TagResult : int {
    TagSuccess = 0,
    TagNoV1Trailer = 1,
    TagNoV2Header = 2,
    TagUnsupportedVersion = 3,
    TagFileError = 4,
    TagOutOfMemory = 5,
};

// What a tag file operation did: its result and, when the user should be
// told, what went wrong, with the file named in it. The engine shows nothing;
// its caller decides who sees the message.
struct [[nodiscard]] TagOutcome {
    TagResult result = TagSuccess;
    std::string message;

    TagOutcome() = default;
    TagOutcome(TagResult r, std::string text = {})
        : result(r), message(std::move(text)) {}  // NOLINT: a result is an outcome

    bool succeeded() const { return result == TagSuccess; }
    friend bool operator==(const TagOutcome& outcome, TagResult r) { return outcome.result == r; }
};

}  // namespace tags
