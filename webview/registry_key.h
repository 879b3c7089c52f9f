// One open registry key, read-only, closed by its owner.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace zv {

class RegistryKey {
 public:
  // extraAccess: KEY_WOW64_32KEY for the 32-bit view from either architecture.
  RegistryKey(HKEY root, const std::wstring& path, REGSAM extraAccess = 0);
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  explicit operator bool() const { return key_ != nullptr; }

  // A REG_SZ value; with acceptNumber also a REG_DWORD one, as decimal text.
  std::optional<std::wstring> read(const std::wstring& name, bool acceptNumber = false) const;

 private:
  HKEY key_ = nullptr;
};

}  // namespace zv
