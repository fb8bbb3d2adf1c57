#include "AllocatorTuning.h"

#include <malloc.h>

namespace velkor::platform {

void limitAllocatorArenas() {
    // A refusal leaves the default in place, which is only larger, never wrong.
    mallopt(M_ARENA_MAX, 2);
}

} // namespace velkor::platform
