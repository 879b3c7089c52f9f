// ed25519Verify on arbitrary input, held against libsodium. Our acceptance
// rules are looser than libsodium's in known ways (S at or above the group
// order, keys encoded with y >= p, small-order keys or R); apart from those
// the two must agree.
//
// Input: a mode byte, then
//   even mode: signature (64), key (32), message (rest), used as they are;
//   odd mode:  seed (32), a choice byte, message (rest): libsodium signs the
//              message, and the choice byte may add the group order to S or
//              flip one bit of the signature or key before the comparison.

#include <sodium.h>

#include <cstdlib>
#include <cstring>

#include "crypto/ed25519.h"

namespace {

constexpr uint8_t kOrder[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                0xa2, 0xde, 0xf9, 0xde, 0x14, 0,    0,    0,    0,    0,    0,
                                0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};

bool sAtLeastOrder(const uint8_t* s) {
  unsigned char wide[64] = {}, reduced[32];
  std::memcpy(wide, s, 32);
  crypto_core_ed25519_scalar_reduce(reduced, wide);
  return std::memcmp(reduced, s, 32) != 0;
}

// libsodium refuses points of small order and encodings with y >= p, which
// we accept; it also refuses points outside the main subgroup, which both
// treat alike, so this excuses a little more than it must.
bool refusedPoint(const uint8_t* encoding) { return crypto_core_ed25519_is_valid_point(encoding) == 0; }

void compare(const uint8_t* signature, const uint8_t* key, const uint8_t* message, size_t length) {
  const bool ours = zv::ed25519Verify(signature, message, length, key) == 1;
  const bool theirs = crypto_sign_verify_detached(signature, message, length, key) == 0;
  if (theirs && !ours) std::abort();
  if (ours && !theirs && !sAtLeastOrder(signature + 32) && !refusedPoint(key) && !refusedPoint(signature)) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (sodium_init() < 0) std::abort();
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;
  if ((mode & 1) == 0) {
    if (size < 96) return 0;
    compare(data, data + 64, data + 96, size - 96);
    return 0;
  }
  if (size < 33) return 0;
  uint8_t key[32], secret[64], signature[64];
  crypto_sign_seed_keypair(key, secret, data);
  const uint8_t choice = data[32];
  const uint8_t* message = data + 33;
  const size_t length = size - 33;
  crypto_sign_detached(signature, nullptr, message, length, secret);
  if (zv::ed25519Verify(signature, message, length, key) != 1) std::abort();
  if (choice == 0) {
    unsigned carry = 0;
    for (int i = 0; i < 32; ++i) {
      carry += signature[32 + i] + kOrder[i];
      signature[32 + i] = static_cast<uint8_t>(carry);
      carry >>= 8;
    }
    if (zv::ed25519Verify(signature, message, length, key) != 1) std::abort();
  } else if (choice < 128) {
    signature[choice % 64] ^= static_cast<uint8_t>(1 << (mode >> 5));
  } else {
    key[choice % 32] ^= static_cast<uint8_t>(1 << (mode >> 5));
  }
  compare(signature, key, message, length);
  return 0;
}
