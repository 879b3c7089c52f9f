#pragma once
// Work on many items on a few threads, with the results taken in order: the
// file checks hash on every core while their progress is still reported one
// file after the other, from the calling thread.

#include <cstddef>
#include <functional>

namespace zv {

// The number of worker threads for file hashing: one per core, at most 8,
// so the buffers in use stay a few megabytes.
unsigned hashingWorkers();

// Runs work(i) for i = 0 .. count-1 on up to `workers` threads, each taking
// the next index (large and small items balance out by themselves), and calls
// done(i, result) on the calling thread in index order as results come in.
// When done returns false, no further item is started and the call returns
// false once the running ones have ended. work must be safe to run on several
// threads at once.
[[nodiscard]] bool runInOrder(size_t count, unsigned workers, const std::function<bool(size_t)>& work,
                              const std::function<bool(size_t, bool)>& done);

// work(i) for i = 0 .. count-1 on one thread per core, where nothing needs
// the results in order (the publisher's tool).
void forEachParallel(size_t count, const std::function<void(size_t)>& work);

}  // namespace zv
