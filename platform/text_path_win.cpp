#include "platform/text_path.h"

#include <windows.h>

namespace zv {

std::filesystem::path pathFromUtf8(std::string_view text) {
  std::u16string wide = utf8ToUtf16(text);
  return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
}

std::string pathToUtf8(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr, nullptr);
  }
  return out;
}

}  // namespace zv
