#include "crypto/ed25519_scalar.h"

namespace zv::ed25519 {
namespace {

// L as eight little-endian 32-bit words.
constexpr uint32_t kOrder[8] = {0x5cf5d3ed, 0x5812631a, 0xa2f79cd6, 0x14def9de,
                                0x00000000, 0x00000000, 0x00000000, 0x10000000};

bool belowOrder(const uint32_t r[8]) {
  for (int i = 7; i >= 0; --i) {
    if (r[i] != kOrder[i]) return r[i] < kOrder[i];
  }
  return false;
}

}  // namespace

void scalarReduce(const uint8_t wide[64], uint8_t scalar[32]) {
  // Long division one bit at a time from the top: r = 2r + bit, minus L once
  // it reaches L. r stays below L < 2^253, so 2r + 1 fits in 256 bits. Slow
  // by big-number standards, but it runs once per signature.
  uint32_t r[8] = {};
  for (int bit = 511; bit >= 0; --bit) {
    for (int i = 7; i > 0; --i) r[i] = r[i] << 1 | r[i - 1] >> 31;
    r[0] = r[0] << 1 | ((wide[bit >> 3] >> (bit & 7)) & 1);
    if (!belowOrder(r)) {
      uint64_t borrow = 0;
      for (int i = 0; i < 8; ++i) {
        const uint64_t difference = uint64_t{r[i]} - kOrder[i] - borrow;
        r[i] = static_cast<uint32_t>(difference);
        borrow = (difference >> 32) & 1;
      }
    }
  }
  for (int i = 0; i < 32; ++i) scalar[i] = static_cast<uint8_t>(r[i >> 2] >> (8 * (i & 3)));
}

}  // namespace zv::ed25519
