#include "crypto/sha512.h"

namespace zv {
namespace {

constexpr uint64_t kRoundConstants[80] = {
    0x428a2f98d728ae22, 0x7137449123ef65cd, 0xb5c0fbcfec4d3b2f, 0xe9b5dba58189dbbc,
    0x3956c25bf348b538, 0x59f111f1b605d019, 0x923f82a4af194f9b, 0xab1c5ed5da6d8118,
    0xd807aa98a3030242, 0x12835b0145706fbe, 0x243185be4ee4b28c, 0x550c7dc3d5ffb4e2,
    0x72be5d74f27b896f, 0x80deb1fe3b1696b1, 0x9bdc06a725c71235, 0xc19bf174cf692694,
    0xe49b69c19ef14ad2, 0xefbe4786384f25e3, 0x0fc19dc68b8cd5b5, 0x240ca1cc77ac9c65,
    0x2de92c6f592b0275, 0x4a7484aa6ea6e483, 0x5cb0a9dcbd41fbd4, 0x76f988da831153b5,
    0x983e5152ee66dfab, 0xa831c66d2db43210, 0xb00327c898fb213f, 0xbf597fc7beef0ee4,
    0xc6e00bf33da88fc2, 0xd5a79147930aa725, 0x06ca6351e003826f, 0x142929670a0e6e70,
    0x27b70a8546d22ffc, 0x2e1b21385c26c926, 0x4d2c6dfc5ac42aed, 0x53380d139d95b3df,
    0x650a73548baf63de, 0x766a0abb3c77b2a8, 0x81c2c92e47edaee6, 0x92722c851482353b,
    0xa2bfe8a14cf10364, 0xa81a664bbc423001, 0xc24b8b70d0f89791, 0xc76c51a30654be30,
    0xd192e819d6ef5218, 0xd69906245565a910, 0xf40e35855771202a, 0x106aa07032bbd1b8,
    0x19a4c116b8d2d0c8, 0x1e376c085141ab53, 0x2748774cdf8eeb99, 0x34b0bcb5e19b48a8,
    0x391c0cb3c5c95a63, 0x4ed8aa4ae3418acb, 0x5b9cca4f7763e373, 0x682e6ff3d6b2b8a3,
    0x748f82ee5defb2fc, 0x78a5636f43172f60, 0x84c87814a1f0ab72, 0x8cc702081a6439ec,
    0x90befffa23631e28, 0xa4506cebde82bde9, 0xbef9a3f7b2c67915, 0xc67178f2e372532b,
    0xca273eceea26619c, 0xd186b8c721c0c207, 0xeada7dd6cde0eb1e, 0xf57d4f7fee6ed178,
    0x06f067aa72176fba, 0x0a637dc5a2c898a6, 0x113f9804bef90dae, 0x1b710b35131c471b,
    0x28db77f523047d84, 0x32caab7b40c72493, 0x3c9ebe0a15c9bebc, 0x431d67c49c100d4c,
    0x4cc5d4becb3e42b6, 0x597f299cfc657e2a, 0x5fcb6fab3ad6faec, 0x6c44198c4a475817,
};

inline uint64_t rotr(uint64_t x, int n) { return (x >> n) | (x << (64 - n)); }

// One expression, which compilers turn into a load and a byte swap.
inline uint64_t loadBigEndian(const uint8_t* p) {
  return uint64_t{p[0]} << 56 | uint64_t{p[1]} << 48 | uint64_t{p[2]} << 40 | uint64_t{p[3]} << 32 |
         uint64_t{p[4]} << 24 | uint64_t{p[5]} << 16 | uint64_t{p[6]} << 8 | p[7];
}

// One round. The eight working words rotate by one place each round; the
// caller passes them in rotated order instead of moving them, so only d and
// h change here.
inline void round(uint64_t a, uint64_t b, uint64_t c, uint64_t& d, uint64_t e, uint64_t f, uint64_t g,
                  uint64_t& h, uint64_t constantPlusWord) {
  const uint64_t t1 = h + (rotr(e, 14) ^ rotr(e, 18) ^ rotr(e, 41)) + (g ^ (e & (f ^ g))) + constantPlusWord;
  const uint64_t t2 = (rotr(a, 28) ^ rotr(a, 34) ^ rotr(a, 39)) + ((a & b) | (c & (a | b)));
  d += t1;
  h = t1 + t2;
}

void compress(uint64_t state[8], const uint8_t* blocks, size_t count) {
  for (; count > 0; --count, blocks += 128) {
    uint64_t w[16];
    for (int t = 0; t < 16; ++t) w[t] = loadBigEndian(blocks + 8 * t);
    uint64_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint64_t e = state[4], f = state[5], g = state[6], h = state[7];
    // The message schedule in sixteen words, each replaced as the rounds
    // reach it past the first sixteen: all eighty made ahead took 15% longer.
    const auto given = [&w](int t) { return w[t]; };
    const auto next = [&w](int t) {
      const uint64_t x = w[(t + 1) & 15], y = w[(t + 14) & 15];
      const uint64_t s0 = rotr(x, 1) ^ rotr(x, 8) ^ (x >> 7);
      const uint64_t s1 = rotr(y, 19) ^ rotr(y, 61) ^ (y >> 6);
      return w[t & 15] += s0 + w[(t + 9) & 15] + s1;
    };
    // Eight rounds a step, by which the working words are back in their places.
    const auto eightRounds = [&](int t, auto word) {
      round(a, b, c, d, e, f, g, h, kRoundConstants[t] + word(t));
      round(h, a, b, c, d, e, f, g, kRoundConstants[t + 1] + word(t + 1));
      round(g, h, a, b, c, d, e, f, kRoundConstants[t + 2] + word(t + 2));
      round(f, g, h, a, b, c, d, e, kRoundConstants[t + 3] + word(t + 3));
      round(e, f, g, h, a, b, c, d, kRoundConstants[t + 4] + word(t + 4));
      round(d, e, f, g, h, a, b, c, kRoundConstants[t + 5] + word(t + 5));
      round(c, d, e, f, g, h, a, b, kRoundConstants[t + 6] + word(t + 6));
      round(b, c, d, e, f, g, h, a, kRoundConstants[t + 7] + word(t + 7));
    };
    for (int t = 0; t < 16; t += 8) eightRounds(t, given);
    for (int t = 16; t < 80; t += 8) eightRounds(t, next);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

}  // namespace

void Sha512::init() {
  static constexpr uint64_t kInitial[8] = {0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b,
                                           0xa54ff53a5f1d36f1, 0x510e527fade682d1, 0x9b05688c2b3e6c1f,
                                           0x1f83d9abfb41bd6b, 0x5be0cd19137e2179};
  for (int i = 0; i < 8; ++i) state_[i] = kInitial[i];
  buffer_.reset();
}

void Sha512::update(const void* data, size_t length) {
  buffer_.add(static_cast<const uint8_t*>(data), length,
              [this](const uint8_t* blocks, size_t count) { compress(state_, blocks, count); });
}

void Sha512::final(uint8_t digest[kDigestSize]) {
  buffer_.finish([this](const uint8_t* blocks, size_t count) { compress(state_, blocks, count); });
  for (int i = 0; i < 8; ++i) {
    for (int b = 0; b < 8; ++b) digest[8 * i + b] = static_cast<uint8_t>(state_[i] >> (56 - 8 * b));
  }
  init();
}

}  // namespace zv
