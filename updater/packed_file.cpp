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
#include "updater/target_place.h"

namespace zv {
namespace {

uint32_t readU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

uint64_t readU64(const uint8_t* p) { return static_cast<uint64_t>(readU32(p)) | static_cast<uint64_t>(readU32(p + 4)) << 32; }

// Reads until size bytes arrived or the file ends; false on a read error.
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

// The unpacked file being written next to the target; deleted again unless
// the caller keeps it.
class NewFile {
 public:
  explicit NewFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~NewFile() {
    file.close();
    if (!kept_) (void)removeFile(path_);
  }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  const std::filesystem::path& path() const { return path_; }
  void keep() { kept_ = true; }

  File file;

 private:
  std::filesystem::path path_;
  bool kept_ = false;
};

Failure damaged(const char* what) { return Failure{FailureKind::DamagedData, 0, what, {}}; }

}  // namespace

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
  uint8_t header[kPackedHeaderSize];
  size_t got = 0;
  if (!readFully(in, header, sizeof header, got) || got < sizeof header ||
      std::memcmp(header, kPackedMagic, sizeof kPackedMagic) != 0) {
    failure = damaged("not a packed file");
    return false;
  }
  const uint64_t size = readU64(header + 4);
  const uint32_t chunkSize = readU32(header + 12);
  const uint32_t count = readU32(header + 16);
  if (size != expectedSize || chunkSize == 0 || chunkSize > kMaxPackedChunkSize ||
      count != (size + chunkSize - 1) / chunkSize) {
    failure = damaged("packed file header does not match the manifest");
    return false;
  }
  // The table is read as the chunks go; here it is only measured.
  const uint64_t dataStart = kPackedHeaderSize + 4ull * count;
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

    const uint8_t* data = input.data();
    if (word & kRawChunkFlag) {
      if (length != expected) {
        failure = damaged("packed file is damaged");
        return false;
      }
    } else {
      if (!output) output.reset(new uint8_t[std::min<uint64_t>(chunkSize, size)]);
      if (!inflater.inflate(input.data(), length, output.get(), expected)) {
        failure = damaged("packed file is damaged");
        return false;
      }
      data = output.get();
    }
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
  if (!replaceFile(out.path(), target, ignored)) {
    uint64_t oldSize = 0;
    uint64_t newSize = 0;
    // Our new file is gone: someone else moved it, most likely over the
    // target. Deleting the target now would lose the file for good.
    if (!fileSize(out.path(), newSize)) {
      failure = Failure{FailureKind::TargetLocked, 0, pathToUtf8(target), {}};
      return false;
    }
    if (fileSize(target, oldSize)) (void)makeWritable(target);
    (void)removeFile(target);
    if (!replaceFile(out.path(), target, ignored)) {
      failure = Failure{FailureKind::TargetLocked, 0, pathToUtf8(target), {}};
      return false;
    }
  }
  out.keep();
  return true;
}

}  // namespace zv
