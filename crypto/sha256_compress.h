#pragma once
// The SHA-256 block function in its two forms: portable C++ and the x86 SHA
// instructions. Sha256 picks one at run time (sha256.h).

#include <cstddef>
#include <cstdint>

namespace zv {

extern const uint32_t kSha256RoundConstants[64];

// Runs count 64-byte blocks through the chaining words.
void sha256CompressPortable(uint32_t state[8], const uint8_t* blocks, size_t count);

// Only to be called when sha256HasShaNi() is true.
void sha256CompressShaNi(uint32_t state[8], const uint8_t* blocks, size_t count);

}  // namespace zv
