#pragma once
// The operating system's cryptographically secure random source, for keys.

#include <cstddef>
#include <string>

namespace zv {

// Fills buffer with size random bytes. False, with a message, only when the
// system source is unavailable; the buffer must then not be used.
[[nodiscard]] bool secureRandom(void* buffer, size_t size, std::string& error);

}  // namespace zv
