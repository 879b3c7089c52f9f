// The file checks' workers: results reach the caller in order whatever order
// the work ends in, and a stop leaves the rest of the items unstarted.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "updater/ordered_parallel.h"

namespace zv {
namespace {

TEST(OrderedParallel, ResultsInOrderWhenWorkEndsOutOfOrderAndAStopEndsTheRun) {
  // The first items end last: each waits until every later one has ended
  // (the waits are bounded, so a wrong runner fails instead of hanging).
  constexpr size_t kCount = 6;
  std::atomic<size_t> ended{0};
  const auto work = [&](size_t i) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (i == 0 && ended.load() < 2 && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
    ++ended;
    return i % 2 == 0;
  };
  std::vector<std::pair<size_t, bool>> seen;
  const auto record = [&](size_t i, bool result) {
    seen.emplace_back(i, result);
    return true;
  };
  ASSERT_TRUE(runInOrder(kCount, 3, work, record));
  ASSERT_EQ(seen.size(), kCount);
  for (size_t i = 0; i < kCount; ++i) EXPECT_EQ(seen[i], std::make_pair(i, i % 2 == 0));
  EXPECT_TRUE(runInOrder(0, 3, work, record)) << "nothing to do";

  // Items from 20 on wait for the stop, so the workers cannot run ahead to
  // the end before it.
  std::atomic<size_t> started{0};
  std::atomic<bool> stopped{false};
  const auto gated = [&](size_t i) {
    ++started;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (i >= 20 && !stopped.load() && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
    return true;
  };
  const auto stopAtTen = [&](size_t i, bool) {
    if (i == 10) stopped = true;
    return i < 10;
  };
  EXPECT_FALSE(runInOrder(1000, 2, gated, stopAtTen));
  EXPECT_LT(started.load(), 1000u) << "no item is started after the stop";
}

}  // namespace
}  // namespace zv
