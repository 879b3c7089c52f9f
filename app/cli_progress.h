#pragma once
// The one-shot commands' display: what the page would show, as text. On a
// terminal a progress line (phase, percent, bytes, speed, time left) is
// redrawn in place; elsewhere only phases and results are printed.

#include <string>

#include "data/json.h"

namespace zv::cli {

class ProgressDisplay {
 public:
  explicit ProgressDisplay(bool terminal) : terminal_(terminal) {}

  void show(const Json& event);
  // Ends a progress line still open.
  void finish();

 private:
  void print(const std::string& line);

  bool terminal_;
  std::string phase_;  // the last phase shown: a job may announce it again
  bool lineOpen_ = false;
  size_t lineWidth_ = 0;
};

// "12.3 MiB", "512 bytes".
std::string byteText(double bytes);
// "0:07", "1:02:03".
std::string durationText(double seconds);
// The progress line of a progress event, at most width characters.
std::string progressLine(const Json& event, size_t width);
// The result line of a done event.
std::string resultLine(const Json& event);
// The line of a notice event.
std::string noticeLine(const Json& event);

}  // namespace zv::cli
