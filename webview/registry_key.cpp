#include "webview/registry_key.h"

namespace zv {

RegistryKey::RegistryKey(HKEY root, const std::wstring& path, REGSAM extraAccess) {
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | extraAccess, &key_) != ERROR_SUCCESS) key_ = nullptr;
}

RegistryKey::~RegistryKey() {
  if (key_) RegCloseKey(key_);
}

std::optional<std::wstring> RegistryKey::read(const std::wstring& name, bool acceptNumber) const {
  DWORD type = 0;
  DWORD size = 0;
  if (!key_ || RegQueryValueExW(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (type == REG_DWORD && acceptNumber && size == sizeof(DWORD)) {
    DWORD number = 0;
    if (RegQueryValueExW(key_, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    return std::to_wstring(number);
  }
  if (type != REG_SZ) return std::nullopt;
  // Room for a terminator the value may lack.
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key_, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  text.resize(size / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

}  // namespace zv
