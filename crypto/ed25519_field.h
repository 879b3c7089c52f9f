#pragma once
// Arithmetic modulo p = 2^255 - 19 for Ed25519 verification.
//
// An element is ten signed limbs of alternately 26 and 25 bits (limb i has
// weight 2^ceil(25.5 i)), so products of two limbs fit in 64 bits on 32-bit
// processors too. Every operation returns limbs within about 2^26 in
// magnitude; values need not be fully reduced until they are encoded.

#include <cstdint>

namespace zv::ed25519 {

struct Fe {
  int32_t limb[10];
};

// A small non-negative constant (below 2^26).
Fe feFromSmall(int32_t value);
// Little-endian bytes; bit 255 is ignored and values from p up to 2^255 - 1
// are taken modulo p.
Fe feFromBytes(const uint8_t bytes[32]);
// The unique encoding in 0 .. p - 1, little-endian.
void feToBytes(uint8_t bytes[32], const Fe& value);

Fe operator+(const Fe& a, const Fe& b);
Fe operator-(const Fe& a, const Fe& b);
Fe operator-(const Fe& a);
Fe operator*(const Fe& a, const Fe& b);

Fe feSquare(const Fe& a);  // a * a, faster

Fe feInvert(const Fe& a);  // a^(p-2); 0 gives 0
// a^((p-5)/8), the heart of the square root in point decoding.
Fe fePowP58(const Fe& a);
// 2^((p-1)/4), a square root of -1.
Fe feSqrtMinusOne();

bool feEqual(const Fe& a, const Fe& b);
// The low bit of the reduced value: the "sign" of x in point encodings.
bool feIsNegative(const Fe& a);

}  // namespace zv::ed25519
