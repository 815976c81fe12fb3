// Read, write back and read again: the same slots, kept frames and audio.
#include "fuzz/harness.h"
#include "tests/invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::require(invariants::checkRoundTrip(fuzzing::inputFile({data, size})));
    return 0;
}
