#pragma once
// The console launcher's host: a main-thread queue in place of the window's
// message queue, and a "page" that is this program's output. Nothing here
// decides anything; the Bridge does, exactly as in the window launcher.

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "bridge/bridge.h"
#include "bridge/event_sink.h"
#include "bridge/host_window.h"

namespace zv::cli {

class ConsoleHost final : public EventSink, public HostWindow {
 public:
  // page receives every event the page would, in order.
  explicit ConsoleHost(std::function<void(const PageEvent& event)> page) : page_(std::move(page)) {}

  // EventSink, any thread.
  void postPageEvent(PageEvent event) override {
    push([event = std::move(event)](Bridge& bridge) mutable { bridge.deliverPageEvent(std::move(event)); });
  }
  void postSelfUpdate(std::filesystem::path newLauncher) override {
    push([newLauncher = std::move(newLauncher)](Bridge& bridge) { bridge.finishSelfUpdate(newLauncher); });
  }
  void postJobEnded() override { push([](Bridge& bridge) { bridge.jobEnded(); }); }

  // Input, any thread: one page command; the end of input, which closes the
  // launcher once the events posted before it was seen are out.
  void postCommand(std::string line) {
    push([line = std::move(line)](Bridge& bridge) { bridge.handlePageMessage(line); });
  }
  void postEndOfInput() { push([this](Bridge&) { requestClose(); }); }

  // HostWindow, main thread. There is no window: its actions do nothing,
  // except closing, which ends the main loop the way the window's close does.
  bool pageViewExists() const override { return true; }
  void sendToPage(const PageEvent& event) override { page_(event); }
  void minimize() override {}
  void requestClose() override {
    push([this](Bridge& bridge) {
      bridge.close();
      closed_ = true;
    });
  }
  void beginDrag() override {}
  bool artDrawn() const override { return false; }
  void showArt(const ThemePicture&) override {}
  void destroy() override { destroyed_ = true; }

  // Hands queued items to the bridge until the close sequence has run, a
  // self-update ended this launcher, or finished() says so after an item.
  void run(Bridge& bridge, const std::function<bool()>& finished = {}) { handOver(bridge, finished, true); }
  // Hands over what is queued now, without waiting for more.
  void drain(Bridge& bridge) { handOver(bridge, {}, false); }

  // True once a self-update started the new launcher.
  bool restarted() const { return destroyed_; }

 private:
  // What the main thread does with one posted item.
  using Item = std::function<void(Bridge& bridge)>;

  void push(Item item);
  // The next item; with wait, blocks until there is one (the stdin reader
  // always ends with one), else false when there is none.
  bool take(Item& item, bool wait);
  void handOver(Bridge& bridge, const std::function<bool()>& finished, bool wait);

  std::function<void(const PageEvent&)> page_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Item> items_;
  bool destroyed_ = false;
  bool closed_ = false;
};

}  // namespace zv::cli
