#pragma once
// The one-shot commands' display: what the page would show, as text. On a
// terminal a progress line (phase, percent, bytes, speed, time left) is
// redrawn in place; elsewhere only phases and results are printed.

#include <string>

#include "bridge/page_event.h"

namespace zv::cli {

class ProgressDisplay {
 public:
  // addonList: the add-on list events are shown too (the "addons" command).
  ProgressDisplay(bool terminal, bool addonList) : terminal_(terminal), addonList_(addonList) {}

  void show(const EventValues& event);
  // Ends a progress line still open.
  void finish();

 private:
  void print(const std::string& lines);

  bool terminal_;
  bool addonList_;
  std::string phase_;  // the last phase shown: a job may announce it again
  size_t lineWidth_ = 0;  // of the progress line still open; 0: none
};

// "0:07", "1:02:03".
std::string durationText(double seconds);
// The progress line of a progress event, at most width characters.
std::string progressLine(const Progress& progress, size_t width);

}  // namespace zv::cli
