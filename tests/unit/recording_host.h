#pragma once
// A host for bridge tests: the main thread's queue is a list the test
// drains itself, and the page and window record what reaches them.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "bridge/event_sink.h"
#include "bridge/host_window.h"
#include "data/json.h"

namespace zv::test {

class RecordingHost final : public EventSink, public HostWindow {
 public:
  // EventSink: any thread.
  void postPageEvent(PageEvent event) override { push({Kind::PageEvent, std::move(event), {}}); }
  void postSelfUpdate(std::filesystem::path path) override { push({Kind::SelfUpdate, {}, std::move(path)}); }
  void postJobEnded() override { push({Kind::JobEnded, {}, {}}); }

  // HostWindow.
  bool pageViewExists() const override { return true; }
  void sendToPage(const PageEvent& event) override { page.push_back(event.json); }
  void minimize() override { ++minimized; }
  void requestClose() override { ++closeRequests; }
  void beginDrag() override { ++drags; }
  bool artDrawn() const override { return drawn; }
  void showArt(const ThemePicture& picture) override { art.push_back(picture); }
  void destroy() override { ++destroyed; }

  // Hands what is queued now to the bridge.
  void pump(Bridge& bridge) {
    Item item;
    while (take(item, {})) handle(bridge, item);
  }

  // Hands everything to the bridge, waiting for more, until no job runs;
  // false when a job is still running after a minute.
  [[nodiscard]] bool runUntilIdle(Bridge& bridge) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    Item item;
    while (bridge.jobBusy()) {
      if (!take(item, deadline)) return false;
      handle(bridge, item);
    }
    pump(bridge);
    return true;
  }

  // The "type" of every event the page got, in order.
  std::vector<std::string> types() const {
    std::vector<std::string> out;
    for (const std::string& text : page) out.emplace_back(Json::parse(text).get("type").text());
    return out;
  }
  Json event(size_t index) const { return index < page.size() ? Json::parse(page[index]) : Json(); }

  std::vector<std::string> page;
  std::vector<ThemePicture> art;
  bool drawn = false;
  int minimized = 0;
  int closeRequests = 0;
  int drags = 0;
  int destroyed = 0;

 private:
  enum class Kind { PageEvent, SelfUpdate, JobEnded };
  struct Item {
    Kind kind = Kind::PageEvent;
    PageEvent event;
    std::filesystem::path path;
  };

  void push(Item item) {
    {
      std::lock_guard lock(mutex_);
      items_.push_back(std::move(item));
    }
    ready_.notify_all();
  }
  // The next item, waiting for one until the deadline (none: no waiting).
  bool take(Item& item, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    if (!ready_.wait_until(lock, deadline, [this] { return !items_.empty(); })) return false;
    item = std::move(items_.front());
    items_.pop_front();
    return true;
  }
  void handle(Bridge& bridge, Item& item) {
    switch (item.kind) {
      case Kind::PageEvent: bridge.deliverPageEvent(std::move(item.event)); break;
      case Kind::SelfUpdate: bridge.finishSelfUpdate(item.path); break;
      case Kind::JobEnded: bridge.jobEnded(); break;
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Item> items_;
};

}  // namespace zv::test
