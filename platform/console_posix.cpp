#include "platform/console.h"

#include <unistd.h>

namespace zv {

bool isTerminal(ConsoleStream stream) {
  return isatty(stream == ConsoleStream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

void useUtf8Console() {}

}  // namespace zv
