#pragma once
// Ed25519 signature verification (RFC 8032). The launcher only verifies;
// there is no signing or key generation here.

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

}  // namespace zv
