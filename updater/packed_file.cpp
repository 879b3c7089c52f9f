#include "updater/packed_file.h"

#include <algorithm>
#include <cstring>

#include "platform/file.h"
#include "platform/file_info.h"
#include "platform/text_path.h"
#include "updater/inflater.h"
#include "updater/packed_stream.h"

namespace zv {
namespace {

Failure damaged(const char* what) { return Failure{FailureKind::DamagedData, 0, what, {}}; }

}  // namespace

bool readFully(File& file, void* buffer, size_t size, size_t& got) {
  std::string ignored;
  got = 0;
  while (got < size) {
    size_t n = 0;
    if (!file.read(static_cast<uint8_t*>(buffer) + got, size - got, n, ignored)) return false;
    if (n == 0) break;
    got += n;
  }
  return true;
}

bool readPackedHeader(const uint8_t* bytes, size_t got, uint64_t expectedSize, PackedHeader& header,
                      Failure& failure) {
  if (got < kPackedHeaderSize || std::memcmp(bytes, kPackedMagic, sizeof kPackedMagic) != 0) {
    failure = damaged("not a packed file");
    return false;
  }
  header.size = static_cast<uint64_t>(readLittleEndian32(bytes + 4)) |
                static_cast<uint64_t>(readLittleEndian32(bytes + 8)) << 32;
  header.chunkSize = readLittleEndian32(bytes + 12);
  header.count = readLittleEndian32(bytes + 16);
  if (header.size != expectedSize || header.chunkSize == 0 || header.chunkSize > kMaxPackedChunkSize ||
      header.count != (header.size + header.chunkSize - 1) / header.chunkSize) {
    failure = damaged("packed file header does not match the manifest");
    return false;
  }
  return true;
}

bool unpackChunk(uint32_t word, const uint8_t* data, size_t expected, Inflater& inflater, uint8_t* out,
                 const uint8_t*& unpacked, Failure& failure) {
  const uint32_t length = word & ~kRawChunkFlag;
  unpacked = data;
  if (word & kRawChunkFlag) {
    if (length == expected) return true;
  } else if (inflater.inflate(data, length, out, expected)) {
    unpacked = out;
    return true;
  }
  failure = damaged("packed file is damaged");
  return false;
}

bool replaceTarget(const std::filesystem::path& newFile, const std::filesystem::path& target, Failure& failure) {
  std::string ignored;
  if (replaceFile(newFile, target, ignored)) return true;
  const Failure locked{FailureKind::TargetLocked, 0, pathToUtf8(target), {}};
  uint64_t oldSize = 0;
  uint64_t newSize = 0;
  // Our new file is gone: someone else moved it, most likely over the
  // target. Deleting the target now would lose the file for good.
  if (!fileSize(newFile, newSize)) {
    failure = locked;
    return false;
  }
  if (fileSize(target, oldSize)) (void)makeWritable(target);
  (void)removeFile(target);
  if (!replaceFile(newFile, target, ignored)) {
    failure = locked;
    return false;
  }
  return true;
}

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
