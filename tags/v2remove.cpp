#include "tags/journal.h"
#include "tags/messages.h"
#include "tags/rewrite.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace tags {

TagOutcome V2Tag::remove(const char* path, int soft) {
    TagFile file;
    file.open(path, true);
    return remove(file, soft);
}

TagOutcome V2Tag::remove(TagFile& file, int soft) {
    if (TagOutcome open = file.ready(true, msg::kOpenForReadWrite); !open.succeeded()) return open;
    const char* path = file.path();
    v2::TagExtent extent;
    if (TagOutcome measured = v2::measureTag(path, file.head(), true, extent); !measured.succeeded()) return measured;
    // The whole tag of any version goes, and never a byte of the audio.
    if (!soft) {
        const KeptRange audio{extent.tagEnd, extent.fileLength - extent.tagEnd};
        file.replaced();
        return rewriteFile(path, file.file(), audio, msg::kTempForReadWrite);
    }
    const bool zeroed = zeroRange(file.file(), 0, extent.tagEnd);
    file.wrote();
    if (!zeroed) return msg::failure(TagFileError, msg::kWriteFailed, path);
    return TagSuccess;
}

}  // namespace tags
