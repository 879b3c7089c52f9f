#include "platform/standard_streams.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace zv {

bool readStandardInputLine(std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return any;
    any = true;
    if (c == '\n') break;
    line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void writeStandardOutput(std::string_view bytes) {
  std::fflush(stdout);
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the reader is gone; nothing else can be done
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace zv
