// Programs a Windows test starts and watches from outside: the window
// launcher (its windows, its exit code) and the console launcher (its page
// events on standard output). Every wait is bounded by kGuiLimit.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zv::test {

// Generous: a Wine process start on a busy machine can take seconds.
inline constexpr std::chrono::milliseconds kGuiLimit{60000};

// A started program; ended by force if the test leaves it running.
class Process {
 public:
  // With input, the program's standard handles are input and output.
  Process(const std::filesystem::path& exe, const std::wstring& arguments, HANDLE input = nullptr,
          HANDLE output = nullptr);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }
  // The exit code, or -1 when the process is still running after limit.
  long exitCode(std::chrono::milliseconds limit = kGuiLimit) const;

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

// zarvo-launcher stdio: page commands in, the page's events out.
class ConsoleLauncher {
 public:
  ConsoleLauncher(const std::filesystem::path& exe, const std::wstring& arguments);
  ~ConsoleLauncher();
  ConsoleLauncher(const ConsoleLauncher&) = delete;
  ConsoleLauncher& operator=(const ConsoleLauncher&) = delete;

  void send(const std::string& line);
  // Output lines up to and including the first that contains marker (all
  // there were, and a test failure, when none came in time).
  std::vector<std::string> until(const std::string& marker);
  // The "close" command; the exit code.
  long close();

 private:
  HANDLE toChild_ = nullptr;
  HANDLE fromChild_ = nullptr;
  std::unique_ptr<Process> process_;
  std::string buffer_;
};

// A visible top-level window of the process whose class starts with
// classPrefix (and with this title, unless null); null when none came.
HWND waitForWindow(const Process& process, const wchar_t* classPrefix, const wchar_t* title);

// The launcher's message box (a "#32770" dialog titled "ZarvoLauncher");
// null when none came.
HWND waitForMessageBox(const Process& process);
// A message box's text.
std::wstring messageText(HWND dialog);
// Clicks one of a dialog's buttons (IDOK, IDYES, IDNO).
void pressButton(HWND dialog, int button);

template <typename Condition>
bool waitUntil(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + kGuiLimit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace zv::test
