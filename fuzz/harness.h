// Shared by the fuzz harnesses: each input becomes a file in a folder of the
// process's own, which is also the working folder (so temporary files land
// there), and a broken promise stops the run as a crash would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tags/tagresult.h"

namespace fuzzing {

// The harness's folder, also the working folder.
std::string workFolder();

// Writes the input to a file of that name in the harness's folder; its path.
std::string inputFile(std::span<const std::uint8_t> input, std::string_view name = "input.mp3");

// Stops the run with the reason when a check found something.
void require(const std::string& broken);

// Forgets the message boxes shown so far, which are recorded for tests.
void forgetMessages();

// A tag operation that failed (3 or 4) tells its caller why.
void requireMessageOnFailure(const tags::TagOutcome& outcome);

}  // namespace fuzzing
