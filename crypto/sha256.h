#pragma once
// SHA-256 (FIPS 180-4): the digest every client file is identified by.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "crypto/block_buffer.h"

namespace zv {

// True when the processor has the SHA extensions (with SSSE3 and SSE4.1).
bool sha256HasShaNi();

// The block function a Sha256 runs: the best one the processor allows, or
// one of the two forms by name, for tests and benchmarks that compare them.
// ShaNi only where sha256HasShaNi() is true.
enum class Sha256Blocks { Best, Portable, ShaNi };

class Sha256 {
 public:
  static constexpr size_t kDigestSize = 32;

  explicit Sha256(Sha256Blocks blocks = Sha256Blocks::Best);
  void init();
  // Any length, including 0, any number of times.
  void update(const void* data, size_t length);
  // Writes the digest, then starts over so the object can hash the next message.
  void final(uint8_t digest[kDigestSize]);

 private:
  void (*compress_)(uint32_t state[8], const uint8_t* blocks, size_t count);
  uint32_t state_[8];
  BlockBuffer<64, 8> buffer_;
};

// The file is read in chunks of this size from one buffer per call.
inline constexpr size_t kSha256FileChunk = 1 << 20;

// Stores the file's digest as 64 lowercase hexadecimal digits, and in size
// (when given) the number of bytes hashed. False, with digestHex unchanged,
// when the file cannot be opened or read, or when cancel is found set; it is
// looked at before each chunk.
[[nodiscard]] bool sha256File(const std::filesystem::path& path, std::string& digestHex,
                              const std::atomic<bool>* cancel = nullptr, uint64_t* size = nullptr);

}  // namespace zv
