#pragma once
// Scalars modulo the group order L = 2^252 + 27742317777372353535851937790883648493.
// Both run in constant time: signing feeds them the secret nonce and key.

#include <cstdint>

namespace zv::ed25519 {

// wide (512 bits, little-endian) modulo L, as 32 little-endian bytes.
void scalarReduce(const uint8_t wide[64], uint8_t scalar[32]);

// (a * b + c) mod L, with 256-bit little-endian inputs.
void scalarMultiplyAdd(const uint8_t a[32], const uint8_t b[32], const uint8_t c[32], uint8_t out[32]);

}  // namespace zv::ed25519
