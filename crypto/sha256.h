#pragma once
// SHA-256 (FIPS 180-4): the digest every client file is identified by.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "updater/block_buffer.h"

namespace zv {

class Sha256 {
 public:
  static constexpr size_t kDigestSize = 32;

  Sha256() { init(); }
  void init();
  // Any length, including 0, any number of times.
  void update(const void* data, size_t length);
  // Writes the digest, then starts over so the object can hash the next message.
  void final(uint8_t digest[kDigestSize]);

 private:
  uint32_t state_[8];
  BlockBuffer<64, 8> buffer_;
};

// The file is read in chunks of this size from one buffer per call.
inline constexpr size_t kSha256FileChunk = 1 << 20;

// Stores the file's digest as 64 lowercase hexadecimal digits. False, with
// digestHex unchanged, when the file cannot be opened or read, or when cancel
// is found set; it is looked at before each chunk.
[[nodiscard]] bool sha256File(const std::filesystem::path& path, std::string& digestHex,
                              const std::atomic<bool>* cancel = nullptr);

}  // namespace zv
