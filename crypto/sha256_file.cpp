#include <memory>

#include "platform/file.h"
#include "data/hex.h"
#include "crypto/sha256.h"

namespace zv {

bool sha256File(const std::filesystem::path& path, std::string& digestHex,
                const std::atomic<bool>* cancel) {
  File file;
  std::string error;  // the callers only need to know that hashing failed
  if (!file.open(path, File::Mode::Read, error)) return false;

  // One buffer per thread for all its files: a fresh one per file (zeroed
  // and freed again) cost time, and between the small allocations of a
  // repair it left the heap growing by most of a buffer per file.
  struct alignas(32) Chunk {
    uint8_t bytes[kSha256FileChunk];
  };
  thread_local const std::unique_ptr<Chunk> chunk(new Chunk);
  Sha256 sha;
  for (;;) {
    if (cancel != nullptr && cancel->load()) return false;
    size_t got = 0;
    if (!file.read(chunk->bytes, sizeof chunk->bytes, got, error)) return false;
    if (got == 0) break;
    sha.update(chunk->bytes, got);
  }
  uint8_t digest[Sha256::kDigestSize];
  sha.final(digest);
  digestHex = toHex(digest, sizeof digest);
  return true;
}

}  // namespace zv
