// Loading a list file of any contents: at most one entry per 260-byte record,
// each a path of at most 259 bytes.
#include "app/filelist.h"
#include "fuzz/harness.h"
#include "platform/ui/ui.h"
#include "res/resources.h"

namespace {

constexpr std::size_t kRecord = 260;

platform::WindowHandle listBox() {
    static const platform::WindowHandle list = [] {
        const auto window = platform::createDialogParam(
            res::lirvaneModule(), res::kMainDialog, {},
            [](platform::WindowHandle, unsigned, platform::WParam, platform::LParam) { return std::intptr_t{0}; }, 0);
        return platform::getDlgItem(window, res::kFileList);
    }();
    return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzzing::inputFile({data, size}, "input.lv3");
    app::loadFileList({}, path.c_str(), listBox());
    const int count = platform::listGetCount(listBox());
    if (count < 0 || static_cast<std::size_t>(count) > size / kRecord) fuzzing::require("more entries than records");
    for (int i = 0; i < count; ++i) {
        if (platform::listGetText(listBox(), i).size() >= kRecord) fuzzing::require("an entry longer than a record");
    }
    fuzzing::forgetMessages();
    return 0;
}
