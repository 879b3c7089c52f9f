#pragma once
// How long to stay away from a busy update server (HTTP 503 and 429, which
// the fetcher reports as FailureKind::BusyServer).

#include <cstdint>

namespace zv {

// At most this many waits are spent on one request (about half an hour).
inline constexpr unsigned kMaxQueueWaits = 60;

// Seconds to wait before repeating a request that has already waited
// `waits` times: 5, 10, 20, then 30 for every later wait, plus 0 to 4
// seconds of jitter (nanoseconds modulo 5) so that the players a busy server
// turned away do not all come back at the same moment.
unsigned queueWaitSeconds(unsigned waits, uint64_t nanoseconds);

}  // namespace zv
