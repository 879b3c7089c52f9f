#include "updater/busy_server.h"

#include <algorithm>

namespace zv {

unsigned queueWaitSeconds(unsigned waits, uint64_t nanoseconds) {
  const unsigned base = std::min(5u << std::min(waits, 3u), 30u);
  return base + static_cast<unsigned>(nanoseconds % 5);
}

}  // namespace zv
