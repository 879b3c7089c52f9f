#include "updater/ordered_parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
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
  std::vector<Result> results(count, kPending);
  std::mutex mutex;
  std::condition_variable ready;
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  const auto loop = [&] {
    for (size_t i = next++; i < count && !stop.load(); i = next++) {
      const Result result = work(i) ? kTrue : kFalse;
      {
        std::lock_guard lock(mutex);
        results[i] = result;
      }
      ready.notify_one();
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
    Result result;
    {
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] { return results[i] != kPending; });
      result = results[i];
    }
    completed = done(i, result == kTrue);
  }
  stop = true;
  for (std::thread& thread : threads) thread.join();
  return completed;
}

}  // namespace zv
