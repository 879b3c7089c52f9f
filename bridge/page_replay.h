#pragma once
// What a reloaded page needs to show the launcher as it is. The page keeps
// nothing across loads, and "init" makes it wait for a job's result; but the
// news come once, the status once a minute, and a job's state only when it
// changes. So the last of each that reached the page is kept here and given
// to the page again after its next "init" (without it a reloaded page waits
// for a result that never comes, with Play off).

#include <vector>

#include "bridge/page_event.h"

namespace zv {

class PageReplay {
 public:
  // Every event that reached the page, in order.
  void record(const PageEvent& event);
  // The events that bring a fresh page up to now, in the order it takes them.
  std::vector<PageEvent> events() const;

 private:
  PageEvent news_;
  PageEvent status_;
  PageEvent addons_;
  // The running job's phase and its last progress, or the last job's result.
  PageEvent phase_;
  PageEvent progress_;
  PageEvent done_;
};

}  // namespace zv
