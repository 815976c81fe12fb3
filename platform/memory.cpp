#include "platform/memory.h"

#include <malloc.h>

namespace platform {
namespace {

// Blocks up to this size come from the heap, not from a mapping of their own.
constexpr int kLargestHeapBlock = 32 * 1024 * 1024;
// Free memory at the heap's top up to this much stays with the process.
constexpr int kKeptAtTop = 64 * 1024 * 1024;

}  // namespace

void keepFreedMemory() {
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    mallopt(M_TRIM_THRESHOLD, kKeptAtTop);
}

}  // namespace platform
