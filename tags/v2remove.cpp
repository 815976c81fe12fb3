#include "tags/journal.h"
#include "tags/messages.h"
#include "tags/rewrite.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace tags {

TagOutcome V2Tag::remove(const char* path, int soft) {
    platform::File file;
    if (openTagFile(file, path, platform::Access::ReadWrite) != 0)
        return msg::failure(TagFileError, msg::kOpenForReadWrite, path);
    FileHead head(file, *file.size());
    v2::TagExtent extent;
    if (TagOutcome measured = v2::measureTag(path, head, true, extent); !measured.succeeded()) return measured;
    // The whole tag of any version goes, and never a byte of the audio.
    if (!soft) {
        return rewriteFile(path, file, {extent.tagEnd, extent.fileLength - extent.tagEnd}, msg::kTempForReadWrite);
    }
    if (!zeroRange(file, 0, extent.tagEnd)) return msg::failure(TagFileError, msg::kWriteFailed, path);
    return TagSuccess;
}

}  // namespace tags
