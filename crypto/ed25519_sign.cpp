#include "crypto/ed25519.h"

#include <cstring>

#include "crypto/ed25519_group.h"
#include "crypto/ed25519_scalar.h"
#include "crypto/sha512.h"

namespace zv {
namespace {

using ed25519::Fe;
using ed25519::Point;

void conditionalCopy(Fe& to, const Fe& from, int32_t mask) {
  for (int i = 0; i < 10; ++i) to.limb[i] ^= mask & (to.limb[i] ^ from.limb[i]);
}

// table[index] read without a secret-dependent address: every entry is
// touched and all but one masked away.
Point lookup(const Point table[16], unsigned index) {
  Point out = table[0];
  for (unsigned i = 1; i < 16; ++i) {
    const int32_t mask = -static_cast<int32_t>(((i ^ index) - 1u) >> 31);  // all ones when i == index
    conditionalCopy(out.x, table[i].x, mask);
    conditionalCopy(out.y, table[i].y, mask);
    conditionalCopy(out.z, table[i].z, mask);
    conditionalCopy(out.t, table[i].t, mask);
  }
  return out;
}

// scalar * B, four bits at a time; the addition is complete, so adding the
// identity for a zero nibble is correct and costs the same as any other.
Point multiplyBase(const uint8_t scalar[32]) {
  static const auto table = [] {
    struct Table { Point p[16]; } t;
    t.p[0] = ed25519::identity();
    for (int i = 1; i < 16; ++i) t.p[i] = ed25519::add(t.p[i - 1], ed25519::basePoint());
    return t;
  }();
  Point r = ed25519::identity();
  for (int i = 63; i >= 0; --i) {
    for (int k = 0; k < 4; ++k) r = ed25519::twice(r);
    r = ed25519::add(r, lookup(table.p, (scalar[i >> 1] >> (4 * (i & 1))) & 15u));
  }
  return r;
}

struct ExpandedKey {
  uint8_t scalar[32];
  uint8_t prefix[32];
  uint8_t publicKey[32];
};

ExpandedKey expand(const uint8_t seed[32]) {
  uint8_t digest[64];
  Sha512 hash;
  hash.update(seed, 32);
  hash.final(digest);
  ExpandedKey key;
  std::memcpy(key.scalar, digest, 32);
  std::memcpy(key.prefix, digest + 32, 32);
  key.scalar[0] &= 248;
  key.scalar[31] &= 127;
  key.scalar[31] |= 64;
  ed25519::encodePoint(key.publicKey, multiplyBase(key.scalar));
  return key;
}

}  // namespace

void ed25519PublicKey(const uint8_t seed[32], uint8_t publicKey[32]) {
  std::memcpy(publicKey, expand(seed).publicKey, 32);
}

void ed25519Sign(const uint8_t seed[32], const uint8_t* message, size_t length, uint8_t signature[64]) {
  const ExpandedKey key = expand(seed);
  uint8_t digest[64];
  Sha512 hash;
  hash.update(key.prefix, 32);
  hash.update(message, length);
  hash.final(digest);
  uint8_t nonce[32];
  ed25519::scalarReduce(digest, nonce);
  ed25519::encodePoint(signature, multiplyBase(nonce));

  hash.update(signature, 32);
  hash.update(key.publicKey, 32);
  hash.update(message, length);
  hash.final(digest);
  uint8_t challenge[32];
  ed25519::scalarReduce(digest, challenge);
  ed25519::scalarMultiplyAdd(challenge, key.scalar, nonce, signature + 32);
}

}  // namespace zv
