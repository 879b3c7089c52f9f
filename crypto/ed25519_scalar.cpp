#include "crypto/ed25519_scalar.h"

namespace zv::ed25519 {
namespace {

// L as eight little-endian 32-bit words.
constexpr uint32_t kOrder[8] = {0x5cf5d3ed, 0x5812631a, 0xa2f79cd6, 0x14def9de,
                                0x00000000, 0x00000000, 0x00000000, 0x10000000};

}  // namespace

void scalarReduce(const uint8_t wide[64], uint8_t scalar[32]) {
  // Shift-and-subtract from the top bit, with the subtraction done every
  // step and its result kept or dropped by a mask.
  uint32_t r[9] = {};
  for (int bit = 511; bit >= 0; --bit) {
    for (int i = 8; i > 0; --i) r[i] = r[i] << 1 | r[i - 1] >> 31;
    r[0] = r[0] << 1 | ((wide[bit >> 3] >> (bit & 7)) & 1u);
    uint32_t difference[9];
    uint64_t borrow = 0;
    for (int i = 0; i < 9; ++i) {
      const uint64_t value = static_cast<uint64_t>(r[i]) - (i < 8 ? kOrder[i] : 0) - borrow;
      difference[i] = static_cast<uint32_t>(value);
      borrow = (value >> 63) & 1;
    }
    const uint32_t keep = static_cast<uint32_t>(borrow) - 1u;  // all ones when r >= L
    for (int i = 0; i < 9; ++i) r[i] = (difference[i] & keep) | (r[i] & ~keep);
  }
  for (int i = 0; i < 32; ++i) scalar[i] = static_cast<uint8_t>(r[i >> 2] >> (8 * (i & 3)));
}

void scalarMultiplyAdd(const uint8_t a[32], const uint8_t b[32], const uint8_t c[32], uint8_t out[32]) {
  uint64_t sum[64] = {};
  for (int i = 0; i < 32; ++i) {
    for (int j = 0; j < 32; ++j) sum[i + j] += static_cast<uint64_t>(a[i]) * b[j];
    sum[i] += c[i];
  }
  uint8_t wide[64];
  uint64_t carry = 0;
  for (int i = 0; i < 64; ++i) {
    carry += sum[i];
    wide[i] = static_cast<uint8_t>(carry);
    carry >>= 8;
  }
  scalarReduce(wide, out);
}

}  // namespace zv::ed25519
