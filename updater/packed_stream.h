#pragma once
// The unpacker of a packed file whose bytes arrive in pieces of any size,
// in order: from the network while they are written to the packed file, or
// from the packed file itself (applyPacked). Each chunk is inflated, hashed
// and written to a new file as soon as its last byte is in, so a
// download and its installation take one pass over the data. finish() then
// checks the digest and replaces the target with one rename.
//
// Every rule of the format is checked here, in the order applyPacked
// documents, with the same failures: a stream given the bytes of a packed
// file fails or succeeds exactly as applyPacked does on that file.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "crypto/sha256.h"
#include "data/buffer_pool.h"
#include "data/failure.h"
#include "platform/file.h"
#include "updater/inflater.h"
#include "updater/packed_file.h"

namespace zv {

class PackedStream {
 public:
  // packedPath: the packed file, which holds every byte given so far by the
  // time it is given (the chunk table is read back from it: a table of tiny
  // chunks may be far larger than the memory one file may take).
  // packedSize: the packed file's whole size. newPath: where the unpacked
  // file is made, beside the target (applyPacked: target + ".zvnew") or in
  // another folder (see finish).
  // Nothing is opened or created before the first bytes arrive.
  PackedStream(std::filesystem::path packedPath, uint64_t packedSize, std::filesystem::path target,
               std::filesystem::path newPath, uint64_t expectedSize, std::string_view expectedSha256,
               UnpackProgress progress, const std::atomic<bool>* cancel);
  // Removes the new file unless it was published.
  ~PackedStream();
  PackedStream(const PackedStream&) = delete;
  PackedStream& operator=(const PackedStream&) = delete;

  // Where the packed file's next bytes go: put up to room().size() of them
  // there, then take() their count. Empty once the last chunk is in (bytes
  // after it are never needed) or after a failure.
  std::span<uint8_t> room();
  [[nodiscard]] bool take(size_t count, Failure& failure);
  // The same for bytes that lie elsewhere: copies them in through room().
  [[nodiscard]] bool feed(const uint8_t* data, size_t size, Failure& failure);

  // Bytes of the packed file given so far.
  uint64_t position() const { return position_; }

  // Every byte is in: checks the digest and moves the new file over the
  // target, as applyPacked. Once only, after the feeding succeeded. A new
  // file in another folder than the target's is only renamed: when that
  // fails (a read-only target, another volume) the target is left alone
  // and the caller unpacks beside it with applyPacked.
  [[nodiscard]] bool finish(Failure& failure);

 private:
  enum class Stage { Header, Table, Chunk, Done, Failed };

  // Each takes its stage's bytes, once all of them are in, and moves on.
  [[nodiscard]] bool headerIn(Failure& failure);
  [[nodiscard]] bool startChunk(Failure& failure);
  [[nodiscard]] bool chunkIn(Failure& failure);
  // Stops for good and removes the new file.
  [[nodiscard]] bool fail(Failure& failure, Failure why);
  void abandon();

  // What the format says of this file, from its header.
  const std::filesystem::path packedPath_;
  const uint64_t packedSize_;
  const std::filesystem::path target_;
  const std::filesystem::path newPath_;
  const uint64_t expectedSize_;
  const std::string expectedSha256_;
  const UnpackProgress progress_;
  const std::atomic<bool>* const cancel_;

  Stage stage_ = Stage::Header;
  uint64_t position_ = 0;
  uint64_t stageEnd_ = kPackedHeaderSize;  // position at which the stage's bytes are all in
  uint8_t header_[kPackedHeaderSize] = {};
  uint8_t skipped_[4096];  // the table's bytes pass here: they are read back
                           // from the file

  uint64_t size_ = 0;
  uint32_t chunkSize_ = 0;
  uint32_t count_ = 0;
  uint32_t chunk_ = 0;          // the chunk whose data is arriving
  uint32_t word_ = 0;           // its table word
  uint64_t written_ = 0;        // unpacked bytes written
  uint32_t length_ = 0;         // of its data
  std::optional<BufferPool::Lease> input_;  // the chunk's data, in its first length_ bytes
  Inflater inflater_;
  Sha256 sha_;

  class ChunkTable;
  std::unique_ptr<ChunkTable> table_;
  File newFile_;
  bool made_ = false;  // newPath_ is ours to remove
  bool published_ = false;
};

}  // namespace zv
