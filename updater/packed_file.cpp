#include "updater/packed_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "data/text_rules.h"
#include "platform/file.h"
#include "platform/file_info.h"
#include "platform/text_path.h"
#include "data/hex.h"
#include "crypto/sha256.h"
#include "updater/inflater.h"
#include "updater/new_file.h"
#include "updater/target_place.h"

namespace zv {
namespace {

uint32_t readU32(const uint8_t* p) { return readLittleEndian32(p); }

uint64_t readU64(const uint8_t* p) { return static_cast<uint64_t>(readU32(p)) | static_cast<uint64_t>(readU32(p + 4)) << 32; }

// The chunk table, read a block at a time through its own handle: a table
// is 4 bytes per chunk, and a file of tiny chunks must not make it a large
// allocation.
class ChunkTable {
 public:
  bool open(const std::filesystem::path& path, uint64_t count) {
    std::string ignored;
    remaining_ = count;
    return file_.open(path, File::Mode::Read, ignored) && file_.seek(kPackedHeaderSize, ignored);
  }

  // The next word; false when the file ends early or cannot be read.
  bool next(uint32_t& word) {
    if (at_ == filled_) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining_, kBlockWords)) * 4;
      size_t got = 0;
      if (want == 0 || !readFully(file_, block_, want, got) || got != want) return false;
      remaining_ -= want / 4;
      filled_ = want / 4;
      at_ = 0;
    }
    word = readU32(block_ + 4 * at_++);
    return true;
  }

 private:
  static constexpr size_t kBlockWords = 4096;
  File file_;
  uint64_t remaining_ = 0;
  uint8_t block_[kBlockWords * 4];
  size_t filled_ = 0;
  size_t at_ = 0;
};

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
  header.size = readU64(bytes + 4);
  header.chunkSize = readU32(bytes + 12);
  header.count = readU32(bytes + 16);
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
  uint64_t oldSize = 0;
  uint64_t newSize = 0;
  // Our new file is gone: someone else moved it, most likely over the
  // target. Deleting the target now would lose the file for good.
  if (!fileSize(newFile, newSize)) {
    failure = Failure{FailureKind::TargetLocked, 0, pathToUtf8(target), {}};
    return false;
  }
  if (fileSize(target, oldSize)) (void)makeWritable(target);
  (void)removeFile(target);
  if (!replaceFile(newFile, target, ignored)) {
    failure = Failure{FailureKind::TargetLocked, 0, pathToUtf8(target), {}};
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
    failure = damaged("cannot open downloaded file");
    return false;
  }
  uint8_t headerBytes[kPackedHeaderSize];
  size_t got = 0;
  PackedHeader header;
  if (!readFully(in, headerBytes, sizeof headerBytes, got)) got = 0;
  if (!readPackedHeader(headerBytes, got, expectedSize, header, failure)) return false;
  const uint64_t size = header.size;
  const uint32_t chunkSize = header.chunkSize;
  const uint32_t count = header.count;
  // The table is read as the chunks go; here it is only measured.
  const uint64_t dataStart = header.dataStart();
  ChunkTable table;
  if (packedSize < dataStart || !table.open(packedPath, count) || !in.seek(dataStart, ignored)) {
    failure = damaged("packed file is truncated");
    return false;
  }

  if (!prepareTargetPlace(target, failure)) return false;
  NewFile out(withSuffix(target, ".zvnew"));
  if (!out.file.open(out.path(), File::Mode::Fresh, ignored)) {
    failure = Failure{FailureKind::TargetInUse, 0, pathToUtf8(target), {}};
    return false;
  }

  const uint32_t bound = packedBound(chunkSize);
  // Both buffers are made when a chunk first needs them, so a file that
  // fails early costs no large allocation.
  std::unique_ptr<uint8_t[]> output;
  std::vector<uint8_t> input;
  Inflater inflater;
  uint64_t position = dataStart;  // of the next chunk's data
  uint64_t written = 0;
  Sha256 sha;
  for (uint32_t i = 0; i < count; ++i) {
    if (cancel != nullptr && cancel->load()) {
      failure = cancelledFailure();
      return false;
    }
    const size_t expected = static_cast<size_t>(std::min<uint64_t>(chunkSize, size - written));
    uint32_t word = 0;
    if (!table.next(word)) {
      failure = damaged("packed file is truncated");
      return false;
    }
    const uint32_t length = word & ~kRawChunkFlag;
    if (length > bound) {
      failure = damaged("packed file is damaged");
      return false;
    }
    // Measured before the buffer grows: a length word cannot make us
    // allocate for data the file does not have.
    if (packedSize - position < length) {
      failure = damaged("packed file is truncated");
      return false;
    }
    if (input.size() < length) input.resize(length);
    if (!readFully(in, input.data(), length, got) || got < length) {
      failure = damaged("packed file is truncated");
      return false;
    }
    position += length;

    if (!output && !(word & kRawChunkFlag)) output.reset(new uint8_t[std::min<uint64_t>(chunkSize, size)]);
    const uint8_t* data = nullptr;
    if (!unpackChunk(word, input.data(), expected, inflater, output.get(), data, failure)) return false;
    sha.update(data, expected);
    if (!out.file.write(data, expected, ignored)) {
      failure = out.file.diskFull() ? Failure{FailureKind::DiskFull, 0, pathToUtf8(target), {}}
                                    : Failure{FailureKind::WriteFailed, 0, {}, {}};
      return false;
    }
    written += expected;
    if (progress) progress(written);
  }
  out.file.close();

  uint8_t digest[Sha256::kDigestSize];
  sha.final(digest);
  if (toHex(digest, sizeof digest) != asciiLower(expectedSha256)) {
    failure = damaged("checksum mismatch after download");
    return false;
  }

  // Published unflushed: one flush per small file would cost more than the
  // whole install. The caller flushes installed files together before the
  // digest cache vouches for them (DurableBatch).
  if (!replaceTarget(out.path(), target, failure)) return false;
  out.keep();
  return true;
}

}  // namespace zv
