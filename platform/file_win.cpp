#include "platform/file.h"

#include <windows.h>

#include "platform/move_file_win.h"
#include "platform/text_path.h"

namespace zv {

std::string lastErrorText() {
  const DWORD saved = GetLastError();
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, saved,
      MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length > 0 && buffer) {
    std::wstring wide(buffer, length);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' || wide.back() == L'.')) {
      wide.pop_back();
    }
    text = pathToUtf8(std::filesystem::path(wide));
  }
  if (buffer) LocalFree(buffer);
  if (text.empty()) text = "system error " + std::to_string(saved);
  SetLastError(saved);
  return text;
}

namespace {
HANDLE asHandle(void* h) { return static_cast<HANDLE>(h); }
bool isDiskFull(DWORD code) { return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL; }
}  // namespace

File::~File() { close(); }

File::File(File&& other) noexcept : handle_(other.handle_), diskFull_(other.diskFull_) { other.handle_ = nullptr; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    diskFull_ = other.diskFull_;
    other.handle_ = nullptr;
  }
  return *this;
}

bool File::open(const std::filesystem::path& path, Mode mode, std::string& error) {
  close();
  diskFull_ = false;
  DWORD access = 0;
  DWORD disposition = 0;
  switch (mode) {
    case Mode::Read: access = GENERIC_READ; disposition = OPEN_EXISTING; break;
    case Mode::Truncate: access = GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
    case Mode::Append: access = FILE_APPEND_DATA; disposition = OPEN_ALWAYS; break;
    case Mode::Update: access = GENERIC_READ | GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
    case Mode::Fresh:
      // DeleteFileW removes a link itself; CREATE_NEW then fails on anything
      // that appeared in between instead of opening it.
      access = GENERIC_WRITE;
      disposition = CREATE_NEW;
      (void)DeleteFileW(path.c_str());
      break;
  }
  HANDLE h = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = "cannot open " + pathToUtf8(path) + ": " + lastErrorText();
    return false;
  }
  handle_ = h;
  return true;
}

bool File::isOpen() const { return handle_ != nullptr; }

void File::close() {
  if (handle_) {
    CloseHandle(asHandle(handle_));
    handle_ = nullptr;
  }
}

bool File::read(void* buffer, size_t size, size_t& got, std::string& error) {
  DWORD n = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!ReadFile(asHandle(handle_), buffer, want, &n, nullptr)) {
    error = "read error: " + lastErrorText();
    return false;
  }
  got = n;
  return true;
}

bool File::write(const void* data, size_t size, std::string& error) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD n = 0;
    if (!WriteFile(asHandle(handle_), p, want, &n, nullptr)) {
      diskFull_ = isDiskFull(GetLastError());
      error = "write error: " + lastErrorText();
      return false;
    }
    p += n;
    size -= n;
  }
  return true;
}

bool File::size(uint64_t& bytes, std::string& error) const {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(asHandle(handle_), &value)) {
    error = "cannot read file size: " + lastErrorText();
    return false;
  }
  bytes = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool File::seek(uint64_t offset, std::string& error) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(asHandle(handle_), to, nullptr, FILE_BEGIN)) {
    error = "seek error: " + lastErrorText();
    return false;
  }
  return true;
}

bool File::truncateHere(std::string& error) {
  if (!SetEndOfFile(asHandle(handle_))) {
    error = "cannot truncate: " + lastErrorText();
    return false;
  }
  return true;
}

bool File::flush(std::string& error) {
  if (!FlushFileBuffers(asHandle(handle_))) {
    diskFull_ = isDiskFull(GetLastError());
    error = "flush error: " + lastErrorText();
    return false;
  }
  return true;
}

// Writes stay cached here (kUncachedWrites).
void File::preferUncached() {}

void File::startWriteback(uint64_t, uint64_t) {
  // Windows has no call that starts writing a file's data without waiting
  // for it: FlushFileBuffers in the flush does it all.
}

namespace detail {
namespace {

// Sharing and lock violations come from another open of either file. Access
// denied comes from that too, but also from a read-only target or a folder
// in its place, which no wait mends.
bool heldForAMoment(DWORD code, const std::filesystem::path& to) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) return true;
  if (code != ERROR_ACCESS_DENIED) return false;
  const DWORD attributes = GetFileAttributesW(to.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ||
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

}  // namespace

bool moveFilePastShortHolds(const std::filesystem::path& from, const std::filesystem::path& to, DWORD flags) {
  // A scan of a file just written takes a few hundred milliseconds; a file
  // the running game holds stays held, and the job reports it after this
  // one wait.
  constexpr int kRetries = 10;
  constexpr DWORD kPauseMs = 100;
  for (int retry = 0;; ++retry) {
    if (MoveFileExW(from.c_str(), to.c_str(), flags)) return true;
    const DWORD code = GetLastError();
    if (retry == kRetries || !heldForAMoment(code, to)) {
      SetLastError(code);
      return false;
    }
    Sleep(kPauseMs);
  }
}

}  // namespace detail

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  if (detail::moveFilePastShortHolds(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return true;
  error = lastErrorText();
  return false;
}

bool makeWritable(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

}  // namespace zv
