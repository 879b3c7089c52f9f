#include "platform/standard_streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace zv {
namespace {

// How standard input can be read without taking bytes past a line end.
enum class InputKind {
  Seekable,  // a file: read a block, then step back to just past the line end
  Pipe,      // look at the waiting bytes through tee() (Linux), then take the line's part
  Terminal,  // a terminal in line mode hands over at most one line per read
  Other,     // one byte per read
};

InputKind inputKind() {
  struct stat info {};
  if (fstat(STDIN_FILENO, &info) != 0) return InputKind::Other;
  if (S_ISREG(info.st_mode)) return InputKind::Seekable;
  if (isatty(STDIN_FILENO)) return InputKind::Terminal;
#ifdef __linux__
  if (S_ISFIFO(info.st_mode)) return InputKind::Pipe;
#endif
  return InputKind::Other;
}

ssize_t readRetrying(int fd, char* buffer, size_t size) {
  ssize_t n = 0;
  do {
    n = ::read(fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

// The bytes up to and including the first line feed, or all of them.
size_t untilLineEnd(const char* buffer, size_t size) {
  const char* end = std::find(buffer, buffer + size, '\n');
  return end == buffer + size ? size : static_cast<size_t>(end - buffer) + 1;
}

#ifdef __linux__
// A pipe of our own that tee() copies the waiting input into; kept for the
// program's life. False when none can be had.
bool peekPipe(int (&ends)[2]) {
  static int pipeEnds[2] = {-1, -1};
  static const bool made = pipe2(pipeEnds, O_CLOEXEC) == 0;
  ends[0] = pipeEnds[0];
  ends[1] = pipeEnds[1];
  return made;
}

// The pipe case; -1 when tee() cannot be used on this input.
ssize_t readPipeUpToLineEnd(char* buffer, size_t size) {
  int ends[2];
  if (!peekPipe(ends)) return -1;
  ssize_t copied = 0;
  do {
    copied = tee(STDIN_FILENO, ends[1], size, 0);  // waits for input, takes nothing
  } while (copied < 0 && errno == EINTR);
  if (copied < 0) return -1;
  if (copied == 0) return 0;
  if (readRetrying(ends[0], buffer, static_cast<size_t>(copied)) != copied) return 0;
  return readRetrying(STDIN_FILENO, buffer, untilLineEnd(buffer, static_cast<size_t>(copied)));
}
#endif

}  // namespace

size_t readStandardInputUpToLineEnd(char* buffer, size_t size) {
  static InputKind kind = inputKind();
  if (size == 0) return 0;
  ssize_t n = -1;
  switch (kind) {
    case InputKind::Seekable: {
      n = readRetrying(STDIN_FILENO, buffer, size);
      if (n <= 0) break;
      const size_t line = untilLineEnd(buffer, static_cast<size_t>(n));
      const off_t back = static_cast<off_t>(n) - static_cast<off_t>(line);
      if (back > 0 && lseek(STDIN_FILENO, -back, SEEK_CUR) < 0) return 0;
      n = static_cast<ssize_t>(line);
      break;
    }
    case InputKind::Pipe:
#ifdef __linux__
      n = readPipeUpToLineEnd(buffer, size);
      if (n >= 0) break;
      kind = InputKind::Other;
#endif
      [[fallthrough]];
    case InputKind::Other: n = readRetrying(STDIN_FILENO, buffer, 1); break;
    case InputKind::Terminal: n = readRetrying(STDIN_FILENO, buffer, size); break;
  }
  return n > 0 ? static_cast<size_t>(n) : 0;
}

bool writeStandardOutput(std::string_view bytes) {
  std::fflush(stdout);
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace zv
