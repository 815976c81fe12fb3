// The rename's name composition on any pattern and any tags: the pattern's
// items (separated by line feeds) come before the first zero byte of the
// input, the file whose tags are read after it. A composed name gives a path
// in the file's own folder, ending in ".mp3", without a zero byte, no longer
// than a path may be.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "platform/fs.h"
#include "rename/namepattern.h"
#include "rename/renamerun.h"

namespace {

constexpr char kFolder[] = "/music/folder/";
constexpr char kCurrent[] = "/music/folder/song.mp3";

std::vector<std::string> itemsOf(std::string_view text) {
    std::vector<std::string> items;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        items.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* end = std::find(data, data + size, 0);
    const std::vector<std::string> items = itemsOf(std::string_view(reinterpret_cast<const char*>(data), end - data));
    const auto* file = end == data + size ? end : end + 1;
    const std::string path = fuzzing::inputFile({file, static_cast<std::size_t>(data + size - file)});
    tags::V1Tag v1;
    tags::V2Tag v2;
    const renaming::TagReads reads{v1.read(path.c_str()).result, v2.read(path.c_str()).result};
    const std::string name = renaming::composeName(items, v1, v2, reads);
    if (const auto renamed = renaming::renamedPath(kCurrent, name)) {
        const std::string_view rest = std::string_view(*renamed).substr(std::string_view(kFolder).size());
        if (renamed->rfind(kFolder, 0) != 0 || rest.find('/') != std::string_view::npos)
            fuzzing::require("another folder");
        if (renamed->find('\0') != std::string::npos) fuzzing::require("a zero byte in the path");
        if (renamed->size() > platform::kMaxPath || !renamed->ends_with(".mp3"))
            fuzzing::require("a path out of shape");
    }
    v2.freeFields(tags::kAllFields);
    return 0;
}
