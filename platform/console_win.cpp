#include "platform/console.h"

#include <windows.h>

namespace zv {

bool isTerminal(ConsoleStream stream) {
  // GetConsoleMode succeeds only for a real console, not for a redirected
  // handle (file, pipe, or the NUL device, which _isatty calls a terminal).
  HANDLE handle = GetStdHandle(stream == ConsoleStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void useUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace zv
