#pragma once
// SHA-512 (FIPS 180-4), needed only inside Ed25519 signature verification.

#include <cstddef>
#include <cstdint>

#include "crypto/block_buffer.h"

namespace zv {

class Sha512 {
 public:
  static constexpr size_t kDigestSize = 64;

  Sha512() { init(); }
  void init();
  void update(const void* data, size_t length);
  // Writes the digest, then starts over.
  void final(uint8_t digest[kDigestSize]);

 private:
  uint64_t state_[8];
  BlockBuffer<128, 16> buffer_;
};

}  // namespace zv
