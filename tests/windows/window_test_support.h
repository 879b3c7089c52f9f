#pragma once
// What the Windows tests need to drive a launcher from outside: a child
// process that is ended by force if a test leaves it behind, its top-level
// windows, and message boxes (their text, their buttons). Every wait has a
// limit.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace zv::test {

// Generous: a Wine process start can be slow on a busy machine.
constexpr std::chrono::milliseconds kWindowLimit{60000};

class TestProcess {
 public:
  // input and output, when given, become the child's standard streams.
  TestProcess(const std::filesystem::path& exe, const std::wstring& arguments, HANDLE input = nullptr,
              HANDLE output = nullptr);
  ~TestProcess();
  TestProcess(const TestProcess&) = delete;
  TestProcess& operator=(const TestProcess&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }
  // The exit code, or -1 when the process is still running after limit.
  long exitCode(std::chrono::milliseconds limit = kWindowLimit) const;

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

// A visible top-level window of the process whose class starts with
// classPrefix (and whose title is title, unless null); null when none came
// within the limit or the process ended.
HWND waitForWindow(const TestProcess& process, const wchar_t* classPrefix, const wchar_t* title);

// A message box of the process ("#32770" with the launcher's caption).
HWND waitForMessageBox(const TestProcess& process);

// The message of a message box.
std::wstring messageBoxText(HWND dialog);

// Clicks a button of a dialog (IDOK, IDYES, IDNO).
void pressButton(HWND dialog, int button);

template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds limit = kWindowLimit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace zv::test
