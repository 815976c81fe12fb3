// V2Tag::read on any file: no crash, no leak, no undefined behaviour.
#include "fuzz/harness.h"
#include "tags/v2tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzzing::inputFile({data, size});
    tags::V2Tag tag;
    fuzzing::requireMessageOnFailure(tag.read(path.c_str()));
    tag.freeFields(tags::kAllFields);
    return 0;
}
