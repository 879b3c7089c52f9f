// Stands in for the player's default browser: records the address it was
// asked to open in the stand-in runtime's journal, and opens nothing.
#include <windows.h>

#include <string>

#include "tests/windows/webview_standin/journal.h"

int wmain(int argc, wchar_t** argv) {
  std::wstring line = L"browser";
  for (int i = 1; i < argc; ++i) line += std::wstring(L" ") + argv[i];
  zv::standin::journal(line);
  return 0;
}
