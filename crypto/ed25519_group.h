#pragma once
// Points of the Ed25519 curve -x^2 + y^2 = 1 + d x^2 y^2 in extended
// coordinates (x = X/Z, y = Y/Z, x*y = T/Z), as far as verification needs them.

#include <cstdint>

#include "crypto/ed25519_field.h"

namespace zv::ed25519 {

struct Point {
  Fe x, y, z, t;
};

Point identity();
Point basePoint();

// The standard decompression: y from bits 0..254 (values from p up are taken
// modulo p), x recovered from y with bit 255 choosing its sign. False only
// when x^2 has no square root.
[[nodiscard]] bool decodePoint(const uint8_t bytes[32], Point& point);
// The standard (canonical) 32-byte encoding.
void encodePoint(uint8_t bytes[32], const Point& point);

Point add(const Point& p, const Point& q);
Point twice(const Point& p);
Point negate(const Point& p);

// a*p + b*q for 256-bit little-endian scalars. Not constant-time: it only
// ever sees public values.
Point doubleScalarMultiply(const uint8_t a[32], const Point& p, const uint8_t b[32], const Point& q);

}  // namespace zv::ed25519
