#include "tags/messages.h"
#include "tags/rewrite.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace tags {

TagResult V2Tag::remove(WindowHandle owner, const char* path, int soft) {
    platform::File file;
    if (file.open(path, platform::Access::ReadWrite) != 0) {
        msg::show(owner, msg::kOpenForReadWrite, path);
        return TagFileError;
    }
    FileHead head(file, *file.size());
    v2::TagExtent extent;
    if (const TagResult result = v2::measureTag(owner, path, head, true, extent); result != TagSuccess) {
        return result;
    }
    if (!soft) {
        return rewriteFile(owner, path, file, {extent.audioStart, extent.fileLength - extent.audioStart}, msg::kTempForReadWrite);
    }
    if (!zeroRange(file, 0, extent.audioStart)) {
        msg::show(owner, msg::kWriteFailed, path);
        return TagFileError;
    }
    return TagSuccess;
}

}  // namespace tags
