#pragma once
// Ed25519 (RFC 8032): signature verification for the launcher, key
// derivation and signing for the builder where libsodium is missing.

#include <cstddef>
#include <cstdint>

namespace zv {

// 1 when signature (R then S, 64 bytes) is valid for message under publicKey
// (32 bytes), else 0. Acceptance rules:
//  - S is only checked for its top three bits (byte 63 & 0xE0 must be 0); an
//    S at or above the group order is not rejected.
//  - The key fails only when its x has no square root; a y encoded at or
//    above p is taken modulo p, and small-order keys are accepted.
//  - R is never decoded: S*B - h*A is encoded and compared with all 32 bytes
//    of R, without stopping at the first difference. No cofactor.
[[nodiscard]] int ed25519Verify(const uint8_t signature[64], const uint8_t* message, size_t length,
                                const uint8_t publicKey[32]);

// The public key of a 32-byte secret seed, and the signature of message
// under it. Everything that touches the secret runs in constant time: the
// base-point multiplication looks up its table without secret-dependent
// branches or addresses, and the scalar arithmetic has fixed loops.
void ed25519PublicKey(const uint8_t seed[32], uint8_t publicKey[32]);
void ed25519Sign(const uint8_t seed[32], const uint8_t* message, size_t length, uint8_t signature[64]);

}  // namespace zv
