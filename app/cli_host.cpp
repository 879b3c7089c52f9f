#include "app/cli_host.h"

namespace zv::cli {

void ConsoleHost::push(Item item) {
  {
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(item));
  }
  ready_.notify_one();
}

bool ConsoleHost::take(Item& item, bool wait) {
  std::unique_lock lock(mutex_);
  if (wait) ready_.wait(lock, [this] { return !items_.empty(); });
  if (items_.empty()) return false;
  item = std::move(items_.front());
  items_.pop_front();
  return true;
}

void ConsoleHost::handOver(Bridge& bridge, const std::function<bool()>& finished, bool wait) {
  Item item;
  while (!closed_ && !destroyed_ && take(item, wait)) {
    item(bridge);
    if (finished && finished()) return;
  }
}

}  // namespace zv::cli
