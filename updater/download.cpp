// Fetching one file: the transfer into the work folder with resume, the
// attempts, the busy-server waits and the progress events.

#include <algorithm>
#include <atomic>
#include <optional>
#include <system_error>

#include "platform/durable_file.h"
#include "platform/file_info.h"
#include "updater/chunk_patch.h"
#include "updater/file_time.h"
#include "updater/file_url.h"
#include "updater/packed_file.h"
#include "updater/packed_stream.h"
#include "updater/update_job.h"

namespace zv {
namespace {

// Downloads, and applications of a downloaded file, per file.
constexpr int kMaxAttempts = 3;

// Milliseconds to wait before repeating a request that has already waited
// `waits` times: 5, 10, 20, then 30 seconds, plus 0 to 5 seconds of jitter
// so that the players a busy server turned away do not all come back at the
// same moment. The jitter is the clock's time below a millisecond, spread
// over 0 to 4999 ms: launchers turned away in the same round differ there,
// while jitter in whole seconds kept them coming back in the same instant of
// a second, round after round (and a clock counting 100 ns ticks has few
// values modulo 5 ns). A clock that stands at whole milliseconds adds none.
unsigned queueWaitMilliseconds(unsigned waits, uint64_t nanoseconds) {
  const uint64_t belowMillisecond = nanoseconds % 1'000'000;
  const auto jitter = static_cast<unsigned>(((belowMillisecond * 0x9E3779B97F4A7C15ull) >> 40) % 5000);
  return 1000 * std::min(5u << std::min(waits, 3u), 30u) + jitter;
}

// The job's own thread as a lane.
class JobLane final : public TransferLane {
 public:
  JobLane(Fetcher& fetcher, std::function<void(uint64_t)> progress, std::function<bool(const Failure&, unsigned&)> wait,
          const std::atomic<bool>& cancel)
      : fetcher_(fetcher), progress_(std::move(progress)), wait_(std::move(wait)), cancel_(cancel) {}
  Fetcher& fetcher() override { return fetcher_; }
  void progress(uint64_t fileBytes) override { progress_(fileBytes); }
  bool waitInQueue(const Failure& fetchFailure, unsigned& waits) override { return wait_(fetchFailure, waits); }
  const std::atomic<bool>& stopFlag() const override { return cancel_; }
  void beginUnpack() override {}
  bool tryBeginUnpack() override { return true; }
  void endUnpack() override {}

 private:
  Fetcher& fetcher_;
  std::function<void(uint64_t)> progress_;
  std::function<bool(const Failure&, unsigned&)> wait_;
  const std::atomic<bool>& cancel_;
};

// Counts a download whose packed file is large in the job's count for as
// long as it runs.
class LargePartInFlight {
 public:
  LargePartInFlight(std::atomic<unsigned>& count, uint64_t packedSize)
      : count_(packedSize > kFlushedAloneAbove ? &count : nullptr) {
    if (count_ != nullptr) count_->fetch_add(1);
  }
  ~LargePartInFlight() {
    if (count_ != nullptr) count_->fetch_sub(1);
  }
  LargePartInFlight(const LargePartInFlight&) = delete;
  LargePartInFlight& operator=(const LargePartInFlight&) = delete;

 private:
  std::atomic<unsigned>* const count_;
};

}  // namespace

bool UpdateJob::downloadOne(const ManifestFile& file, const std::filesystem::path& target, Failure& failure) {
  JobLane lane(
      fetcher_,
      [&](uint64_t fileBytes) {
        emitProgress("download", file.path, pass_.filesDone, pass_.filesTotal, pass_.bytesDone + fileBytes,
                     pass_.bytesTotal, false);
      },
      [this](const Failure& fetchFailure, unsigned& waits) { return waitInQueue(fetchFailure, waits); }, cancelFlag_);
  return downloadOne(file, target, lane, failure);
}

bool UpdateJob::downloadOne(const ManifestFile& file, const std::filesystem::path& target, TransferLane& lane,
                            Failure& failure) {
  std::error_code ignored;
  std::filesystem::create_directories(state_.workFolder(), ignored);
  const std::filesystem::path part = partPath(state_.workFolder(), file);
  const std::string url = fileUrl(config_.updateUrl, file);
  const uint64_t packed = static_cast<uint64_t>(file.packed);
  // Even an empty file packs to a whole header: no download can match.
  if (packed < kPackedHeaderSize) {
    failure = Failure{FailureKind::DamagedData, 0,
                      "the manifest's packed size " + std::to_string(packed) + " is too small for a packed file",
                      file.path};
    return false;
  }

  // A server that keeps sending past the packed size (a wrong file, or no
  // end at all) is stopped here instead of filling the disk.
  bool overran = false;
  const ProgressFn progress = [&](uint64_t fileBytes) {
    if (fileBytes > packed) {
      overran = true;
      return false;
    }
    lane.progress(fileBytes);
    return !lane.stopRequested();
  };

  const LargePartInFlight inFlight(largePartsInFlight_, packed);
  const auto installed = [&] {
    // A large file is flushed here, on its own transfer, so that such
    // flushes overlap with the other transfers; the save of the digest
    // cache then only syncs its folder. So is a small one while large
    // parts are being written (see largePartsInFlight_). One that fails is
    // left to that save, which fails too when it cannot flush it either.
    std::string ignored;
    const bool alone = static_cast<uint64_t>(file.size) > kFlushedAloneAbove || largePartsInFlight_.load() > 0;
    const bool flushed = alone && flushPublished(target, ignored);
    std::lock_guard lock(stateMutex_);
    state_.unflushedFiles.add(target, flushed);
    state_.cacheState.record(file.path, static_cast<uint64_t>(file.size), fileTimeText(target), file.sha256);
  };
  // A wrong file whose chunks the manifest lists gets only the chunks that
  // differ, until the patch finds that a whole download serves better.
  bool patching = config_.chunkPatch && canPatch(file, target);
  const ReceivedFn received = [&](uint64_t bytes) { return progress(std::min(bytes, packed)); };
  // The bytes of the packed file already in the work folder, which a whole
  // download resumes from. Only a plain file counts: appending through a link
  // planted in the work folder would write to whatever it points at.
  const auto resumable = [&] {
    uint64_t have = 0;
    return isPlainFile(part) && fileSize(part, have) && have <= packed ? have : 0;
  };

  int attempts = 0;
  unsigned waits = 0;
  for (;;) {
    if (lane.stopRequested()) {
      failure = cancelledFailure();
      return false;
    }
    if (patching) {
      failure = Failure{};
      // A download of the whole file, left by a launcher that did not patch,
      // may be nearer its end than the chunks would take.
      const PatchPlaces places{url, target, chunksPath(state_.workFolder(), file), packed - resumable()};
      const PatchOutcome outcome = patchFile(lane.fetcher(), file, places, received, &lane.stopFlag(), failure);
      if (outcome == PatchOutcome::Installed) {
        installed();
        return true;
      }
      failure.file = file.path;
      if (outcome == PatchOutcome::Failed) {
        if (lane.stopRequested() || failure.targetUnwritable()) return false;
        if (lane.waitInQueue(failure, waits)) continue;
        if (++attempts >= kMaxAttempts) return false;
        continue;
      }
      patching = false;
    }
    const uint64_t have = resumable();
    if (have == 0) (void)removeFile(part);
    bool complete = have == packed;
    // One pass over the data: a download from the first byte is unpacked as
    // it arrives, into the work folder, so that a killed process leaves
    // nothing beside the target. Whatever upsets the stream (a piece out of
    // order, damaged data, a target that cannot be written or replaced) only
    // drops it: the transfer goes on, and the whole packed file is then
    // unpacked from the disk beside the target, which fails or succeeds just
    // as before. So does a resumed download.
    // Streams take turns with other unpacking: a transfer without one is
    // unpacked from the disk once it is complete.
    std::optional<UnpackTurn> streamTurn;
    std::optional<PackedStream> stream;
    if (!complete && have == 0 &&
        streamTurn.emplace(lane, static_cast<uint64_t>(file.size), UnpackTurn::Take::IfFree).granted()) {
      stream.emplace(part, packed, target, unpackingPath(state_.workFolder(), file), static_cast<uint64_t>(file.size),
                     file.sha256, nullptr, &lane.stopFlag());
    }
    const PieceFn piece = [&](uint64_t offset, const uint8_t* data, size_t size) {
      Failure dropped;
      if (stream && (offset != stream->position() || !stream->feed(data, size, dropped))) stream.reset();
    };
    if (!complete) {
      overran = false;
      failure = Failure{};
      if (lane.fetcher().download(url, part, have, progress, failure, piece)) {
        uint64_t got = 0;
        complete = fileSize(part, got) && got == packed;
      }
      failure.file = file.path;
      if (!complete && (overran || failure.kind == FailureKind::None)) {
        failure = Failure{FailureKind::DamagedData, 0, "download size does not match", file.path};
        (void)removeFile(part);
      } else if (!complete) {
        // The part stays: the next attempt resumes it. A disk that refused
        // it refuses it again: no new attempt. A full one gets its space
        // back: the player frees more, and a part kept would only keep the
        // disk full until then.
        if (failure.kind == FailureKind::DiskFull) (void)removeFile(part);
        if (lane.stopRequested() || failure.kind == FailureKind::DiskWrite || failure.kind == FailureKind::DiskFull) {
          return false;
        }
        if (lane.waitInQueue(failure, waits)) continue;  // a wait uses up no attempt
        if (lane.stopRequested()) return false;
      }
    }
    if (complete) {
      Failure dropped;
      const bool streamed = stream && stream->position() == packed && stream->finish(dropped);
      stream.reset();  // its buffers go before the file is unpacked again
      streamTurn.reset();
      const auto unpack = [&] {
        const UnpackTurn turn(lane, static_cast<uint64_t>(file.size));
        return applyPacked(part, target, static_cast<uint64_t>(file.size), file.sha256, nullptr, &lane.stopFlag(),
                           failure);
      };
      if (streamed || unpack()) {
        (void)removeFile(part);
        installed();
        return true;
      }
      failure.file = file.path;
      if (failure.targetUnwritable() || lane.stopRequested()) return false;
      (void)removeFile(part);  // the packed file itself is bad
    }
    if (++attempts >= kMaxAttempts) return false;
  }
}

bool UpdateJob::waitInQueue(const Failure& fetchFailure, unsigned& waits) {
  if (!mayWaitInQueue(fetchFailure, waits) || cancelRequested()) return false;
  return pauseForQueue(waits++);
}

bool UpdateJob::pauseForQueue(unsigned waits) {
  const auto nanoseconds = static_cast<uint64_t>(clock_.seconds() * 1e9);
  unsigned left = queueWaitMilliseconds(waits, nanoseconds);
  const std::string interrupted = currentPhase_;
  events_.onPhase("queue");
  for (; left > 0 && !cancelRequested(); left -= std::min(left, 200u)) clock_.sleepMilliseconds(std::min(left, 200u));
  events_.onPhase(interrupted);
  return !cancelRequested();
}

void UpdateJob::emitProgress(std::string_view phase, std::string_view file, uint32_t filesDone, uint32_t filesTotal,
                             uint64_t bytesDone, uint64_t bytesTotal, bool force) {
  Progress progress;
  if (meter_.sample(phase, file, filesDone, filesTotal, bytesDone, bytesTotal, force, progress) &&
      events_.onProgress) {
    events_.onProgress(progress);
  }
}

}  // namespace zv
