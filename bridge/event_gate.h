#pragma once
// The way from any thread to the host's EventSink, kept alive by whoever
// still holds it: the news and status threads outlive the window that
// started them. Once shut, posts are dropped, as a message to a destroyed
// window is.

#include <atomic>
#include <mutex>
#include "bridge/event_sink.h"

namespace zv {

class EventGate {
 public:
  explicit EventGate(EventSink& sink) : sink_(&sink) {}

  void post(PageEvent event) {
    std::lock_guard lock(mutex_);
    if (sink_ != nullptr) sink_->postPageEvent(std::move(event));
  }
  // After this no post reaches the sink.
  void shut() {
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
  }

  // Set once the host starts to close; the status task stops on it.
  std::atomic<bool> closing{false};

 private:
  std::mutex mutex_;
  EventSink* sink_;
};

}  // namespace zv
