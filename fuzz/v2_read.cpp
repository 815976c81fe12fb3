// V2Tag::parse on any bytes: no crash, no leak, no undefined behaviour.
#include "fuzz/harness.h"
#include "tags/v2tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tags::V2Tag tag;
    fuzzing::requireMessageOnFailure(tag.parse({data, size}, "input.mp3"));
    tag.freeFields(tags::kAllFields);
    return 0;
}
