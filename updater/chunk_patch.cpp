#include "updater/chunk_patch.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "crypto/sha256.h"
#include "data/buffer_pool.h"
#include "data/hex.h"
#include "platform/file.h"
#include "platform/file_info.h"
#include "platform/text_path.h"
#include "updater/inflater.h"
#include "updater/new_file.h"
#include "updater/ordered_parallel.h"
#include "updater/packed_file.h"
#include "updater/target_place.h"

namespace zv {
namespace {

// Ranges asked for in one request: far below any server's header limit
// (about 25 bytes each), and enough that ten scattered edits take one.
constexpr size_t kRangesPerRequest = 32;

// Where the bytes of each chunk of the new file come from.
enum class Source : uint8_t { Missing, Target, Chunks };

// Where a failed request leaves the patch: a whole download when the server
// cannot serve it (it ignores Range or If-Range names an older version: 200;
// or it sends other bytes than asked for), else the failure ends it.
PatchOutcome afterFailedRequest(const Failure& failure) {
  const bool ignoresRanges =
      (failure.kind == FailureKind::HttpStatus && failure.number == 200) || failure.kind == FailureKind::DamagedData;
  return ignoresRanges ? PatchOutcome::WholeFile : PatchOutcome::Failed;
}

// One patch of one file: the state of patchFile, which has no other.
class Patch {
 public:
  Patch(Fetcher& fetcher, const ManifestFile& file, const PatchPlaces& places, const ReceivedFn& received,
        const std::atomic<bool>* cancel)
      : fetcher_(fetcher), file_(file), places_(places), received_(received), cancel_(cancel) {}

  PatchOutcome run(Failure& failure);

 private:
  bool cancelled() const { return cancel_ != nullptr && cancel_->load(); }
  uint64_t chunkStart(size_t i) const { return uint64_t{i} * file_.chunkSize; }
  size_t chunkBytes(size_t i) const {
    return static_cast<size_t>(std::min<uint64_t>(file_.chunkSize, size() - chunkStart(i)));
  }
  uint64_t size() const { return static_cast<uint64_t>(file_.size); }
  // Reads chunk i of a file laid out like the new file.
  bool readChunk(File& file, size_t i, uint8_t* buffer) const;
  // Whether data is chunk i of the new file: it has the chunk's digest.
  bool isChunk(const uint8_t* data, size_t i) const;

  bool plan(Failure& failure);
  // readTable and fetchMissing: empty when the patch goes on, else how it ends.
  std::optional<PatchOutcome> readTable(Failure& failure);
  std::optional<PatchOutcome> fetchMissing(Failure& failure);
  bool takeChunk(uint32_t i, Failure& failure);
  PatchOutcome assemble(Failure& failure);

  Fetcher& fetcher_;
  const ManifestFile& file_;
  const PatchPlaces& places_;
  const ReceivedFn& received_;
  const std::atomic<bool>* cancel_;

  uint32_t count_ = 0;
  std::vector<Source> sources_;
  File target_;
  File chunks_;
  std::vector<uint8_t> buffer_;  // one unpacked chunk
  std::vector<uint8_t> input_;   // one chunk's packed data as it arrives
  Inflater inflater_;
  std::string validator_;          // of the packed file, from the table's answer
  std::vector<uint32_t> words_;    // the chunk table
  std::vector<uint64_t> offsets_;  // of each chunk's data in the packed file
  uint64_t receivedBytes_ = 0;
};

bool Patch::readChunk(File& file, size_t i, uint8_t* buffer) const {
  std::string ignored;
  size_t got = 0;
  return file.seek(chunkStart(i), ignored) && readFully(file, buffer, chunkBytes(i), got) && got == chunkBytes(i);
}

bool Patch::isChunk(const uint8_t* data, size_t i) const {
  Sha256 sha;
  uint8_t digest[Sha256::kDigestSize];
  sha.update(data, chunkBytes(i));
  sha.final(digest);
  return toHex(digest, sizeof digest) == std::string_view(file_.chunkSha256).substr(i * kDigestDigits, kDigestDigits);
}

// Hashes every chunk of the target, and the chunks an earlier try fetched
// where the target's are wrong. False: cancelled.
bool Patch::plan(Failure& failure) {
  std::string ignored;
  uint64_t targetSize = 0;
  if (!target_.open(places_.target, File::Mode::Read, ignored) || !target_.size(targetSize, ignored)) targetSize = 0;
  uint64_t chunksSize = 0;
  if (!isPlainFile(places_.chunks) || !chunks_.open(places_.chunks, File::Mode::Update, ignored) ||
      !chunks_.size(chunksSize, ignored)) {
    chunks_.close();
    (void)removeFile(places_.chunks);
    chunksSize = 0;
  }
  sources_.assign(count_, Source::Missing);
  // The target's chunks are hashed on every core, each read through a
  // handle and a buffer of its own.
  BufferPool buffers(buffer_.size());
  const auto work = [&](size_t i) {
    if (cancelled() || chunkStart(i) + chunkBytes(i) > targetSize) return false;
    File target;
    std::string ignored;
    const BufferPool::Lease buffer = buffers.lease();
    return target.open(places_.target, File::Mode::Read, ignored) && readChunk(target, i, buffer.data()) &&
           isChunk(buffer.data(), i);
  };
  const auto done = [&](size_t i, bool inTarget) {
    if (inTarget) {
      sources_[i] = Source::Target;
    } else if (chunkStart(i) + chunkBytes(i) <= chunksSize && readChunk(chunks_, i, buffer_.data()) &&
               isChunk(buffer_.data(), i)) {
      sources_[i] = Source::Chunks;
    }
    return !cancelled();
  };
  if (!runInOrder(count_, hashingWorkers(), work, done)) {
    failure = cancelledFailure();
    return false;
  }
  return true;
}

// Reads the packed file's header and chunk table with one ranged request.
std::optional<PatchOutcome> Patch::readTable(Failure& failure) {
  const uint64_t tableEnd = kPackedHeaderSize + 4ull * count_;
  std::vector<uint8_t> table;
  table.reserve(static_cast<size_t>(tableEnd));
  const RangePieceFn piece = [&](uint64_t, const char* data, size_t size) {
    table.insert(table.end(), data, data + size);
    receivedBytes_ += size;
    return !received_ || received_(receivedBytes_);
  };
  if (!fetcher_.getRanges(places_.url, {{0, tableEnd - 1}}, "", piece, validator_, failure)) {
    return afterFailedRequest(failure);
  }
  PackedHeader header;
  Failure unusable;
  // No validator, no guard against a file replaced between requests.
  if (validator_.empty() || !readPackedHeader(table.data(), table.size(), size(), header, unusable) ||
      header.chunkSize != file_.chunkSize) {
    return PatchOutcome::WholeFile;
  }
  words_.resize(count_);
  offsets_.resize(count_);
  uint64_t at = header.dataStart();
  const uint32_t bound = packedBound(file_.chunkSize);
  for (uint32_t i = 0; i < count_; ++i) {
    words_[i] = readLittleEndian32(table.data() + kPackedHeaderSize + 4 * size_t{i});
    offsets_[i] = at;
    const uint32_t length = words_[i] & ~kRawChunkFlag;
    if (length == 0 || length > bound) return PatchOutcome::WholeFile;
    at += length;
  }
  if (at > static_cast<uint64_t>(file_.packed)) return PatchOutcome::WholeFile;
  return std::nullopt;
}

// Unpacks and verifies chunk i, whose packed data is in input_, and keeps
// it in the chunks file. False with failure set: the chunks file cannot be
// written. False with failure untouched: the chunk is bad.
bool Patch::takeChunk(uint32_t i, Failure& failure) {
  const size_t bytes = chunkBytes(i);
  const uint8_t* unpacked = nullptr;
  Failure damaged;
  if (!unpackChunk(words_[i], input_.data(), bytes, inflater_, buffer_.data(), unpacked, damaged) ||
      !isChunk(unpacked, i)) {
    return false;
  }
  std::string ignored;
  if ((!chunks_.isOpen() && !chunks_.open(places_.chunks, File::Mode::Update, ignored)) ||
      !chunks_.seek(chunkStart(i), ignored) || !chunks_.write(unpacked, bytes, ignored)) {
    failure = Failure{chunks_.diskFull() ? FailureKind::DiskFull : FailureKind::DiskWrite, 0,
                      pathToUtf8(places_.chunks), {}};
    return false;
  }
  sources_[i] = Source::Chunks;
  return true;
}

// Fetches the missing chunks: every run of neighbours as one range, several
// ranges per request, each request guarded by the table's validator.
// Chunks that fail their digest are asked for once more.
std::optional<PatchOutcome> Patch::fetchMissing(Failure& failure) {
  for (int round = 0; round < 2; ++round) {
    std::vector<uint32_t> wanted;
    for (uint32_t i = 0; i < count_; ++i) {
      if (sources_[i] == Source::Missing) wanted.push_back(i);
    }
    if (wanted.empty()) return std::nullopt;
    for (size_t start = 0; start < wanted.size();) {
      // The chunks of this request and their ranges.
      std::vector<ByteRange> ranges;
      size_t end = start;
      for (; end < wanted.size(); ++end) {
        const uint32_t i = wanted[end];
        const uint64_t last = offsets_[i] + (words_[i] & ~kRawChunkFlag) - 1;
        if (!ranges.empty() && ranges.back().last + 1 == offsets_[i]) {
          ranges.back().last = last;
        } else if (ranges.size() < kRangesPerRequest) {
          ranges.push_back({offsets_[i], last});
        } else {
          break;
        }
      }
      // The answer holds exactly these ranges in order (the fetcher checks),
      // so its bytes are the chunks' data one after the other.
      size_t next = start;  // the chunk whose bytes arrive now
      size_t filled = 0;    // of its data
      Failure diskFailure;
      const RangePieceFn piece = [&](uint64_t, const char* data, size_t size) {
        receivedBytes_ += size;
        while (size > 0) {
          const uint32_t i = wanted[next];
          const size_t length = words_[i] & ~kRawChunkFlag;
          const size_t take = std::min(size, length - filled);
          std::memcpy(input_.data() + filled, data, take);
          filled += take;
          data += take;
          size -= take;
          if (filled == length) {
            if (!takeChunk(i, diskFailure) && diskFailure.kind != FailureKind::None) return false;
            ++next;
            filled = 0;
          }
        }
        return !received_ || received_(receivedBytes_);
      };
      std::string validator;
      if (!fetcher_.getRanges(places_.url, ranges, validator_, piece, validator, failure)) {
        if (diskFailure.kind != FailureKind::None) failure = diskFailure;
        return afterFailedRequest(failure);
      }
      // A server that ignores If-Range but tells of a new version.
      if (validator != validator_) return PatchOutcome::WholeFile;
      start = end;
    }
  }
  // Chunks that failed their digest twice.
  if (std::count(sources_.begin(), sources_.end(), Source::Missing) != 0) return PatchOutcome::WholeFile;
  return std::nullopt;
}

// Writes the new file beside the target from local and fetched chunks,
// checks its digest and moves it into place.
PatchOutcome Patch::assemble(Failure& failure) {
  std::string ignored;
  if (!prepareTargetPlace(places_.target, failure)) return PatchOutcome::Failed;
  NewFile out(withSuffix(places_.target, ".zvnew"));
  if (!out.file.open(out.path(), File::Mode::Fresh, ignored)) {
    failure = Failure{FailureKind::TargetInUse, 0, pathToUtf8(places_.target), {}};
    return PatchOutcome::Failed;
  }
  Sha256 sha;
  for (uint32_t i = 0; i < count_; ++i) {
    if (cancelled()) {
      failure = cancelledFailure();
      return PatchOutcome::Failed;
    }
    const size_t bytes = chunkBytes(i);
    File& from = sources_[i] == Source::Target ? target_ : chunks_;
    // A chunk that changed under us since it was hashed is caught by the
    // file's digest below.
    if (!readChunk(from, i, buffer_.data())) return PatchOutcome::WholeFile;
    sha.update(buffer_.data(), bytes);
    if (!out.file.write(buffer_.data(), bytes, ignored)) {
      failure = out.file.diskFull() ? Failure{FailureKind::DiskFull, 0, pathToUtf8(places_.target), {}}
                                    : Failure{FailureKind::WriteFailed, 0, {}, {}};
      return PatchOutcome::Failed;
    }
  }
  out.file.close();
  uint8_t digest[Sha256::kDigestSize];
  sha.final(digest);
  if (toHex(digest, sizeof digest) != file_.sha256) return PatchOutcome::WholeFile;
  // The target is read no more; an open handle would stop the rename on
  // Windows.
  target_.close();
  chunks_.close();
  if (!replaceTarget(out.path(), places_.target, failure)) return PatchOutcome::Failed;
  out.keep();
  return PatchOutcome::Installed;
}

PatchOutcome Patch::run(Failure& failure) {
  count_ = static_cast<uint32_t>((size() + file_.chunkSize - 1) / file_.chunkSize);
  buffer_.resize(std::min<uint64_t>(file_.chunkSize, size()));
  if (!plan(failure)) return PatchOutcome::Failed;
  const auto missing = static_cast<uint64_t>(std::count(sources_.begin(), sources_.end(), Source::Missing));
  // Past half the file, one whole download costs less than many ranges.
  if (2 * missing > count_) return PatchOutcome::WholeFile;
  if (missing > 0) {
    if (const auto end = readTable(failure)) return *end;
    uint64_t toFetch = 0;
    for (uint32_t i = 0; i < count_; ++i) {
      if (sources_[i] == Source::Missing) toFetch += words_[i] & ~kRawChunkFlag;
    }
    if (2 * toFetch > places_.wholeLeft) return PatchOutcome::WholeFile;
    input_.resize(packedBound(file_.chunkSize));
    if (const auto end = fetchMissing(failure)) return *end;
  }
  return assemble(failure);
}

}  // namespace

bool canPatch(const ManifestFile& file, const std::filesystem::path& target) {
  return file.chunkSize > 0 && file.size > 0 && file.chunkSha256.size() / kDigestDigits ==
                                                    (static_cast<uint64_t>(file.size) + file.chunkSize - 1) /
                                                        file.chunkSize &&
         isPlainFile(target);
}

PatchOutcome patchFile(Fetcher& fetcher, const ManifestFile& file, const PatchPlaces& places,
                       const ReceivedFn& received, const std::atomic<bool>* cancel, Failure& failure) {
  // The patch and its handles are gone before the chunks file is removed.
  const PatchOutcome outcome = Patch(fetcher, file, places, received, cancel).run(failure);
  // Fetched chunks serve only the next try of a patch.
  if (outcome != PatchOutcome::Failed) (void)removeFile(places.chunks);
  return outcome;
}

}  // namespace zv
