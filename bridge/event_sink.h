#pragma once
// The host's mailbox on its main thread. Anything that must reach the page,
// and the two job notices below, is handed to it from any thread; the host
// hands each back to its Bridge on the main thread, in posting order
// (Windows: PostMessage to the main window; the console host: a queue
// drained by its main loop).

#include <filesystem>

#include "bridge/page_event.h"

namespace zv {

class EventSink {
 public:
  virtual ~EventSink() = default;

  // One event; the main thread calls Bridge::deliverPageEvent.
  virtual void postPageEvent(PageEvent event) = 0;
  // A downloaded new launcher; the main thread calls Bridge::finishSelfUpdate.
  virtual void postSelfUpdate(std::filesystem::path newLauncher) = 0;
  // The job thread is about to end; the main thread calls Bridge::jobEnded.
  virtual void postJobEnded() = 0;
};

}  // namespace zv
