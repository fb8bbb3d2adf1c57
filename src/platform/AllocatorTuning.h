#pragma once

namespace velkor::platform {

// Caps the C library's heap at two arenas. Every engine brings a reading thread of its own, and a
// new thread may claim a fresh arena whose touched pages then stay resident after the thread has
// ended: over a long series of engine games the program would grow by an arena's worth at a time
// although it holds no more data. The program's threads allocate little and rarely at once, so
// two arenas cost nothing in speed. Call first thing in main().
void limitAllocatorArenas();

} // namespace velkor::platform
