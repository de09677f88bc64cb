#pragma once
// How the C library's heap hands memory back, which holds for the whole
// process: set once by a program's main (the game's, a benchmark's), before
// anything allocates much, never by a part of the game behind its back.

// Freed memory is kept for reuse rather than returned to the system after
// every frame (see MemoryPolicy.cpp for why).
void keepFreedMemoryForReuse();
