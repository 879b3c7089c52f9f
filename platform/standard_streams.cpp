#include "platform/standard_streams.h"

#include <vector>

namespace zv {

InputLine readStandardInputLine(std::string& line) {
  line.clear();
  std::vector<char> block(64 * 1024);
  bool any = false;
  bool tooLong = false;
  for (;;) {
    const size_t got = readStandardInputUpToLineEnd(block.data(), block.size());
    if (got == 0) {
      if (!any) return InputLine::End;
      break;
    }
    any = true;
    const bool ended = block[got - 1] == '\n';
    const size_t textBytes = ended ? got - 1 : got;
    // The rest of an over-long line is read and forgotten, so that memory
    // stays bounded however long it is.
    tooLong = tooLong || textBytes > kMaxInputLineBytes - line.size();
    if (!tooLong) line.append(block.data(), textBytes);
    if (ended) break;
  }
  if (tooLong) {
    line.clear();
    return InputLine::TooLong;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return InputLine::Line;
}

}  // namespace zv
