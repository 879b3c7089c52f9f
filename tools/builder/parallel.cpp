#include "tools/builder/parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace zv::builder {

void forEachParallel(size_t count, const std::function<void(size_t)>& work) {
  std::atomic<size_t> next{0};
  const auto loop = [&] {
    for (size_t i = next++; i < count; i = next++) work(i);
  };
  const size_t threads = std::min<size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
  std::vector<std::thread> helpers;
  for (size_t t = 1; t < threads; ++t) helpers.emplace_back(loop);
  loop();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace zv::builder
