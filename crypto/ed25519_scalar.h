#pragma once
// Scalars modulo the group order L = 2^252 + 27742317777372353535851937790883648493.

#include <cstdint>

namespace zv::ed25519 {

// wide (512 bits, little-endian) modulo L, as 32 little-endian bytes.
void scalarReduce(const uint8_t wide[64], uint8_t scalar[32]);

}  // namespace zv::ed25519
