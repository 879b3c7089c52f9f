#include "updater/packed_file.h"

#include <algorithm>

#include "platform/file.h"
#include "updater/packed_stream.h"

namespace zv {

uint32_t packedBound(uint32_t n) {
  const uint32_t deflateBound = n + (n / 31744) * 5 + 133;
  const uint32_t generous = (n * 110) / 100 + 128;
  return std::max(deflateBound, generous) + 64;
}

bool applyPacked(const std::filesystem::path& packedPath, const std::filesystem::path& target, uint64_t expectedSize,
                 std::string_view expectedSha256, const UnpackProgress& progress, const std::atomic<bool>* cancel,
                 Failure& failure) {
  std::string ignored;
  File in;
  uint64_t packedSize = 0;
  if (!in.open(packedPath, File::Mode::Read, ignored) || !in.size(packedSize, ignored)) {
    failure = Failure{FailureKind::DamagedData, 0, "cannot open downloaded file", {}};
    return false;
  }
  PackedStream stream(packedPath, packedSize, target, withSuffix(target, ".zvnew"), expectedSize, expectedSha256,
                      progress, cancel);
  // Read straight into the stream's buffers, only as far as it needs: a
  // short read leaves finish() to say what is missing.
  for (std::span<uint8_t> room = stream.room(); !room.empty(); room = stream.room()) {
    size_t got = 0;
    if (!in.read(room.data(), room.size(), got, ignored) || got == 0) break;
    if (!stream.take(got, failure)) return false;
  }
  return stream.finish(failure);
}

}  // namespace zv
