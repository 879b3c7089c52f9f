#include "crypto/sha256_compress.h"

namespace zv {

const uint32_t kSha256RoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

namespace {

inline uint32_t rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline uint32_t loadBigEndian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// One round. The caller rotates the roles of the eight words instead of
// moving them: only d and h receive new values.
inline void round(uint32_t a, uint32_t b, uint32_t c, uint32_t& d, uint32_t e, uint32_t f,
                  uint32_t g, uint32_t& h, uint32_t keyedWord) {
  const uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + (g ^ (e & (f ^ g))) + keyedWord;
  const uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) | (c & (a | b)));
  d += t1;
  h = t1 + t2;
}

}  // namespace

void sha256CompressPortable(uint32_t state[8], const uint8_t* blocks, size_t count) {
  for (; count > 0; --count, blocks += 64) {
    // The message schedule lives in a ring of the last 16 words.
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = loadBigEndian(blocks + 4 * i);
    auto keyed = [&w](int t) {
      if (t >= 16) {
        const uint32_t w2 = w[(t - 2) & 15];
        const uint32_t w15 = w[(t - 15) & 15];
        w[t & 15] += (rotr(w2, 17) ^ rotr(w2, 19) ^ (w2 >> 10)) + w[(t - 7) & 15] +
                     (rotr(w15, 7) ^ rotr(w15, 18) ^ (w15 >> 3));
      }
      return w[t & 15] + kSha256RoundConstants[t];
    };
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
#pragma GCC unroll 8
    for (int t = 0; t < 64; t += 8) {
      round(a, b, c, d, e, f, g, h, keyed(t));
      round(h, a, b, c, d, e, f, g, keyed(t + 1));
      round(g, h, a, b, c, d, e, f, keyed(t + 2));
      round(f, g, h, a, b, c, d, e, keyed(t + 3));
      round(e, f, g, h, a, b, c, d, keyed(t + 4));
      round(d, e, f, g, h, a, b, c, keyed(t + 5));
      round(c, d, e, f, g, h, a, b, keyed(t + 6));
      round(b, c, d, e, f, g, h, a, keyed(t + 7));
    }
    state[0] += a; state[1] += b; state[2] += c; state[3] += d;
    state[4] += e; state[5] += f; state[6] += g; state[7] += h;
  }
}

}  // namespace zv
