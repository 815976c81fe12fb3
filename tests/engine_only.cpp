// A program that uses the tag engine and nothing of the window layer: it is
// linked with the engine alone, so a call into windows would not link. It
// writes, reads and removes a trailer and checks what the engine reports.
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "tags/v1tag.h"

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "engine_only: %s\n", what);
    return 1;
}

}  // namespace

int main() {
    char folder[] = "/tmp/lirvane-engine-XXXXXX";
    if (mkdtemp(folder) == nullptr) return fail("no scratch folder");
    const std::string path = std::string(folder) + "/a.mp3";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fputs("not much audio", file);
        std::fclose(file);
    }
    tags::V1Tag tag;
    std::strcpy(tag.title, "Alone");
    const bool written = tag.write(path.c_str(), tags::kAllFields).succeeded();
    tags::V1Tag read;
    const bool readBack = read.read(path.c_str()).succeeded() && std::strcmp(read.title, "Alone") == 0;
    const bool removed = read.remove(path.c_str(), 0).succeeded();
    const tags::TagOutcome missing = read.read((std::string(folder) + "/missing.mp3").c_str());
    std::remove(path.c_str());
    ::rmdir(folder);
    if (!written || !readBack || !removed) return fail("the trailer did not go in and out");
    if (missing.result != tags::TagFileError || missing.message.find("missing.mp3") == std::string::npos) {
        return fail("a file that cannot be opened is not reported by name");
    }
    return 0;
}
