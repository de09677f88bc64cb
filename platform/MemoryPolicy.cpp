#include "platform/MemoryPolicy.h"

#include <malloc.h>

namespace {

// A software GL bins every triangle of a frame into memory it takes from the
// heap and hands back when the frame's drawing is done. With the C library's
// defaults each hand-back above 128 KiB shrinks the heap and the next frame
// grows it again, and every page of it is faulted in afresh: on a machine
// without a graphics card that churn cost a third of the frame's CPU time.
// Freed memory is therefore kept for reuse (up to what the busiest frame
// needed); large blocks still come from their own mappings.
constexpr int KeptFreeBytes = 256 * 1024 * 1024;
constexpr int OwnMappingBytes = 32 * 1024 * 1024;

} // namespace

void keepFreedMemoryForReuse()
{
    mallopt(M_TRIM_THRESHOLD, KeptFreeBytes);
    mallopt(M_MMAP_THRESHOLD, OwnMappingBytes);
}
