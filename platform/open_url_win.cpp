#include "platform/open_url.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/text_path.h"

namespace zv {

void openUrl(std::string_view url) {
  const std::wstring wide = pathFromUtf8(url).native();
  ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace zv
