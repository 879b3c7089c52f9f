#include "crypto/ed25519_field.h"

namespace zv::ed25519 {
namespace {

constexpr int kBits[10] = {26, 25, 26, 25, 26, 25, 26, 25, 26, 25};

// Moves everything above each limb's width into the next limb; what leaves the
// top limb is worth 2^255 = 19 (mod p) and goes back into limb 0. Shifts of
// negative values round down, so the limbs end up non-negative, limb 0 apart.
void carryRound(int64_t h[10]) {
#pragma GCC unroll 10
  for (int i = 0; i < 10; ++i) {
    const int64_t c = h[i] >> kBits[i];
    h[i] -= c * (int64_t{1} << kBits[i]);
    if (i < 9) {
      h[i + 1] += c;
    } else {
      h[0] += 19 * c;
    }
  }
}

// Inputs up to 2^62 in magnitude. One more step after the round settles limb
// 0, leaving every limb in [-1, 2^26 + 2^15).
Fe carry(int64_t h[10]) {
  carryRound(h);
  const int64_t c = h[0] >> 26;
  h[0] -= c * (int64_t{1} << 26);
  h[1] += c;
  Fe r;
  for (int i = 0; i < 10; ++i) r.limb[i] = static_cast<int32_t>(h[i]);
  return r;
}

}  // namespace

Fe feFromSmall(int32_t value) {
  Fe r{};
  r.limb[0] = value;
  return r;
}

Fe feFromBytes(const uint8_t bytes[32]) {
  Fe r;
  uint64_t pending = 0;
  int pendingBits = 0;
  int next = 0;
  for (int i = 0; i < 10; ++i) {
    while (pendingBits < kBits[i]) {
      pending |= uint64_t{bytes[next++]} << pendingBits;
      pendingBits += 8;
    }
    // The last limb's mask drops bit 255.
    r.limb[i] = static_cast<int32_t>(pending & ((uint64_t{1} << kBits[i]) - 1));
    pending >>= kBits[i];
    pendingBits -= kBits[i];
  }
  return r;
}

void feToBytes(uint8_t bytes[32], const Fe& value) {
  int64_t h[10];
  for (int i = 0; i < 10; ++i) h[i] = value.limb[i];
  // Two carry passes bring every limb into [0, 2^width): the first leaves at
  // most a small fold-back in limb 0, the second absorbs it. The value is
  // then below 2^255.
  carryRound(h);
  carryRound(h);
  // Subtract p once if the value is p or more, i.e. if value + 19 reaches 2^255.
  int64_t q = (h[0] + 19) >> 26;
  for (int i = 1; i < 10; ++i) q = (h[i] + q) >> kBits[i];
  h[0] += 19 * q;
  for (int i = 0; i < 9; ++i) {
    const int64_t c = h[i] >> kBits[i];
    h[i] -= c * (int64_t{1} << kBits[i]);
    h[i + 1] += c;
  }
  h[9] &= (int64_t{1} << 25) - 1;  // drops the 2^255 that q stood for

  uint64_t pending = 0;
  int pendingBits = 0;
  int next = 0;
  for (int i = 0; i < 10; ++i) {
    pending |= static_cast<uint64_t>(h[i]) << pendingBits;
    pendingBits += kBits[i];
    while (pendingBits >= 8) {
      bytes[next++] = static_cast<uint8_t>(pending);
      pending >>= 8;
      pendingBits -= 8;
    }
  }
  bytes[31] = static_cast<uint8_t>(pending);  // the last 7 bits
}

Fe operator+(const Fe& a, const Fe& b) {
  int64_t h[10];
  for (int i = 0; i < 10; ++i) h[i] = int64_t{a.limb[i]} + b.limb[i];
  return carry(h);
}

Fe operator-(const Fe& a, const Fe& b) {
  int64_t h[10];
  for (int i = 0; i < 10; ++i) h[i] = int64_t{a.limb[i]} - b.limb[i];
  return carry(h);
}

Fe operator-(const Fe& a) { return Fe{} - a; }

Fe operator*(const Fe& a, const Fe& b) {
  // Limb i times limb j has weight 2^(w_i + w_j), which is w_(i+j), doubled
  // when both are odd (two 25-bit limbs round up twice); at i + j >= 10 it
  // wraps around as 2^255 = 19. Each limb sums ten products of at most 2^57.3.
  int64_t b19[10];
  for (int j = 0; j < 10; ++j) b19[j] = 19 * int64_t{b.limb[j]};
  int64_t h[10] = {};
#pragma GCC unroll 10
  for (int i = 0; i < 10; ++i) {
    const int64_t ai = a.limb[i];
    const int64_t aiForOddJ = (i & 1) ? 2 * ai : ai;
    int j = 0;
    for (; j < 10 - i; ++j) h[i + j] += ((j & 1) ? aiForOddJ : ai) * b.limb[j];
    for (; j < 10; ++j) h[i + j - 10] += ((j & 1) ? aiForOddJ : ai) * b19[j];
  }
  return carry(h);
}

Fe feSquare(const Fe& a) {
  // As the product, with each pair of distinct limbs taken once, doubled.
  int64_t a19[10];
  for (int j = 0; j < 10; ++j) a19[j] = 19 * int64_t{a.limb[j]};
  int64_t h[10] = {};
#pragma GCC unroll 10
  for (int i = 0; i < 10; ++i) {
    const int64_t ai = a.limb[i];
    const int64_t diagonal = ai * ((i & 1) ? 2 * ai : ai);
    if (2 * i < 10) {
      h[2 * i] += diagonal;
    } else {
      h[2 * i - 10] += 19 * diagonal;
    }
    const int64_t twiceAi = 2 * ai;
    const int64_t twiceAiForOddJ = (i & 1) ? 4 * ai : twiceAi;
    int j = i + 1;
    for (; j < 10 - i; ++j) h[i + j] += ((j & 1) ? twiceAiForOddJ : twiceAi) * a.limb[j];
    for (; j < 10; ++j) h[i + j - 10] += ((j & 1) ? twiceAiForOddJ : twiceAi) * a19[j];
  }
  return carry(h);
}

namespace {

Fe squareTimes(Fe a, int times) {
  for (int i = 0; i < times; ++i) a = feSquare(a);
  return a;
}

// z^(2^250 - 1), and z^11 on the way: the common stem of the exponents
// p - 2 = 2^255 - 21, (p - 5)/8 = 2^252 - 3 and (p - 1)/4 = 2^253 - 5.
Fe powTwo250MinusOne(const Fe& z, Fe& z11) {
  const Fe z2 = feSquare(z);
  const Fe z9 = squareTimes(z2, 2) * z;
  z11 = z9 * z2;
  const Fe e5 = feSquare(z11) * z9;  // exponent 2^5 - 1
  const Fe e10 = squareTimes(e5, 5) * e5;
  const Fe e20 = squareTimes(e10, 10) * e10;
  const Fe e40 = squareTimes(e20, 20) * e20;
  const Fe e50 = squareTimes(e40, 10) * e10;
  const Fe e100 = squareTimes(e50, 50) * e50;
  const Fe e200 = squareTimes(e100, 100) * e100;
  return squareTimes(e200, 50) * e50;
}

}  // namespace

Fe feInvert(const Fe& a) {
  Fe a11;
  const Fe stem = powTwo250MinusOne(a, a11);
  return squareTimes(stem, 5) * a11;
}

Fe fePowP58(const Fe& a) {
  Fe a11;
  const Fe stem = powTwo250MinusOne(a, a11);
  return squareTimes(stem, 2) * a;
}

Fe feSqrtMinusOne() {
  const Fe two = feFromSmall(2);
  Fe unused;
  return squareTimes(powTwo250MinusOne(two, unused), 3) * feFromSmall(8);
}

bool feEqual(const Fe& a, const Fe& b) {
  uint8_t bytes[32];
  feToBytes(bytes, a - b);
  uint8_t any = 0;
  for (uint8_t byte : bytes) any |= byte;
  return any == 0;
}

bool feIsNegative(const Fe& a) {
  uint8_t bytes[32];
  feToBytes(bytes, a);
  return (bytes[0] & 1) != 0;
}

}  // namespace zv::ed25519
