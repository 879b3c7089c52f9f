#pragma once
// The rules of waiting for a busy update server (HTTP 503 and 429): which
// answers mean "come back later" and how long to stay away.

#include <cstdint>
#include <string_view>

namespace zv {

// At most this many waits are spent on one request (about half an hour).
inline constexpr unsigned kMaxQueueWaits = 60;

// Whether a fetch error says the server is busy: its first 8 bytes are
// "HTTP 503" or "HTTP 429" (getText adds the address after the code,
// download does not; both match).
bool isBusyAnswer(std::string_view fetchError);

// Seconds to wait before repeating a request that has already waited
// `waits` times: 5, 10, 20, then 30 for every later wait, plus 0 to 4
// seconds of jitter (nanoseconds modulo 5) so that the players a busy server
// turned away do not all come back at the same moment.
unsigned queueWaitSeconds(unsigned waits, uint64_t nanoseconds);

}  // namespace zv
