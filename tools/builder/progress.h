#pragma once
// The progress line of build and verify: shown on a terminal, at most ten
// times a second, and not at all when the output goes to a file or a pipe.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace zv::builder {

class Progress {
 public:
  // shown: whether anything is drawn (normally: standard error is a terminal).
  explicit Progress(bool shown);
  ~Progress();

  // Starts a step: "hashing", "packing", "checking".
  void begin(std::string step, uint64_t filesTotal, uint64_t bytesTotal);
  // Thread-safe; each call adds to the counts of the current step.
  void add(uint64_t files, uint64_t bytes);
  // Sets the counts (for a source that reports totals).
  void set(uint64_t files, uint64_t bytes);
  // Draws the final state of the step and ends its line.
  void end();

 private:
  void draw(bool force);

  const bool shown_;
  std::mutex mutex_;
  std::string step_;
  uint64_t filesTotal_ = 0, bytesTotal_ = 0;
  std::atomic<uint64_t> files_{0}, bytes_{0};
  std::chrono::steady_clock::time_point started_, lastDraw_;
  bool open_ = false;
};

// "1.5 GiB", "340 KiB", "12 bytes".
std::string sizeText(uint64_t bytes);

}  // namespace zv::builder
