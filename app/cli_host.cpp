#include "app/cli_host.h"

namespace zv::cli {

void ConsoleHost::push(Item item) {
  {
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(item));
  }
  ready_.notify_one();
}

bool ConsoleHost::handle(Bridge& bridge, const Item& item) {
  switch (item.kind) {
    case Kind::PageEvent:
      bridge.deliverPageEvent(item.text);
      break;
    case Kind::SelfUpdate:
      bridge.finishSelfUpdate(item.path);
      break;
    case Kind::JobEnded:
      bridge.jobEnded();
      break;
    case Kind::Command:
      bridge.handlePageMessage(item.text);
      break;
    case Kind::EndOfInput:
      requestClose();
      break;
    case Kind::Close:
      bridge.close();
      closed_ = true;
      break;
  }
  return !closed_ && !destroyed_;
}

bool ConsoleHost::take(Item& item, bool wait) {
  std::unique_lock lock(mutex_);
  if (wait) ready_.wait(lock, [this] { return !items_.empty(); });
  if (items_.empty()) return false;
  item = std::move(items_.front());
  items_.pop_front();
  return true;
}

void ConsoleHost::run(Bridge& bridge, const std::function<bool()>& finished) {
  Item item;
  while (!closed_ && !destroyed_ && take(item, true)) {
    if (!handle(bridge, item) || (finished && finished())) return;
  }
}

void ConsoleHost::drain(Bridge& bridge) {
  Item item;
  while (!closed_ && !destroyed_ && take(item, false)) {
    if (!handle(bridge, item)) return;
  }
}

}  // namespace zv::cli
