#pragma once

namespace tags {

// The result of every tag file operation. 1 and 2 are ordinary outcomes (the
// file has no tag of that kind); the operation itself reports 3 and 4 to the user.
enum TagResult : int {
    TagSuccess = 0,
    TagNoV1Trailer = 1,
    TagNoV2Header = 2,
    TagUnsupportedVersion = 3,
    TagFileError = 4,
    TagOutOfMemory = 5,
};

}  // namespace tags
