#include "platform/private_file.h"

#include <windows.h>

#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {

bool writeNewPrivateFile(const std::filesystem::path& path, std::string_view bytes, std::string& error) {
  // CREATE_NEW fails when the file exists, so nothing is ever overwritten
  // here; no sharing while it is written.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError() == ERROR_FILE_EXISTS ? pathToUtf8(path) + " already exists"
                                                : "cannot create " + pathToUtf8(path) + ": " + lastErrorText();
    return false;
  }
  DWORD wrote = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) != 0 &&
            wrote == bytes.size() && FlushFileBuffers(file) != 0;
  if (!ok) error = "cannot write " + pathToUtf8(path) + ": " + lastErrorText();
  CloseHandle(file);
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

bool isOpenToOthers(const std::filesystem::path&) { return false; }

}  // namespace zv
