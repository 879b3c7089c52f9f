#include "platform/standard_streams.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace zv {
namespace {

// The bytes up to and including the first line feed, or all of them.
DWORD untilLineEnd(const char* buffer, DWORD size) {
  const char* end = std::find(buffer, buffer + size, '\n');
  return end == buffer + size ? size : static_cast<DWORD>(end - buffer) + 1;
}

}  // namespace

size_t readStandardInputUpToLineEnd(char* buffer, size_t size) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE || size == 0) return 0;
  const DWORD block = static_cast<DWORD>(std::min<size_t>(size, 64 * 1024));
  DWORD want = 1;  // where nothing can be looked at ahead: a byte at a time
  switch (GetFileType(input)) {
    case FILE_TYPE_DISK: {
      // Read a block, then step back to just past the line end.
      DWORD got = 0;
      if (!ReadFile(input, buffer, block, &got, nullptr) || got == 0) return 0;
      const DWORD line = untilLineEnd(buffer, got);
      LARGE_INTEGER back{};
      back.QuadPart = -static_cast<LONGLONG>(got - line);
      if (got > line && !SetFilePointerEx(input, back, nullptr, FILE_CURRENT)) return 0;
      return line;
    }
    case FILE_TYPE_PIPE: {
      // Take only the waiting bytes up to the line end; with none waiting,
      // wait for one byte.
      DWORD peeked = 0;
      if (PeekNamedPipe(input, buffer, block, &peeked, nullptr, nullptr) && peeked > 0) {
        want = untilLineEnd(buffer, peeked);
      }
      break;
    }
    case FILE_TYPE_CHAR: want = block; break;  // a console hands over one line per read
    default: break;
  }
  DWORD got = 0;
  if (!ReadFile(input, buffer, want, &got, nullptr)) return 0;
  return got;
}

bool writeStandardOutput(std::string_view bytes) {
  std::fflush(stdout);
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  // Started without any standard output (detached): nobody asked to see it.
  if (output == nullptr) return true;
  if (output == INVALID_HANDLE_VALUE) return false;
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace zv
