#include "tests/windows/gui_process.h"

#include <gtest/gtest.h>

namespace zv::test {

using std::chrono::milliseconds;

Process::Process(const std::filesystem::path& exe, const std::wstring& arguments, HANDLE input, HANDLE output) {
  std::wstring commandLine = L"\"" + exe.native() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (input) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, input != nullptr, 0, nullptr,
                            exe.parent_path().c_str(), &startup, &info_) != FALSE;
}

Process::~Process() {
  if (!started_) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, static_cast<DWORD>(kGuiLimit.count()));
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

long Process::exitCode(milliseconds limit) const {
  if (!started_ || WaitForSingleObject(info_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<long>(code);
}

ConsoleLauncher::ConsoleLauncher(const std::filesystem::path& exe, const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE childIn = nullptr;
  HANDLE childOut = nullptr;
  CreatePipe(&childIn, &toChild_, &inherit, 0);
  CreatePipe(&fromChild_, &childOut, &inherit, 0);
  // Only the child's ends are inherited, so end of input reaches it.
  SetHandleInformation(toChild_, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(fromChild_, HANDLE_FLAG_INHERIT, 0);
  process_ = std::make_unique<Process>(exe, L"stdio " + arguments, childIn, childOut);
  CloseHandle(childIn);
  CloseHandle(childOut);
}

ConsoleLauncher::~ConsoleLauncher() {
  CloseHandle(toChild_);
  CloseHandle(fromChild_);
}

void ConsoleLauncher::send(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(toChild_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::vector<std::string> ConsoleLauncher::until(const std::string& marker) {
  std::vector<std::string> lines;
  const auto deadline = std::chrono::steady_clock::now() + kGuiLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    const size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      if (line.find(marker) != std::string::npos) return lines;
      continue;
    }
    // Peek first: a blocking read could outlast the limit.
    DWORD available = 0;
    if (!PeekNamedPipe(fromChild_, nullptr, 0, nullptr, &available, nullptr)) break;
    if (available == 0) {
      std::this_thread::sleep_for(milliseconds(20));
      continue;
    }
    std::string chunk(available, '\0');
    DWORD read = 0;
    if (!ReadFile(fromChild_, chunk.data(), available, &read, nullptr)) break;
    buffer_.append(chunk, 0, read);
  }
  ADD_FAILURE() << "no output line with " << marker;
  return lines;
}

long ConsoleLauncher::close() {
  send(R"({"cmd":"close"})");
  return process_->exitCode();
}

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
      (!search->title || std::wstring_view(title) == search->title)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND waitForWindow(const Process& process, const wchar_t* classPrefix, const wchar_t* title) {
  HWND found = nullptr;
  waitUntil([&] {
    WindowSearch search{process.id(), classPrefix, title, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    found = search.found && IsWindowVisible(search.found) ? search.found : nullptr;
    return found || process.exitCode(milliseconds(0)) != -1;
  });
  return found;
}

HWND waitForMessageBox(const Process& process) { return waitForWindow(process, L"#32770", L"ZarvoLauncher"); }

std::wstring messageText(HWND dialog) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, 0xFFFF, text, 1024);  // the text's id, in Windows and in Wine
  return text;
}

void pressButton(HWND dialog, int button) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

}  // namespace zv::test
