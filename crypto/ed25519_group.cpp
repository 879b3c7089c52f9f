#include "crypto/ed25519_group.h"

namespace zv::ed25519 {
namespace {

struct CurveConstants {
  Fe d;             // -121665 / 121666
  Fe twoD;
  Fe sqrtMinusOne;  // 2^((p-1)/4)
};

// Worked out once from their definitions rather than written as limbs.
const CurveConstants& curve() {
  static const CurveConstants constants = [] {
    const Fe d = -(feFromSmall(121665) * feInvert(feFromSmall(121666)));
    return CurveConstants{d, d + d, feSqrtMinusOne()};
  }();
  return constants;
}

// 0, p, 2p, ..., 15p.
void multiples(const Point& p, Point table[16]) {
  table[0] = identity();
  for (int i = 1; i < 16; ++i) table[i] = add(table[i - 1], p);
}

int nibbleOf(const uint8_t scalar[32], int i) { return (scalar[i >> 1] >> (4 * (i & 1))) & 15; }

}  // namespace

Point identity() { return {feFromSmall(0), feFromSmall(1), feFromSmall(1), feFromSmall(0)}; }

Point basePoint() {
  // y = 4/5 with even x, a fixed valid encoding.
  static const Point base = [] {
    uint8_t encoding[32];
    encoding[0] = 0x58;
    for (int i = 1; i < 32; ++i) encoding[i] = 0x66;
    Point point;
    (void)decodePoint(encoding, point);
    return point;
  }();
  return base;
}

// x^2 = (y^2 - 1) / (d y^2 + 1); v is never 0 since -1/d is not a square.
// The candidate root is u v^3 (u v^7)^((p-5)/8); when v x^2 comes out as -u
// instead of u, sqrt(-1) times it is the root.
bool decodePoint(const uint8_t bytes[32], Point& point) {
  const CurveConstants& c = curve();
  const Fe one = feFromSmall(1);
  const Fe y = feFromBytes(bytes);
  const Fe yy = feSquare(y);
  const Fe u = yy - one;
  const Fe v = c.d * yy + one;
  const Fe v3 = feSquare(v) * v;
  Fe x = u * v3 * fePowP58(u * feSquare(v3) * v);
  const Fe vxx = v * feSquare(x);
  if (!feEqual(vxx, u)) {
    if (!feEqual(vxx, -u)) return false;
    x = x * c.sqrtMinusOne;
  }
  // With x = 0 both signs give the same point, so the sign bit is not checked.
  if (feIsNegative(x) != ((bytes[31] >> 7) != 0)) x = -x;
  point = {x, y, one, x * y};
  return true;
}

void encodePoint(uint8_t bytes[32], const Point& point) {
  const Fe zInverse = feInvert(point.z);
  const Fe x = point.x * zInverse;
  const Fe y = point.y * zInverse;
  feToBytes(bytes, y);
  if (feIsNegative(x)) bytes[31] |= 0x80;
}

// Unified addition for a = -1 (Hisil, Wong, Carter, Dawson 2008). It is
// complete on this curve, so it also serves for doubling and the identity.
Point add(const Point& p, const Point& q) {
  const Fe a = (p.y - p.x) * (q.y - q.x);
  const Fe b = (p.y + p.x) * (q.y + q.x);
  const Fe c = p.t * curve().twoD * q.t;
  const Fe zz = p.z * q.z;
  const Fe d = zz + zz;
  const Fe e = b - a, f = d - c, g = d + c, h = b + a;
  return {e * f, g * h, f * g, e * h};
}

// Dedicated doubling from the same paper, with the curve's a = -1.
Point twice(const Point& p) {
  const Fe xx = feSquare(p.x);
  const Fe yy = feSquare(p.y);
  const Fe zz = feSquare(p.z);
  const Fe c = zz + zz;
  const Fe e = feSquare(p.x + p.y) - xx - yy;  // 2XY
  const Fe g = yy - xx;              // aX^2 + Y^2
  const Fe f = g - c;
  const Fe h = -(xx + yy);           // aX^2 - Y^2
  return {e * f, g * h, f * g, e * h};
}

Point negate(const Point& p) { return {-p.x, p.y, p.z, -p.t}; }

Point doubleScalarMultiply(const uint8_t a[32], const Point& p, const uint8_t b[32], const Point& q) {
  // Four bits at a time from the top.
  Point pMultiples[16], qMultiples[16];
  multiples(p, pMultiples);
  multiples(q, qMultiples);
  Point r = identity();
  for (int i = 63; i >= 0; --i) {
    for (int k = 0; k < 4; ++k) r = twice(r);
    if (const int n = nibbleOf(a, i)) r = add(r, pMultiples[n]);
    if (const int n = nibbleOf(b, i)) r = add(r, qMultiples[n]);
  }
  return r;
}

}  // namespace zv::ed25519
