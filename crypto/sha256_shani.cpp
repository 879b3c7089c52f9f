#include "crypto/sha256.h"
#include "crypto/sha256_compress.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

// Only these functions are compiled for the SHA extensions, so the program as
// a whole still runs on processors without them. force_align_arg_pointer:
// 32-bit Windows guarantees only 4-byte stack alignment, and spilled vector
// registers need 16.
#define ZV_SHA_TARGET __attribute__((target("sha,ssse3,sse4.1"), force_align_arg_pointer))

namespace zv {
namespace {

// Four rounds; the state is held as the pairs (A,B,E,F) and (C,D,G,H) the
// instructions work on, and the two swap roles after each pair of rounds.
ZV_SHA_TARGET inline void fourRounds(__m128i& abef, __m128i& cdgh, __m128i words, int t) {
  const __m128i keyed = _mm_add_epi32(
      words, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSha256RoundConstants + t)));
  cdgh = _mm_sha256rnds2_epu32(cdgh, abef, keyed);
  abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(keyed, 0x0E));
}

// The next four schedule words from the previous sixteen, oldest first.
ZV_SHA_TARGET inline __m128i nextWords(__m128i w0, __m128i w4, __m128i w8, __m128i w12) {
  const __m128i partial = _mm_add_epi32(_mm_sha256msg1_epu32(w0, w4), _mm_alignr_epi8(w12, w8, 4));
  return _mm_sha256msg2_epu32(partial, w12);
}

}  // namespace

ZV_SHA_TARGET void sha256CompressShaNi(uint32_t state[8], const uint8_t* blocks, size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  const __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
  __m128i cdgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
  __m128i abef = _mm_alignr_epi8(dcba, cdgh, 8);
  cdgh = _mm_blend_epi16(cdgh, dcba, 0xF0);

  for (; count > 0; --count, blocks += 64) {
    const __m128i abefBefore = abef;
    const __m128i cdghBefore = cdgh;
    const __m128i* in = reinterpret_cast<const __m128i*>(blocks);
    __m128i w0 = _mm_shuffle_epi8(_mm_loadu_si128(in), byteSwap);
    __m128i w1 = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), byteSwap);
    __m128i w2 = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), byteSwap);
    __m128i w3 = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), byteSwap);
    fourRounds(abef, cdgh, w0, 0);
    fourRounds(abef, cdgh, w1, 4);
    fourRounds(abef, cdgh, w2, 8);
    fourRounds(abef, cdgh, w3, 12);
    for (int t = 16; t < 64; t += 16) {
      w0 = nextWords(w0, w1, w2, w3);
      fourRounds(abef, cdgh, w0, t);
      w1 = nextWords(w1, w2, w3, w0);
      fourRounds(abef, cdgh, w1, t + 4);
      w2 = nextWords(w2, w3, w0, w1);
      fourRounds(abef, cdgh, w2, t + 8);
      w3 = nextWords(w3, w0, w1, w2);
      fourRounds(abef, cdgh, w3, t + 12);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }

  // Back from (A,B,E,F), (C,D,G,H) to A..H.
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

bool sha256HasShaNi() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool ssse3 = (c & bit_SSSE3) != 0;
  const bool sse41 = (c & bit_SSE4_1) != 0;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return ssse3 && sse41 && (b & bit_SHA) != 0;
}

}  // namespace zv

#else

namespace zv {

bool sha256HasShaNi() { return false; }

void sha256CompressShaNi(uint32_t state[8], const uint8_t* blocks, size_t count) {
  sha256CompressPortable(state, blocks, count);
}

}  // namespace zv

#endif
