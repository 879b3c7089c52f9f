#include "tests/windows/window_test_support.h"

#include <string_view>

namespace zv::test {
namespace {

struct WindowSearch {
  DWORD process;
  std::wstring_view classPrefix;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[256] = {};
  wchar_t title[256] = {};
  GetClassNameW(window, name, 256);
  GetWindowTextW(window, title, 256);
  if (owner == search->process && std::wstring_view(name).starts_with(search->classPrefix) &&
      (search->title == nullptr || std::wstring_view(title) == search->title)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

TestProcess::TestProcess(const std::filesystem::path& exe, const std::wstring& arguments, HANDLE input,
                         HANDLE output) {
  std::wstring commandLine = L"\"" + exe.native() + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (input != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, input != nullptr, 0, nullptr,
                            exe.parent_path().c_str(), &startup, &info_) != FALSE;
}

TestProcess::~TestProcess() {
  if (!started_) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, static_cast<DWORD>(kWindowLimit.count()));
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

long TestProcess::exitCode(std::chrono::milliseconds limit) const {
  if (!started_ || WaitForSingleObject(info_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<long>(code);
}

HWND waitForWindow(const TestProcess& process, const wchar_t* classPrefix, const wchar_t* title) {
  HWND found = nullptr;
  waitUntil([&] {
    WindowSearch search{process.id(), classPrefix, title, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr && IsWindowVisible(search.found)) found = search.found;
    return found != nullptr || process.exitCode(std::chrono::milliseconds(0)) != -1;
  });
  return found;
}

HWND waitForMessageBox(const TestProcess& process) { return waitForWindow(process, L"#32770", L"ZarvoLauncher"); }

std::wstring messageBoxText(HWND dialog) {
  // 0xFFFF: the id of a message box's text, in Windows and in Wine.
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, 0xFFFF, text, 1024);
  return text;
}

void pressButton(HWND dialog, int button) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

}  // namespace zv::test
