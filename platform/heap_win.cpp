#include "platform/heap.h"

namespace zv {

// The Windows heap already hands blocks this large to VirtualAlloc and back
// to the system when they are freed.
void returnLargeBlocksToTheSystem() {}

}  // namespace zv
