// The runtime's exports and its message window: completions are raised from
// the launcher's own message loop, and the inbox folder is polled there too,
// so every event reaches the launcher on its main thread.
#include <algorithm>
#include <deque>
#include <filesystem>
#include <vector>

#include "tests/windows/webview_standin/journal.h"
#include "tests/windows/webview_standin/standin.h"

namespace zv::standin {

namespace {

constexpr UINT kRunTask = WM_APP + 7;
constexpr UINT_PTR kInboxTimer = 1;

HWND messageWindow = nullptr;
std::deque<std::function<void()>> tasks;
View* currentView = nullptr;

std::wstring environmentText(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  return length > 0 && length < MAX_PATH * 2 ? std::wstring(value) : std::wstring();
}

std::wstring readUtf8(const std::filesystem::path& file) {
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  std::string bytes(64 * 1024, '\0');
  DWORD read = 0;
  ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(handle);
  bytes.resize(read);
  while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
  const int chars = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), chars);
  return text;
}

// Commands are files "<name>.cmd", taken in name order; the test writes each
// under another name first and renames it, so a file is never half read.
void pollInbox() {
  const std::wstring inbox = environmentText(L"ZV_STANDIN_INBOX");
  if (inbox.empty() || !currentView) return;
  std::error_code error;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(inbox, error)) {
    if (entry.path().extension() == L".cmd") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    const std::wstring command = readUtf8(file);
    std::filesystem::remove(file, error);
    if (!currentView) return;
    runCommand(*currentView, command);
  }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunTask) {
    if (!tasks.empty()) {
      auto task = std::move(tasks.front());
      tasks.pop_front();
      task();
    }
    return 0;
  }
  if (message == WM_TIMER && wParam == kInboxTimer) {
    pollInbox();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The launcher must keep this library while its objects live; pinning it
// makes an early FreeLibrary harmless, as the real runtime's own references do.
void pinThisLibrary() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&pinThisLibrary), &self);
}

std::wstring modulePath() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&modulePath), &self);
  wchar_t path[MAX_PATH * 2] = {};
  GetModuleFileNameW(self, path, MAX_PATH * 2);
  return path;
}

}  // namespace

void startOnThisThread() {
  if (messageWindow) return;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ZvStandInRuntime";
  RegisterClassW(&windowClass);
  messageWindow = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
  SetTimer(messageWindow, kInboxTimer, 25, nullptr);
}

void post(std::function<void()> task) {
  tasks.push_back(std::move(task));
  PostMessageW(messageWindow, kRunTask, 0, 0);
}

void setCurrentView(View* view) { currentView = view; }

}  // namespace zv::standin

using namespace zv::standin;

// ZV_STANDIN_FAIL_ONCE names a file: while it exists, the next creation
// fails and removes it; "environment" in it fails through the handler,
// anything else fails the call itself.
extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    int alwaysOne, int runtimeKind, PCWSTR userDataFolder, IUnknown* options,
    zv::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  pinThisLibrary();
  startOnThisThread();
  journal(L"create one=" + std::to_wstring(alwaysOne) + L" kind=" + std::to_wstring(runtimeKind) +
          L" userData=" + (userDataFolder ? userDataFolder : L"(none)") +
          L" options=" + (options ? L"set" : L"none") + L" library=" + modulePath());
  if (!handler) return E_POINTER;
  const std::wstring failFile = environmentText(L"ZV_STANDIN_FAIL_ONCE");
  const std::wstring failure = failFile.empty() ? std::wstring() : readUtf8(failFile);
  const bool failNow = !failFile.empty() && DeleteFileW(failFile.c_str());
  if (failNow && failure != L"environment") return E_ABORT;
  auto kept = zv::ComRef<zv::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>::share(handler);
  post([kept, failNow] {
    if (failNow) {
      (void)kept->Invoke(E_ABORT, nullptr);
      return;
    }
    auto environment = makeEnvironment();
    (void)kept->Invoke(S_OK, environment.get());
  });
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE DllCanUnloadNow() { return S_FALSE; }
