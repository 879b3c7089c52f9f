#include "crypto/sha256.h"

#include "crypto/sha256_compress.h"

namespace zv {

Sha256::Sha256(Sha256Blocks blocks) {
  static const bool shaNi = sha256HasShaNi();
  const bool accelerated = blocks == Sha256Blocks::ShaNi || (blocks == Sha256Blocks::Best && shaNi);
  compress_ = accelerated ? sha256CompressShaNi : sha256CompressPortable;
  init();
}

void Sha256::init() {
  static constexpr uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  for (int i = 0; i < 8; ++i) state_[i] = kInitial[i];
  buffer_.reset();
}

void Sha256::update(const void* data, size_t length) {
  buffer_.add(static_cast<const uint8_t*>(data), length,
              [&](const uint8_t* blocks, size_t count) { compress_(state_, blocks, count); });
}

void Sha256::final(uint8_t digest[kDigestSize]) {
  buffer_.finish([&](const uint8_t* blocks, size_t count) { compress_(state_, blocks, count); });
  for (int i = 0; i < 8; ++i) {
    for (int b = 0; b < 4; ++b) digest[4 * i + b] = static_cast<uint8_t>(state_[i] >> (24 - 8 * b));
  }
  init();
}

}  // namespace zv
