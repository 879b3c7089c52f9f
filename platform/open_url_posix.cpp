#include "platform/open_url.h"

#include "platform/command_line.h"
#include "platform/process.h"

namespace zv {

void openUrl(std::string_view url) {
  ProcessCommand command;
  command.program = findProgramOnPath("xdg-open");
  if (command.program.empty()) return;
  command.arguments = quoteArgument(url);
  StartError error;
  (void)startProcess(command, error);
}

}  // namespace zv
