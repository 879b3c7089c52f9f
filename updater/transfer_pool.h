#pragma once
// A download pass with several files in flight: one worker thread per
// fetcher, so each worker keeps its own keep-alive connection. Workers only
// download; the job's thread stays the one that reports. Workers note what
// they start and finish and how far each file got; the job's thread wakes on
// those notes (and every 100 ms at least) and hands them to its listener in
// the order they happened.
//
// Unpacking files above 1 MiB takes turns: at most two such files unpack at
// once (as they arrive, or from the disk once complete), so memory stays
// that of two large unpackers and eight small ones whatever the number of
// transfers.
//
// A busy server pauses the whole pass: the job's thread waits in the queue
// once for all the files that were turned away, nothing new starts
// meanwhile, and the held files are asked for again afterwards. The first
// failure, or a cancel, stops the pass: nothing new starts and the running
// transfers are told to stop.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "data/failure.h"
#include "net/fetcher.h"
#include "updater/transfer_lane.h"

namespace zv {

class TransferPool {
 public:
  // Called on the job's thread only.
  struct Listener {
    std::function<void(size_t item)> started;
    std::function<void(size_t item)> finished;
    // Some file's byte count grew since the last call.
    std::function<void()> moved;
    // The server turned files away: wait in its queue as a file that has
    // already waited `waits` times would. False: cancelled meanwhile.
    std::function<bool(unsigned waits)> queue;
  };
  // Downloads item on a worker. True: done; false: failure says why.
  using Work = std::function<bool(size_t item, TransferLane& lane, Failure& failure)>;

  // groups: the items (0 to itemCount - 1), each group's run one after
  // another on one worker (files that share a download), groups taken in
  // order by the first free worker. cancel is the job's flag.
  TransferPool(std::vector<std::vector<size_t>> groups, size_t itemCount, const std::atomic<bool>& cancel);
  TransferPool(const TransferPool&) = delete;
  TransferPool& operator=(const TransferPool&) = delete;

  size_t groupCount() const { return groups_.size(); }

  // Runs every group, one worker per fetcher (no more workers than groups),
  // and returns once all workers ended. The fetchers watch the pass's stop
  // flag meanwhile and the job's cancel flag again afterwards. False: failure
  // is the first failure of a file, or Cancelled when a cancel stopped the
  // pass before any file failed. A fault thrown by work is thrown again here
  // once every worker ended.
  [[nodiscard]] bool run(const std::vector<Fetcher*>& fetchers, const Work& work, Listener& listener,
                         Failure& failure);

  // The most bytes any attempt at item reached. Any thread.
  uint64_t bytesOf(size_t item) const { return bytes_[item].load(std::memory_order_relaxed); }

 private:
  class Lane;
  struct Note {
    bool started;  // else finished
    size_t item;
  };

  void work(Lane& lane, const Work& work);
  // A worker's file was turned away: held until the job's thread has waited
  // in the queue. False: the pass stopped.
  bool holdForQueue(unsigned waits);
  void noteBytes(size_t item, uint64_t bytes);
  void stop();  // with mutex_ held

  std::vector<std::vector<size_t>> groups_;
  size_t itemCount_;
  std::unique_ptr<std::atomic<uint64_t>[]> bytes_;
  const std::atomic<bool>& cancel_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> moved_{false};

  std::mutex mutex_;
  std::condition_variable jobWake_;     // the job's thread waits here
  std::condition_variable workerWake_;  // paused and held workers wait here
  std::condition_variable unpackWake_;  // workers waiting for a turn to unpack
  // Guarded by mutex_:
  size_t nextGroup_ = 0;
  size_t running_ = 0;  // workers that have not ended
  size_t finished_ = 0;
  std::vector<Note> notes_;
  bool firstBytes_ = false;  // a file's first bytes arrived
  size_t unpacking_ = 0;     // workers unpacking now
  bool failed_ = false;
  Failure failure_;
  std::exception_ptr fault_;
  bool queueWanted_ = false;  // a file was turned away while the pass ran
  unsigned queueWaits_ = 0;   // the most waits among those files
  bool paused_ = false;       // the job's thread waits in the queue
  uint64_t queueRounds_ = 0;  // waits in the queue ended
};

}  // namespace zv
