#include "platform/secure_random.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdint>

namespace zv {

bool secureRandom(void* buffer, size_t size, std::string& error) {
  auto* out = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    const ULONG take = size > 0x10000000 ? 0x10000000 : static_cast<ULONG>(size);
    const NTSTATUS status = BCryptGenRandom(nullptr, out, take, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (status < 0) {
      error = "no secure random source: BCryptGenRandom failed with status " +
              std::to_string(static_cast<uint32_t>(status));
      return false;
    }
    out += take;
    size -= take;
  }
  return true;
}

}  // namespace zv
