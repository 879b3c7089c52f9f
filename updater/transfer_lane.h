#pragma once
// Where one file's download runs: the fetcher it uses, where its progress
// goes, how it waits while the server is busy, and the flag that stops it.
// The job's own thread is one such lane (the launcher's own update); each
// worker of a download pass is another (transfer_pool.h).

#include <atomic>
#include <cstdint>

#include "data/failure.h"
#include "net/fetcher.h"

namespace zv {

// Busy-server waits spent on one file at most (about half an hour).
inline constexpr unsigned kMaxQueueWaits = 60;

// Whether a failed request may wait in the server's queue once more: the
// server said it is busy, and the file has waited fewer than kMaxQueueWaits
// times.
inline bool mayWaitInQueue(const Failure& failure, unsigned waits) {
  return failure.kind == FailureKind::BusyServer && waits < kMaxQueueWaits;
}

class TransferLane {
 public:
  virtual Fetcher& fetcher() = 0;
  // The file's download now holds fileBytes (never more than its packed size).
  virtual void progress(uint64_t fileBytes) = 0;
  // After a failed request: when mayWaitInQueue allows it, counts a wait in
  // waits and waits in the server's queue. True: repeat the request now.
  [[nodiscard]] virtual bool waitInQueue(const Failure& fetchFailure, unsigned& waits) = 0;
  // Set when the transfer must stop: a cancel, or a failure elsewhere in the
  // pass. The fetcher watches it; the unpacking reads it between chunks.
  virtual const std::atomic<bool>& stopFlag() const = 0;
  bool stopRequested() const { return stopFlag().load(); }
  // Around unpacking a file, from the disk or as it arrives (see
  // UnpackTurn): beginUnpack may wait for the lane's turn, tryBeginUnpack
  // takes it only when it is free now.
  virtual void beginUnpack() = 0;
  [[nodiscard]] virtual bool tryBeginUnpack() = 0;
  virtual void endUnpack() = 0;

 protected:
  ~TransferLane() = default;
};

// A file of at most this size unpacks without a turn: its buffers are no
// larger than the file, and many small files in flight must not wait for
// each other.
inline constexpr uint64_t kUnpackWithoutTurn = 1u << 20;

// A lane's leave to unpack a file of fileSize bytes, for as long as it
// lives: at once for a small file, else the lane's turn.
class UnpackTurn {
 public:
  enum class Take { Waiting, IfFree };
  UnpackTurn(TransferLane& lane, uint64_t fileSize, Take take = Take::Waiting)
      : lane_(lane),
        turn_(fileSize > kUnpackWithoutTurn &&
              (take == Take::IfFree ? lane.tryBeginUnpack() : (lane.beginUnpack(), true))),
        granted_(fileSize <= kUnpackWithoutTurn || turn_) {}
  ~UnpackTurn() {
    if (turn_) lane_.endUnpack();
  }
  UnpackTurn(const UnpackTurn&) = delete;
  UnpackTurn& operator=(const UnpackTurn&) = delete;
  bool granted() const { return granted_; }

 private:
  TransferLane& lane_;
  const bool turn_;     // a turn was taken and is given back
  const bool granted_;  // the file may be unpacked now
};

}  // namespace zv
