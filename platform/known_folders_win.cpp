#include "platform/known_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

namespace zv {
namespace {

bool knownFolder(REFKNOWNFOLDERID id, std::filesystem::path& folder) {
  wchar_t* path = nullptr;
  const HRESULT result = SHGetKnownFolderPath(id, 0, nullptr, &path);
  const bool ok = SUCCEEDED(result) && path != nullptr && path[0] != L'\0';
  if (ok) folder = std::filesystem::path(path);
  CoTaskMemFree(path);
  return ok;
}

}  // namespace

bool userDataFolder(std::filesystem::path& folder) { return knownFolder(FOLDERID_LocalAppData, folder); }

bool desktopFolder(std::filesystem::path& folder) { return knownFolder(FOLDERID_Desktop, folder); }

}  // namespace zv
