#include "tests/windows/webview_standin/journal.h"

#include <windows.h>

#include <cwchar>
#include <mutex>

namespace zv::standin {

namespace {

std::wstring journalPath() {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD length = GetEnvironmentVariableW(L"ZV_STANDIN_JOURNAL", path, MAX_PATH * 2);
  return length > 0 && length < MAX_PATH * 2 ? std::wstring(path) : std::wstring();
}

}  // namespace

void journal(std::wstring_view line) {
  static std::mutex mutex;
  const std::lock_guard lock(mutex);
  const std::wstring path = journalPath();
  if (path.empty()) return;
  std::wstring text(line);
  text += L'\n';
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  FlushFileBuffers(file);
  CloseHandle(file);
}

std::wstring hexNumber(unsigned long value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", value);
  return text;
}

}  // namespace zv::standin
