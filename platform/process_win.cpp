#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {
namespace {

// Not in every SDK's headers.
constexpr DWORD kErrorElevationRequired = 740;

void fillError(StartError& error, DWORD code) {
  error.code = code;
  switch (code) {
    case ERROR_INVALID_HANDLE: error.kind = StartFailure::HandleInvalid; break;
    case kErrorElevationRequired: error.kind = StartFailure::NeedsElevation; break;
    case ERROR_CANCELLED: error.kind = StartFailure::DeclinedByPlayer; break;
    default: error.kind = StartFailure::Other; break;
  }
  SetLastError(code);
  error.text = lastErrorText();
}

std::wstring wideText(const std::string& text) { return pathFromUtf8(text).native(); }

// Standard handles are passed to a child only when they are inheritable.
void inheritStandardHandle(DWORD which, HANDLE& slot) {
  slot = GetStdHandle(which);
  if (slot != nullptr && slot != INVALID_HANDLE_VALUE) {
    SetHandleInformation(slot, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  }
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

bool ChildProcess::started() const { return handle_ != nullptr; }

bool ChildProcess::wait(int& exitCode) {
  if (handle_ == nullptr) return false;
  HANDLE process = static_cast<HANDLE>(handle_);
  DWORD code = 0;
  const bool ok = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
  CloseHandle(process);
  handle_ = nullptr;
  if (ok) exitCode = static_cast<int>(code);
  return ok;
}

bool startProcess(const ProcessCommand& command, StartError& error, ChildProcess* child) {
  std::wstring line = L"\"" + command.program.native() + L"\"";
  if (!command.arguments.empty()) line += L" " + wideText(command.arguments);
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  BOOL inherit = FALSE;
  if (command.shareStandardStreams) {
    inheritStandardHandle(STD_INPUT_HANDLE, startup.hStdInput);
    inheritStandardHandle(STD_OUTPUT_HANDLE, startup.hStdOutput);
    inheritStandardHandle(STD_ERROR_HANDLE, startup.hStdError);
    startup.dwFlags = STARTF_USESTDHANDLES;
    inherit = TRUE;
  }
  PROCESS_INFORMATION info{};
  const wchar_t* folder = command.workingFolder.empty() ? nullptr : command.workingFolder.c_str();
  if (!CreateProcessW(command.program.c_str(), buffer.data(), nullptr, nullptr, inherit, 0, nullptr, folder, &startup,
                      &info)) {
    fillError(error, GetLastError());
    return false;
  }
  CloseHandle(info.hThread);
  if (child != nullptr) {
    if (child->handle_ != nullptr) CloseHandle(static_cast<HANDLE>(child->handle_));
    child->handle_ = info.hProcess;
  } else {
    CloseHandle(info.hProcess);
  }
  return true;
}

bool startThroughShell(const ProcessCommand& command, StartError& error) {
  const std::wstring parameters = wideText(command.arguments);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC;
  info.hwnd = static_cast<HWND>(command.ownerWindow);
  info.lpVerb = L"open";
  info.lpFile = command.program.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = command.workingFolder.empty() ? nullptr : command.workingFolder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    fillError(error, GetLastError());
    return false;
  }
  return true;
}

bool makeExecutable(const std::filesystem::path&) { return true; }

std::filesystem::path executablePath() {
  std::vector<wchar_t> buffer(1040);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), length));
    // A long path (the manifest asks for long path awareness) did not fit.
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::filesystem::path findProgramOnPath(std::string_view name) {
  const std::wstring wide = wideText(std::string(name));
  wchar_t found[MAX_PATH];
  const DWORD length = SearchPathW(nullptr, wide.c_str(), L".exe", MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::filesystem::path(std::wstring(found, length));
}

}  // namespace zv
