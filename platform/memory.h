// How the process keeps memory it has freed.
#pragma once

namespace platform {

// Keeps freed memory in the process instead of handing it back to the
// system: a walk reads a tag of the same size file after file (a cover of a
// few hundred kilobytes), and memory handed back is faulted in again, page by
// page, for the next file.
void keepFreedMemory();

}  // namespace platform
