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

void ConsoleHost::run(Bridge& bridge, const std::function<bool()>& finished) {
  while (!closed_ && !destroyed_) {
    Item item;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return !items_.empty(); });
      item = std::move(items_.front());
      items_.pop_front();
    }
    if (!handle(bridge, item)) return;
    if (finished && finished()) return;
  }
}

void ConsoleHost::drain(Bridge& bridge) {
  while (!closed_ && !destroyed_) {
    Item item;
    {
      std::lock_guard lock(mutex_);
      if (items_.empty()) return;
      item = std::move(items_.front());
      items_.pop_front();
    }
    if (!handle(bridge, item)) return;
  }
}

}  // namespace zv::cli
