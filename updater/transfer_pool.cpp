#include "updater/transfer_pool.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/file.h"

namespace zv {
namespace {

// The job's thread looks at the byte counts at least this often; progress
// events go out at most ten times a second anyway.
constexpr std::chrono::milliseconds kReportInterval{100};

// Files unpacked at once, from the disk or as they arrive. Unpacking holds a
// chunk of input and one of output (8 MiB with 4 MiB chunks) and keeps a
// core busy. Where a large file's writes go straight to the disk and wait
// for it (File::preferUncached), one more keeps the core busy meanwhile.
constexpr size_t kUnpackTurns = kUncachedWrites ? 3 : 2;

}  // namespace

class TransferPool::Lane final : public TransferLane {
 public:
  Lane(TransferPool& pool, Fetcher& fetcher) : pool_(pool), fetcher_(fetcher) {}

  Fetcher& fetcher() override { return fetcher_; }
  void progress(uint64_t fileBytes) override { pool_.noteBytes(item, fileBytes); }
  bool waitInQueue(const Failure& fetchFailure, unsigned& waits) override {
    if (!mayWaitInQueue(fetchFailure, waits) || stopRequested()) return false;
    return pool_.holdForQueue(waits++);
  }
  const std::atomic<bool>& stopFlag() const override { return pool_.stop_; }
  void beginUnpack() override {
    std::unique_lock lock(pool_.mutex_);
    // A stopped pass lets everyone through: the unpacking sees the stop at once.
    pool_.unpackWake_.wait(lock, [&] { return pool_.unpacking_ < kUnpackTurns || pool_.stop_.load(); });
    ++pool_.unpacking_;
  }
  bool tryBeginUnpack() override {
    std::lock_guard lock(pool_.mutex_);
    if (pool_.unpacking_ >= kUnpackTurns) return false;
    ++pool_.unpacking_;
    return true;
  }
  void endUnpack() override {
    std::lock_guard lock(pool_.mutex_);
    --pool_.unpacking_;
    pool_.unpackWake_.notify_one();
  }

  size_t item = 0;  // the file this lane works on

 private:
  TransferPool& pool_;
  Fetcher& fetcher_;
};

TransferPool::TransferPool(std::vector<std::vector<size_t>> groups, size_t itemCount,
                           const std::atomic<bool>& cancel)
    : groups_(std::move(groups)),
      itemCount_(itemCount),
      bytes_(std::make_unique<std::atomic<uint64_t>[]>(itemCount)),
      cancel_(cancel) {}

void TransferPool::stop() {
  stop_.store(true);
  workerWake_.notify_all();
  unpackWake_.notify_all();
}

void TransferPool::noteBytes(size_t item, uint64_t bytes) {
  // Only the item's worker writes its count. It keeps the highest value, so
  // a file that starts over (a server ignoring the range, a damaged
  // download) never makes the pass's sum go back.
  const uint64_t before = bytes_[item].load(std::memory_order_relaxed);
  if (bytes <= before) return;
  bytes_[item].store(bytes, std::memory_order_relaxed);
  moved_.store(true);
  // A file's first bytes are reported at once, later ones with the next
  // look at the counts: a wake per piece would cost more than the download.
  if (before == 0) {
    std::lock_guard lock(mutex_);
    firstBytes_ = true;
    jobWake_.notify_one();
  }
}

bool TransferPool::holdForQueue(unsigned waits) {
  std::unique_lock lock(mutex_);
  if (stop_.load()) return false;
  // A file turned away while the job's thread already waits in the queue
  // joins that wait instead of starting another.
  if (!paused_) {
    queueWanted_ = true;
    queueWaits_ = std::max(queueWaits_, waits);
    jobWake_.notify_one();
  }
  const uint64_t round = queueRounds_;
  workerWake_.wait(lock, [&] { return queueRounds_ != round || stop_.load(); });
  return !stop_.load();
}

void TransferPool::work(Lane& lane, const Work& download) {
  std::unique_lock lock(mutex_);
  for (;;) {
    workerWake_.wait(lock, [&] { return !paused_ || stop_.load(); });
    if (stop_.load() || nextGroup_ == groups_.size()) break;
    for (const size_t item : groups_[nextGroup_++]) {
      if (stop_.load()) break;
      notes_.push_back({true, item});
      jobWake_.notify_one();
      lock.unlock();
      lane.item = item;
      Failure failure;
      bool done = false;
      try {
        done = download(item, lane, failure);
      } catch (...) {
        lock.lock();
        if (!fault_) fault_ = std::current_exception();
        stop();
        break;
      }
      lock.lock();
      if (!done) {
        // Only the first failure counts: the others are mostly the stop it caused.
        if (!failed_) failure_ = std::move(failure);
        failed_ = true;
        stop();
        break;
      }
      ++finished_;
      notes_.push_back({false, item});
      jobWake_.notify_one();
    }
  }
  --running_;
  jobWake_.notify_one();
}

bool TransferPool::run(const std::vector<Fetcher*>& fetchers, const Work& download, Listener& listener,
                       Failure& failure) {
  const size_t workers = std::min(fetchers.size(), groups_.size());
  std::vector<std::unique_ptr<Lane>> lanes;
  for (size_t i = 0; i < workers; ++i) lanes.push_back(std::make_unique<Lane>(*this, *fetchers[i]));

  // However this ends, the workers are stopped and joined and the fetchers
  // watch the job's flag again before the pass's own flag is gone.
  struct Crew {
    TransferPool& pool;
    const std::vector<Fetcher*>& fetchers;
    size_t count;
    std::vector<std::thread> threads;
    ~Crew() {
      {
        std::lock_guard lock(pool.mutex_);
        pool.stop();
      }
      for (std::thread& thread : threads) thread.join();
      for (size_t i = 0; i < count; ++i) fetchers[i]->watchCancel(&pool.cancel_);
    }
  } crew{*this, fetchers, workers, {}};
  for (size_t i = 0; i < workers; ++i) fetchers[i]->watchCancel(&stop_);
  // From here on the job's thread passes a cancel on to the workers; one
  // that came before finds them stopped from the start.
  stop_.store(cancel_.load());
  running_ = workers;
  for (size_t i = 0; i < workers; ++i) {
    try {
      crew.threads.emplace_back([this, &lane = *lanes[i], &download] { work(lane, download); });
    } catch (...) {
      // Fewer workers than asked for still do the work; none at all is a fault.
      if (crew.threads.empty()) throw;
      std::lock_guard lock(mutex_);
      running_ -= workers - crew.threads.size();
      break;
    }
  }

  std::unique_lock lock(mutex_);
  for (bool ended = false; !ended;) {
    jobWake_.wait_for(lock, kReportInterval, [&] {
      return !notes_.empty() || firstBytes_ || running_ == 0 || queueWanted_ || (cancel_.load() && !stop_.load());
    });
    firstBytes_ = false;
    if (cancel_.load() && !stop_.load()) stop();
    ended = running_ == 0;  // read with the notes: none can follow
    std::vector<Note> notes;
    notes.swap(notes_);
    const bool queue = queueWanted_ && !stop_.load();
    const unsigned waits = queueWaits_;
    queueWanted_ = false;
    queueWaits_ = 0;
    paused_ = queue;
    lock.unlock();

    for (const Note& note : notes) (note.started ? listener.started : listener.finished)(note.item);
    if (moved_.exchange(false)) listener.moved();
    // Transfers that were running when the server turned one away go on:
    // they were let in, and stopping them would only throw their bytes away.
    const bool waited = !queue || listener.queue(waits);

    lock.lock();
    if (queue) {
      paused_ = false;
      ++queueRounds_;
      if (!waited) stop();
      workerWake_.notify_all();
    }
  }
  lock.unlock();

  if (fault_) std::rethrow_exception(fault_);
  if (finished_ == itemCount_) return true;
  failure = failed_ ? failure_ : cancelledFailure();
  return false;
}

}  // namespace zv
