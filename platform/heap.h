#pragma once
// How the C library's heap gives memory back to the operating system.

namespace zv {

// Makes large blocks (a chunk buffer of some MiB) come straight from the
// operating system and go back to it when freed. A download pass runs a
// worker per transfer; a heap that kept each worker's largest freed blocks
// for later would hold several of them per worker for the rest of the
// process. Called once at start, before any thread.
void returnLargeBlocksToTheSystem();

}  // namespace zv
