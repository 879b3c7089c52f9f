#pragma once
// Runs work(i) for i = 0 .. count-1 on one thread per core. Each call takes
// the next index, so large and small items balance out by themselves.

#include <cstddef>
#include <functional>

namespace zv::builder {

void forEachParallel(size_t count, const std::function<void(size_t)>& work);

}  // namespace zv::builder
