#include "data/buffer_pool.h"
#include "platform/file.h"
#include "data/hex.h"
#include "crypto/sha256.h"

namespace zv {

bool sha256File(const std::filesystem::path& path, std::string& digestHex, const std::atomic<bool>* cancel,
                uint64_t* size) {
  File file;
  std::string error;  // the callers only need to know that hashing failed
  if (!file.open(path, File::Mode::Read, error)) return false;

  // Buffers are reused across files: a fresh one per file (zeroed and freed
  // again) cost time, and between the small allocations of a repair it left
  // the heap growing by most of a buffer per file. Not thread_local: the
  // Windows runtime's thread-exit clean-up has freed such buffers wrongly.
  // The pool is never destroyed, so a hasher still running at exit keeps it.
  static BufferPool& pool = *new BufferPool(kSha256FileChunk);
  const BufferPool::Lease chunk = pool.lease();
  Sha256 sha;
  uint64_t hashed = 0;
  for (;;) {
    if (cancel != nullptr && cancel->load()) return false;
    size_t got = 0;
    if (!file.read(chunk.data(), chunk.size(), got, error)) return false;
    if (got == 0) break;
    sha.update(chunk.data(), got);
    hashed += got;
  }
  if (size != nullptr) *size = hashed;
  uint8_t digest[Sha256::kDigestSize];
  sha.final(digest);
  digestHex = toHex(digest, sizeof digest);
  return true;
}

}  // namespace zv
