// Soft and full removal take exactly the bytes before the audio.
#include "fuzz/harness.h"
#include "tests/invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (int soft : {1, 0}) fuzzing::require(invariants::checkRemoval(fuzzing::inputFile({data, size}), soft));
    return 0;
}
