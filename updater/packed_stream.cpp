#include "updater/packed_stream.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "data/buffer_pool.h"
#include "data/hex.h"
#include "data/text_rules.h"
#include "platform/file_info.h"
#include "platform/text_path.h"
#include "updater/target_place.h"
#include "updater/transfer_lane.h"

namespace zv {
namespace {

Failure damaged(const char* what) { return Failure{FailureKind::DamagedData, 0, what, {}}; }

// An inflated chunk is written out at once, so its buffer is needed only
// while the chunk is inflated: shared by every stream (downloads may run
// side by side, each feeding its own), a pool holds as many buffers as
// were ever in use at once instead of one per download. Only the pages a
// chunk fills are ever touched, but a buffer keeps them once filled. So
// chunks that small files may inflate on every transfer at once (they
// unpack without a turn, transfer_lane.h) have buffers of their own, and
// the large buffers, room for the largest chunk, serve only the few files
// that unpack in turns.
BufferPool& inflatedChunks(size_t chunkBytes) {
  static BufferPool& small = *new BufferPool(kUnpackWithoutTurn);
  static BufferPool& large = *new BufferPool(kMaxPackedChunkSize);
  return chunkBytes <= kUnpackWithoutTurn ? small : large;
}

// A chunk's packed data while it arrives, pooled the same way: a buffer of
// its own per download would be zeroed and faulted in afresh for every
// file, a gigabyte of it on a large install. The large buffers serve only
// chunks that no small file has.
BufferPool& packedChunks(uint32_t length) {
  static const uint32_t smallBound = packedBound(kUnpackWithoutTurn);
  static BufferPool& small = *new BufferPool(smallBound);
  static BufferPool& large = *new BufferPool(packedBound(kMaxPackedChunkSize));
  return length <= smallBound ? small : large;
}

}  // namespace

// The chunk table, read a block at a time through its own handle on the
// packed file: a table is 4 bytes per chunk, and a file of tiny chunks must
// not make it a large allocation.
class PackedStream::ChunkTable {
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
    word = readLittleEndian32(block_ + 4 * at_++);
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

PackedStream::PackedStream(std::filesystem::path packedPath, uint64_t packedSize, std::filesystem::path target,
                           std::filesystem::path newPath, uint64_t expectedSize, std::string_view expectedSha256,
                           UnpackProgress progress, const std::atomic<bool>* cancel)
    : packedPath_(std::move(packedPath)),
      packedSize_(packedSize),
      target_(std::move(target)),
      newPath_(std::move(newPath)),
      expectedSize_(expectedSize),
      expectedSha256_(asciiLower(expectedSha256)),
      progress_(std::move(progress)),
      cancel_(cancel) {}

PackedStream::~PackedStream() {
  newFile_.close();
  if (made_ && !published_) (void)removeFile(newPath_);
}

std::span<uint8_t> PackedStream::room() {
  const uint64_t left = stageEnd_ - position_;
  switch (stage_) {
    case Stage::Header:
      return {header_ + position_, static_cast<size_t>(left)};
    case Stage::Table:
      return {skipped_, static_cast<size_t>(std::min<uint64_t>(left, sizeof skipped_))};
    case Stage::Chunk:
      return {input_->data() + (length_ - left), static_cast<size_t>(left)};
    case Stage::Done:
    case Stage::Failed:
      break;
  }
  return {};
}

bool PackedStream::take(size_t count, Failure& failure) {
  if (stage_ == Stage::Failed) return false;
  position_ += count;
  if (position_ < stageEnd_) return true;
  switch (stage_) {
    case Stage::Header:
      return headerIn(failure);
    case Stage::Table:
      return startChunk(failure);
    case Stage::Chunk:
      return chunkIn(failure);
    case Stage::Done:
    case Stage::Failed:
      break;
  }
  return true;
}

bool PackedStream::feed(const uint8_t* data, size_t size, Failure& failure) {
  while (size > 0) {
    const std::span<uint8_t> space = room();
    if (space.empty()) {
      if (stage_ == Stage::Failed) return false;
      position_ += size;  // after the last chunk: never needed
      return true;
    }
    const size_t n = std::min(size, space.size());
    std::memcpy(space.data(), data, n);
    if (!take(n, failure)) return false;
    data += n;
    size -= n;
  }
  return true;
}

bool PackedStream::fail(Failure& failure, Failure why) {
  failure = std::move(why);
  abandon();
  return false;
}

void PackedStream::abandon() {
  stage_ = Stage::Failed;
  newFile_.close();
  if (made_) (void)removeFile(newPath_);
  made_ = false;
}

bool PackedStream::headerIn(Failure& failure) {
  PackedHeader header;
  Failure why;
  if (!readPackedHeader(header_, sizeof header_, expectedSize_, header, why)) return fail(failure, why);
  size_ = header.size;
  chunkSize_ = header.chunkSize;
  count_ = header.count;
  // The table is read as the chunks go; here it is only measured.
  const uint64_t dataStart = kPackedHeaderSize + 4ull * count_;
  table_ = std::make_unique<ChunkTable>();
  if (packedSize_ < dataStart || !table_->open(packedPath_, count_)) {
    return fail(failure, damaged("packed file is truncated"));
  }

  if (!prepareTargetPlace(target_, failure)) {
    abandon();
    return false;
  }
  std::string ignored;
  made_ = true;  // even when the open fails: Fresh removed what stood there
  if (!newFile_.open(newPath_, File::Mode::Fresh, ignored)) {
    return fail(failure, Failure{FailureKind::TargetInUse, 0, pathToUtf8(target_), {}});
  }
  // A large file's chunks are whole blocks in aligned pool buffers, up to
  // the last partial block: written past the cache, they cost no copy and no
  // page-by-page bookkeeping, and its flush has little left to write.
  if (expectedSize_ > kFlushedAloneAbove) newFile_.preferUncached();
  stage_ = Stage::Table;
  stageEnd_ = dataStart;
  return position_ < stageEnd_ || startChunk(failure);
}

bool PackedStream::startChunk(Failure& failure) {
  input_.reset();  // back to the pool between chunks: a lease lasts while one arrives
  if (chunk_ == count_) {
    stage_ = Stage::Done;
    return true;
  }
  if (cancel_ != nullptr && cancel_->load()) return fail(failure, cancelledFailure());
  if (!table_->next(word_)) return fail(failure, damaged("packed file is truncated"));
  const uint32_t length = word_ & ~kRawChunkFlag;
  if (length > packedBound(chunkSize_)) return fail(failure, damaged("packed file is damaged"));
  // Measured before a buffer is leased: a length word cannot make us take a
  // large one for data the file does not have.
  if (packedSize_ - position_ < length) return fail(failure, damaged("packed file is truncated"));
  input_.emplace(packedChunks(length).lease());
  length_ = length;
  stage_ = Stage::Chunk;
  stageEnd_ = position_ + length;
  return length > 0 || chunkIn(failure);
}

bool PackedStream::chunkIn(Failure& failure) {
  const size_t expected = static_cast<size_t>(std::min<uint64_t>(chunkSize_, size_ - written_));
  std::optional<BufferPool::Lease> output;
  if (!(word_ & kRawChunkFlag)) output.emplace(inflatedChunks(expected).lease());
  const uint8_t* data = nullptr;
  Failure why;
  if (!unpackChunk(word_, input_->data(), expected, inflater_, output ? output->data() : nullptr, data, why)) {
    return fail(failure, why);
  }
  sha_.update(data, expected);
  std::string ignored;
  if (!newFile_.write(data, expected, ignored)) {
    return fail(failure, newFile_.diskFull() ? Failure{FailureKind::DiskFull, 0, pathToUtf8(target_), {}}
                                             : Failure{FailureKind::WriteFailed, 0, {}, {}});
  }
  // Sent on its way to the disk now, while the next chunks arrive: the
  // flush before the digest cache vouches for the file then has little
  // left to wait for.
  if (expectedSize_ > kFlushedAloneAbove) newFile_.startWriteback(written_, expected);
  written_ += expected;
  if (progress_) progress_(written_);
  ++chunk_;
  return startChunk(failure);
}

bool PackedStream::finish(Failure& failure) {
  switch (stage_) {
    case Stage::Header:
      return fail(failure, damaged("not a packed file"));
    case Stage::Table:
    case Stage::Chunk:
      return fail(failure, damaged("packed file is truncated"));
    case Stage::Failed:
      return false;
    case Stage::Done:
      break;
  }
  newFile_.close();
  uint8_t digest[Sha256::kDigestSize];
  sha_.final(digest);
  if (toHex(digest, sizeof digest) != expectedSha256_) {
    return fail(failure, damaged("checksum mismatch after download"));
  }

  // Published unflushed: one flush per small file would cost more than the
  // whole install. The caller flushes a large file right after, and small
  // ones together, before the digest cache vouches for them (DurableBatch).
  // From another folder the rename may have failed only because the
  // folders lie on different volumes: the target must not be deleted for
  // that.
  std::string ignored;
  if (newPath_.parent_path() != target_.parent_path()) {
    if (!replaceFile(newPath_, target_, ignored)) {
      return fail(failure, Failure{FailureKind::TargetLocked, 0, pathToUtf8(target_), {}});
    }
  } else if (!replaceTarget(newPath_, target_, failure)) {
    abandon();
    return false;
  }
  published_ = true;
  return true;
}

}  // namespace zv
