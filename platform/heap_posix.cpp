#include "platform/heap.h"

#include <cstdlib>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace zv {

void returnLargeBlocksToTheSystem() {
#if defined(__GLIBC__)
  // glibc serves blocks above a threshold with mmap, but raises the
  // threshold to the size of every such block freed, after which those
  // blocks stay in the per-thread arenas. A fixed threshold keeps it where
  // it is.
  (void)mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

}  // namespace zv
