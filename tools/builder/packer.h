#pragma once
// Packs client files into the launcher's packed format, in parallel.
//
// One thread reads the files chunk by chunk, every core compresses chunks,
// and one thread writes the packed files in order. At most a fixed number of
// chunks is in flight, so memory stays bounded for files of any size.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zv::builder {

struct PackJob {
  std::filesystem::path source;
  std::filesystem::path target;
  std::string path;     // client path, for messages
  uint64_t size = 0;    // as hashed
  std::string sha256;   // as hashed; the content packed must still have it
  uint64_t packed = 0;  // out: the packed file's size
  // out: for a file of more than one chunk, the SHA-256 of each unpacked
  // chunk in order, 64 lowercase hex digits each; else empty.
  std::string chunkSha256;
};

inline constexpr uint32_t kDefaultChunkSize = 4u << 20;
// libdeflate at 7 packs smaller than zlib at 9, several times faster.
inline constexpr int kDefaultLevel = 7;

struct PackOptions {
  uint32_t chunkSize = kDefaultChunkSize;
  int level = kDefaultLevel;
  unsigned threads = 0;  // compressing threads; 0: one per core
};

// Called from the writing thread with the files finished and the source
// bytes packed so far.
using PackProgress = std::function<void(uint64_t filesDone, uint64_t bytesDone)>;

// Packs every job into its target (parent folders must exist). A file that
// no longer has the size and digest it was hashed with is an error. On
// failure the targets written so far are left for the caller to remove.
[[nodiscard]] bool packFiles(std::vector<PackJob>& jobs, const PackOptions& options, const PackProgress& progress,
                             std::string& error);

}  // namespace zv::builder
