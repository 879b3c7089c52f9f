#include "platform/secure_random.h"

#include <sys/random.h>

#include <cerrno>

#include "platform/file.h"

namespace zv {

bool secureRandom(void* buffer, size_t size, std::string& error) {
  auto* out = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    // getrandom blocks until the kernel's pool is seeded, then never fails
    // for sizes up to 256 bytes except on a signal.
    const ssize_t got = getrandom(out, size, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      error = "no secure random source: " + lastErrorText();
      return false;
    }
    out += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace zv
