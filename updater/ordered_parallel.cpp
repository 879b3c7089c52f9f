#include "updater/ordered_parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <system_error>
#include <mutex>
#include <thread>
#include <vector>

namespace zv {
namespace {

enum Result : uint8_t { kPending, kFalse, kTrue };

}  // namespace

unsigned hashingWorkers() { return std::clamp(std::thread::hardware_concurrency(), 1u, 8u); }

bool runInOrder(size_t count, unsigned workers, const std::function<bool(size_t)>& work,
                const std::function<bool(size_t, bool)>& done) {
  // Results are handed over through atomics; the lock and the wake-up are
  // paid only when the caller is waiting for that very result. Waking the
  // caller for every item cost more than the stat of an unchanged file.
  std::vector<std::atomic<Result>> results(count);
  for (std::atomic<Result>& result : results) result.store(kPending, std::memory_order_relaxed);
  constexpr size_t kNobody = SIZE_MAX;
  std::atomic<size_t> waitingFor{kNobody};
  std::mutex mutex;
  std::condition_variable ready;
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  // Workers claim items a run at a time: one shared counter taken per item
  // cost the unchanged check as much as its cache lookups. Runs stay short
  // enough (at most 32, and 16 per worker over the whole list) that hashing
  // a few large files still spreads over every worker.
  const size_t run = std::clamp<size_t>(count / (std::max(1u, workers) * 16), 1, 32);
  const auto loop = [&] {
    for (size_t first = next.fetch_add(run); first < count; first = next.fetch_add(run)) {
      for (size_t i = first; i < std::min(count, first + run); ++i) {
        if (stop.load()) return;
        results[i].store(work(i) ? kTrue : kFalse);
        // Both sides store, then load, sequentially consistent: either the
        // caller sees the result or this sees it waiting.
        if (waitingFor.load() == i) {
          { std::lock_guard lock(mutex); }  // the caller is asleep or not yet past its check
          ready.notify_one();
        }
      }
    }
  };

  std::vector<std::thread> threads;
  const size_t wanted = std::min<size_t>(count, std::max(1u, workers));
  for (size_t t = 0; t < wanted; ++t) {
    try {
      threads.emplace_back(loop);
    } catch (const std::system_error&) {
      break;  // fewer threads than asked for do the same work
    }
  }
  if (threads.empty()) loop();  // no thread at all: everything here, then the results

  bool completed = true;
  for (size_t i = 0; i < count && completed; ++i) {
    Result result = results[i].load();
    if (result == kPending) {
      // Waits for the last item of i's run: one worker does a run in order,
      // so then i and the items after it up to there are in too. Waiting for
      // i alone woke this thread for nearly every item of an unchanged
      // check, each time taking the core from a worker.
      const size_t last = std::min(count, (i / run + 1) * run) - 1;
      std::unique_lock lock(mutex);
      waitingFor.store(last);
      ready.wait(lock, [&] { return results[last].load() != kPending; });
      waitingFor.store(kNobody);
      result = results[i].load();
    }
    completed = done(i, result == kTrue);
  }
  stop = true;
  for (std::thread& thread : threads) thread.join();
  return completed;
}

void forEachParallel(size_t count, const std::function<void(size_t)>& work) {
  const auto run = [&](size_t i) {
    work(i);
    return true;
  };
  (void)runInOrder(count, std::thread::hardware_concurrency(), run, [](size_t, bool) { return true; });
}

}  // namespace zv
