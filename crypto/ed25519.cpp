#include "crypto/ed25519.h"

#include "crypto/ed25519_group.h"
#include "crypto/ed25519_scalar.h"
#include "crypto/sha512.h"

namespace zv {

int ed25519Verify(const uint8_t signature[64], const uint8_t* message, size_t length,
                  const uint8_t publicKey[32]) {
  using namespace ed25519;
  const uint8_t* r = signature;
  const uint8_t* s = signature + 32;
  if ((s[31] & 0xE0) != 0) return 0;

  Point a;
  if (!decodePoint(publicKey, a)) return 0;

  // h = SHA-512(R || A || M) mod L, with A's bytes exactly as given.
  Sha512 sha;
  sha.update(r, 32);
  sha.update(publicKey, 32);
  sha.update(message, length);
  uint8_t wide[Sha512::kDigestSize];
  sha.final(wide);
  uint8_t h[32];
  scalarReduce(wide, h);

  uint8_t expected[32];
  encodePoint(expected, doubleScalarMultiply(s, basePoint(), h, negate(a)));
  uint8_t difference = 0;
  for (int i = 0; i < 32; ++i) difference |= expected[i] ^ r[i];
  return difference == 0 ? 1 : 0;
}

}  // namespace zv
