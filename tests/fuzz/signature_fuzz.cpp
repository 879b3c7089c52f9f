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

#include "updater/ed25519.h"
#include "updater/ed25519_field.h"
#include "updater/ed25519_group.h"
#include "updater/ed25519_scalar.h"

namespace {

using namespace zv::ed25519;

constexpr uint8_t kOrder[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                0xa2, 0xde, 0xf9, 0xde, 0x14, 0,    0,    0,    0,    0,    0,
                                0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};

bool sAtLeastOrder(const uint8_t* s) {
  uint8_t wide[64] = {}, reduced[32];
  std::memcpy(wide, s, 32);
  scalarReduce(wide, reduced);
  return std::memcmp(reduced, s, 32) != 0;
}

bool yAtLeastP(const uint8_t* encoding) {
  uint8_t y[32], canonical[32];
  std::memcpy(y, encoding, 32);
  y[31] &= 0x7F;
  feToBytes(canonical, feFromBytes(y));
  return std::memcmp(canonical, y, 32) != 0;
}

bool smallOrder(const uint8_t* encoding) {
  Point p;
  if (!decodePoint(encoding, p)) return false;
  const Point eight = twice(twice(twice(p)));
  uint8_t bytes[32], identityBytes[32];
  encodePoint(bytes, eight);
  encodePoint(identityBytes, identity());
  return std::memcmp(bytes, identityBytes, 32) == 0;
}

void compare(const uint8_t* signature, const uint8_t* key, const uint8_t* message, size_t length) {
  const bool ours = zv::ed25519Verify(signature, message, length, key) == 1;
  const bool theirs = crypto_sign_verify_detached(signature, message, length, key) == 0;
  if (theirs && !ours) std::abort();
  if (ours && !theirs && !sAtLeastOrder(signature + 32) && !yAtLeastP(key) && !smallOrder(key) &&
      !smallOrder(signature)) {
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
