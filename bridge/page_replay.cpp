#include "bridge/page_replay.h"

namespace zv {

void PageReplay::record(const PageEvent& event) {
  if (event.type == "news") {
    news_ = event;
  } else if (event.type == "status") {
    status_ = event;
  } else if (event.type == "addons") {
    addons_ = event;
  } else if (event.type == "phase") {
    phase_ = event;
    progress_ = {};
    done_ = {};
  } else if (event.type == "progress") {
    progress_ = event;
  } else if (event.type == "done") {
    done_ = event;
    phase_ = {};
    progress_ = {};
  }
}

std::vector<PageEvent> PageReplay::events() const {
  std::vector<PageEvent> out;
  for (const PageEvent* event : {&news_, &status_, &addons_, &phase_, &progress_, &done_}) {
    if (!event->json.empty()) out.push_back(*event);
  }
  return out;
}

}  // namespace zv
